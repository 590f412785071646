#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/cells/RowSource.h"
#include "db/excel/CellRange.h"

namespace kiv::db::excel {

// A worksheet whose tables are made: its name, where its cells are, and the rows of a range of
// it, held or read back at each scan.
class SheetSource {
public:
    virtual ~SheetSource() = default;

    virtual const std::string& name() const = 0;
    // The smallest range holding every non-blank cell; nothing for an empty sheet.
    virtual std::optional<CellRange> usedRange() const = 0;
    // The rows of `range` (bounded; no rows when its first row is below its last), each from
    // the range's first column and cut where its cells end within the range.
    virtual std::shared_ptr<const cells::RowSource> rowsOf(const CellRange& range) const = 0;
};

}  // namespace kiv::db::excel
