// The tables of an HTML document of any bytes.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "db/html/HtmlDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const kiv::db::html::HtmlDocument document(
            std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const std::runtime_error&) {
    }
    return 0;
}
