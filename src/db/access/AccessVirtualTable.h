#pragma once

#include <sqlite3.h>

#include <memory>

#include "db/access/AccessSchema.h"

namespace kiv::db::sqlite {
class SqliteDatabase;
}

namespace kiv::db::access {

// The SQLite virtual-table module that shows the tables of an Access database: a SELECT reads
// the table's rows as the statement steps; SQLite does the filtering, joining and counting. A
// saved query that cannot be read has a table too, so that naming it fails with a clear
// description rather than "no such table". The tables take no changes.
class AccessVirtualTable {
public:
    static constexpr const char* ModuleName = "kiv_access";

    // Registers the module on a database. `CREATE VIRTUAL TABLE temp."Customers" USING
    // kiv_access` then makes the table or query the name has in `schema`.
    static void registerModule(sqlite3* db, std::shared_ptr<const AccessSchema> schema);

    // Makes the virtual table of a table or query of the registered schema. Throws Error.
    static void create(sqlite::SqliteDatabase& database, const std::string& name);
};

}  // namespace kiv::db::access
