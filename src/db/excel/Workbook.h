#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/cells/Cell.h"
#include "db/excel/CellRange.h"
#include "db/excel/SheetSource.h"

namespace kiv::db::excel {

// What a workbook holds, whatever its file format: its worksheets in their order, and the
// workbook-level names that refer to one rectangular range of a worksheet. A worksheet is either
// read from its file at each scan (the sheets of an .xlsx workbook) or held as rows of cells by
// position (row 1 and column A at index 0).
struct Workbook {
    struct Sheet {
        // The most memory the cells of a sheet read from its file take once held: about ten
        // million cells.
        static constexpr std::size_t MostHeldBytes = std::size_t{512} << 20;

        std::string name;
        std::vector<std::vector<cells::Cell>> rows;  // a row is as long as its last cell
        std::shared_ptr<const SheetSource> file;     // where the rows are when not held

        // The smallest range holding every non-blank cell; nothing for an empty sheet.
        std::optional<CellRange> usedRange() const;
        // Reads the rows of a sheet read from its file into `rows`, to change its cells. Throws
        // std::runtime_error naming the file when they cannot be read, or when they would take
        // more than `mostBytes`.
        void hold(std::size_t mostBytes = MostHeldBytes);
    };
    struct Name {
        std::string name;
        std::size_t sheet = 0;  // index into sheets
        CellRange range;
    };

    std::vector<Sheet> sheets;
    std::vector<Name> names;
};

}  // namespace kiv::db::excel
