#pragma once

#include <cstddef>
#include <string>

#include "db/excel/Workbook.h"

namespace kiv::db::excel {

// Reads an .xlsx workbook (a zip of XML parts): its worksheets in order, its shared strings,
// the number formats of its cell styles, its date system, and its workbook-level names that
// refer to one rectangular range of a worksheet. The shared strings and styles are held while the
// sheets are parsed, up to a limit; so are small sheets, the rows of larger ones are spooled.
class XlsxReader {
public:
    struct Limits {
        // The shared strings and styles held while the sheets are parsed: about ten million
        // strings of twenty characters.
        std::size_t dictionaryBytes = std::size_t{512} << 20;
        // The cells of small sheets held to be scanned again quickly, of all sheets together.
        std::size_t heldSheetBytes = std::size_t{32} << 20;
    };

    // The workbook, each worksheet parsed once now, row by row (see XlsxSheetSource). Throws
    // std::runtime_error describing what cannot be read.
    static Workbook read(const std::string& path, Limits limits);
    static Workbook read(const std::string& path) { return read(path, Limits{}); }
};

}  // namespace kiv::db::excel
