#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/excel/SheetSource.h"
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

    // The worksheets read row by row from the file, each scan afresh, and the names.
    struct Sheets {
        std::vector<std::shared_ptr<const SheetSource>> sheets;
        std::vector<Workbook::Name> names;
    };

    // Throws std::runtime_error describing what cannot be read.
    static Sheets open(const std::string& path);
    // Every cell of the worksheets held, up to XlsxSheet::MostHeldBytes of them: a workbook
    // to be changed. Throws std::runtime_error describing what cannot be read.
    static Workbook read(const std::string& path);
};

}  // namespace kiv::db::excel
