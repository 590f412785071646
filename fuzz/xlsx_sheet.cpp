// A worksheet part of any bytes, with shared strings and styles to refer to.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "db/excel/XlsxSheet.h"
#include "db/excel/XmlStream.h"

using kiv::db::excel::NumberFormat;
using kiv::db::excel::XlsxSheet;
using kiv::db::excel::XmlStream;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string> strings = {"a", "b"};
    static const std::vector<NumberFormat::Kind> styles = {
        NumberFormat::Kind::Number, NumberFormat::Kind::Date, NumberFormat::Kind::Currency};
    try {
        XmlStream xml(std::string_view(reinterpret_cast<const char*>(data), size));
        XlsxSheet::read(xml, XlsxSheet::Context{strings, styles, size % 2 == 0});
    } catch (const std::runtime_error&) {
    }
    return 0;
}
