#pragma once

#include <string_view>

namespace kiv::db::excel {

// What a cell's number format says about its number: a date (or time), an amount of money, or
// a plain number.
class NumberFormat {
public:
    enum class Kind { Number, Currency, Date };

    // The built-in formats by their number (14 "mm-dd-yy", 7 "$#,##0.00_);($#,##0.00)", ...).
    static Kind ofBuiltin(int id);
    // A format code as written ("yyyy-mm-dd", "[$€-407] #,##0.00", "0.00"): a date when its
    // first section shows a part of a date or time, money when it shows a currency symbol.
    static Kind ofCode(std::string_view code);
};

}  // namespace kiv::db::excel
