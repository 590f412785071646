#include "db/excel/XlsxSheet.h"

#include <charconv>
#include <optional>
#include <stdexcept>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/excel/CellRange.h"
#include "db/excel/XmlStream.h"

namespace kiv::db::excel {

using cells::Cell;

namespace {

// 1904-01-01 as a serial day number.
constexpr double Epoch1904 = 1462;
// The spreadsheet counts 1900 as a leap year: its days before the invented 29 February are
// one short of the serial day numbers.
constexpr double FirstTrueLeapDay = 60;

// Counts `bytes` more held; throws when that is beyond the most.
void hold(const XlsxSheet::Context& context, std::size_t bytes) {
    context.heldBytes += bytes;
    if (context.heldBytes > context.mostHeldBytes) {
        throw std::runtime_error(
            "its worksheets hold more cells than the " +
            text::decimal(static_cast<long long>(context.mostHeldBytes >> 20)) +
            " MiB kept in memory to read them; a sheet saved as a CSV file "
            "is read row by row");
    }
}

struct RawCell {
    std::string type;
    std::string style;
    std::string value;
    std::string inlineText;
};

std::optional<double> numberOf(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

NumberFormat::Kind formatOf(const std::string& style, const XlsxSheet::Context& context) {
    const std::optional<double> index = numberOf(style);
    if (!index || *index < 0 || *index >= static_cast<double>(context.styles.size())) {
        return NumberFormat::Kind::Number;
    }
    return context.styles[static_cast<std::size_t>(*index)];
}

Cell numberCell(const RawCell& raw, const XlsxSheet::Context& context) {
    const std::optional<double> value = numberOf(raw.value);
    if (!value) {
        return Cell::ofText(raw.value);
    }
    switch (formatOf(raw.style, context)) {
        case NumberFormat::Kind::Date:
            return Cell::ofNumber(XlsxSheet::dateSerial(*value, context.date1904),
                                  Cell::Kind::Date);
        case NumberFormat::Kind::Currency:
            return Cell::ofNumber(*value, Cell::Kind::Currency);
        case NumberFormat::Kind::Number:
            break;
    }
    return Cell::ofNumber(*value);
}

Cell cellOf(const RawCell& raw, const XlsxSheet::Context& context) {
    if (raw.type == "s") {
        const std::optional<double> index = numberOf(raw.value);
        const bool known =
            index && *index >= 0 && *index < static_cast<double>(context.strings.size());
        return known ? Cell::ofText(context.strings[static_cast<std::size_t>(*index)]) : Cell();
    }
    if (raw.type == "inlineStr") {
        return Cell::ofText(raw.inlineText);
    }
    if (raw.type == "str") {
        return Cell::ofText(raw.value);
    }
    if (raw.type == "b") {
        return raw.value.empty() ? Cell()
                                 : Cell::ofNumber(raw.value == "0" ? 0 : 1, Cell::Kind::Boolean);
    }
    if (raw.type == "e" || raw.value.empty()) {
        return Cell();
    }
    if (raw.type == "d") {
        const std::optional<double> serial = Variant::parseDate(raw.value);
        return serial ? Cell::ofNumber(*serial, Cell::Kind::Date) : Cell::ofText(raw.value);
    }
    return numberCell(raw, context);
}

// The parts of the cell element the stream is at.
RawCell readCell(XmlStream& xml) {
    RawCell raw{xml.attribute("t"), xml.attribute("s"), {}, {}};
    if (xml.closes("c")) {
        return raw;
    }
    while (xml.next() && !xml.closes("c")) {
        if (xml.opens("v")) {
            raw.value = xml.elementText();
        } else if (xml.opens("is")) {
            raw.inlineText = XlsxSheet::richText(xml, "is");
        } else if (xml.opens("f")) {
            xml.skipElement();
        }
    }
    return raw;
}

// Puts a cell in its place, counting the memory the rows grow by.
void place(std::vector<std::vector<Cell>>& rows, std::size_t row, std::size_t column, Cell cell,
           const XlsxSheet::Context& context) {
    if (cell.blank()) {
        return;
    }
    const std::size_t newRows = rows.size() <= row ? row + 1 - rows.size() : 0;
    const std::size_t width = newRows > 0 ? 0 : rows[row].size();
    const std::size_t newCells = width <= column ? column + 1 - width : 0;
    hold(context, newRows * sizeof(std::vector<Cell>) + newCells * sizeof(Cell) + cell.text.size());
    if (newRows > 0) {
        rows.resize(row + 1);
    }
    if (newCells > 0) {
        rows[row].resize(column + 1);
    }
    rows[row][column] = std::move(cell);
}

}  // namespace

std::vector<std::vector<Cell>> XlsxSheet::read(XmlStream& xml, const Context& context) {
    std::vector<std::vector<Cell>> rows;
    std::size_t row = 0;
    std::size_t column = 0;
    bool firstRow = true;
    while (xml.next()) {
        if (xml.opens("row")) {
            const std::optional<double> number = numberOf(xml.attribute("r"));
            row = number && *number >= 1 ? static_cast<std::size_t>(*number) - 1
                                         : row + (firstRow ? 0 : 1);
            firstRow = false;
            column = 0;
        } else if (xml.opens("c")) {
            if (const std::optional<CellRange> at = CellRange::parse(xml.attribute("r"))) {
                row = at->firstRow;
                column = at->firstColumn;
            }
            place(rows, row, column, cellOf(readCell(xml), context), context);
            ++column;
        }
    }
    return rows;
}

std::string XlsxSheet::richText(XmlStream& xml, std::string_view element) {
    std::string text;
    if (xml.closes(element)) {
        return text;
    }
    while (xml.next() && !xml.closes(element)) {
        if (xml.opens("rPh")) {
            xml.skipElement();
        } else if (xml.opens("t")) {
            text += xml.elementText();
        }
    }
    return text;
}

double XlsxSheet::dateSerial(double value, bool date1904) {
    if (date1904) {
        return value + Epoch1904;
    }
    return value >= 1 && value < FirstTrueLeapDay ? value + 1 : value;
}

}  // namespace kiv::db::excel
