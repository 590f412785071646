#pragma once

#include <sqlite3.h>

#include <memory>

#include "db/cells/CellChanges.h"
#include "db/cells/CellTable.h"

namespace kiv::db::cells {

// The SQLite virtual-table module that shows tables of cells: a SELECT steps through the rows
// of a table's source, each scan from the first row; SQLite does the filtering, joining and
// counting over full scans. Rows an
// INSERT adds and cells an UPDATE changes go to the source's changes, where it has any.
class CellVirtualTable {
public:
    static constexpr const char* ModuleName = "kiv_cells";

    // Registers the module on a database. `CREATE VIRTUAL TABLE temp."Sheet1$" USING
    // kiv_cells` then makes the table the name has in `tables`. `changes` (which must outlive
    // the database) takes the rows inserted; without it every change is refused.
    static void registerModule(sqlite3* db, std::shared_ptr<const CellTableMap> tables,
                               CellChanges* changes = nullptr);
};

}  // namespace kiv::db::cells
