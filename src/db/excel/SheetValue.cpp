#include "db/excel/SheetValue.h"

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

SheetValue textOf(std::string_view text, const std::string& name) {
    SheetValue cell;
    if (text.empty()) {
        return cell;
    }
    if (const long count = ValueCoercion::characterCount(text); count > SheetValue::MaxText) {
        throw std::runtime_error("The value of column " + name + " has " + std::to_string(count) +
                                 " characters; a cell of a workbook holds at most 32767.");
    }
    cell.kind = SheetValue::Kind::Text;
    cell.text = text;
    return cell;
}

}  // namespace

SheetValue SheetValue::of(const Variant& value, const std::string& name, bool date1904,
                          Variant::DateText& buffer) {
    SheetValue cell;
    switch (value.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
            return cell;
        case Variant::Kind::Text:
            return textOf(value.textView(), name);
        case Variant::Kind::Boolean:
            cell.kind = Kind::Boolean;
            cell.number = value.toBool() ? 1 : 0;
            return cell;
        case Variant::Kind::Date: {
            const double serial = value.toDate();
            const std::optional<double> day = spreadsheetDate(serial, date1904);
            if (!day) {
                return textOf(Variant::formatDate(serial, buffer), name);
            }
            cell.kind = serial != std::floor(serial) ? Kind::DateTime : Kind::Date;
            cell.number = *day;
            return cell;
        }
        default:
            cell.number = value.toDouble();
            if (!std::isfinite(cell.number)) {
                throw std::runtime_error("The value of column " + name +
                                         " is no finite number; a cell cannot hold it.");
            }
            cell.kind = Kind::Number;
            return cell;
    }
}

}  // namespace kiv::db::excel
