#include "db/odbc/OdbcColumnType.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <array>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/DataType.h"

namespace kiv::db::odbc {

namespace {

using ReadAs = OdbcColumnType::ReadAs;

// The size a long type reports when the driver gives none.
constexpr long UnboundedSize = 2147483647;

// Precision of a whole number that still fits into 64 bits, whatever its digits.
constexpr SQLLEN WholeDigits = 18;

ReadAs fixed(ColumnInfo& column, long type, ReadAs read) {
    column.type = type;
    column.definedSize = DataType::defaultSize(type);
    column.precision = DataType::defaultPrecision(type);
    column.numericScale = 0;
    return read;
}

// Characters or bytes up to the size the driver reports; a long type without a size
// reported holds any length.
ReadAs sized(ColumnInfo& column, long type, SQLLEN size, ReadAs read) {
    column.type = type;
    const bool longType =
        type == adLongVarChar || type == adLongVarWChar || type == adLongVarBinary;
    column.definedSize = size > 0 && size < UnboundedSize ? static_cast<long>(size)
                         : longType                       ? UnboundedSize
                                                          : 0;
    column.precision = 0;
    column.numericScale = 0;
    if (longType) {
        column.attributes |= adFldLong;
    }
    return read;
}

ReadAs numeric(ColumnInfo& column, SQLLEN size, SQLSMALLINT digits) {
    column.type = adNumeric;
    column.definedSize = DataType::defaultSize(adNumeric);
    column.precision = size > 0 ? static_cast<long>(size) : 0;
    column.numericScale = digits > 0 ? digits : 0;
    return digits <= 0 && size > 0 && size <= WholeDigits ? ReadAs::BigInt : ReadAs::Decimal;
}

SQLSMALLINT sqlTypeOfValue(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Boolean:
            return SQL_BIT;
        case Variant::Kind::Integer:
        case Variant::Kind::Long:
            return SQL_INTEGER;
        case Variant::Kind::BigInt:
            return SQL_BIGINT;
        case Variant::Kind::Double:
        case Variant::Kind::Currency:
            return SQL_DOUBLE;
        case Variant::Kind::Date:
            return SQL_TYPE_TIMESTAMP;
        default:
            return SQL_VARCHAR;
    }
}

}  // namespace

OdbcColumnType::ReadAs OdbcColumnType::describe(SQLSMALLINT sqlType, SQLLEN size,
                                                SQLSMALLINT digits, bool isUnsigned,
                                                ColumnInfo& column) {
    switch (sqlType) {
        case SQL_INTEGER:
            return fixed(column, adInteger, ReadAs::Long);
        case SQL_SMALLINT:
            return fixed(column, adSmallInt, ReadAs::Integer);
        case SQL_TINYINT:
            return fixed(column, isUnsigned ? adUnsignedTinyInt : adTinyInt, ReadAs::Integer);
        case SQL_BIGINT:
            return fixed(column, adBigInt, ReadAs::BigInt);
        case SQL_REAL:
            return fixed(column, adSingle, ReadAs::Double);
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return fixed(column, adDouble, ReadAs::Double);
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return numeric(column, size, digits);
        case SQL_BIT:
            return fixed(column, adBoolean, ReadAs::Boolean);
        case SQL_TYPE_DATE:
        case SQL_DATE:
            return fixed(column, adDBDate, ReadAs::DateTime);
        case SQL_TYPE_TIME:
        case SQL_TIME:
            return fixed(column, adDBTime, ReadAs::Time);
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
            return fixed(column, adDBTimeStamp, ReadAs::DateTime);
        case SQL_GUID:
            return fixed(column, adGUID, ReadAs::Text);
        case SQL_CHAR:
            return sized(column, adChar, size, ReadAs::Text);
        case SQL_VARCHAR:
            return sized(column, adVarChar, size, ReadAs::Text);
        case SQL_LONGVARCHAR:
            return sized(column, adLongVarChar, size, ReadAs::Text);
        case SQL_WCHAR:
            return sized(column, adWChar, size, ReadAs::Text);
        case SQL_WVARCHAR:
            return sized(column, adVarWChar, size, ReadAs::Text);
        case SQL_WLONGVARCHAR:
            return sized(column, adLongVarWChar, size, ReadAs::Text);
        case SQL_BINARY:
            return sized(column, adBinary, size, ReadAs::Binary);
        case SQL_VARBINARY:
            return sized(column, adVarBinary, size, ReadAs::Binary);
        case SQL_LONGVARBINARY:
            return sized(column, adLongVarBinary, size, ReadAs::Binary);
        default:
            return sized(column, adVarWChar, size, ReadAs::Text);
    }
}

SQLSMALLINT OdbcColumnType::sqlTypeFor(long type, const Variant& value) {
    switch (type) {
        case adTinyInt:
        case adUnsignedTinyInt:
        case adSmallInt:
            return SQL_SMALLINT;
        case adInteger:
        case adUnsignedSmallInt:
            return SQL_INTEGER;
        case adBigInt:
        case adUnsignedInt:
        case adUnsignedBigInt:
            return SQL_BIGINT;
        case adSingle:
            return SQL_REAL;
        case adDouble:
        case adCurrency:
        case adDecimal:
        case adNumeric:
        case adVarNumeric:
            return SQL_DOUBLE;
        case adBoolean:
            return SQL_BIT;
        case adDate:
        case adDBTimeStamp:
            return SQL_TYPE_TIMESTAMP;
        case adDBDate:
            return SQL_TYPE_DATE;
        case adDBTime:
            return SQL_TYPE_TIME;
        case adWChar:
        case adVarWChar:
        case adLongVarWChar:
            return SQL_WVARCHAR;
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return SQL_VARBINARY;
        case adEmpty:
        case adVariant:
            return sqlTypeOfValue(value);
        default:
            // Character parameters stay narrow, so a server compares them with its own
            // character columns without converting those.
            return SQL_VARCHAR;
    }
}

bool OdbcColumnType::isPlainText(std::string_view typeName) {
    static constexpr std::array<std::string_view, 11> Names = {
        "char",  "character", "varchar", "character varying",          "bpchar", "text",
        "nchar", "nvarchar",  "ntext",   "national character varying", "string"};
    const std::string_view name = text::trimWhitespace(typeName);
    for (const std::string_view plain : Names) {
        if (text::iequals(name, plain)) {
            return true;
        }
    }
    return false;
}

}  // namespace kiv::db::odbc
