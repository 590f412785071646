#include "db/excel/Workbook.h"

#include <algorithm>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::excel {

std::optional<CellRange> Workbook::Sheet::usedRange() const {
    if (file) {
        return file->usedRange();
    }
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

void Workbook::Sheet::hold(std::size_t mostBytes) {
    if (!file) {
        return;
    }
    std::vector<std::vector<cells::Cell>> held;
    if (const std::optional<CellRange> used = file->usedRange()) {
        const auto source = file->rowsOf(CellRange{0, 0, used->lastRow, used->lastColumn});
        const auto cursor = source->rows();
        std::size_t bytes = 0;
        while (const std::vector<cells::Cell>* row = cursor->next()) {
            bytes += sizeof(*row) + row->size() * sizeof(cells::Cell);
            for (const cells::Cell& cell : *row) {
                bytes += cell.text.size();
            }
            if (bytes > mostBytes) {
                throw std::runtime_error("the sheet " + name + " holds more cells than the " +
                                         text::decimal(static_cast<long long>(mostBytes >> 20)) +
                                         " MiB kept in memory to change them");
            }
            held.push_back(*row);
        }
    }
    rows = std::move(held);
    file.reset();
}

}  // namespace kiv::db::excel
