#include "db/sqlite/SqliteColumnType.h"

#include <sqlite3.h>

#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/DataType.h"

namespace kiv::db::sqlite {

namespace {

using ReadAs = SqliteColumnType::ReadAs;

constexpr long LongTextSize = 2147483647;

struct Declared {
    std::string name;  // upper case, blanks between words folded to one
    int arguments = 0;
    long first = 0;
    long second = 0;
    bool bounded = false;  // a length was given (and is not MAX)
};

Declared parse(std::string_view declared) {
    Declared result;
    const std::size_t open = declared.find('(');
    const std::string_view head = declared.substr(0, open);
    bool blank = false;
    for (const char c : text::trimWhitespace(head)) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank) {
            result.name += ' ';
            blank = false;
        }
        result.name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (open == std::string_view::npos) {
        return result;
    }
    const std::size_t close = declared.find(')', open);
    const std::string_view inside = declared.substr(
        open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
    const std::size_t comma = inside.find(',');
    const auto number = [](std::string_view part, long& out) {
        part = text::trimWhitespace(part);
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), out);
        return error == std::errc() && end == part.data() + part.size() && out > 0;
    };
    result.bounded = number(inside.substr(0, comma), result.first);
    result.arguments = 1;
    if (comma != std::string_view::npos) {
        result.arguments = 2;
        if (!number(inside.substr(comma + 1), result.second)) {
            result.second = 0;
        }
    }
    return result;
}

bool is(const std::string& name, std::initializer_list<std::string_view> names) {
    for (const std::string_view candidate : names) {
        if (name == candidate) {
            return true;
        }
    }
    return false;
}

bool has(const std::string& name, std::string_view part) {
    return name.find(part) != std::string::npos;
}

ReadAs fixed(ColumnInfo& column, long type, ReadAs read) {
    column.type = type;
    column.definedSize = DataType::defaultSize(type);
    column.precision = DataType::defaultPrecision(type);
    return read;
}

// A character type: bounded by its length when one is given, long text otherwise.
ReadAs characters(ColumnInfo& column, const Declared& declared, long boundedType, long longType) {
    if (declared.bounded) {
        column.type = boundedType;
        column.definedSize = declared.first;
    } else {
        column.type = longType;
        column.definedSize = LongTextSize;
    }
    column.precision = 0;
    return ReadAs::Text;
}

ReadAs numeric(ColumnInfo& column, const Declared& declared) {
    column.type = adNumeric;
    column.definedSize = DataType::defaultSize(adNumeric);
    column.precision = declared.bounded ? declared.first : 0;
    column.numericScale = declared.bounded ? declared.second : 0;
    return ReadAs::Any;
}

}  // namespace

