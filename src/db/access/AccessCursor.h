#pragma once

#include <sqlite3.h>
#include "db/access/Mdb.h"

#include <string>
#include <vector>

namespace kiv::db::access {

// The rows of one Access table, read as a statement steps. Each cursor reads through a handle
// of its own (sharing the file), so several statements can read the same database at once:
// a data load and its lookups, both sides of a join.
class AccessCursor {
public:
    // Throws std::runtime_error when the table cannot be read.
    AccessCursor(MdbHandle* database, const std::string& table);
    ~AccessCursor();
    AccessCursor(const AccessCursor&) = delete;
    AccessCursor& operator=(const AccessCursor&) = delete;

    void rewind();
    // Moves to the next row; false after the last.
    bool next();

    // Sets the value of a column of the current row as the result of an SQL function context.
    // Dates come as yyyy-mm-dd hh:mm:ss text converted from the stored day numbers, which
    // hold every date the database can (mdbtools' own text form is wrong outside 1900-9999).
    void setResult(sqlite3_context* context, std::size_t column);

private:
    void setNumber(sqlite3_context* context, int type, int start);
    // A date outside the years 100 to 9999 no date value holds comes as its day number.
    void setDate(sqlite3_context* context, double serial);
    void setText(sqlite3_context* context, int type, int start, int length);
    void setObject(sqlite3_context* context, std::size_t column);

    MdbHandle* handle_;
    S_MdbTableDef* table_;
    std::vector<std::vector<char>> objectBuffers_;  // by column; only OLE columns have one
    std::string scratch_;
};

}  // namespace kiv::db::access
