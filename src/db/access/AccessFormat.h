#pragma once

#include <string>
#include <string_view>

#include "base/Variant.h"

namespace kiv::db::access {

// Access's Format(value, pattern) for the patterns queries use: the named formats (General
// Number, Fixed, Standard, Currency, Percent, Yes/No, True/False, On/Off, General Date, Long
// Date, Medium Date, Short Date, Long Time, Medium Time, Short Time), date patterns (d, dd,
// ddd, dddd, w, ww, m, mm, mmm, mmmm, q, y, yy, yyyy, h, hh, n, nn, s, ss, AM/PM, A/P) and
// number patterns (0, #, the decimal point, thousands separators, %). Dates are written in
// English; a short date is yyyy-mm-dd, the way the program writes dates everywhere.
class AccessFormat {
public:
    // `value` is not Null. Throws std::runtime_error for a pattern that cannot be applied to
    // the value.
    static std::string format(const Variant& value, std::string_view pattern);
};

}  // namespace kiv::db::access
