#pragma once

#include <optional>
#include <string>

#include "base/Variant.h"
#include "db/ColumnInfo.h"

namespace kiv::db {

// Turns a value into the kind a column of a given type holds, the way a server database
// checks what it stores: a text that is no number for a number column, a date outside the
// valid range or a text longer than the declared length is refused with the state a
// server would report and a description naming the column and the value.
class ValueCoercion {
public:
    struct Refusal {
        const char* sqlState;  // "22018" conversion, "22001" truncation, "22003"/"22008" range
        std::string description;
    };

    // Empty and Null give Null (whether the column takes Null is the caller's concern).
    // On success `out` holds the value as the column's kind: Long for INTEGER, Date for
    // date types, Text for character types and so on; variant columns keep the value.
    static std::optional<Refusal> coerce(const Variant& value, const ColumnInfo& column,
                                         Variant& out);

    // `column` without its length, precision and scale: a value coerced to it takes the
    // column's kind, and whether it fits is left to the database.
    static ColumnInfo kindOnly(ColumnInfo column);

    // Number of characters of UTF-8 text (continuation bytes are not counted).
    static long characterCount(std::string_view text) noexcept;
};

}  // namespace kiv::db
