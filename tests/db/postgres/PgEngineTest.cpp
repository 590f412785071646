#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/Command.h"
#include "db/Connection.h"
#include "db/Engine.h"
#include "db/EngineFactory.h"
#include "db/Error.h"
#include "db/Parameters.h"
#include "db/Recordset.h"
#include "db/odbc/OdbcFixture.h"

namespace kiv::db::testing {

// The PostgreSQL engine against a fresh database of the test server, beside the ODBC
// engine on the same database.
class PgEngineTest : public OdbcFixture {
protected:
    std::string connectString() const {
        return "Provider=PostgreSQL;Server=127.0.0.1:" + PostgresTestDatabase::port() +
               ";Database=" + database.name() + ";UID=" + PostgresTestDatabase::user() + ";PWD={" +
               PostgresTestDatabase::password() + "};";
    }

    std::shared_ptr<Engine> engine(long mode = adModeReadWrite) {
        return EngineFactory::open(connectString(), mode, std::make_shared<Notices>());
    }

    // All rows of `sql` read through `engine`, each as "a|b|c".
    static std::vector<std::string> rows(Engine& engine, const std::string& sql) {
        long affected = 0;
        std::unique_ptr<Cursor> cursor = engine.execute(sql, affected);
        std::vector<std::string> out;
        std::vector<Variant> row;
        while (cursor && cursor->fetch(row)) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) {
                line += (i == 0 ? "" : "|") + (row[i].isNull() ? "NULL" : row[i].toText());
            }
            out.push_back(line);
        }
        return out;
    }
};

TEST_F(PgEngineTest, ColumnsAreDescribedWithTheTypesTheOdbcEngineGivesForThem) {
    setUp(
        "CREATE TABLE every (i integer NOT NULL, s smallint, b bigint, t text, v varchar(12), "
        "c char(3), n numeric(12,2), w numeric(9), d double precision, r real, f boolean, "
        "day date, ts timestamp, tz timestamptz, tm time, u uuid, j json, bin bytea DEFAULT "
        "'\\x00')");
    const auto odbc =
        EngineFactory::open(database.connectString(), adModeReadWrite, std::make_shared<Notices>());
    const std::vector<ColumnInfo> expected = odbc->tableColumns("every");
    const std::vector<ColumnInfo> described = engine()->tableColumns("every");
    ASSERT_EQ(described.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(described[i].name, expected[i].name);
        EXPECT_EQ(described[i].type, expected[i].type);
        EXPECT_EQ(described[i].definedSize, expected[i].definedSize);
        EXPECT_EQ(described[i].precision, expected[i].precision);
        EXPECT_EQ(described[i].numericScale, expected[i].numericScale);
        EXPECT_EQ(described[i].notNull, expected[i].notNull);
        EXPECT_EQ(described[i].hasDefault, expected[i].hasDefault);
    }
}

TEST_F(PgEngineTest, TheCatalogListsTablesViewsAndFunctionsOutsideTheServersOwnSchemas) {
    setUp("CREATE TABLE people (id int)");
    setUp("CREATE VIEW adults AS SELECT id FROM people");
    setUp("CREATE FUNCTION twice(x int) RETURNS int AS 'SELECT 2 * x' LANGUAGE sql");
    std::vector<std::string> listed;
    for (const CatalogEntry& entry : engine()->catalog()) {
        listed.push_back(entry.name + ":" + entry.type);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"people:TABLE", "adults:VIEW", "twice:PROCEDURE"}));
}

TEST_F(PgEngineTest, RowsAreReadAsTheirKindsAndAnotherStatementMayRunWhileTheyAreRead) {
    setUp("CREATE TABLE t (i int, b bigint, n numeric(12,2), f boolean, day date, s text)");
    setUp(
        "INSERT INTO t SELECT g, g * 10000000000, g + 0.25, g % 2 = 0, DATE '2024-01-01' + g, "
        "'row ' || g FROM generate_series(1, 3) g");
    const auto pg = engine();
    long affected = 0;
    std::unique_ptr<Cursor> cursor = pg->execute("SELECT * FROM t ORDER BY i", affected);
    ASSERT_TRUE(cursor);
    std::vector<Variant> row;
    ASSERT_TRUE(cursor->fetch(row));
    EXPECT_EQ(row[0].kind(), Variant::Kind::Long);
    EXPECT_EQ(row[1].kind(), Variant::Kind::BigInt);
    EXPECT_EQ(row[2].toDouble(), 1.25);
    EXPECT_EQ(row[3].toText(), "0");
    EXPECT_TRUE(row[4].isDate());
    EXPECT_EQ(row[5].toText(), "row 1");
    // The rest of the rows are taken in so the connection can run the count.
    EXPECT_EQ(rows(*pg, "SELECT count(*) FROM t"), (std::vector<std::string>{"3"}));
    ASSERT_TRUE(cursor->fetch(row));
    EXPECT_EQ(row[0].toLong(), 2);
    ASSERT_TRUE(cursor->fetch(row));
    EXPECT_FALSE(cursor->fetch(row));
    cursor->rewind();
    ASSERT_TRUE(cursor->fetch(row));
    EXPECT_EQ(row[0].toLong(), 1);
}

TEST_F(PgEngineTest, StatementsWithoutRowsTellHowManyRowsTheyChanged) {
    setUp("CREATE TABLE t (i int)");
    setUp("INSERT INTO t SELECT generate_series(1, 5)");
    long affected = 0;
    EXPECT_FALSE(engine()->execute("DELETE FROM t WHERE i > 2", affected));
    EXPECT_EQ(affected, 3);
}

