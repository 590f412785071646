#pragma once

#include <cstddef>
#include <string>

#include "db/excel/Workbook.h"

namespace kiv::db::excel {

// Reads an .xlsx workbook (a zip of XML parts): its worksheets in order, its shared strings,
// the number formats of its cell styles, its date system, and its workbook-level names that
// refer to one rectangular range of a worksheet. The shared strings and styles are held, up to
// MostDictionaryBytes of them.
class XlsxReader {
public:
    // About ten million shared strings of twenty characters.
    static constexpr std::size_t MostDictionaryBytes = std::size_t{512} << 20;

    // The workbook, its worksheets read row by row from the file at each scan (finding each
    // one's used range reads it once now). Throws std::runtime_error describing what cannot be
    // read.
    static Workbook read(const std::string& path,
                         std::size_t mostDictionaryBytes = MostDictionaryBytes);
};

}  // namespace kiv::db::excel
