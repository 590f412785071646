#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "db/access/AccessFunctions.h"
#include "db/access/AccessSqlTranslator.h"

namespace kiv::db::access {
namespace {

// Access SQL expressions evaluated by SQLite after translation, on a database with the
// functions registered and one row of a table t.
class AccessFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        AccessFunctions::registerOn(db_);
        ASSERT_EQ(sqlite3_exec(db_,
                               "CREATE TABLE t(Name TEXT, Missing TEXT, Price REAL, Count INTEGER, "
                               "Placed DATETIME); INSERT INTO t VALUES ('Fløtemysost', NULL, "
                               "2.5, 3, '1996-07-04 14:05:09')",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db_); }

    // The value as text, "NULL", or "error: " and SQLite's message.
    std::string eval(const std::string& accessSql) {
        const std::string sql = "SELECT " + AccessSqlTranslator::expression(accessSql) + " FROM t";
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
            return std::string("error: ") + sqlite3_errmsg(db_);
        }
        const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(
            raw, sqlite3_finalize);
        if (sqlite3_step(raw) != SQLITE_ROW) {
            return std::string("error: ") + sqlite3_errmsg(db_);
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        return text != nullptr ? text : "NULL";
    }

    sqlite3* db_ = nullptr;
};

TEST_F(AccessFunctionsTest, TextFunctionsCountCharactersNotBytes) {
    EXPECT_EQ(eval("Left(Name, 3)"), "Flø");
    EXPECT_EQ(eval("Right(Name, 5)"), "ysost");
    EXPECT_EQ(eval("Right(Name, 40)"), "Fløtemysost");
    EXPECT_EQ(eval("Right(Name, 0)"), "");
    EXPECT_EQ(eval("Mid(Name, 3, 2)"), "øt");
    EXPECT_EQ(eval("Mid(Name, 9)"), "ost");
    EXPECT_EQ(eval("Len(Name)"), "11");
    EXPECT_EQ(eval("UCase('abc') & LCase('DEF')"), "ABCdef");
    EXPECT_EQ(eval("'[' & Trim('  a b  ') & '][' & LTrim(' a ') & '][' & RTrim(' a ') & ']'"),
              "[a b][a ][ a]");
    EXPECT_EQ(eval("Left(Missing, 2)"), "NULL");
    EXPECT_EQ(eval("Mid(Name, 0, 1)"),
              "error: The Access function Mid failed: the start is below 1");
}

TEST_F(AccessFunctionsTest, ConcatenationTakesNullAsEmpty) {
    EXPECT_EQ(eval("Name & Missing & '/' & Price & '/' & Count"), "Fløtemysost/2.5/3");
    EXPECT_EQ(eval("Missing & Missing"), "");
}

TEST_F(AccessFunctionsTest, ConversionsFollowBasic) {
    EXPECT_EQ(eval("Val('  12 34abc')"), "1234.0");
    EXPECT_EQ(eval("Val('-1.5e2x')"), "-150.0");
    EXPECT_EQ(eval("Val('abc')"), "0.0");
    EXPECT_EQ(eval("CLng(Price) & ' ' & CLng(3.5) & ' ' & CInt('-2.5')"), "2 4 -2");
    EXPECT_EQ(eval("CStr(Price * 4)"), "10");
    EXPECT_EQ(eval("CDbl('1.25') * 2"), "2.5");
    EXPECT_EQ(eval("CCur(1.23456)"), "1.2346");
    // As Doubles, 3.94875 and 0.00015 are a little less, -0.00005 a little more than they say.
    EXPECT_EQ(eval("CCur(3.94875) & ' ' & CCur(-0.00005) * 10000 & ' ' & CCur(0.00015) * 10000"),
              "3.9487 -1 1");
    EXPECT_EQ(eval("CLng('x')"), "error: The Access function CLng failed: Type mismatch");
    EXPECT_EQ(eval("Nz(Missing, 'none') & IsNull(Missing) & IIf(Count > 2, 'many', 'few')"),
              "none1many");
}

TEST_F(AccessFunctionsTest, DatesAndFormat) {
    EXPECT_EQ(eval("Year(Placed) & '-' & Month(Placed) & '-' & Day(Placed)"), "1996-7-4");
    EXPECT_EQ(eval("DatePart('q', Placed) & DatePart('ww', Placed) & DatePart('w', Placed)"),
              "3275");
    EXPECT_EQ(eval("Year(#2/29/2000#)"), "2000");
    EXPECT_EQ(eval("Format(Placed, 'yyyy')"), "1996");
    EXPECT_EQ(eval("Format(Placed, 'dd.mm.yy hh:nn:ss')"), "04.07.96 14:05:09");
    EXPECT_EQ(eval("Format(Placed, 'mmmm d, yyyy h:mm AM/PM')"), "July 4, 1996 2:05 PM");
    EXPECT_EQ(eval("Format(Placed, 'ddd mmm-dd')"), "Thu Jul-04");
    EXPECT_EQ(eval("Format(Placed, 'Short Date')"), "1996-07-04");
    EXPECT_EQ(eval("Format(Placed, 'Long Date')"), "Thursday, July 4, 1996");
    EXPECT_EQ(eval("Format(Placed, 'Medium Date')"), "04-Jul-96");
    EXPECT_EQ(eval("Format(1234567.891, '#,##0.00')"), "1,234,567.89");
    EXPECT_EQ(eval("Format(0.5, '0%')"), "50%");
    EXPECT_EQ(eval("Format(2.5, '0')"), "3");
    EXPECT_EQ(eval("Format(-3.14159, '0.000')"), "-3.142");
    EXPECT_EQ(eval("Format(0.25, '#.##')"), ".25");
    EXPECT_EQ(eval("Format(-12, '0;(0)')"), "(12)");
    EXPECT_EQ(eval("Format(1234.5, 'Currency')"), "$1,234.50");
    EXPECT_EQ(eval("Format(1234.5, 'Standard') & ' ' & Format(3, 'Fixed')"), "1,234.50 3.00");
    EXPECT_EQ(eval("Format(0, 'Yes/No') & Format(-1, 'True/False')"), "NoTrue");
    EXPECT_EQ(eval("Format('abc', '>')"), "ABC");
    EXPECT_EQ(eval("Format(Missing, 'yyyy')"), "NULL");
    EXPECT_EQ(eval("Len(Format(Now(), 'yyyy-mm-dd hh:nn:ss')) & Len(Date())"), "1910");
}

TEST_F(AccessFunctionsTest, PlusAndMinusKnowDatesAndTexts) {
    EXPECT_EQ(eval("Placed + 1"), "1996-07-05 14:05:09");
    EXPECT_EQ(eval("Placed - 0.5"), "1996-07-04 02:05:09");
    EXPECT_EQ(eval("#3/1/96# - #2/1/96#"), "29.0");
    EXPECT_EQ(eval("Count + 2 & ' ' & (Price - 1) & ' ' & ('5' + 3)"), "5 1.5 8");
    EXPECT_EQ(eval("'1' + '2'"), "12");
    EXPECT_EQ(eval("Missing + 1"), "NULL");
    EXPECT_EQ(eval("#1/1/9999# + 365"),
              "error: The Access operator + failed: the date is outside the years 100 to 9999");
}

TEST_F(AccessFunctionsTest, LikeUsesAccessWildcardsWithoutRegardToCase) {
    EXPECT_EQ(eval("Name Like 'fl*'"), "1");
    EXPECT_EQ(eval("Name Like 'Fl?temysost'"), "1");
    EXPECT_EQ(eval("Name Like 'Fl?t'"), "0");
    EXPECT_EQ(eval("'A12' Like 'a##'"), "1");
    EXPECT_EQ(eval("'A1x' Like 'a##'"), "0");
    EXPECT_EQ(eval("'b' Like '[a-c]' And 'd' Like '[!a-c]' And 'x%' Like '*%'"), "1");
    EXPECT_EQ(eval("'50% off' Like '*[*]*'"), "0");
    EXPECT_EQ(eval("'a*b' Like 'a[*]b'"), "1");
    EXPECT_EQ(eval("Missing Like '*'"), "NULL");
}

}  // namespace
}  // namespace kiv::db::access
