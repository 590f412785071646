#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/cells/Cell.h"
#include "db/cells/CellColumn.h"

namespace kiv::db::cells {

// A table whose rows are held in memory as cells: a worksheet, a named range or an HTML
// table. Rows may be shorter than the table is wide; the missing cells are blank.
class CellTable {
public:
    using Row = std::vector<Cell>;

    CellTable(std::string name, std::vector<CellColumn> columns, std::vector<Row> rows);

    const std::string& name() const noexcept { return name_; }
    const std::vector<CellColumn>& columns() const noexcept { return columns_; }
    std::size_t rowCount() const noexcept { return rows_.size(); }

    // The CREATE TABLE statement that declares the virtual table's columns.
    std::string declaration() const;

    void setResult(sqlite3_context* context, std::size_t row, std::size_t column,
                   std::string& scratch) const;

    // The column names a range gets: with `header` the display text of the first row's cells,
    // F1, F2, ... (by position) where that is empty or already taken; without, F1, F2, ...
    static std::vector<CellColumn> namedColumns(const Row* header, std::size_t count);

private:
    std::string name_;
    std::vector<CellColumn> columns_;
    std::vector<Row> rows_;
};

// The tables of a source by the lower-case form of each of their SQL names.
using CellTableMap = std::map<std::string, std::shared_ptr<const CellTable>>;

}  // namespace kiv::db::cells
