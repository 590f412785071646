#include "db/TableDefinition.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "db/Constants.h"
#include "db/DataType.h"
#include "db/Error.h"
#include "db/SqlText.h"

namespace kiv::db {
namespace {

using Dialect = TableDefinition::Dialect;

ColumnInfo column(long type, long size = 0, long precision = 0, long scale = 0) {
    ColumnInfo info;
    info.name = "c";
    info.type = type;
    info.definedSize = size;
    info.precision = precision;
    info.numericScale = scale;
    return info;
}

// The type of each column in SQLite, PostgreSQL and SQL Server; "-" for none.
struct Expected {
    ColumnInfo column;
    std::string sqlite, postgres, sqlServer;
};

TEST(TableDefinitionTest, EachTypeCodeHasItsTypeInEachDatabase) {
    const std::vector<Expected> cases = {
        {column(adUnsignedTinyInt), "SMALLINT", "smallint", "tinyint"},
        {column(adSmallInt), "SMALLINT", "smallint", "smallint"},
        {column(adInteger), "INTEGER", "integer", "int"},
        {column(adUnsignedInt), "BIGINT", "bigint", "bigint"},
        {column(adBigInt), "BIGINT", "bigint", "bigint"},
        {column(adUnsignedBigInt), "NUMERIC(20,0)", "numeric(20,0)", "decimal(20,0)"},
        {column(adSingle), "REAL", "real", "real"},
        {column(adDouble), "REAL", "double precision", "float"},
        {column(adCurrency), "CURRENCY", "numeric(19,4)", "decimal(19,4)"},
        {column(adNumeric, 19, 12, 2), "NUMERIC(12,2)", "numeric(12,2)", "decimal(12,2)"},
        {column(adNumeric, 19, 0, 0), "NUMERIC", "numeric", "-"},
        {column(adNumeric, 19, 60, 5), "NUMERIC(60,5)", "numeric(60,5)", "-"},
        {column(adBoolean), "BOOLEAN", "boolean", "bit"},
        {column(adDate), "DATETIME", "timestamp", "datetime2"},
        {column(adDBTimeStamp), "DATETIME", "timestamp", "datetime2"},
        {column(adDBDate), "DATE", "date", "date"},
        {column(adDBTime), "TIME", "time", "time"},
        {column(adGUID, 16), "GUID", "uuid", "uniqueidentifier"},
        {column(adVarChar, 20), "VARCHAR(20)", "varchar(20)", "nvarchar(20)"},
        {column(adVarWChar, 20), "NVARCHAR(20)", "varchar(20)", "nvarchar(20)"},
        {column(adWChar, 3), "NCHAR(3)", "char(3)", "nvarchar(3)"},
        {column(adVarWChar, 8000), "NVARCHAR(8000)", "varchar(8000)", "nvarchar(max)"},
        {column(adLongVarWChar, 2147483647), "TEXT", "text", "nvarchar(max)"},
        {column(adVarChar, 0), "TEXT", "text", "nvarchar(max)"},
        {column(adVarBinary, 50), "BLOB", "bytea", "varbinary(max)"},
        {column(adLongVarBinary, 2147483647), "BLOB", "bytea", "varbinary(max)"},
        {column(adVariant), "", "-", "-"},
        {column(adUserDefined), "-", "-", "-"},
    };
    for (const Expected& expected : cases) {
        const std::string name = DataType::name(expected.column.type);
        EXPECT_EQ(TableDefinition::columnType(expected.column, Dialect::SQLite).value_or("-"),
                  expected.sqlite)
            << name;
        EXPECT_EQ(TableDefinition::columnType(expected.column, Dialect::PostgreSQL).value_or("-"),
                  expected.postgres)
            << name;
        EXPECT_EQ(TableDefinition::columnType(expected.column, Dialect::SqlServer).value_or("-"),
                  expected.sqlServer)
            << name;
    }
}

TEST(TableDefinitionTest, TextFilesAndWorkbooksTakeTheTypesOfTheirDefinitions) {
    const std::vector<std::pair<ColumnInfo, std::string>> cases = {
        {column(adUnsignedTinyInt), "TINYINT"},
        {column(adSmallInt), "SMALLINT"},
        {column(adInteger), "INTEGER"},
        {column(adBigInt), "DOUBLE"},
        {column(adNumeric, 19, 12, 2), "DOUBLE"},
        {column(adSingle), "REAL"},
        {column(adCurrency), "CURRENCY"},
        {column(adBoolean), "BIT"},
        {column(adDBDate), "DATETIME"},
        {column(adGUID, 16), "TEXT(38)"},
        {column(adVarWChar, 20), "TEXT(20)"},
        {column(adVarWChar, 300), "MEMO"},
        {column(adLongVarChar, 2147483647), "MEMO"},
        {column(adVariant), "MEMO"},
        {column(adVarBinary, 20), "-"},
    };
    for (const auto& [info, expected] : cases) {
        EXPECT_EQ(TableDefinition::columnType(info, Dialect::Files).value_or("-"), expected)
            << DataType::name(info.type);
    }
}

TEST(TableDefinitionTest, TheStatementQuotesTheNamesAndNamesAColumnWithoutType) {
    ColumnInfo id = column(adInteger);
    id.name = "Id]";
    ColumnInfo any = column(adVariant);
    any.name = "Any";
    EXPECT_EQ(TableDefinition::createStatement("T", {id, any}, Dialect::SQLite, SqlText::bracket,
                                               "Kiv.SQLite"),
              "CREATE TABLE [T] ([Id]]] INTEGER, [Any])");
    ColumnInfo wide = column(adNumeric, 19, 0, 0);
    wide.name = "Amount";
    try {
        TableDefinition::createStatement("Sale", {id, wide}, Dialect::SqlServer, SqlText::bracket,
                                         "Kiv.ODBC");
        FAIL() << "a numeric without precision has no SQL Server type";
    } catch (const Error& error) {
        EXPECT_NE(error.Description().find(
                      "The table Sale cannot be created: its column 'Amount' takes values "
                      "of the type NUMERIC without precision, which SQL Server has no type for."),
                  std::string::npos)
            << error.Description();
    }
}

}  // namespace
}  // namespace kiv::db
