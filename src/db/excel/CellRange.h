#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// A rectangle of cells, by 0-based row and column positions, both ends included.
struct CellRange {
    std::size_t firstRow = 0;
    std::size_t firstColumn = 0;
    std::size_t lastRow = 0;
    std::size_t lastColumn = 0;

    // Whole columns or rows ("$A:$C", "$2:$5") reach this far until clipped to what is used.
    static constexpr std::size_t Unbounded = static_cast<std::size_t>(-1);

    // A reference in A1 notation ("B3", "$A$1:$C$10", "$A:$C", "$2:$5"), the ends in any
    // order; nothing for anything else.
    static std::optional<CellRange> parse(std::string_view reference);

    // A reference with its sheet ("Sheet1!$A$1:$B$2", "'My Sheet'!A1:B2"): the range, with the
    // sheet's name (quotes removed, doubled quotes made single) put in `sheet`; nothing for
    // anything else, such as several areas, constants or references into other workbooks.
    static std::optional<CellRange> parseOnSheet(std::string_view reference, std::string& sheet);
};

}  // namespace kiv::db::excel
