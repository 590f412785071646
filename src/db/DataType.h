#pragma once

#include <string>
#include <string_view>

#include "base/Variant.h"

namespace kiv::db {

// Facts about the data-type codes of `Constants.h` that every engine and listing shares.
class DataType {
public:
    // The name a structure listing shows: "INTEGER", "VARCHAR", ..., "UNKNOWN (n)".
    static std::string name(long type);

    static bool isBinary(long type) noexcept;  // byte strings
    static bool isDate(long type) noexcept;    // date, time and timestamp types

    // What a column of this type reports when nothing more precise is declared: the size
    // in bytes of a fixed-size value, and the decimal digits a number type holds.
    static long defaultSize(long type) noexcept;
    static long defaultPrecision(long type) noexcept;

    // Whether a number's text has more significant digits than a double gives back
    // exactly (15).
    static bool beyondDouble(std::string_view number) noexcept;
    // A decimal number a database gives as text: a double when one holds it exactly, else
    // the text itself, every digit of it.
    static void readDecimal(std::string_view text, Variant& out);
};

}  // namespace kiv::db
