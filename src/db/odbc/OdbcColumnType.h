#pragma once

#include <sql.h>

#include <string_view>

#include "base/Variant.h"
#include "db/ColumnInfo.h"

namespace kiv::db::odbc {

// What the ODBC types mean to the layer: the data-type code, size and precision a column
// reports, and the C type its values are read as.
class OdbcColumnType {
public:
    // Decimal: read as text, kept as a double when one holds it exactly.
    enum class ReadAs {
        Boolean,
        Integer,
        Long,
        BigInt,
        Double,
        Decimal,
        DateTime,
        Time,
        Text,
        Binary
    };

    // Fills in `column`'s type, defined size, precision and scale for a column the driver
    // describes with `sqlType`, `size` (characters, bytes or digits) and `digits` (decimal
    // digits); `isUnsigned` tells a tiny integer from 0 to 255 from one from -128 to 127.
    // Types the layer has no code for are read as text.
    static ReadAs describe(SQLSMALLINT sqlType, SQLLEN size, SQLSMALLINT digits, bool isUnsigned,
                           ColumnInfo& column);

    // The SQL type a placeholder is declared with for a parameter of the layer's type
    // `type`; a parameter without a type takes the one of its value.
    static SQLSMALLINT sqlTypeFor(long type, const Variant& value);

    // Whether a type name the database declares for a character column is a plain
    // character type, whose values are any text up to the column's length (rather than,
    // say, a JSON or an enumeration type that a driver reports as characters).
    static bool isPlainText(std::string_view typeName);
};

}  // namespace kiv::db::odbc
