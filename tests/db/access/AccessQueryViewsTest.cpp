#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "db/access/AccessFunctions.h"
#include "db/access/AccessQuery.h"
#include "db/access/AccessQueryViews.h"
#include "db/access/AccessSchema.h"
#include "db/access/AccessVirtualTable.h"
#include "db/sqlite/SqliteDatabase.h"

namespace kiv::db::access {
namespace {

using Role = AccessQuery::Column::Role;

// Saved queries made into views over two tables that stand for the tables of a database.
class AccessQueryViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        database_ = sqlite::SqliteDatabase::openMemory("Test", "[Test]");
        AccessVirtualTable::registerModule(database_->handle(), schema_);
        AccessFunctions::registerOn(database_->handle());
        run("CREATE TEMP TABLE Orders (OrderID INTEGER, Amount REAL); "
            "INSERT INTO Orders VALUES (1, 10), (2, 30), (3, 50)");
    }

    void run(const std::string& sql) {
        ASSERT_EQ(sqlite3_exec(database_->handle(), sql.c_str(), nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(database_->handle());
    }

    static AccessQuery select(const std::string& name, const std::string& source,
                              const std::string& column, const std::string& where = "") {
        AccessQuery query;
        query.name = name;
        query.sources = {{source, "", ""}};
        query.columns = {{column, "", Role::Value}};
        query.where = where;
        return query;
    }

    // The single value of a statement, or SQLite's message.
    std::string value(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(database_->handle(), sql.c_str(), -1, &statement, nullptr) !=
            SQLITE_OK) {
            return sqlite3_errmsg(database_->handle());
        }
        std::string result = "(none)";
        if (sqlite3_step(statement) == SQLITE_ROW) {
            result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        }
        sqlite3_finalize(statement);
        return result;
    }

    std::shared_ptr<AccessSchema> schema_ = std::make_shared<AccessSchema>();
    std::shared_ptr<sqlite::SqliteDatabase> database_;
};

TEST_F(AccessQueryViewsTest, AQueryOnAQueryIsMadeAfterIt) {
    // "A big" reads "B all", which sorts after it.
    const std::vector<AccessQuery> queries = {
        select("A big", "B all", "[B all].Amount", "[B all].Amount > 20"),
        select("B all", "Orders", "Orders.Amount")};
    AccessQueryViews::make(*database_, *schema_, queries);
    EXPECT_EQ(value("SELECT SUM(Amount) FROM \"A big\""), "80.0");
    EXPECT_TRUE(schema_->queries.empty());
}

TEST_F(AccessQueryViewsTest, TopTakesTheRowsThatTieWithTheLast) {
    run("INSERT INTO Orders VALUES (4, 30)");
    AccessQuery top = select("Top two", "Orders", "Orders.OrderID");
    top.top = "2";
    top.orderBy = {{"Orders.Amount", true}};
    AccessQueryViews::make(*database_, *schema_, {top});
    EXPECT_EQ(value("SELECT group_concat(OrderID, ' ') FROM (SELECT OrderID FROM \"Top two\" "
                    "ORDER BY OrderID)"),
              "2 3 4");
}

TEST_F(AccessQueryViewsTest, QueriesThatCannotBeReadAndThoseOnThemSayWhy) {
    AccessQuery parameters = select("Asks", "Orders", "Orders.Amount");
    parameters.parameters = {"Lowest"};
    AccessQuery action = select("Deletes", "Orders", "Orders.Amount");
    action.kind = AccessQuery::Kind::Delete;
    AccessQuery loop = select("Loop", "Loop", "Loop.Amount");
    const std::vector<AccessQuery> queries = {
        parameters,
        action,
        loop,
        select("Unknown column", "Orders", "Orders.Amount", "[Lowest amount] < Amount"),
        select("On it", "Unknown column", "[Unknown column].Amount"),
        select("Untranslated", "Orders", "DateAdd(\"d\", 1, Orders.Amount)")};
    AccessQueryViews::make(*database_, *schema_, queries);
    const std::string start = "The query ";
    const std::string middle = " of the Access database cannot be opened as data: ";
    EXPECT_EQ(
        schema_->queries.at("asks"),
        start + "Asks" + middle + "it asks for the parameters Lowest, which cannot be given here.");
    EXPECT_EQ(schema_->queries.at("deletes"),
              start + "Deletes" + middle + "it is an action query, which returns no rows.");
    EXPECT_EQ(schema_->queries.at("loop"),
              start + "Loop" + middle + "it reads itself through the query Loop.");
    EXPECT_EQ(schema_->queries.at("unknown column"),
              start + "Unknown column" + middle +
                  "it names Lowest amount, which is no column of the tables it reads (Access "
                  "would ask for it as a parameter).");
    EXPECT_EQ(
        schema_->queries.at("on it"),
        start + "On it" + middle + "it reads the query Unknown column, which cannot be opened.");
    EXPECT_EQ(schema_->queries.at("untranslated"),
              start + "Untranslated" + middle +
                  "it uses the function DateAdd, which has no translation from Access SQL here.");
    // Reading one of them fails with its reason; texts in double quotes are read as before.
    EXPECT_EQ(value("SELECT \"text\""), "text");
    EXPECT_EQ(value("SELECT * FROM \"On it\""), schema_->queries.at("on it"));
}

}  // namespace
}  // namespace kiv::db::access
