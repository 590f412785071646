#pragma once

#include "base/Variant.h"
#include "db/sqlite/SqliteColumnType.h"
#include "db/sqlite/StoredValue.h"

namespace kiv::db::sqlite {

// Moving single values between SQLite statements and Variants.
class SqliteValues {
public:
    // Column `column` of the current row. Text is read as bytes with its length (no
    // terminating copy), valid until the statement moves on.
    static StoredValue stored(sqlite3_stmt* statement, int column);
    // Converts a stored value to the program's form of its column into `out`, reusing it:
    // numbers never allocate, and text goes into the text buffer `out` already holds when
    // nothing else shares it.
    static void read(const StoredValue& value, SqliteColumnType::ReadAs as, Variant& out);
    // Makes a stored value the result of an SQL function or virtual-table column (text
    // copied).
    static void result(sqlite3_context* context, const StoredValue& value);

    // Binds `value` to placeholder `index` (from 1). Text is bound without copying, so it
    // must stay unchanged until the statement has run; dates are bound as ISO 8601 text
    // (copied). Gives SQLite's result code.
    static int bindValue(sqlite3_stmt* statement, int index, const Variant& value);

    // The form a value is kept in while it waits to be bound without copying: a date
    // becomes its ISO 8601 text, as it is stored.
    static void toStorageForm(Variant& value);
};

}  // namespace kiv::db::sqlite
