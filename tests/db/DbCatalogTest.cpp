#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbFixture.h"
#include "db/Catalog.h"
#include "db/Constants.h"

namespace kiv::db::testing {
namespace {

class DbCatalog : public DbFixture {};

TEST_F(DbCatalog, ListsTablesAndViewsWithoutDates) {
    execute("CREATE TABLE Orders (Id INTEGER)");
    execute("CREATE TABLE customer (Id INTEGER)");
    execute("CREATE VIEW Big AS SELECT * FROM Orders WHERE Id > 10");
    Catalog catalog;
    catalog.ActiveConnection(connection_);
    std::vector<std::string> tables;
    for (const auto& table : catalog.Tables()) {
        tables.push_back(table->Name() + ":" + table->Type());
        EXPECT_TRUE(table->DateCreated().isNull());
        EXPECT_TRUE(table->DateModified().isNull());
    }
    EXPECT_EQ(tables, (std::vector<std::string>{"Big:VIEW", "customer:TABLE", "Orders:TABLE"}));
    ASSERT_EQ(catalog.Views().Count(), 1);
    EXPECT_EQ(catalog.Views().Item(0)->Name(), "Big");
    EXPECT_EQ(catalog.Procedures().Count(), 0);
    catalog.ActiveConnection(nullptr);
    EXPECT_EQ(errorOf([&] { catalog.Tables(); }).Number(), adErrInvalidConnection);
}

TEST_F(DbCatalog, ColumnsCarryTypeSizeAndPrecision) {
    execute(
        "CREATE TABLE Every (a INTEGER, b SMALLINT, c TINYINT, d BIGINT, e DOUBLE, f SINGLE, "
        "g DECIMAL(12,3), h MONEY, i BOOLEAN, j TIMESTAMP, k CHAR(3), l VARCHAR(40), m TEXT(9), "
        "n LONGTEXT, o MEMO, p BLOB, q, r NVARCHAR(7), s VARCHAR)");
    Catalog catalog;
    catalog.ActiveConnection(connection_);
    const Columns& columns = catalog.Tables().Item("EVERY")->Columns();
    struct Expected {
        long type, size, precision;
    };
    const std::vector<Expected> expected = {
        {adInteger, 4, 10},
        {adSmallInt, 2, 5},
        {adUnsignedTinyInt, 1, 3},
        {adBigInt, 8, 19},
        {adDouble, 8, 15},
        {adSingle, 4, 7},
        {adNumeric, 19, 12},
        {adCurrency, 8, 19},
        {adBoolean, 2, 0},
        {adDate, 8, 0},
        {adChar, 3, 0},
        {adVarChar, 40, 0},
        {adVarChar, 9, 0},
        {adLongVarChar, 2147483647, 0},
        {adLongVarChar, 2147483647, 0},
        {adLongVarBinary, 2147483647, 0},
        {adVariant, 16, 0},
        {adVarWChar, 7, 0},
        {adLongVarChar, 2147483647, 0},
    };
    ASSERT_EQ(columns.Count(), static_cast<long>(expected.size()));
    for (long i = 0; i < columns.Count(); ++i) {
        const auto& column = columns.Item(i);
        const Expected& want = expected[static_cast<std::size_t>(i)];
        EXPECT_EQ(column->Type(), want.type) << column->Name();
        EXPECT_EQ(column->DefinedSize(), want.size) << column->Name();
        EXPECT_EQ(column->Precision(), want.precision) << column->Name();
    }
    EXPECT_EQ(columns.Item("g")->NumericScale(), 3);
}

}  // namespace
}  // namespace kiv::db::testing
