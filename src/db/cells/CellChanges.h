#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/cells/CellTable.h"

namespace kiv::db::cells {

// Where the rows that statements add to tables of cells, and the cells they change, go, for a
// source that takes them (a workbook being written). Failures are thrown as std::runtime_error with
// a description.
class CellChanges {
public:
    virtual ~CellChanges() = default;

    // Adds a row to a table, one value per column.
    virtual void insert(const CellTable& table, const std::vector<Variant>& values) = 0;

    // Gives cells of a row (0-based, as the table has it) new values; columns without a value
    // stay as they are.
    virtual void update(const CellTable& table, std::size_t row,
                        const std::vector<std::optional<Variant>>& values) = 0;
};

}  // namespace kiv::db::cells
