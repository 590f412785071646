#pragma once

#include <string>

#include "db/excel/Workbook.h"

namespace kiv::db::excel {

// Reads an .xlsx workbook (a zip of XML parts): its worksheets in order, its shared strings,
// the number formats of its cell styles, its date system, and its workbook-level names that
// refer to one rectangular range of a worksheet.
class XlsxReader {
public:
    // Throws std::runtime_error describing what cannot be read.
    static Workbook read(const std::string& path);
};

}  // namespace kiv::db::excel
