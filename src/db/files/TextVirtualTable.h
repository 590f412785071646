#pragma once

#include <sqlite3.h>

#include <memory>

#include "db/files/TextTable.h"

namespace kiv::db::files {

// The SQLite virtual-table module that shows text files as tables: a SELECT streams the file
// as the statement steps, an INSERT appends lines, UPDATE and DELETE are refused. SQLite does
// the filtering, joining and counting over full scans.
class TextVirtualTable {
public:
    static constexpr const char* ModuleName = "kiv_text";

    // Registers the module on a database. `CREATE VIRTUAL TABLE temp."people.csv" USING
    // kiv_text` then makes the table of the entry the name has in `tables`; the map may
    // gain entries later and is shared, so it lives as long as the module.
    static void registerModule(sqlite3* db, std::shared_ptr<const TextTableMap> tables);
};

}  // namespace kiv::db::files
