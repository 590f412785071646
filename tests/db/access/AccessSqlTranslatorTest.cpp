#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "db/access/AccessSqlError.h"
#include "db/access/AccessSqlTranslator.h"

namespace kiv::db::access {
namespace {

using T = AccessSqlTranslator;

// What a translation refuses, in its words.
std::string refusal(const std::function<void()>& translate) {
    try {
        translate();
    } catch (const AccessSqlError& error) {
        return error.what();
    }
    return "(translated)";
}

TEST(AccessSqlTranslator, NamesAndLiterals) {
    EXPECT_EQ(T::expression("[Order Details].[Unit Price]"), "\"Order Details\".\"Unit Price\"");
    EXPECT_EQ(T::expression("Products.*"), "\"Products\".*");
    EXPECT_EQ(T::expression("\"It\"\"s\" & 'O''Neil'"), "access_concat('It\"s', 'O''Neil')");
    EXPECT_EQ(T::expression("True"), "1");
    EXPECT_EQ(T::expression("No"), "0");
    EXPECT_EQ(T::expression("#1/31/95#"), "'1995-01-31'");
    EXPECT_EQ(T::expression("#12/31/29#"), "'2029-12-31'");
    EXPECT_EQ(T::expression("#2024-03-01 13:30:00#"), "'2024-03-01 13:30:00'");
    EXPECT_EQ(T::expression("1.5E3"), "1.5E3");
}

TEST(AccessSqlTranslator, OperatorsKeepAccessMeaning) {
    // Text compares without regard to letter case; / divides as floating point.
    EXPECT_EQ(T::expression("(((Products.Discontinued)=No))"),
              "((((\"Products\".\"Discontinued\") = 0 COLLATE NOCASE)))");
    EXPECT_EQ(T::expression("[a]/[b]"), "(CAST(\"a\" AS REAL) / \"b\")");
    EXPECT_EQ(T::expression("a Mod 3 + -b - c"),
              "access_subtract(access_add((\"a\" % 3), (-\"b\")), \"c\")");
    EXPECT_EQ(T::expression("x Between #1/1/95# And #12/31/95#"),
              "((\"x\" COLLATE NOCASE BETWEEN '1995-01-01' AND '1995-12-31'))");
    EXPECT_EQ(T::expression("x Not Between 1 And 2"),
              "(NOT (\"x\" COLLATE NOCASE BETWEEN 1 AND 2))");
    EXPECT_EQ(T::expression("x Is Not Null Or Not y Is Null"),
              "((\"x\" IS NOT NULL) OR (NOT (\"y\" IS NULL)))");
    EXPECT_EQ(T::expression("Name Like \"A*\""), "(access_like(\"Name\", 'A*'))");
    EXPECT_EQ(T::expression("Name Not Like \"A*\""), "(NOT access_like(\"Name\", 'A*'))");
    EXPECT_EQ(T::expression("c In ('UK', \"USA\")"), "((\"c\" COLLATE NOCASE IN ('UK', 'USA')))");
    EXPECT_EQ(T::expression("p > (SELECT Avg([UnitPrice]) From Products)"),
              "(\"p\" > (SELECT avg(\"UnitPrice\") FROM \"Products\") COLLATE NOCASE)");
    EXPECT_EQ(T::expression("a & b & 1"), "access_concat(\"a\", \"b\", 1)");
}

TEST(AccessSqlTranslator, Functions) {
    EXPECT_EQ(T::expression("IIf([q]>10, 'big', Null)"),
              "(CASE WHEN (\"q\" > 10 COLLATE NOCASE) THEN 'big' ELSE NULL END)");
    EXPECT_EQ(T::expression("Nz(Region, \"-\")"), "coalesce(\"Region\", '-')");
    EXPECT_EQ(T::expression("Nz(Region)"), "coalesce(\"Region\", '')");
    EXPECT_EQ(T::expression("IsNull(Region)"), "(\"Region\" IS NULL)");
    EXPECT_EQ(T::expression("Count(*) * Sum(x)"), "(count(*) * sum(\"x\"))");
    EXPECT_EQ(T::expression("Format(Date(), \"yyyy\")"), "access_format(access_date(), 'yyyy')");
    EXPECT_EQ(T::expression("mid(s, 2)"), "access_mid(\"s\", 2)");
    EXPECT_EQ(T::expression("UCase(Left(s, 1)) & LCase(Mid(s, 2, 3))"),
              "access_concat(access_ucase(access_left(\"s\", 1)), "
              "access_lcase(access_mid(\"s\", 2, 3)))");
}

TEST(AccessSqlTranslator, Statements) {
    EXPECT_EQ(T::statement("SELECT DISTINCT TOP 5 c.City AS [Town], 'x' FROM Customers AS c "
                           "INNER JOIN (Orders o LEFT OUTER JOIN [Order Details] ON "
                           "o.OrderID = [Order Details].OrderID) ON c.CustomerID = o.CustomerID "
                           "WHERE c.Country = 'UK' GROUP BY c.City HAVING Count(*) > 1 "
                           "ORDER BY c.City DESC"),
              "SELECT DISTINCT \"c\".\"City\" AS \"Town\", 'x' FROM (\"Customers\" AS \"c\" "
              "INNER JOIN ((\"Orders\" AS \"o\" LEFT JOIN \"Order Details\" ON (\"o\".\"OrderID\" "
              "= \"Order Details\".\"OrderID\" COLLATE NOCASE))) ON (\"c\".\"CustomerID\" = "
              "\"o\".\"CustomerID\" COLLATE NOCASE)) WHERE (\"c\".\"Country\" = 'UK' COLLATE "
              "NOCASE) GROUP BY \"c\".\"City\" HAVING (count(*) > 1 COLLATE NOCASE) ORDER BY "
              "\"c\".\"City\" COLLATE NOCASE DESC LIMIT 5");
    EXPECT_EQ(T::statement("SELECT City FROM Customers UNION ALL SELECT City FROM Suppliers "
                           "ORDER BY City"),
              "SELECT \"City\" FROM \"Customers\" UNION ALL SELECT \"City\" FROM \"Suppliers\" "
              "ORDER BY \"City\" COLLATE NOCASE");
}

TEST(AccessSqlTranslator, WhatHasNoTranslationIsNamed) {
    EXPECT_EQ(refusal([] { T::expression("DatePart(\"q\", d) + DateAdd(\"d\", 1, d)"); }),
              "the function DateAdd");
    EXPECT_EQ(refusal([] { T::expression("Left(s)"); }), "the function Left with 1 arguments");
    EXPECT_EQ(refusal([] { T::expression("a ^ 2"); }), "the operator ^");
    EXPECT_EQ(refusal([] { T::expression("a \\ 2"); }), "the operator \\");
    EXPECT_EQ(refusal([] { T::expression("a Xor b"); }), "the operator XOR");
    EXPECT_EQ(refusal([] { T::expression("[Forms]![Orders]![OrderID]"); }),
              "the reference Forms!Orders!OrderID (to a form or another object outside the "
              "query)");
    EXPECT_EQ(refusal([] { T::expression("#31/31/95#"); }), "the date literal #31/31/95#");
    EXPECT_EQ(refusal([] { T::expression("[Order Details"); }),
              "a name in brackets that is not closed");
    EXPECT_EQ(refusal([] { T::expression("a = "); }), "an expression that ends too early");
    EXPECT_EQ(refusal([] { T::expression("a b"); }), "'b' where the end was expected");
    EXPECT_EQ(refusal([] { T::statement("SELECT TOP 10 PERCENT a FROM t"); }), "TOP 10 PERCENT");
    EXPECT_EQ(refusal([] { T::statement("SELECT a FROM t IN 'other.mdb'"); }),
              "'IN' where the end was expected");
    EXPECT_EQ(refusal([] { T::expression("a ? b"); }), "the character ?");
}

TEST(AccessSqlTranslator, ColumnNamesAndQualifiers) {
    EXPECT_EQ(T::columnName("[Order Details].[OrderID]"), "OrderID");
    EXPECT_EQ(T::columnName("City"), "City");
    EXPECT_EQ(T::columnName("Sum(x)"), "");
    EXPECT_EQ(T::qualifiers("Customers.City & [Orders].[ShipCity] & Region"),
              (std::vector<std::string>{"customers", "orders", ""}));
}

}  // namespace
}  // namespace kiv::db::access
