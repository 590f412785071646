#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/cells/Cell.h"
#include "db/excel/NumberFormat.h"

namespace kiv::db::excel {

class XmlStream;

// The cells of one worksheet part of an .xlsx workbook, read row by row: shared and inline
// strings, numbers (dates and amounts of money by their cell's number format), booleans; errors
// stay blank. Only the row being read is in memory.
class XlsxSheet {
public:
    // The most rows and columns a worksheet has; a cell beyond them is an error.
    static constexpr std::size_t MostRows = 1048576;
    static constexpr std::size_t MostColumns = 16384;

    // What the cells of a workbook's sheets refer to, kept while they are read.
    struct Dictionary {
        std::vector<std::string> strings;        // the shared strings
        std::vector<NumberFormat::Kind> styles;  // by cell style index
        bool date1904 = false;                   // day 0 is 1904-01-01
    };

    // Reads the part of the sheet `name` the stream reads, from its start; the stream and the
    // dictionary must outlive the sheet.
    XlsxSheet(XmlStream& xml, const Dictionary& dictionary, std::string name)
        : xml_(xml), dictionary_(dictionary), name_(std::move(name)) {}

    // Reads the next row element; false at the end of the part. Throws std::runtime_error
    // when the part is not well-formed, when a row with cells comes after a later one, or when
    // a cell is beyond the last row or column a worksheet has.
    bool next();
    // The row read: its 0-based position, and its cells by column (index 0 is column A), as
    // many as reach its last non-blank cell.
    std::size_t row() const noexcept { return row_; }
    std::vector<cells::Cell>& cells() noexcept { return cells_; }

    // The text of a rich-text element (a shared string `si`, an inline string `is`) the stream
    // is at: its runs joined, phonetic guides left out.
    static std::string richText(XmlStream& xml, std::string_view element);

    // The program's serial day number of a spreadsheet date number.
    static double dateSerial(double value, bool date1904);

private:
    void readRow();
    void place(std::size_t column, cells::Cell cell);

    XmlStream& xml_;
    const Dictionary& dictionary_;
    std::string name_;
    std::size_t row_ = 0;
    bool started_ = false;                   // a row was read
    std::optional<std::size_t> lastFilled_;  // the last row read with cells
    std::vector<cells::Cell> cells_;
};

}  // namespace kiv::db::excel
