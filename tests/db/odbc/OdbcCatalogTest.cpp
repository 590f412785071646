#include "db/Catalog.h"
#include "db/odbc/OdbcFixture.h"

namespace kiv::db::testing {

namespace {

template <typename Collection>
std::vector<std::string> namesOf(Collection& items) {
    std::vector<std::string> names;
    for (const auto& item : items) {
        names.push_back(item->Name());
    }
    return names;
}

}  // namespace

class OdbcCatalogTest : public OdbcFixture {
protected:
    void SetUp() override {
        OdbcFixture::SetUp();
        setUp("CREATE TABLE customer (id int NOT NULL, name varchar(30), credit numeric(9,2))");
        setUp(R"(CREATE TABLE "Mixed_Case" (kept int))");
        setUp(R"(CREATE TABLE "MixedxCase" (other int, columns int))");
        setUp("CREATE VIEW customer_names AS SELECT name FROM customer");
        setUp("CREATE FUNCTION add_one(i int) RETURNS int AS 'SELECT i + 1' LANGUAGE sql");
        catalog.ActiveConnection(connection);
    }

    Catalog catalog;
};

TEST_F(OdbcCatalogTest, TablesViewsAndFunctionsAreListed) {
    EXPECT_EQ(namesOf(catalog.Tables()),
              (std::vector<std::string>{"Mixed_Case", "MixedxCase", "customer", "customer_names"}));
    EXPECT_EQ(catalog.Tables().Item("customer")->Type(), "TABLE");
    EXPECT_EQ(catalog.Tables().Item("customer_names")->Type(), "VIEW");
    EXPECT_EQ(namesOf(catalog.Views()), (std::vector<std::string>{"customer_names"}));
    EXPECT_EQ(namesOf(catalog.Procedures()), (std::vector<std::string>{"add_one"}));
}

TEST_F(OdbcCatalogTest, ColumnsComeWithTypeSizeAndPrecision) {
    const auto& columns = catalog.Tables().Item("customer")->Columns();
    EXPECT_EQ(namesOf(columns), (std::vector<std::string>{"id", "name", "credit"}));
    EXPECT_EQ(columns.Item("id")->Type(), adInteger);
    EXPECT_EQ(columns.Item("name")->Type(), adVarWChar);
    EXPECT_EQ(columns.Item("name")->DefinedSize(), 30);
    EXPECT_EQ(columns.Item("credit")->Type(), adNumeric);
    EXPECT_EQ(columns.Item("credit")->Precision(), 9);
}

TEST_F(OdbcCatalogTest, ANameWithPatternCharactersMatchesOnlyItself) {
    EXPECT_EQ(namesOf(catalog.Tables().Item("Mixed_Case")->Columns()),
              (std::vector<std::string>{"kept"}));
}

TEST_F(OdbcCatalogTest, AViewIsReadLikeATable) {
    setUp("INSERT INTO customer VALUES (1, 'Ann', 10.5)");
    const auto rows = query("SELECT * FROM [customer_names]");
    EXPECT_EQ(rows->Fields().Item("name")->Value(), Variant("Ann"));
}

}  // namespace kiv::db::testing
