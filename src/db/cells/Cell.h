#pragma once

#include <cstdint>
#include <string>

namespace kiv::db::cells {

// One value of a worksheet or of an HTML table, with the kind it was found as: a number
// (with or without a currency format), a date (the serial day number, fraction = time of
// day), a boolean (0 or 1) or text. Errors and empty cells are Blank.
struct Cell {
    enum class Kind : std::uint8_t { Blank, Number, Currency, Date, Boolean, Text };

    Kind kind = Kind::Blank;
    double number = 0;
    std::string text;

    static Cell ofNumber(double value, Kind kind = Kind::Number) {
        Cell cell;
        cell.kind = kind;
        cell.number = value;
        return cell;
    }
    static Cell ofText(std::string value) {
        Cell cell;
        cell.kind = value.empty() ? Kind::Blank : Kind::Text;
        cell.text = std::move(value);
        return cell;
    }

    bool blank() const noexcept { return kind == Kind::Blank; }
    bool numeric() const noexcept { return kind == Kind::Number || kind == Kind::Currency; }

    // The value as text: numbers in their shortest exact form, dates as yyyy-mm-dd[ hh:mm:ss[.f]],
    // booleans as True or False.
    std::string display() const;
};

}  // namespace kiv::db::cells
