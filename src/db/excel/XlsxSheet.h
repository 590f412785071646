#pragma once

#include <optional>
#include <string>
#include <string_view>
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
    // The most memory the cells of a workbook's worksheets take when they are all held (a
    // workbook opened for writing): about ten million cells.
    static constexpr std::size_t MostHeldBytes = std::size_t{512} << 20;

    // What the cells of a workbook's sheets refer to, kept while they are read.
    struct Dictionary {
        std::vector<std::string> strings;
        std::vector<NumberFormat::Kind> styles;
        bool date1904 = false;
    };

    struct Context {
        const std::vector<std::string>& strings;        // the shared strings
        const std::vector<NumberFormat::Kind>& styles;  // by cell style index
        bool date1904 = false;                          // day 0 is 1904-01-01
        std::size_t mostHeldBytes = MostHeldBytes;
        // The memory the cells held so far take, of every sheet read() with this context.
        mutable std::size_t heldBytes = 0;
    };

    // Reads the part the stream reads, from its start; both must outlive the sheet.
    XlsxSheet(XmlStream& xml, const Context& context) : xml_(xml), context_(context) {}

    // Reads the next row element; false at the end of the part. Throws std::runtime_error
    // when the part is not well-formed, when a row with cells comes after a later one, or when
    // a cell is beyond the last row or column a worksheet has.
    bool next();
    // The row read: its 0-based position, and its cells by column (index 0 is column A), as
    // many as reach its last non-blank cell.
    std::size_t row() const noexcept { return row_; }
    std::vector<cells::Cell>& cells() noexcept { return cells_; }

    // Every row of the part, held. Throws std::runtime_error as next() does, and when the
    // cells would take the memory of the context beyond its most.
    static std::vector<std::vector<cells::Cell>> read(XmlStream& xml, const Context& context);

    // The text of a rich-text element (a shared string `si`, an inline string `is`) the stream
    // is at: its runs joined, phonetic guides left out.
    static std::string richText(XmlStream& xml, std::string_view element);

    // The program's serial day number of a spreadsheet date number.
    static double dateSerial(double value, bool date1904);

private:
    void readRow();
    void place(std::size_t column, cells::Cell cell);

    XmlStream& xml_;
    const Context& context_;
    std::size_t row_ = 0;
    bool started_ = false;                   // a row was read
    std::optional<std::size_t> lastFilled_;  // the last row read with cells
    std::vector<cells::Cell> cells_;
};

}  // namespace kiv::db::excel
