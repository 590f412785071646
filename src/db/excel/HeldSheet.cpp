#include "db/excel/HeldSheet.h"

#include <algorithm>

#include "db/cells/HeldRows.h"

namespace kiv::db::excel {

std::shared_ptr<const cells::RowSource> HeldSheet::rowsOf(const CellRange& range) const {
    std::vector<cells::RowSource::Row> rows;
    for (std::size_t row = range.firstRow; row <= range.lastRow; ++row) {
        cells::RowSource::Row& out = rows.emplace_back();
        if (row >= sheet_.rows.size()) {
            continue;
        }
        const std::vector<cells::Cell>& cells = sheet_.rows[row];
        const std::size_t end = std::min(cells.size(), range.lastColumn + 1);
        for (std::size_t column = range.firstColumn; column < end; ++column) {
            out.push_back(cells[column]);
        }
    }
    return std::make_shared<const cells::HeldRows>(std::move(rows));
}

}  // namespace kiv::db::excel
