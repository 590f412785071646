#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/cells/Cell.h"
#include "db/excel/NumberFormat.h"

namespace kiv::db::excel {

class XmlStream;

// The cells of one worksheet part of an .xlsx workbook: shared and inline strings, numbers
// (dates and amounts of money by their cell's number format), booleans; errors stay blank.
class XlsxSheet {
public:
    // The most memory the cells of a workbook's worksheets take as they are held for reading:
    // about ten million cells. A workbook is held twice over at most while its tables are made.
    static constexpr std::size_t MostHeldBytes = std::size_t{512} << 20;

    struct Context {
        const std::vector<std::string>& strings;        // the shared strings
        const std::vector<NumberFormat::Kind>& styles;  // by cell style index
        bool date1904 = false;                          // day 0 is 1904-01-01
        std::size_t mostHeldBytes = MostHeldBytes;
        // The memory the cells read so far take, of every sheet read with this context.
        mutable std::size_t heldBytes = 0;
    };

    // The rows of the worksheet part the stream reads, from its start. Throws
    // std::runtime_error when the part is not well-formed, or when its cells would take the
    // memory of the context beyond its most.
    static std::vector<std::vector<cells::Cell>> read(XmlStream& xml, const Context& context);

    // The text of a rich-text element (a shared string `si`, an inline string `is`) the stream
    // is at: its runs joined, phonetic guides left out.
    static std::string richText(XmlStream& xml, std::string_view element);

    // The program's serial day number of a spreadsheet date number.
    static double dateSerial(double value, bool date1904);
};

}  // namespace kiv::db::excel
