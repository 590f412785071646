#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

#include "base/Variant.h"

namespace kiv::db::access {

// The rows of a statement on the system tables of an Access database (MSysObjects,
// MSysQueries), read through their virtual tables. Throws std::runtime_error with SQLite's
// description when the statement cannot be prepared or run.
class AccessSystemRows {
public:
    AccessSystemRows(sqlite3* db, const char* sql);

    // Moves to the next row; false after the last.
    bool next();

    long long integer(int column) const;
    // The value's bytes; empty for Null.
    std::string text(int column) const;
    // A date written as text, or Null.
    Variant date(int column) const;

private:
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement_;
};

}  // namespace kiv::db::access
