#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "db/cells/Cell.h"
#include "db/excel/CellRange.h"

namespace kiv::db::excel {

// What a workbook holds, whatever its file format: its worksheets in their order, each as rows
// of cells by position (row 1 and column A at index 0), and the workbook-level names that
// refer to one rectangular range of a worksheet.
struct Workbook {
    struct Sheet {
        std::string name;
        std::vector<std::vector<cells::Cell>> rows;  // a row is as long as its last cell

        // The smallest range holding every non-blank cell; nothing for an empty sheet.
        std::optional<CellRange> usedRange() const;
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
