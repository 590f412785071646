#pragma once

#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/cells/CellTable.h"

namespace kiv::db::cells {

// Where the rows that statements add to tables of cells go, for a source that takes them (a
// workbook being written). Failures are thrown as std::runtime_error with a description.
class CellChanges {
public:
    virtual ~CellChanges() = default;

    // Adds a row to a table, one value per column.
    virtual void insert(const CellTable& table, const std::vector<Variant>& values) = 0;
};

}  // namespace kiv::db::cells
