#pragma once

#include <memory>
#include <vector>

#include "db/cells/RowSource.h"

namespace kiv::db::cells {

// Rows held in memory: an HTML table, a range of an .xls worksheet (which holds 65,536 rows of
// 256 cells at most) or of a workbook being written.
class HeldRows : public RowSource {
public:
    explicit HeldRows(std::vector<Row> rows) : rows_(std::move(rows)) {}

    std::size_t rowCount() const override { return rows_.size(); }
    std::unique_ptr<Cursor> rows() const override;

private:
    std::vector<Row> rows_;
};

}  // namespace kiv::db::cells
