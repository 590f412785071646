// What the program reads itself from an .xls file of any bytes: the compound file's streams
// and the BIFF records of its workbook stream.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "db/excel/BiffDetails.h"
#include "db/excel/CompoundFile.h"

using kiv::db::excel::BiffDetails;
using kiv::db::excel::CompoundFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const std::optional<std::string> stream = CompoundFile(bytes).stream("Workbook");
        if (stream) {
            BiffDetails::read(*stream);
        }
    } catch (const std::runtime_error&) {
    }
    try {
        BiffDetails::read(bytes);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
