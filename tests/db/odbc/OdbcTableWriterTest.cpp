#include "db/odbc/OdbcEngineFixture.h"
#include "db/odbc/OdbcTableWriter.h"

namespace kiv::db::odbc::testing {

class OdbcTableWriterTest : public OdbcEngineFixture {
protected:
    std::unique_ptr<OdbcTableWriter> groupingWriter(const std::string& table) {
        std::vector<OdbcColumn> columns = OdbcCatalog::columns(*connection, table);
        return std::make_unique<OdbcTableWriter>(connection, table, std::move(columns));
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
        EXPECT_EQ(error.RowsAfter(), 1U);
    }
    EXPECT_EQ(database.plain.query("SELECT id FROM keyed ORDER BY id"),
              (std::vector<std::string>{"1", "2", "3", "4"}));
    // The rows after the refused one are dropped, not sent later.
    writer->close();
    EXPECT_EQ(database.plain.scalar("SELECT count(*) FROM keyed"), "4");
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
        EXPECT_EQ(error.RowsAfter(), 1U);
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

TEST_F(OdbcTableWriterTest, AValueThatIsNoNumberSendsTheRowsBeforeItAndIsRefusedAsItself) {
    setUp("CREATE TABLE numbers (id int)");
    const auto writer = groupingWriter("numbers");
    add(*writer, 1);
    add(*writer, 2);
    try {
        writer->insert({Variant("three")}, {true});
        ADD_FAILURE() << "the text was taken for a number";
    } catch (const Error& error) {
        EXPECT_EQ(error.RowsAfter(), 0U);
    }
    EXPECT_EQ(database.plain.query("SELECT id FROM numbers ORDER BY id"),
              (std::vector<std::string>{"1", "2"}));
}

TEST_F(OdbcTableWriterTest, AfterARefusedGroupTheConnectionGoesOnWriting) {
    setUp("CREATE TABLE keyed (id int PRIMARY KEY)");
    const auto first = groupingWriter("keyed");
    for (const int id : {1, 2, 1}) {
        add(*first, id);
    }
    EXPECT_THROW(first->flush(), Error);
    first->close();
    const auto second = groupingWriter("keyed");
    add(*second, 3);
    second->close();
    EXPECT_EQ(database.plain.query("SELECT id FROM keyed ORDER BY id"),
              (std::vector<std::string>{"1", "2", "3"}));
}

}  // namespace kiv::db::odbc::testing
