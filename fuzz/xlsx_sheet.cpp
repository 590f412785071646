// A worksheet part of any bytes, with shared strings and styles to refer to, read row by row.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "db/excel/XlsxSheet.h"
#include "db/excel/XmlStream.h"

using kiv::db::excel::NumberFormat;
using kiv::db::excel::XlsxSheet;
using kiv::db::excel::XmlStream;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const XlsxSheet::Dictionary dictionary{
        {"a", "b"},
        {NumberFormat::Kind::Number, NumberFormat::Kind::Date, NumberFormat::Kind::Currency}};
    try {
        XmlStream xml(std::string_view(reinterpret_cast<const char*>(data), size));
        XlsxSheet sheet(xml, dictionary, "Sheet1");
        while (sheet.next()) {
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