TEST_F(PgEngineTest, APreparedStatementRunsWithNewValuesEachTime) {
    setUp("CREATE TABLE country (code char(2), name varchar(20))");
    setUp("INSERT INTO country VALUES ('FR', 'France'), ('ES', 'Spain')");
    const auto pg = engine();
    const auto statement = pg->prepare("SELECT name FROM country WHERE code = ? AND '?' = '?'");
    Parameters parameters;
    auto parameter = std::make_shared<Parameter>();
    parameter->Type(adVarChar);
    parameters.Append(parameter);
    for (const auto& [code, name] : {std::pair{"ES", "Spain"}, std::pair{"FR", "France"}}) {
        parameter->Value(Variant(code));
        long affected = 0;
        std::unique_ptr<Cursor> cursor = statement->run(parameters, affected);
        std::vector<Variant> row;
        ASSERT_TRUE(cursor && cursor->fetch(row));
        EXPECT_EQ(row[0].toText(), name);
    }
}

TEST_F(PgEngineTest, AReadOnlyConnectionRefusesToWrite) {
    setUp("CREATE TABLE t (i int)");
    const auto pg = engine(adModeRead);
    EXPECT_THROW(pg->openTable("t"), Error);
    long affected = 0;
    try {
        pg->execute("INSERT INTO t VALUES (1)", affected);
        ADD_FAILURE() << "a read-only connection wrote";
    } catch (const Error& error) {
        EXPECT_EQ(error.SQLState(), "25006");
    }
}

TEST_F(PgEngineTest, AGroupTheServerRefusesIsSentAgainRowByRow) {
    setUp("CREATE TABLE keyed (id int PRIMARY KEY, name text)");
    const auto pg = engine();
    const auto writer = pg->openTable("keyed");
    for (const int id : {1, 2, 3, 4, 2, 6}) {
        writer->insert({Variant(std::int32_t{id}), Variant("tab\there\\ and\nline")}, {true, true});
    }
    try {
        writer->flush();
        ADD_FAILURE() << "the duplicate key was not reported";
    } catch (const Error& error) {
        EXPECT_EQ(error.SQLState(), "23505");
        EXPECT_EQ(error.RowsAfter(), 1U);
        EXPECT_NE(error.Description().find("Key (id)=(2) already exists."), std::string::npos)
            << error.Description();
    }
    writer->close();
    EXPECT_EQ(database.plain.query("SELECT id, name = E'tab\\there\\\\ and\\nline' FROM keyed "
                                   "ORDER BY id"),
              (std::vector<std::string>{"1|1", "2|1", "3|1", "4|1"}));
}

TEST_F(PgEngineTest, ARowOfAGroupTheServerTakesWhileTheNextIsHeldIsReportedAsItself) {
    setUp("CREATE TABLE keyed (id int PRIMARY KEY)");
    const auto pg = engine();
    const auto writer = pg->openTable("keyed");
    int added = 0;
    try {
        for (added = 1; added <= 12000; ++added) {
            writer->insert({Variant(std::int32_t{added == 3000 ? 1 : added})}, {true});
        }
        ADD_FAILURE() << "the duplicate key was not reported";
    } catch (const Error& error) {
        EXPECT_EQ(error.SQLState(), "23505");
        EXPECT_EQ(added - static_cast<int>(error.RowsAfter()), 3000);
        EXPECT_LE(error.RowsAfter(), writer->rowsHeldAtMost());
    }
    writer->close();
    EXPECT_EQ(database.plain.query("SELECT count(*), max(id) FROM keyed"),
              (std::vector<std::string>{"2999|2999"}));
}

TEST_F(PgEngineTest, AnotherStatementSeesTheRowsOfTheGroupTheServerIsTaking) {
    setUp("CREATE TABLE numbers (id int)");
    const auto pg = engine();
    const auto writer = pg->openTable("numbers");
    for (int id = 1; id <= 5003; ++id) {
        writer->insert({Variant(std::int32_t{id})}, {true});
    }
    EXPECT_EQ(rows(*pg, "SELECT count(*) FROM numbers"), (std::vector<std::string>{"5003"}));
    writer->close();
}

TEST_F(PgEngineTest, AValueThatIsNoNumberSendsTheRowsBeforeItAndIsRefusedAsItself) {
    setUp("CREATE TABLE numbers (id int)");
    const auto writer = engine()->openTable("numbers");
    writer->insert({Variant(std::int32_t{1})}, {true});
    writer->insert({Variant(std::int32_t{2})}, {true});
    try {
        writer->insert({Variant("three")}, {true});
        ADD_FAILURE() << "the text was taken for a number";
    } catch (const Error& error) {
        EXPECT_EQ(error.RowsAfter(), 0U);
    }
    EXPECT_EQ(database.plain.query("SELECT id FROM numbers ORDER BY id"),
              (std::vector<std::string>{"1", "2"}));
}

TEST_F(PgEngineTest, AWrongPasswordFailsToConnectSayingWhy) {
    try {
        EngineFactory::open("Provider=PostgreSQL;Server=127.0.0.1;Database=" + database.name() +
                                ";UID=" + PostgresTestDatabase::user() + ";PWD=wrong;",
                            adModeReadWrite, std::make_shared<Notices>());
        ADD_FAILURE() << "connected with a wrong password";
    } catch (const Error& error) {
        EXPECT_EQ(error.SQLState(), "08001");
        EXPECT_NE(error.Description().find("password authentication failed"), std::string::npos)
            << error.Description();
    }
}

}  // namespace kiv::db::testing
