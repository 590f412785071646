#include "db/odbc/OdbcEngineFixture.h"
#include "db/odbc/OdbcTableWriter.h"

namespace kiv::db::odbc::testing {

class OdbcTableWriterTest : public OdbcEngineFixture {
protected:
    // A writer that holds rows back for groups whatever the table says.
    std::unique_ptr<OdbcTableWriter> groupingWriter(const std::string& table) {
        std::vector<OdbcColumn> columns = OdbcCatalog::columns(*connection, table);
        return std::make_unique<OdbcTableWriter>(connection, table, std::move(columns), true);
    }

    static void add(OdbcTableWriter& writer, int id) {
        writer.insert({Variant(std::int32_t{id})}, {true});
    }
};

TEST_F(OdbcTableWriterTest, AGroupTheServerRefusesIsSentAgainRowByRow) {
    setUp("CREATE TABLE keyed (id int PRIMARY KEY)");
    const auto writer = groupingWriter("keyed");
    for (const int id : {1, 2, 3, 4, 2, 6}) {
        add(*writer, id);
    }
    EXPECT_EQ(database.plain.scalar("SELECT count(*) FROM keyed"), "0");
    try {
        writer->flush();
        ADD_FAILURE() << "the duplicate key was not reported";
    } catch (const Error& error) {
        EXPECT_EQ(error.SQLState(), "23505");
    }
    EXPECT_EQ(database.plain.query("SELECT id FROM keyed ORDER BY id"),
              (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST_F(OdbcTableWriterTest, ARefusalMetWhileAnotherStatementWaitsComesWithTheNextRow) {
    setUp("CREATE TABLE keyed (id int PRIMARY KEY)");
    const auto writer = groupingWriter("keyed");
    add(*writer, 1);
    add(*writer, 1);
    connection->flushHeldRows();
    try {
        add(*writer, 3);
        ADD_FAILURE() << "the duplicate key was not reported";
    } catch (const Error& error) {
        EXPECT_EQ(error.SQLState(), "23505");
    }
    writer->close();
    EXPECT_EQ(database.plain.query("SELECT id FROM keyed ORDER BY id"),
              (std::vector<std::string>{"1"}));
}

TEST_F(OdbcTableWriterTest, RowsOfAnotherSetOfColumnsSendTheHeldOnesFirst) {
    setUp("CREATE TABLE mixed (id int, name varchar(10) DEFAULT 'none')");
    const auto writer = groupingWriter("mixed");
    writer->insert({Variant(std::int32_t{1}), Variant("one")}, {true, true});
    writer->insert({Variant(std::int32_t{2}), Variant()}, {true, false});
    writer->insert({Variant(std::int32_t{3}), Variant("three")}, {true, true});
    writer->close();
    EXPECT_EQ(database.plain.query("SELECT id, name FROM mixed ORDER BY id"),
              (std::vector<std::string>{"1|one", "2|none", "3|three"}));
}

}  // namespace kiv::db::odbc::testing
