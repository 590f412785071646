#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/cells/Cell.h"
#include "db/cells/CellColumn.h"
#include "db/cells/RowSource.h"

namespace kiv::db::cells {

// A table of cells: a worksheet, a named range or an HTML table, its columns named and typed,
// its rows coming from a source. Rows may be shorter than the table is wide; the missing cells
// are blank.
class CellTable {
public:
    using Row = RowSource::Row;

    CellTable(std::string name, std::vector<CellColumn> columns,
              std::shared_ptr<const RowSource> rows);

    const std::string& name() const noexcept { return name_; }
    const std::vector<CellColumn>& columns() const noexcept { return columns_; }
    std::size_t rowCount() const { return rows_->rowCount(); }
    // A scan of the rows from the first. Throws std::runtime_error naming the file.
    std::unique_ptr<RowSource::Cursor> rows() const { return rows_->rows(); }

    // The CREATE TABLE statement that declares the virtual table's columns.
    std::string declaration() const;

    void setResult(sqlite3_context* context, const Row& row, std::size_t column,
                   std::string& scratch) const;

    // The column names a range gets: with `header` the display text of the first row's cells,
    // F1, F2, ... (by position) where that is empty or already taken; without, F1, F2, ...
    static std::vector<CellColumn> namedColumns(const Row* header, std::size_t count);

private:
    std::string name_;
    std::vector<CellColumn> columns_;
    std::shared_ptr<const RowSource> rows_;
};

// The tables of a source by the lower-case form of each of their SQL names.
using CellTableMap = std::map<std::string, std::shared_ptr<const CellTable>>;

}  // namespace kiv::db::cells
