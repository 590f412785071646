#include "db/TableDefinition.h"

#include "base/Text.h"
#include "db/Constants.h"
#include "db/DataType.h"
#include "db/Error.h"

namespace kiv::db {

namespace {

using Dialect = TableDefinition::Dialect;

// The longest text each server keeps in a type with a length; longer ones take its long type.
constexpr long LongestPostgresText = 10485760;
constexpr long LongestSqlServerText = 4000;
constexpr long LongestPostgresNumeric = 1000;
constexpr long LongestSqlServerNumeric = 38;
constexpr long LongestFilesText = 255;

bool isText(long type) {
    return type == adChar || type == adWChar || type == adVarChar || type == adVarWChar ||
           type == adLongVarChar || type == adLongVarWChar || type == adBSTR;
}

bool isLong(const ColumnInfo& column) {
    return column.type == adLongVarChar || column.type == adLongVarWChar || column.type == adBSTR ||
           column.definedSize <= 0 || column.definedSize >= DataType::defaultSize(adLongVarChar);
}

std::string withSize(std::string_view name, long size) {
    return std::string(name) + "(" + text::decimal(size) + ")";
}

std::string withScale(std::string_view name, long precision, long scale) {
    return std::string(name) + "(" + text::decimal(precision) + "," + text::decimal(scale) + ")";
}

std::optional<std::string> sqliteText(const ColumnInfo& column) {
    if (isLong(column)) {
        return "TEXT";
    }
    const bool fixed = column.type == adChar || column.type == adWChar;
    const bool wide = column.type == adWChar || column.type == adVarWChar;
    return withSize(fixed ? (wide ? "NCHAR" : "CHAR") : (wide ? "NVARCHAR" : "VARCHAR"),
                    column.definedSize);
}

std::optional<std::string> sqliteType(const ColumnInfo& column) {
    switch (column.type) {
        case adTinyInt:
        case adUnsignedTinyInt:
        case adSmallInt:
            return "SMALLINT";
        case adUnsignedSmallInt:
        case adInteger:
            return "INTEGER";
        case adUnsignedInt:
        case adBigInt:
            return "BIGINT";
        case adUnsignedBigInt:
            return "NUMERIC(20,0)";
        case adSingle:
        case adDouble:
            return "REAL";
        case adCurrency:
            return "CURRENCY";
        case adDecimal:
        case adNumeric:
        case adVarNumeric:
            return column.precision > 0
                       ? withScale("NUMERIC", column.precision, column.numericScale)
                       : "NUMERIC";
        case adBoolean:
            return "BOOLEAN";
        case adDate:
        case adDBTimeStamp:
            return "DATETIME";
        case adDBDate:
            return "DATE";
        case adDBTime:
            return "TIME";
        case adGUID:
            return "GUID";
        case adVariant:
            return "";
        default:
            break;
    }
    if (isText(column.type)) {
        return sqliteText(column);
    }
    if (DataType::isBinary(column.type)) {
        return "BLOB";
    }
    return std::nullopt;
}

std::optional<std::string> postgresType(const ColumnInfo& column) {
    switch (column.type) {
        case adTinyInt:
        case adUnsignedTinyInt:
        case adSmallInt:
            return "smallint";
        case adUnsignedSmallInt:
        case adInteger:
            return "integer";
        case adUnsignedInt:
        case adBigInt:
            return "bigint";
        case adUnsignedBigInt:
            return "numeric(20,0)";
        case adSingle:
            return "real";
        case adDouble:
            return "double precision";
        case adCurrency:
            return "numeric(19,4)";
        case adDecimal:
        case adNumeric:
        case adVarNumeric:
            if (column.precision > LongestPostgresNumeric) {
                return std::nullopt;
            }
            return column.precision > 0
                       ? withScale("numeric", column.precision, column.numericScale)
                       : "numeric";
        case adBoolean:
            return "boolean";
        case adDate:
        case adDBTimeStamp:
            return "timestamp";
        case adDBDate:
            return "date";
        case adDBTime:
            return "time";
        case adGUID:
            return "uuid";
        default:
            break;
    }
    if (isText(column.type)) {
        if (isLong(column) || column.definedSize > LongestPostgresText) {
            return "text";
        }
        const bool fixed = column.type == adChar || column.type == adWChar;
        return withSize(fixed ? "char" : "varchar", column.definedSize);
    }
    if (DataType::isBinary(column.type)) {
        return "bytea";
    }
    return std::nullopt;
}

std::optional<std::string> sqlServerType(const ColumnInfo& column) {
    switch (column.type) {
        case adUnsignedTinyInt:
            return "tinyint";
        case adTinyInt:
        case adSmallInt:
            return "smallint";
        case adUnsignedSmallInt:
        case adInteger:
            return "int";
        case adUnsignedInt:
        case adBigInt:
            return "bigint";
        case adUnsignedBigInt:
            return "decimal(20,0)";
        case adSingle:
            return "real";
        case adDouble:
            return "float";
        case adCurrency:
            return "decimal(19,4)";
        case adDecimal:
        case adNumeric:
        case adVarNumeric:
            if (column.precision <= 0 || column.precision > LongestSqlServerNumeric) {
                return std::nullopt;
            }
            return withScale("decimal", column.precision, column.numericScale);
        case adBoolean:
            return "bit";
        case adDate:
        case adDBTimeStamp:
            return "datetime2";
        case adDBDate:
            return "date";
        case adDBTime:
            return "time";
        case adGUID:
            return "uniqueidentifier";
        default:
            break;
    }
    if (isText(column.type)) {
        return isLong(column) || column.definedSize > LongestSqlServerText
                   ? "nvarchar(max)"
                   : withSize("nvarchar", column.definedSize);
    }
    if (DataType::isBinary(column.type)) {
        return "varbinary(max)";
    }
    return std::nullopt;
}

std::optional<std::string> filesType(const ColumnInfo& column) {
    switch (column.type) {
        case adUnsignedTinyInt:
            return "TINYINT";
        case adTinyInt:
        case adSmallInt:
            return "SMALLINT";
        case adUnsignedSmallInt:
        case adInteger:
            return "INTEGER";
        case adSingle:
            return "REAL";
        case adCurrency:
            return "CURRENCY";
        case adBoolean:
            return "BIT";
        case adDate:
        case adDBTimeStamp:
        case adDBDate:
        case adDBTime:
            return "DATETIME";
        case adGUID:
            return "TEXT(38)";
        case adVariant:
            return "MEMO";
        default:
            break;
    }
    // Whole numbers beyond 32 bits are kept as the file's numbers with fractions are.
    if (column.type == adUnsignedInt || column.type == adBigInt ||
        column.type == adUnsignedBigInt || column.type == adDouble || column.type == adDecimal ||
        column.type == adNumeric || column.type == adVarNumeric) {
        return "DOUBLE";
    }
    if (isText(column.type)) {
        return isLong(column) || column.definedSize > LongestFilesText
                   ? "MEMO"
                   : withSize("TEXT", column.definedSize);
    }
    return std::nullopt;
}

std::string_view databaseName(Dialect dialect) {
    switch (dialect) {
        case Dialect::SQLite:
            return "SQLite";
        case Dialect::PostgreSQL:
            return "PostgreSQL";
        case Dialect::SqlServer:
            return "SQL Server";
        case Dialect::Files:
            break;
    }
    return "a text file or workbook";
}

// How the type of a column that has none in the database reads in the refusal.
std::string sourceType(const ColumnInfo& column) {
    std::string type = DataType::name(column.type);
    if (column.type == adDecimal || column.type == adNumeric || column.type == adVarNumeric) {
        type = column.precision > 0 ? withScale(type, column.precision, column.numericScale)
                                    : type + " without precision";
    }
    return type;
}

}  // namespace

std::optional<std::string> TableDefinition::columnType(const ColumnInfo& column, Dialect dialect) {
    switch (dialect) {
        case Dialect::SQLite:
            return sqliteType(column);
        case Dialect::PostgreSQL:
            return postgresType(column);
        case Dialect::SqlServer:
            return sqlServerType(column);
        case Dialect::Files:
            break;
    }
    return filesType(column);
}

std::string TableDefinition::createStatement(std::string_view table,
                                             const std::vector<ColumnInfo>& columns,
                                             Dialect dialect, const Quote& quote,
                                             const std::string& provider) {
    std::string sql = "CREATE TABLE " + quote(table) + " (";
    const char* separator = "";
    for (const ColumnInfo& column : columns) {
        const std::optional<std::string> type = columnType(column, dialect);
        if (!type) {
            throw Error::layer(adErrFeatureNotAvailable, provider,
                               "The table " + std::string(table) +
                                   " cannot be created: its column '" + column.name +
                                   "' takes values of the type " + sourceType(column) + ", which " +
                                   std::string(databaseName(dialect)) + " has no type for.");
        }
        sql += separator + quote(column.name) + (type->empty() ? "" : " " + *type);
        separator = ", ";
    }
    return sql + ")";
}

}  // namespace kiv::db
