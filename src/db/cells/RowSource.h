#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "db/cells/Cell.h"

namespace kiv::db::cells {

// The rows of a table of cells, read from the first on as often as SQL scans the table: rows
// held in memory, or rows read from their file one at a time. A row may be shorter than the
// table is wide; the missing cells are blank.
class RowSource {
public:
    using Row = std::vector<Cell>;

    // One scan of the rows.
    class Cursor {
    public:
        virtual ~Cursor() = default;
        // The next row, valid until the next call; nullptr after the last. Throws
        // std::runtime_error, naming the file, when the rows cannot be read.
        virtual const Row* next() = 0;
    };

    virtual ~RowSource() = default;

    virtual std::size_t rowCount() const = 0;
    // Throws std::runtime_error, naming the file, when the rows cannot be read.
    virtual std::unique_ptr<Cursor> rows() const = 0;
};

}  // namespace kiv::db::cells
