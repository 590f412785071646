#include "db/excel/Workbook.h"

#include <algorithm>

namespace kiv::db::excel {

std::optional<CellRange> Workbook::Sheet::usedRange() const {
    std::optional<CellRange> used;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t column = 0; column < rows[row].size(); ++column) {
            if (rows[row][column].blank()) {
                continue;
            }
            if (!used) {
                used = CellRange{row, column, row, column};
            }
            used->firstColumn = std::min(used->firstColumn, column);
            used->lastColumn = std::max(used->lastColumn, column);
            used->lastRow = row;
        }
    }
    return used;
}

}  // namespace kiv::db::excel
