#pragma once

#include "base/Variant.h"
#include "db/sqlite/SqliteColumnType.h"

struct sqlite3_stmt;

namespace kiv::db::sqlite {

// Moving single values between SQLite statements and Variants.
class SqliteValues {
public:
    // Reads column `column` of the current row into `out`, reusing it: numbers never
    // allocate, and text goes into the text buffer `out` already holds when nothing else
    // shares it. Text is read as bytes with its length (no terminating copy).
    static void read(sqlite3_stmt* statement, int column, SqliteColumnType::ReadAs as,
                     Variant& out);

    // Binds `value` to placeholder `index` (from 1). Text is bound without copying, so it
    // must stay unchanged until the statement has run; dates are bound as ISO 8601 text
    // (copied). Gives SQLite's result code.
    static int bindValue(sqlite3_stmt* statement, int index, const Variant& value);

    // The form a value is kept in while it waits to be bound without copying: a date
    // becomes its ISO 8601 text, as it is stored.
    static void toStorageForm(Variant& value);
};

}  // namespace kiv::db::sqlite
