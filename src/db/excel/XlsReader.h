#pragma once

#include <string>

#include "db/excel/Workbook.h"

namespace kiv::db::excel {

// Reads an .xls workbook (BIFF8 in a compound file): its worksheets in order with their
// numbers, texts and dates through FreeXL, and from the workbook stream what FreeXL does not
// show: which cells are booleans and which numbers amounts of money, and the named ranges.
class XlsReader {
public:
    // Throws std::runtime_error describing what cannot be read.
    static Workbook read(const std::string& path);
};

}  // namespace kiv::db::excel
