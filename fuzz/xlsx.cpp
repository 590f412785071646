// A whole .xlsx workbook of any bytes: the zip archive, its relationships, the workbook, shared
// strings, styles and worksheet parts, each sheet's table scanned and then held.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "InputFile.h"
#include "db/excel/SheetTableBuilder.h"
#include "db/excel/XlsxReader.h"

using kiv::db::excel::SheetTableBuilder;
using kiv::db::excel::Workbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = inputFile(".xlsx", data, size);
    if (path.empty()) {
        return 0;
    }
    try {
        Workbook workbook = kiv::db::excel::XlsxReader::read(path);
        for (Workbook::Sheet& sheet : workbook.sheets) {
            const auto table =
                SheetTableBuilder::build(sheet.name, *sheet.file, sheet.usedRange(), true);
            const auto rows = table->rows();
            while (rows->next() != nullptr) {
            }
            sheet.hold();
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
