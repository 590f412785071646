#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "db/ConnectString.h"
#include "db/SqlText.h"

namespace kiv::db {
namespace {

TEST(DbSqlText, FindsTheTableOfASelectAll) {
    EXPECT_EQ(SqlText::selectAllTable("SELECT * FROM [Order Details]"), "Order Details");
    EXPECT_EQ(SqlText::selectAllTable("  select*from [a]]b] ; "), "a]b");
    EXPECT_EQ(SqlText::selectAllTable("SELECT * FROM \"x\"\"y\""), "x\"y");
    EXPECT_EQ(SqlText::selectAllTable("SELECT *\r\nFROM Plain_1"), "Plain_1");
    EXPECT_EQ(SqlText::selectAllTable("SELECT * FROM [Sheet1$]"), "Sheet1$");
    EXPECT_FALSE(SqlText::selectAllTable("SELECT * FROM T WHERE 1"));
    EXPECT_FALSE(SqlText::selectAllTable("SELECT A FROM T"));
    EXPECT_FALSE(SqlText::selectAllTable("SELECT * FROM main.T"));
    EXPECT_FALSE(SqlText::selectAllTable("SELECT * FROMT"));
    EXPECT_FALSE(SqlText::selectAllTable("SELECT * FROM [unclosed"));
}

TEST(DbSqlText, RewritesOnlyBracketedNamesWithAnEscapedBracket) {
    EXPECT_EQ(SqlText::bracket("a]b"), "[a]]b]");
    EXPECT_FALSE(SqlText::withoutBracketEscapes("SELECT [a] FROM [b]"));
    EXPECT_EQ(SqlText::withoutBracketEscapes("SELECT [a]]\"b], ']]' FROM [t] -- [x]]\n"),
              "SELECT \"a]\"\"b\", ']]' FROM [t] -- [x]]\n");
    EXPECT_FALSE(SqlText::withoutBracketEscapes("SELECT 'a]]' /* [b]] */"));
}

TEST(DbConnectString, ReadsKeysWithoutRegardToCaseAndUnwrapsValues) {
    const ConnectString parts(
        "Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=C:\\in;uid={a;b};"
        "Extended Properties=\"HTML Import;HDR=NO;\";Empty=;DBQ=second");
    EXPECT_EQ(parts.value("driver"), "Microsoft Text Driver (*.txt; *.csv)");
    EXPECT_EQ(parts.value("DBQ"), "C:\\in");
    EXPECT_EQ(parts.value("UID"), "a;b");
    EXPECT_EQ(parts.value("Extended Properties"), "HTML Import;HDR=NO;");
    EXPECT_EQ(parts.value("Empty"), "");
    EXPECT_FALSE(parts.value("PWD"));
}

}  // namespace
}  // namespace kiv::db
