#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "base/Variant.h"
#include "db/ColumnInfo.h"
#include "db/Error.h"

namespace kiv::db {

// Adds rows to one table without reading any of its rows. Engines implement it; a
// recordset opened on a table for writing saves its new rows through it.
class TableWriter {
public:
    virtual ~TableWriter() = default;

    virtual const std::vector<ColumnInfo>& columns() const = 0;

    // Saves one row. `assigned` tells which values were given; the others take the
    // column's default. A writer may hold rows back and send them in groups: a refusal
    // thrown here is that of this row or of a row held back, told by `Error::RowsAfter`.
    // The rows before the refused one stay saved; the rows after it are dropped.
    virtual void insert(const std::vector<Variant>& row, const std::vector<bool>& assigned) = 0;

    // The most rows the writer holds back before sending them: a refusal concerns one of
    // the last this many rows.
    virtual std::size_t rowsHeldAtMost() const { return 1; }
    // Whether the database itself may refuse a row once later rows are added; otherwise only
    // the checks of the row in hand refuse rows, and a held group fails only as a whole.
    virtual bool refusesHeldRows() const { return false; }

    // Told of each row the database refuses, with `Error::RowsAfter` saying which; when it
    // returns true the row is left out and the rows after it are sent all the same, when
    // false the refusal fails the writer as it would without it.
    using RowRefused = std::function<bool(const Error&)>;
    // False when the writer cannot go on after a refused row: every refusal then fails it.
    virtual bool setRowRefused(RowRefused) { return false; }

    // Makes sure every row saved so far has reached the database; a refusal is reported
    // as by `insert`.
    virtual void flush() = 0;

    // Flushes and makes the rows durable. The writer is unusable afterwards.
    virtual void close() = 0;
};

}  // namespace kiv::db
