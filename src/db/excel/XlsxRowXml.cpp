#include "db/excel/XlsxRowXml.h"

#include <charconv>

#include "db/excel/SheetValue.h"

namespace kiv::db::excel {

namespace {

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

void appendValue(std::string& out, const Place& place, double value, const char* attributes) {
    openCell(out, place);
    out += attributes;
    out += "><v>";
    out += Variant::formatDouble(value);
    out += "</v></c>";
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
    Place place{row, column, style};
    Variant::DateText buffer;
    const SheetValue cell = SheetValue::of(value, name, styles.date1904, buffer);
    std::string dateStyle;
    switch (cell.kind) {
        case SheetValue::Kind::None:
            break;
        case SheetValue::Kind::Text:
            openCell(out, place);
            out += " t=\"inlineStr\"><is><t xml:space=\"preserve\">";
            appendEscaped(out, cell.text);
            out += "</t></is></c>";
            break;
        case SheetValue::Kind::Boolean:
            appendValue(out, place, cell.number, " t=\"b\"");
            break;
        case SheetValue::Kind::Date:
        case SheetValue::Kind::DateTime:
            dateStyle = std::to_string(cell.kind == SheetValue::Kind::DateTime ? styles.dateTime
                                                                               : styles.date);
            place.style = dateStyle;
            appendValue(out, place, cell.number, "");
            wroteDate = true;
            break;
        case SheetValue::Kind::Number:
            appendValue(out, place, cell.number, "");
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
