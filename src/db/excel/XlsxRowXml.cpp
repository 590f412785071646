#include "db/excel/XlsxRowXml.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "db/ValueCoercion.h"

namespace kiv::db::excel {

namespace {

// Serial day numbers of the program and of a spreadsheet differ before 1900-03-01 (the
// spreadsheet counts a 29 February 1900) and by this many days in the 1904 system.
constexpr double FirstTrueMarchDay = 61;
constexpr double Epoch1904 = 1462;

void appendNumber(std::string& out, std::size_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// Where a cell goes, and the style it keeps from the cell it replaces ("" for none).
struct Place {
    std::size_t row;
    std::size_t column;
    std::string_view style;
};

void openCell(std::string& out, const Place& place) {
    out += "<c r=\"";
    out += XlsxRowXml::columnName(place.column);
    appendNumber(out, place.row + 1);
    out += '"';
    if (!place.style.empty()) {
        out += " s=\"";
        out += place.style;
        out += '"';
    }
}

void appendText(std::string& out, const Place& place, std::string_view text,
                const std::string& name) {
    if (ValueCoercion::characterCount(text) > XlsxRowXml::MaxText) {
        throw std::runtime_error("The value of column " + name + " has " +
                                 std::to_string(ValueCoercion::characterCount(text)) +
                                 " characters; a cell of a workbook holds at most 32767.");
    }
    openCell(out, place);
    out += " t=\"inlineStr\"><is><t xml:space=\"preserve\">";
    XlsxRowXml::appendEscaped(out, text);
    out += "</t></is></c>";
}

void appendValue(std::string& out, const Place& place, double value, const char* attributes) {
    openCell(out, place);
    out += attributes;
    out += "><v>";
    out += Variant::formatDouble(value);
    out += "</v></c>";
}

// The spreadsheet's number of a date: a time alone stays a fraction of a day; nothing for a day
// before the first one the spreadsheet counts.
std::optional<double> spreadsheetDate(double serial, bool date1904) {
    if (serial >= 0 && serial < 1) {
        return serial;
    }
    if (date1904) {
        return serial >= Epoch1904 ? std::optional<double>(serial - Epoch1904) : std::nullopt;
    }
    if (serial < 2) {
        return std::nullopt;
    }
    return serial < FirstTrueMarchDay ? serial - 1 : serial;
}

void appendDate(std::string& out, Place place, double serial, const XlsxRowXml::Styles& styles) {
    const std::optional<double> value = spreadsheetDate(serial, styles.date1904);
    Variant::DateText buffer;
    if (!value) {
        appendText(out, place, Variant::formatDate(serial, buffer), {});
        return;
    }
    const std::string style =
        std::to_string(serial != std::floor(serial) ? styles.dateTime : styles.date);
    place.style = style;
    appendValue(out, place, *value, "");
}

}  // namespace

void XlsxRowXml::append(std::string& out, std::size_t row, std::size_t firstColumn,
                        const std::vector<Variant>& values, const std::vector<std::string>& names,
                        const Styles& styles, bool& wroteDate) {
    out += "<row r=\"";
    appendNumber(out, row + 1);
    out += "\">";
    for (std::size_t i = 0; i < values.size(); ++i) {
        appendCell(out, row, firstColumn + i, {}, values[i], names[i], styles, wroteDate);
    }
    out += "</row>";
}

void XlsxRowXml::appendCell(std::string& out, std::size_t row, std::size_t column,
                            std::string_view style, const Variant& value, const std::string& name,
                            const Styles& styles, bool& wroteDate) {
    const Place place{row, column, style};
    switch (value.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
            break;
        case Variant::Kind::Text:
            if (!value.textView().empty()) {
                appendText(out, place, value.textView(), name);
            }
            break;
        case Variant::Kind::Boolean:
            appendValue(out, place, value.toBool() ? 1 : 0, " t=\"b\"");
            break;
        case Variant::Kind::Date:
            appendDate(out, place, value.toDate(), styles);
            wroteDate = true;
            break;
        default:
            if (!std::isfinite(value.toDouble())) {
                throw std::runtime_error("The value of column " + name +
                                         " is no finite number; a cell cannot hold it.");
            }
            appendValue(out, place, value.toDouble(), "");
            break;
    }
}

void XlsxRowXml::appendEscaped(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                    // Characters XML cannot hold are written the spreadsheet's way.
                    out += "_x00";
                    out += Hex[(c >> 4) & 0xF];
                    out += Hex[c & 0xF];
                    out += '_';
                } else {
                    out += c;
                }
        }
    }
}

std::string XlsxRowXml::columnName(std::size_t column) {
    std::string name;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) {
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    }
    return name;
}

}  // namespace kiv::db::excel
