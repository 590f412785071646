#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/cells/Cell.h"
#include "db/excel/CellRange.h"

namespace kiv::db::excel {

// What the workbook stream of an .xls file tells beyond the values FreeXL gives: which cells
// hold booleans and which numbers have a currency format, and the workbook-level names that
// refer to one rectangular range of a worksheet.
struct BiffDetails {
    struct Sheet {
        std::string name;
        // Boolean or Currency, by (row, column); cells not listed are as FreeXL reads them.
        std::map<std::pair<std::size_t, std::size_t>, cells::Cell::Kind> kinds;
    };
    struct Name {
        std::string name;
        std::string sheet;
        CellRange range;
    };

    std::vector<Sheet> sheets;
    std::vector<Name> names;

    // Reads a BIFF8 workbook stream. Throws std::runtime_error when its records are damaged.
    static BiffDetails read(std::string_view stream);
};

}  // namespace kiv::db::excel
