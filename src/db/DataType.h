#pragma once

#include <string>

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
};

}  // namespace kiv::db
