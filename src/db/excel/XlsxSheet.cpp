#include "db/excel/XlsxSheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/excel/CellRange.h"
#include "db/excel/XlsxRowXml.h"
#include "db/excel/XmlStream.h"

namespace kiv::db::excel {

using cells::Cell;

namespace {

// Beyond every row a number can name exactly.
constexpr std::size_t NoRow = std::size_t{1} << 52;

// 1904-01-01 as a serial day number.
constexpr double Epoch1904 = 1462;
// The spreadsheet counts 1900 as a leap year: its days before the invented 29 February are
// one short of the serial day numbers.
constexpr double FirstTrueLeapDay = 60;
constexpr double MillisPerDay = 86400000;

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

NumberFormat::Kind formatOf(const std::string& style, const XlsxSheet::Dictionary& dictionary) {
    const std::optional<double> index = numberOf(style);
    if (!index || *index < 0 || *index >= static_cast<double>(dictionary.styles.size())) {
        return NumberFormat::Kind::Number;
    }
    return dictionary.styles[static_cast<std::size_t>(*index)];
}

Cell numberCell(const RawCell& raw, const XlsxSheet::Dictionary& dictionary) {
    const std::optional<double> value = numberOf(raw.value);
    if (!value) {
        return Cell::ofText(raw.value);
    }
    switch (formatOf(raw.style, dictionary)) {
        case NumberFormat::Kind::Date:
            return Cell::ofNumber(XlsxSheet::dateSerial(*value, dictionary.date1904),
                                  Cell::Kind::Date);
        case NumberFormat::Kind::Currency:
            return Cell::ofNumber(*value, Cell::Kind::Currency);
        case NumberFormat::Kind::Number:
            break;
    }
    return Cell::ofNumber(*value);
}

Cell cellOf(const RawCell& raw, const XlsxSheet::Dictionary& dictionary) {
    if (raw.type == "s") {
        const std::optional<double> index = numberOf(raw.value);
        const bool known =
            index && *index >= 0 && *index < static_cast<double>(dictionary.strings.size());
        return known ? Cell::ofText(dictionary.strings[static_cast<std::size_t>(*index)]) : Cell();
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
    return numberCell(raw, dictionary);
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

std::string decimal(std::size_t value) {
    return text::decimal(static_cast<long long>(value));
}

}  // namespace

bool XlsxSheet::next() {
    cells_.clear();
    while (xml_.next()) {
        if (xml_.opens("row")) {
            readRow();
            return true;
        }
    }
    return false;
}

// A row without its number takes the row of its first cell's reference, or follows the row
// before it.
void XlsxSheet::readRow() {
    const std::optional<double> number = numberOf(xml_.attribute("r"));
    bool numbered = number && *number >= 1;
    std::size_t row =
        numbered ? static_cast<std::size_t>(std::min(*number, static_cast<double>(NoRow))) - 1
                 : row_ + (started_ ? 1 : 0);
    std::size_t column = 0;
    if (!xml_.closes("row")) {
        while (xml_.next() && !xml_.closes("row")) {
            if (!xml_.opens("c")) {
                continue;
            }
            if (const std::optional<CellRange> at = CellRange::parse(xml_.attribute("r"))) {
                column = at->firstColumn;
                row = numbered ? row : at->firstRow;
                numbered = true;
            }
            place(column, cellOf(readCell(xml_), dictionary_));
            ++column;
        }
    }
    row_ = row;
    started_ = true;
    if (cells_.empty()) {
        return;
    }
    if (row >= MostRows) {
        throw std::runtime_error("the sheet " + name_ + " has a row beyond row " +
                                 decimal(MostRows) + ", the last a worksheet has");
    }
    if (lastFilled_ && row <= *lastFilled_) {
        throw std::runtime_error("row " + decimal(row + 1) + " of the sheet " + name_ +
                                 " comes after row " + decimal(*lastFilled_ + 1));
    }
    lastFilled_ = row;
}

void XlsxSheet::place(std::size_t column, Cell cell) {
    if (cell.blank()) {
        return;
    }
    if (column >= MostColumns) {
        throw std::runtime_error("the sheet " + name_ + " has a cell beyond column " +
                                 XlsxRowXml::columnName(MostColumns - 1) +
                                 ", the last a worksheet has");
    }
    if (cells_.size() <= column) {
        cells_.resize(column + 1);
    }
    cells_[column] = std::move(cell);
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
        value += Epoch1904;
    } else if (value >= 1 && value < FirstTrueLeapDay) {
        value += 1;
    }
    // Workbooks keep times to the millisecond, and their numbers are often written with
    // fewer digits than a double holds: the time is taken to the nearest millisecond.
    const double day = std::trunc(value);
    return day +
           std::copysign(std::round(std::fabs(value - day) * MillisPerDay) / MillisPerDay, value);
}

}  // namespace kiv::db::excel
