#pragma once

#include <vector>

#include "base/Variant.h"
#include "db/ColumnInfo.h"

namespace kiv::db {

// Adds rows to one table without reading any of its rows. Engines implement it; a
// recordset opened on a table for writing saves its new rows through it.
class TableWriter {
public:
    virtual ~TableWriter() = default;

    virtual const std::vector<ColumnInfo>& columns() const = 0;

    // Saves one row. `assigned` tells which values were given; the others take the
    // column's default. Throws the refusal or the engine's failure for exactly this row;
    // rows saved before it stay saved.
    virtual void insert(const std::vector<Variant>& row, const std::vector<bool>& assigned) = 0;

    // Makes sure every row saved so far has reached the database.
    virtual void flush() = 0;

    // Flushes and makes the rows durable. The writer is unusable afterwards.
    virtual void close() = 0;
};

}  // namespace kiv::db
