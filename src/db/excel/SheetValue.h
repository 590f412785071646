#pragma once

#include <string>
#include <string_view>

#include "base/Variant.h"

namespace kiv::db::excel {

// A value as a cell of a workbook being written holds it, whatever the file format: nothing
// (Null and empty text), text, a number, a boolean (1 or 0), or a date as the spreadsheet's
// day number, with a time of day or without. A date before the first day a spreadsheet counts
// becomes its text.
struct SheetValue {
    enum class Kind { None, Text, Number, Boolean, Date, DateTime };

    // The longest text a cell holds.
    static constexpr long MaxText = 32767;

    Kind kind = Kind::None;
    double number = 0;
    std::string_view text;  // into the value, or into the buffer passed to of()

    // Throws std::runtime_error naming the column `name` when no cell can hold the value.
    // `date1904`: the workbook counts days from 1904.
    static SheetValue of(const Variant& value, const std::string& name, bool date1904,
                         Variant::DateText& buffer);
};

}  // namespace kiv::db::excel
