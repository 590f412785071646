// The program's side of the reader-process protocol: a child that sends any bytes as the
// workbook it read.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "db/cells/ReaderProcess.h"
#include "db/excel/WorkbookTransfer.h"

using kiv::db::cells::ReaderProcess;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        ReaderProcess reader([&](ReaderProcess::Output& output) { output.put(bytes); },
                             ReaderProcess::Limits{});
        kiv::db::excel::WorkbookTransfer::receive(reader);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
