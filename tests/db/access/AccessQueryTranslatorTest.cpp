#include <gtest/gtest.h>

#include <string>

#include "db/access/AccessQuery.h"
#include "db/access/AccessQueryTranslator.h"
#include "db/access/AccessSqlError.h"

namespace kiv::db::access {
namespace {

using Role = AccessQuery::Column::Role;
using JoinType = AccessQuery::Join::Type;

std::string refusal(const AccessQuery& query) {
    try {
        AccessQueryTranslator::translate(query);
    } catch (const AccessSqlError& error) {
        return error.what();
    }
    return "(translated)";
}

TEST(AccessQueryTranslator, ColumnsAreNamedAsAccessNamesThem) {
    AccessQuery query;
    query.sources = {{"Customers", "", ""}, {"Shippers", "", ""}};
    query.columns = {{"Customers.CompanyName", "", Role::Value},
                     {"[Shippers].[CompanyName]", "", Role::Value},
                     {"[City] & \"!\"", "", Role::Value},
                     {"Len([City])", "", Role::Value},
                     {"Shippers.Phone", "Call", Role::Value}};
    EXPECT_EQ(AccessQueryTranslator::translate(query),
              "WITH \"Customers\" AS MATERIALIZED (SELECT * FROM temp.\"Customers\"), "
              "\"Shippers\" AS MATERIALIZED (SELECT * FROM temp.\"Shippers\") "
              "SELECT \"Customers\".\"CompanyName\" AS \"Customers.CompanyName\", "
              "\"Shippers\".\"CompanyName\" AS \"Shippers.CompanyName\", "
              "access_concat(\"City\", '!') AS \"Expr1000\", access_len(\"City\") AS "
              "\"Expr1001\", \"Shippers\".\"Phone\" AS \"Call\" FROM \"Customers\", \"Shippers\"");
}

TEST(AccessQueryTranslator, JoinsWhereGroupHavingAndOrder) {
    AccessQuery query;
    query.sources = {{"Orders", "o", ""}, {"Order Details", "", ""}, {"Customers", "", ""}};
    query.columns = {{"o.CustomerID", "", Role::Value}, {"Count(*)", "Lines", Role::Value}};
    // A join on two columns is two join rows of the same pair of tables.
    query.joins = {{"o", "Order Details", "o.OrderID = [Order Details].OrderID", JoinType::Left},
                   {"o", "Order Details", "o.Shop = [Order Details].Shop", JoinType::Left},
                   {"Customers", "o", "Customers.CustomerID = o.CustomerID", JoinType::Right}};
    query.where = "o.OrderDate >= #1/1/95#";
    query.groupBy = {"o.CustomerID"};
    query.having = "Count(*) > 2";
    query.orderBy = {{"Count(*)", true}, {"o.CustomerID", false}};
    EXPECT_EQ(AccessQueryTranslator::translate(query),
              "WITH \"Orders\" AS MATERIALIZED (SELECT * FROM temp.\"Orders\"), \"Order Details\" "
              "AS MATERIALIZED (SELECT * FROM temp.\"Order Details\"), \"Customers\" AS "
              "MATERIALIZED (SELECT * FROM temp.\"Customers\") SELECT \"o\".\"CustomerID\" AS "
              "\"CustomerID\", count(*) AS \"Lines\" FROM (\"Customers\" RIGHT JOIN "
              "(\"Orders\" AS \"o\" LEFT JOIN \"Order Details\" ON ((\"o\".\"OrderID\" = "
              "\"Order Details\".\"OrderID\" COLLATE NOCASE) AND (\"o\".\"Shop\" = \"Order "
              "Details\".\"Shop\" COLLATE NOCASE))) ON (\"Customers\".\"CustomerID\" = "
              "\"o\".\"CustomerID\" COLLATE NOCASE)) WHERE (\"o\".\"OrderDate\" >= '1995-01-01' "
              "COLLATE NOCASE) GROUP BY \"o\".\"CustomerID\" HAVING (count(*) > 2 COLLATE "
              "NOCASE) ORDER BY count(*) COLLATE NOCASE DESC, \"o\".\"CustomerID\" COLLATE "
              "NOCASE");
}

TEST(AccessQueryTranslator, TopTakesTheRowsThatTieWithTheLast) {
    AccessQuery query;
    query.top = "3";
    query.sources = {{"Products", "", ""}};
    query.columns = {{"Products.Name", "", Role::Value}, {"[Price] * 2", "", Role::Value}};
    query.orderBy = {{"Price", true}};
    EXPECT_EQ(AccessQueryTranslator::translate(query),
              "SELECT \"Name\", \"Expr1000\" FROM (SELECT \"Products\".\"Name\" AS \"Name\", "
              "(\"Price\" * 2) AS \"Expr1000\", rank() OVER (ORDER BY \"Price\" COLLATE NOCASE "
              "DESC) AS \"Kiv Rank\" FROM \"Products\") WHERE \"Kiv Rank\" <= 3 ORDER BY \"Kiv "
              "Rank\"");
    // Without sorting, and with DISTINCT, it takes n rows.
    query.distinct = true;
    EXPECT_EQ(AccessQueryTranslator::translate(query),
              "SELECT DISTINCT \"Products\".\"Name\" AS \"Name\", (\"Price\" * 2) AS "
              "\"Expr1000\" FROM \"Products\" ORDER BY \"Price\" COLLATE NOCASE DESC LIMIT 3");
    query.top = "3x";
    EXPECT_EQ(refusal(query), "TOP 3x");
}

TEST(AccessQueryTranslator, DistinctRowIsDistinctOnlyOverPartOfAJoin) {
    AccessQuery query;
    query.distinctRow = true;
    query.sources = {{"Customers", "", ""}, {"Orders", "", ""}};
    query.joins = {{"Customers", "Orders", "Customers.ID = Orders.CustomerID", JoinType::Inner}};
    query.columns = {{"Customers.Name", "", Role::Value}};
    EXPECT_NE(AccessQueryTranslator::translate(query).find("SELECT DISTINCT "), std::string::npos);
    query.columns.push_back({"Orders.OrderDate", "", Role::Value});
    EXPECT_EQ(AccessQueryTranslator::translate(query).find("DISTINCT"), std::string::npos);
    // A column without its table could be of either.
    query.columns = {{"Customers.Name", "", Role::Value}, {"[OrderDate]", "", Role::Value}};
    EXPECT_EQ(AccessQueryTranslator::translate(query).find("DISTINCT"), std::string::npos);
}

TEST(AccessQueryTranslator, SelectStarOfOneTableStreams) {
    AccessQuery query;
    query.selectStar = true;
    query.distinctRow = true;
    query.sources = {{"Asset Items", "", ""}};
    EXPECT_EQ(AccessQueryTranslator::translate(query), "SELECT * FROM \"Asset Items\"");
}

TEST(AccessQueryTranslator, CrosstabWithFixedHeadings) {
    AccessQuery query;
    query.kind = AccessQuery::Kind::Crosstab;
    query.sources = {{"Orders", "", ""}};
    query.columns = {{"Orders.CustomerID", "", Role::RowHeading},
                     {"Format([OrderDate],\"q\") In (\"1\",\"2\")", "Quarter", Role::PivotHeading},
                     {"Sum([Freight])", "", Role::Value}};
    query.groupBy = {"Orders.CustomerID", "Format([OrderDate],\"q\")"};
    EXPECT_EQ(AccessQueryTranslator::translate(query),
              "SELECT \"Orders\".\"CustomerID\" AS \"CustomerID\", sum(CASE WHEN "
              "(access_format(\"OrderDate\", 'q') = '1' COLLATE NOCASE) THEN \"Freight\" END) AS "
              "\"1\", sum(CASE WHEN (access_format(\"OrderDate\", 'q') = '2' COLLATE NOCASE) "
              "THEN \"Freight\" END) AS \"2\" FROM \"Orders\" GROUP BY \"Orders\".\"CustomerID\"");
    query.columns[1].expression = "Format([OrderDate],\"q\")";
    EXPECT_EQ(refusal(query), "a crosstab query without fixed column headings (PIVOT ... IN)");
}

TEST(AccessQueryTranslator, UnionOfSqlParts) {
    AccessQuery query;
    query.kind = AccessQuery::Kind::Union;
    query.sources = {{"", "X7YZ_____1", "SELECT City FROM Customers"},
                     {"", "X7YZ_____2", "SELECT City FROM Suppliers WHERE City Like \"B*\""}};
    query.orderBy = {{"City", false}};
    EXPECT_EQ(AccessQueryTranslator::translate(query),
              "SELECT \"City\" FROM \"Customers\" UNION ALL SELECT \"City\" FROM \"Suppliers\" "
              "WHERE (access_like(\"City\", 'B*')) ORDER BY \"City\" COLLATE NOCASE");
    query.distinct = true;
    EXPECT_NE(AccessQueryTranslator::translate(query).find(" UNION SELECT"), std::string::npos);
}

TEST(AccessQueryTranslator, WhatCannotBeTranslated) {
    AccessQuery query;
    query.sources = {{"Products", "", ""}};
    query.columns = {{"Products.Name", "", Role::Value}};
    query.top = "10";
    query.topPercent = true;
    EXPECT_EQ(refusal(query), "TOP 10 PERCENT");
    query.topPercent = false;
    query.kind = AccessQuery::Kind::Update;
    EXPECT_EQ(refusal(query), "an action query, which returns no rows");
    query.kind = AccessQuery::Kind::Select;
    query.remoteDatabase = "C:\\Data\\Other.mdb";
    EXPECT_EQ(refusal(query), "tables of another database (C:\\Data\\Other.mdb)");
    query.remoteDatabase.clear();
    query.joins = {{"Products", "Suppliers", "a = b", JoinType::Inner}};
    EXPECT_EQ(refusal(query), "a join of Suppliers, which the query does not read");
    query.joins.clear();
    query.columns = {{"DateAdd(\"d\", 1, [Shipped])", "Later", Role::Value}};
    EXPECT_EQ(refusal(query), "the function DateAdd");
}

}  // namespace
}  // namespace kiv::db::access
