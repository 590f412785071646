#include "db/TableDefinition.h"

#include <array>
#include <cstddef>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/DataType.h"
#include "db/Error.h"

namespace kiv::db {

namespace {

using Dialect = TableDefinition::Dialect;

// What each destination calls a type, in the order of `Dialect`: SQLite, PostgreSQL, SQL
// Server, text files and workbooks. An empty name: the destination has none.
using Names = std::array<std::string_view, 4>;

struct FixedType {
    long type;
    Names names;
};

// The types whose values need no size.
constexpr std::array<FixedType, 16> FixedTypes = {{
    {adUnsignedTinyInt, {"SMALLINT", "smallint", "tinyint", "TINYINT"}},
    {adTinyInt, {"SMALLINT", "smallint", "smallint", "SMALLINT"}},
    {adSmallInt, {"SMALLINT", "smallint", "smallint", "SMALLINT"}},
    {adUnsignedSmallInt, {"INTEGER", "integer", "int", "INTEGER"}},
    {adInteger, {"INTEGER", "integer", "int", "INTEGER"}},
    // Whole numbers beyond 32 bits are kept in a file as its numbers with fractions are.
    {adUnsignedInt, {"BIGINT", "bigint", "bigint", "DOUBLE"}},
    {adBigInt, {"BIGINT", "bigint", "bigint", "DOUBLE"}},
    {adUnsignedBigInt, {"NUMERIC(20,0)", "numeric(20,0)", "decimal(20,0)", "DOUBLE"}},
    {adSingle, {"REAL", "real", "real", "REAL"}},
    {adDouble, {"REAL", "double precision", "float", "DOUBLE"}},
    {adCurrency, {"CURRENCY", "numeric(19,4)", "decimal(19,4)", "CURRENCY"}},
    {adBoolean, {"BOOLEAN", "boolean", "bit", "BIT"}},
    {adDate, {"DATETIME", "timestamp", "datetime2", "DATETIME"}},
    {adDBTimeStamp, {"DATETIME", "timestamp", "datetime2", "DATETIME"}},
    {adDBDate, {"DATE", "date", "date", "DATETIME"}},
    {adDBTime, {"TIME", "time", "time", "DATETIME"}},
}};

constexpr Names GuidNames = {"GUID", "uuid", "uniqueidentifier", "TEXT(38)"};
constexpr Names BinaryNames = {"BLOB", "bytea", "varbinary(max)", ""};
constexpr Names DecimalNames = {"NUMERIC", "numeric", "decimal", "DOUBLE"};
// A column of any kind of value: SQLite takes it without a type.
constexpr Names VariantNames = {"", "", "", "MEMO"};
// Text of a bounded length, as variable and as fixed length, and text of any length.
constexpr Names VaryingTextNames = {"VARCHAR", "varchar", "nvarchar", "TEXT"};
constexpr Names VaryingWideTextNames = {"NVARCHAR", "varchar", "nvarchar", "TEXT"};
constexpr Names FixedTextNames = {"CHAR", "char", "nvarchar", "TEXT"};
constexpr Names FixedWideTextNames = {"NCHAR", "char", "nvarchar", "TEXT"};
constexpr Names LongTextNames = {"TEXT", "text", "nvarchar(max)", "MEMO"};
// The longest text a bounded text type holds, and the most digits of a decimal; 0: no limit.
constexpr std::array<long, 4> LongestText = {0, 10485760, 4000, 255};
constexpr std::array<long, 4> MostDigits = {0, 1000, 38, 0};
constexpr std::array<std::string_view, 4> DatabaseNames = {"SQLite", "PostgreSQL", "SQL Server",
                                                           "a text file or workbook"};

std::size_t indexOf(Dialect dialect) {
    return static_cast<std::size_t>(dialect);
}

bool isText(long type) {
    return type == adChar || type == adWChar || type == adVarChar || type == adVarWChar ||
           type == adLongVarChar || type == adLongVarWChar || type == adBSTR;
}

bool isDecimal(long type) {
    return type == adDecimal || type == adNumeric || type == adVarNumeric;
}

std::string withScale(std::string_view name, long precision, long scale) {
    return std::string(name) + "(" + text::decimal(precision) + "," + text::decimal(scale) + ")";
}

std::optional<std::string> named(std::string_view name) {
    return name.empty() ? std::nullopt : std::optional<std::string>(name);
}

// A decimal without precision takes the destination's unbounded decimal where it has one.
std::optional<std::string> decimalType(const ColumnInfo& column, Dialect dialect) {
    const std::string_view name = DecimalNames[indexOf(dialect)];
    const long most = MostDigits[indexOf(dialect)];
    if (dialect == Dialect::Files) {
        return std::string(name);
    }
    if (column.precision <= 0) {
        return dialect == Dialect::SqlServer ? std::nullopt : std::optional<std::string>(name);
    }
    if (most > 0 && column.precision > most) {
        return std::nullopt;
    }
    return withScale(name, column.precision, column.numericScale);
}

std::optional<std::string> textType(const ColumnInfo& column, Dialect dialect) {
    const long longest = LongestText[indexOf(dialect)];
    const bool unbounded = column.type == adLongVarChar || column.type == adLongVarWChar ||
                           column.type == adBSTR || column.definedSize <= 0 ||
                           column.definedSize >= DataType::defaultSize(adLongVarChar) ||
                           (longest > 0 && column.definedSize > longest);
    if (unbounded) {
        return std::string(LongTextNames[indexOf(dialect)]);
    }
    const bool fixed = column.type == adChar || column.type == adWChar;
    const bool wide = column.type == adWChar || column.type == adVarWChar;
    const Names& names = fixed ? (wide ? FixedWideTextNames : FixedTextNames)
                               : (wide ? VaryingWideTextNames : VaryingTextNames);
    return std::string(names[indexOf(dialect)]) + "(" + text::decimal(column.definedSize) + ")";
}

// How the type of a column that has none in the destination reads in the refusal.
std::string sourceType(const ColumnInfo& column) {
    std::string type = DataType::name(column.type);
    if (isDecimal(column.type)) {
        type = column.precision > 0 ? withScale(type, column.precision, column.numericScale)
                                    : type + " without precision";
    }
    return type;
}

}  // namespace

std::optional<std::string> TableDefinition::columnType(const ColumnInfo& column, Dialect dialect) {
    const std::size_t index = indexOf(dialect);
    for (const FixedType& fixed : FixedTypes) {
        if (fixed.type == column.type) {
            return std::string(fixed.names[index]);
        }
    }
    if (isDecimal(column.type)) {
        return decimalType(column, dialect);
    }
    if (isText(column.type)) {
        return textType(column, dialect);
    }
    if (column.type == adGUID) {
        return std::string(GuidNames[index]);
    }
    if (DataType::isBinary(column.type)) {
        return named(BinaryNames[index]);
    }
    if (column.type == adVariant) {
        return dialect == Dialect::SQLite ? std::optional<std::string>("")
                                          : named(VariantNames[index]);
    }
    return std::nullopt;
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
            throw Error::layer(
                adErrFeatureNotAvailable, provider,
                "The table " + std::string(table) + " cannot be created: its column '" +
                    column.name + "' takes values of the type " + sourceType(column) + ", which " +
                    std::string(DatabaseNames[indexOf(dialect)]) + " has no type for.");
        }
        sql += separator + quote(column.name) + (type->empty() ? "" : " " + *type);
        separator = ", ";
    }
    return sql + ")";
}

}  // namespace kiv::db
