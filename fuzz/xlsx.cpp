// A whole .xlsx workbook of any bytes: the zip archive, its relationships, the workbook, shared
// strings, styles and worksheet parts.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "db/excel/XlsxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/kiv-fuzz-xlsx-" + std::to_string(::getpid()) + ".xlsx";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        kiv::db::excel::XlsxReader::read(path);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
