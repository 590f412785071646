#pragma once

#include <sqlite3.h>
#include "db/access/Mdb.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/cells/ReaderProcess.h"

namespace kiv::db::access {

// The rows of one Access table, read as a statement steps. mdbtools is not safe from damaged
// files, so each cursor reads through a reader process of its own (with its own handle on the
// file): several statements can read the same database at once (a data load and its lookups,
// both sides of a join), and a reader that crashes or hangs fails the statement, naming the
// file, instead of taking the program down.
class AccessCursor {
public:
    // Throws std::runtime_error when the table cannot be read.
    AccessCursor(MdbHandle* database, const std::string& table);

    // Throw std::runtime_error when the reader fails.
    void rewind();
    // Moves to the next row; false after the last.
    bool next();

    // Sets the value of a column of the current row as the result of an SQL function context.
    void setResult(sqlite3_context* context, std::size_t column) const;

private:
    struct Value {
        char marker = 0;
        std::int64_t integer = 0;
        double real = 0;
        std::string bytes;
    };
    enum class State { Idle, InBatch, AtEnd };

    bool readNext();
    void readRow();
    char takeMarker();
    [[noreturn]] void malformed() const;
    // Fails with the table and the file named; the file is remembered as damaged.
    [[noreturn]] void failed(const std::runtime_error& failure) const;

    std::string path_;
    std::string table_;
    cells::ReaderProcess reader_;
    std::vector<Value> row_;
    State state_ = State::Idle;
};

}  // namespace kiv::db::access
