#include "db/DataType.h"

#include "base/Text.h"
#include "db/Constants.h"

namespace kiv::db {

std::string DataType::name(long type) {
    switch (type) {
        case adSmallInt:
            return "SMALLINT";
        case adInteger:
            return "INTEGER";
        case adSingle:
            return "SINGLE";
        case adDouble:
            return "DOUBLE";
        case adCurrency:
            return "CURRENCY";
        case adDate:
            return "DATE";
        case adBSTR:
            return "BSTR";
        case adBoolean:
            return "BOOLEAN";
        case adVariant:
            return "VARIANT";
        case adDecimal:
            return "DECIMAL";
        case adTinyInt:
            return "TINYINT";
        case adUnsignedTinyInt:
            return "UNSIGNEDTINYINT";
        case adUnsignedSmallInt:
            return "UNSIGNEDSMALLINT";
        case adUnsignedInt:
            return "UNSIGNEDINTEGER";
        case adBigInt:
            return "BIGINT";
        case adUnsignedBigInt:
            return "UNSIGNEDBIGINT";
        case adGUID:
            return "GUID";
        case adBinary:
            return "BINARY";
        case adChar:
            return "CHAR";
        case adWChar:
            return "WCHAR";
        case adNumeric:
            return "NUMERIC";
        case adUserDefined:
            return "USERDEFINED";
        case adDBDate:
            return "DBDATE";
        case adDBTime:
            return "DBTIME";
        case adDBTimeStamp:
            return "DBTIMESTAMP";
        case adVarChar:
            return "VARCHAR";
        case adLongVarChar:
            return "LONGVARCHAR";
        case adVarWChar:
            return "VARWCHAR";
        case adLongVarWChar:
            return "LONGVARWCHAR";
        case adVarBinary:
            return "VARBINARY";
        case adLongVarBinary:
            return "LONGVARBINARY";
        default:
            return "UNKNOWN (" + text::decimal(type) + ")";
    }
}

bool DataType::isBinary(long type) noexcept {
    return type == adBinary || type == adVarBinary || type == adLongVarBinary;
}

bool DataType::isDate(long type) noexcept {
    return type == adDate || type == adDBDate || type == adDBTime || type == adDBTimeStamp;
}

long DataType::defaultSize(long type) noexcept {
    switch (type) {
        case adTinyInt:
        case adUnsignedTinyInt:
            return 1;
        case adSmallInt:
        case adUnsignedSmallInt:
        case adBoolean:
            return 2;
        case adInteger:
        case adUnsignedInt:
        case adSingle:
            return 4;
        case adBigInt:
        case adUnsignedBigInt:
        case adDouble:
        case adCurrency:
        case adDate:
        case adDBTimeStamp:
            return 8;
        case adDBDate:
        case adDBTime:
            return 6;
        case adDecimal:
        case adNumeric:
        case adVarNumeric:
            return 19;
        case adVariant:
        case adGUID:
            return 16;
        case adLongVarChar:
        case adLongVarWChar:
        case adLongVarBinary:
            return 2147483647;
        default:
            return 0;
    }
}

long DataType::defaultPrecision(long type) noexcept {
    switch (type) {
        case adTinyInt:
        case adUnsignedTinyInt:
            return 3;
        case adSmallInt:
        case adUnsignedSmallInt:
            return 5;
        case adInteger:
        case adUnsignedInt:
            return 10;
        case adBigInt:
            return 19;
        case adUnsignedBigInt:
            return 20;
        case adSingle:
            return 7;
        case adDouble:
            return 15;
        case adCurrency:
        case adDecimal:
        case adNumeric:
        case adVarNumeric:
            return 19;
        default:
            return 0;
    }
}

bool DataType::beyondDouble(std::string_view number) noexcept {
    constexpr std::size_t DoubleDigits = 15;
    std::size_t digits = 0;
    for (const char c : number) {
        if (c == 'e' || c == 'E') {
            break;
        }
        if ((c >= '1' && c <= '9') || (c == '0' && digits > 0)) {
            ++digits;
        }
    }
    return digits > DoubleDigits;
}

void DataType::readDecimal(std::string_view text, Variant& out) {
    const std::optional<double> number =
        beyondDouble(text) ? std::nullopt : Variant::parseNumber(text);
    if (number) {
        out = Variant(*number);
    } else {
        out.assignText(text);
    }
}

}  // namespace kiv::db
