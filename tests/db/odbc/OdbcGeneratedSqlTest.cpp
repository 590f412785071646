#include <gtest/gtest.h>

#include "db/odbc/OdbcGeneratedSql.h"

using kiv::db::odbc::OdbcGeneratedSql;

namespace {

std::string doubleQuoted(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

std::optional<std::string> requote(std::string_view sql) {
    return OdbcGeneratedSql::requote(sql, doubleQuoted);
}

}  // namespace

TEST(OdbcGeneratedSqlTest, TheGeneratedFormsGetTheDriversQuotes) {
    EXPECT_EQ(requote("SELECT * FROM [Order Details]"), "SELECT * FROM \"Order Details\"");
    EXPECT_EQ(requote("SELECT COUNT (*) AS RcdCnt FROM [People]"),
              "SELECT COUNT (*) AS RcdCnt FROM \"People\"");
    EXPECT_EQ(requote("INSERT INTO [T] (\r\n  [A]\r\n, [B] )\r\n VALUES ( ?, ? )"),
              "INSERT INTO \"T\" (\r\n  \"A\"\r\n, \"B\" )\r\n VALUES ( ?, ? )");
    // A table emptied before a load.
    EXPECT_EQ(requote("DELETE FROM [T]"), "DELETE FROM \"T\"");
}

TEST(OdbcGeneratedSqlTest, ADoubledClosingBracketBelongsToTheName) {
    EXPECT_EQ(requote("select * from [a]]b\"c];"), "select * from \"a]b\"\"c\";");
}

TEST(OdbcGeneratedSqlTest, StatementsTheUserWroteStayAsWritten) {
    EXPECT_FALSE(requote("SELECT (ARRAY[1, 2])[1]"));
    EXPECT_FALSE(requote("SELECT * FROM [T] WHERE [Id] = 1"));
    EXPECT_FALSE(requote("DELETE FROM [T] WHERE [Id] = 1"));
    EXPECT_FALSE(requote("SELECT * FROM \"T\""));
    EXPECT_FALSE(requote("SELECT * FROM T"));
    EXPECT_FALSE(requote("SELECT * FROM [T"));
}