SqliteColumnType::ReadAs SqliteColumnType::describe(std::string_view declaredText,
                                                    ColumnInfo& column) {
    column.declaredType = std::string(text::trimWhitespace(declaredText));
    column.numericScale = 0;
    const Declared declared = parse(declaredText);
    const std::string& name = declared.name;
    if (name.empty()) {
        return fixed(column, adVariant, ReadAs::Any);
    }
    if (is(name, {"INTEGER", "INT", "MEDIUMINT", "INT4", "LONG"})) {
        return fixed(column, adInteger, ReadAs::Long);
    }
    if (is(name, {"SMALLINT", "INT2", "SHORT"})) {
        return fixed(column, adSmallInt, ReadAs::Integer);
    }
    if (is(name, {"TINYINT", "BYTE"})) {
        return fixed(column, adUnsignedTinyInt, ReadAs::Integer);
    }
    if (is(name, {"BIGINT", "INT8", "UNSIGNED BIG INT"})) {
        return fixed(column, adBigInt, ReadAs::BigInt);
    }
    if (is(name, {"REAL", "DOUBLE", "DOUBLE PRECISION", "FLOAT", "FLOAT8"})) {
        return fixed(column, adDouble, ReadAs::Double);
    }
    if (is(name, {"SINGLE", "FLOAT4"})) {
        return fixed(column, adSingle, ReadAs::Single);
    }
    if (is(name, {"NUMERIC", "DECIMAL", "NUMBER"})) {
        return numeric(column, declared);
    }
    if (is(name, {"MONEY", "CURRENCY", "SMALLMONEY"})) {
        return fixed(column, adCurrency, ReadAs::Currency);
    }
    if (is(name, {"BOOLEAN", "BOOL", "BIT", "YESNO", "LOGICAL"})) {
        return fixed(column, adBoolean, ReadAs::Boolean);
    }
    if (is(name, {"DATE", "DATETIME", "TIMESTAMP", "SMALLDATETIME", "DATETIME2", "TIME"})) {
        return fixed(column, adDate, ReadAs::Date);
    }
    if (is(name, {"CHAR", "CHARACTER"})) {
        return characters(column, declared, adChar, adLongVarChar);
    }
    if (is(name, {"NCHAR", "NATIVE CHARACTER", "NATIONAL CHARACTER"})) {
        return characters(column, declared, adWChar, adLongVarWChar);
    }
    if (is(name,
           {"VARCHAR", "VARCHAR2", "CHARACTER VARYING", "VARYING CHARACTER", "TEXT", "STRING"})) {
        return characters(column, declared, adVarChar, adLongVarChar);
    }
    if (is(name, {"NVARCHAR", "NVARCHAR2", "NATIONAL VARCHAR"})) {
        return characters(column, declared, adVarWChar, adLongVarWChar);
    }
    if (is(name, {"NTEXT"})) {
        return characters(column, Declared{}, adVarWChar, adLongVarWChar);
    }
    if (is(name, {"LONGTEXT", "MEDIUMTEXT", "MEMO", "CLOB", "LONGCHAR", "LONG VARCHAR"})) {
        return characters(column, Declared{}, adVarChar, adLongVarChar);
    }
    if (is(name, {"GUID", "UNIQUEIDENTIFIER", "UUID"})) {
        column.type = adGUID;
        column.definedSize = 38;
        column.precision = 0;
        return ReadAs::Text;
    }
    if (is(name, {"BINARY"})) {
        return characters(column, declared, adBinary, adLongVarBinary);
    }
    if (is(name, {"VARBINARY"})) {
        return characters(column, declared, adVarBinary, adLongVarBinary);
    }
    if (is(name, {"BLOB", "LONGBLOB", "MEDIUMBLOB", "IMAGE", "LONG VARBINARY", "OLEOBJECT"})) {
        return characters(column, Declared{}, adVarBinary, adLongVarBinary);
    }
    // Anything else by the affinity SQLite itself gives it.
    if (has(name, "INT")) {
        return fixed(column, adInteger, ReadAs::Long);
    }
    if (has(name, "CHAR") || has(name, "CLOB") || has(name, "TEXT")) {
        return characters(column, declared, adVarChar, adLongVarChar);
    }
    if (has(name, "BLOB")) {
        return characters(column, Declared{}, adVarBinary, adLongVarBinary);
    }
    if (has(name, "REAL") || has(name, "FLOA") || has(name, "DOUB")) {
        return fixed(column, adDouble, ReadAs::Double);
    }
    return numeric(column, declared);
}

SqliteColumnType::ReadAs SqliteColumnType::describeValue(int storageClass, long long integer,
                                                         ColumnInfo& column) {
    switch (storageClass) {
        case SQLITE_INTEGER:
            if (integer < std::numeric_limits<std::int32_t>::min() ||
                integer > std::numeric_limits<std::int32_t>::max()) {
                return fixed(column, adBigInt, ReadAs::Any);
            }
            return fixed(column, adInteger, ReadAs::Any);
        case SQLITE_FLOAT:
            return fixed(column, adDouble, ReadAs::Any);
        case SQLITE_TEXT:
            return characters(column, Declared{}, adVarChar, adLongVarChar);
        case SQLITE_BLOB:
            return characters(column, Declared{}, adVarBinary, adLongVarBinary);
        default:
            return fixed(column, adVariant, ReadAs::Any);
    }
}

}  // namespace kiv::db::sqlite
