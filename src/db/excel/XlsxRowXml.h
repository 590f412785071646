#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"

namespace kiv::db::excel {

// The XML of a row added to a worksheet: text as inline strings, numbers, booleans, and dates
// as numbers with a date style; Null and empty text leave the cell out.
class XlsxRowXml {
public:
    // The cell styles (indexes into the workbook's cell formats) of dates and of dates with
    // a time of day, and whether the workbook counts days from 1904.
    struct Styles {
        std::size_t date = 0;
        std::size_t dateTime = 0;
        bool date1904 = false;
    };

    // Appends `<row r="n">` with the values from column `firstColumn` (0 is A) on; `row` is
    // 0-based. Throws std::runtime_error naming the column of `names` whose value a cell
    // cannot hold. Whether a date was written is added to `wroteDate`.
    static void append(std::string& out, std::size_t row, std::size_t firstColumn,
                       const std::vector<Variant>& values, const std::vector<std::string>& names,
                       const Styles& styles, bool& wroteDate);

    // Appends one cell (nothing for Null or empty text) with the style `style` ("" for none)
    // unless it is a date, which takes the date style.
    static void appendCell(std::string& out, std::size_t row, std::size_t column,
                           std::string_view style, const Variant& value, const std::string& name,
                           const Styles& styles, bool& wroteDate);

    // Text made fit for XML content or an attribute value.
    static void appendEscaped(std::string& out, std::string_view text);

    // The letters of a column: 0 is A, 26 is AA.
    static std::string columnName(std::size_t column);
};

}  // namespace kiv::db::excel
