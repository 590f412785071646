#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/access/AccessReader.h"

namespace kiv::db::access {

// The rows of one Access table, read as a statement steps: batches of them come from the
// database's reader process, and the values of the current row go to SQLite from the batch.
// A table whose rows all came in one batch is read again from it, without the reader, by
// statements that read the same columns or fewer.
class AccessCursor {
public:
    // Throws std::runtime_error when the table cannot be read.
    AccessCursor(std::shared_ptr<AccessReader> reader, const AccessTable& table);
    ~AccessCursor();
    AccessCursor(const AccessCursor&) = delete;
    AccessCursor& operator=(const AccessCursor&) = delete;

    // Goes back to the first row, to read the values of `columns` (as
    // AccessProtocol::columns() gives them); the others are Null.
    void rewind(std::uint32_t columns);
    // Moves to the next row; false after the last. Throws std::runtime_error, naming the
    // table and the file, when the reader fails.
    bool next();

    // Sets the value of a column of the current row as the result of an SQL function context.
    void setResult(sqlite3_context* context, std::size_t column) const;

private:
    // Finds where the values of the row at `at_` start, and moves past it.
    void splitRow();
    [[noreturn]] void fail(const std::runtime_error& failure) const;

    std::shared_ptr<AccessReader> reader_;
    const AccessTable& table_;
    std::uint32_t number_ = 0;  // of the reader in the reader process
    std::string batch_;
    std::size_t at_ = 0;               // where the next row starts in batch_
    std::uint32_t columns_ = 0;        // whose values the batches hold
    bool fromStart_ = true;            // the next batch to ask for is the first
    bool last_ = false;                // no batch follows this one
    bool whole_ = false;               // batch_ holds every row of the table
    std::vector<std::size_t> values_;  // where the values of the current row start
};

}  // namespace kiv::db::access
