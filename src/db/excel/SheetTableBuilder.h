#pragma once

#include <memory>
#include <string>

#include "db/cells/CellTable.h"
#include "db/excel/CellRange.h"
#include "db/excel/SheetSource.h"

namespace kiv::db::excel {

// Makes the table SQL reads of a range of a worksheet: with a header the first row names the
// columns, the rows below it are the data, read from the sheet at each scan. Each column's type
// comes from the kinds of the non-blank cells of its first data rows (the only rows read to make
// the table): numbers give Double (Currency when all are amounts of
// money), dates Date, booleans Boolean, texts Text (Memo when one is longer than a Text holds);
// a column whose scanned cells are of several kinds is Text and gives every value as text.
class SheetTableBuilder {
public:
    static constexpr std::size_t ScanRows = 8;
    // The most columns an SQLite table takes; a range reaching further is cut there.
    static constexpr std::size_t MaxColumns = 2000;

    // `range` may reach beyond the sheet's cells; those cells are blank. Without a range (an
    // empty sheet) the table has one column, F1, and no rows. Throws std::runtime_error, naming
    // the file, when the first rows cannot be read.
    static std::shared_ptr<const cells::CellTable> build(std::string name, const SheetSource& sheet,
                                                         const std::optional<CellRange>& range,
                                                         bool header);
};

}  // namespace kiv::db::excel
