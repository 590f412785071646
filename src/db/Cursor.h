#pragma once

#include <vector>

#include "base/Variant.h"
#include "db/ColumnInfo.h"
#include "db/ReadProgress.h"

namespace kiv::db {

// The rows of one running statement, read as the caller moves: nothing is held beyond the
// current row. Engines implement it; recordsets read through it.
class Cursor {
public:
    virtual ~Cursor() = default;

    // The columns of the result. A column the database declares no type for takes the type
    // of its first value, so the description is final once the first row has been fetched.
    virtual const std::vector<ColumnInfo>& columns() const = 0;

    // Steps to the next row and writes its values into `row` (one per column, reusing the
    // values already there); false once past the last row.
    virtual bool fetch(std::vector<Variant>& row) = 0;

    // Starts the statement again from its first row, without preparing it again.
    virtual void rewind() = 0;

    // How much of its source the cursor has read, where the source has a known size (a
    // file); both zero otherwise.
    virtual ReadProgress readProgress() const { return {}; }
};

}  // namespace kiv::db
