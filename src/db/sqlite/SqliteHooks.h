#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Cursor.h"

struct sqlite3;

namespace kiv::db::sqlite {

class SqliteEngine;

// What an engine built on an SQLite database adds to it: a source whose tables SQLite
// reaches through virtual tables (a folder of text files, ...) refreshes them before each
// statement and may run some statements itself. Failures are thrown as std::runtime_error
// with a description; the engine reports them under its own tag.
class SqliteHooks {
public:
    virtual ~SqliteHooks() = default;

    // Called before every statement is prepared, so tables added since are found.
    virtual void beforePrepare(sqlite3* db) = 0;

    // Runs a statement SQLite cannot run on the source (creating or dropping a table of
    // it); false when the statement is not one of those.
    virtual bool execute(sqlite3* db, std::string_view sql) = 0;

    // The rows of a query the source answers itself, faster than SQLite can through its
    // virtual tables and with the same result; empty for any other statement. Called after
    // beforePrepare.
    virtual std::unique_ptr<Cursor> scan(const std::shared_ptr<SqliteEngine>& engine,
                                         std::string_view sql) = 0;

    // The source's tables, listed by the catalog with type "TABLE".
    virtual std::vector<std::string> tableNames() const = 0;
};

}  // namespace kiv::db::sqlite
