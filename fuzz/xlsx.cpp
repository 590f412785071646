// A whole .xlsx workbook of any bytes: the zip archive, its relationships, the workbook, shared
// strings, styles and worksheet parts.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "InputFile.h"
#include "db/excel/XlsxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = inputFile(".xlsx", data, size);
    if (path.empty()) {
        return 0;
    }
    try {
        kiv::db::excel::XlsxReader::read(path);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
