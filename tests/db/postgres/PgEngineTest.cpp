#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
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

TEST_F(PgEngineTest, EveryTypeWithABinaryFormArrivesAsWrittenAndNumericsKeepEveryDigit) {
    setUp(
        "CREATE TABLE every (s smallint, i int, b bigint, r real, d double precision, "
        "n numeric(30,3), f boolean, t text, v varchar(5), c char(3), j json, jb jsonb, "
        "day date, tm time, ts timestamp, tz timestamptz, u uuid, bin bytea)");
    const auto writer = engine()->openTable("every");
    const std::vector<bool> all(18, true);
    writer->insert(
        {Variant(std::int16_t{-7}), Variant("2147483647"), Variant(std::int64_t{-1}), Variant(1.5),
         Variant("-2.25e-3"), Variant("12345678901234567.891"), Variant(" Yes "),
         Variant("tab\there"), Variant("short"), Variant("ab"), Variant("{\"k\": [1, 2]}"),
         Variant("{\"b\": 1, \"a\": null}"), Variant("2024-02-29"), Variant("13:45:10"),
         Variant("1999-12-31 23:59:59"), Variant("2024-05-06 07:08:09"),
         Variant("{A0EEBC99-9C0B4EF8-BB6D-6BB9BD380A11}"), Variant(std::string_view("ab\0c", 4))},
        all);
    writer->insert({Variant("1"), Variant(), Variant(), Variant(), Variant(), Variant("-0.0005"),
                    Variant("off"), Variant(""), Variant(), Variant(), Variant(), Variant(),
                    Variant("1900-01-01 00:00:01"), Variant("00:00:00"),
                    Variant("0100-03-01 12:00:00"), Variant(), Variant(), Variant()},
                   all);
    writer->insert({Variant("2"), Variant(), Variant(), Variant(), Variant(), Variant("1e3"),
                    Variant(true), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(),
                    Variant(), Variant(), Variant(), Variant(), Variant()},
                   all);
    writer->insert(
        {Variant("3"), Variant(), Variant(), Variant(), Variant(),
         Variant::fromCurrencyScaled(-12345), Variant("0"), Variant(), Variant(), Variant(),
         Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant()},
        all);
    writer->close();
    EXPECT_EQ(database.plain.query(
                  "SELECT s, i, b, r, d, n, f::text, t, v, c, j, jb, day, tm, ts, "
                  "(tz = '2024-05-06 07:08:09+00')::text, u::text, encode(bin, 'hex') FROM every "
                  "ORDER BY s"),
              (std::vector<std::string>{
                  "-7|2147483647|-1|1.5|-0.00225|12345678901234567.891|true|tab\there|short|"
                  "ab |"
                  "{\"k\": [1, 2]}|{\"a\": null, \"b\": 1}|2024-02-29|13:45:10|"
                  "1999-12-31 23:59:59|true|a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11|61620063",
                  "1|NULL|NULL|NULL|NULL|-0.001|false||NULL|NULL|NULL|NULL|1900-01-01|00:00:00|"
                  "0100-03-01 12:00:00|NULL|NULL|NULL",
                  "2|NULL|NULL|NULL|NULL|1000.000|true|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"
                  "NULL|NULL|NULL",
                  "3|NULL|NULL|NULL|NULL|-1.235|false|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"
                  "NULL|NULL|NULL"}));
}

TEST_F(PgEngineTest, AFlagOrAUuidTheServerWouldNotReadIsRefusedAsItselfInTheServersWords) {
    setUp("CREATE TABLE flags (id int, f boolean, u uuid)");
    const auto writer = engine()->openTable("flags");
    writer->insert({Variant(std::int32_t{1}), Variant("t"), Variant()}, {true, true, true});
    for (const auto& [flag, uuid, words] :
         {std::tuple{"maybe", "", "invalid input syntax for type boolean: \"maybe\""},
          std::tuple{"o", "", "invalid input syntax for type boolean: \"o\""},
          std::tuple{
              "true", "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a1",
              "invalid input syntax for type uuid: \"a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a1\""}}) {
        try {
            writer->insert({Variant(std::int32_t{2}), Variant(flag), Variant(uuid)},
                           {true, true, true});
            ADD_FAILURE() << flag << " " << uuid << " was taken";
        } catch (const Error& error) {
            EXPECT_EQ(error.SQLState(), "22P02");
            EXPECT_NE(error.Description().find(words), std::string::npos) << error.Description();
            EXPECT_EQ(error.RowsAfter(), 0U);
        }
    }
    EXPECT_EQ(database.plain.query("SELECT id, f::text FROM flags"),
              (std::vector<std::string>{"1|true"}));
}

TEST_F(PgEngineTest, AColumnOfATypeWithoutABinaryFormIsWrittenAsText) {
    setUp("CREATE TABLE spans (id int, span interval, tags text[], n numeric(5,1))");
    const auto writer = engine()->openTable("spans");
    writer->insert(
        {Variant(std::int32_t{1}), Variant("1 day 02:00"), Variant("{a,\"b c\"}"), Variant("2.25")},
        {true, true, true, true});
    // Rows that leave those columns out go in binary form.
    writer->insert({Variant(std::int32_t{2}), Variant(), Variant(), Variant("-2.25")},
                   {true, false, false, true});
    writer->close();
    EXPECT_EQ(database.plain.query("SELECT id, span, tags, n FROM spans ORDER BY id"),
              (std::vector<std::string>{"1|1 day 02:00:00|{a,\"b c\"}|2.3", "2|NULL|NULL|-2.3"}));
}

TEST_F(PgEngineTest, ARowRefusedInAGroupInTextFormIsReportedAsItself) {
    setUp("CREATE TABLE keyed (id int PRIMARY KEY, span interval)");
    const auto writer = engine()->openTable("keyed");
    for (const int id : {1, 2, 3, 2, 5}) {
        writer->insert({Variant(std::int32_t{id}), Variant("1 hour")}, {true, true});
    }
    try {
        writer->flush();
        ADD_FAILURE() << "the duplicate key was not reported";
    } catch (const Error& error) {
        EXPECT_EQ(error.SQLState(), "23505");
        EXPECT_EQ(error.RowsAfter(), 1U);
    }
    writer->close();
    EXPECT_EQ(database.plain.query("SELECT id FROM keyed ORDER BY id"),
              (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(PgEngineTest, ATimestampWithTimeZoneIsTheSessionsLocalTimeOutsideUtcToo) {
    setUp("CREATE TABLE moments (id int, tz timestamptz)");
    // libpq sets the session's time zone from PGTZ.
    ::setenv("PGTZ", "Europe/Berlin", 1);
    std::shared_ptr<Engine> pg;
    try {
        pg = engine();
    } catch (const Error&) {
        ::unsetenv("PGTZ");
        throw;
    }
    ::unsetenv("PGTZ");
    const auto writer = pg->openTable("moments");
    writer->insert({Variant(std::int32_t{1}), Variant("2024-05-06 07:08:09")}, {true, true});
    writer->close();
    EXPECT_EQ(database.plain.query("SELECT id, (tz = '2024-05-06 05:08:09+00')::text FROM moments"),
              (std::vector<std::string>{"1|true"}));
}

TEST_F(PgEngineTest, ATableOfAnotherSchemaIsWrittenAndMergedByItsQualifiedName) {
    setUp("CREATE SCHEMA \"Sales Data\"");
    setUp("CREATE TABLE \"Sales Data\".\"Orders\" (id int PRIMARY KEY, amount numeric(8,2))");
    const auto pg = engine();
    const auto writer = pg->openTable("Sales Data.Orders");
    writer->insert({Variant(std::int32_t{1}), Variant("10.50")}, {true, true});
    writer->insert({Variant(std::int32_t{2}), Variant("20")}, {true, true});
    writer->close();
    const auto merging = pg->openMergingTable("Sales Data.Orders", {"id"});
    merging->insert({Variant(std::int32_t{2}), Variant("21")}, {true, true});
    merging->close();
    EXPECT_EQ(database.plain.query("SELECT id, amount FROM \"Sales Data\".\"Orders\" ORDER BY id"),
              (std::vector<std::string>{"1|10.50", "2|21.00"}));
}

TEST_F(PgEngineTest, OnlyAStatementNamingTheTableBeingWrittenWaitsForItsHeldRows) {
    setUp("CREATE TABLE people (id int)");
    setUp("CREATE TABLE other (x int)");
    const auto pg = engine();
    const auto writer = pg->openTable("people");
    const auto other = pg->prepare("SELECT count(*) FROM other");
    const auto counting = pg->prepare("SELECT count(*) FROM People WHERE id <= ?");
    Parameters parameters;
    auto parameter = std::make_shared<Parameter>();
    parameter->Type(adInteger);
    parameters.Append(parameter);
    Parameters none;
    for (int id = 1; id <= 100; ++id) {
        writer->insert({Variant(std::int32_t{id})}, {true});
        long affected = 0;
        std::vector<Variant> row;
        ASSERT_TRUE(other->run(none, affected)->fetch(row));
        if (id % 10 == 0) {
            parameter->Value(Variant(std::int32_t{id}));
            ASSERT_TRUE(counting->run(parameters, affected)->fetch(row));
            EXPECT_EQ(row[0].toLong(), id);
        }
    }
    writer->close();
    // Each COPY is a transaction of its own: the rows went in ten groups, not one per row.
    EXPECT_EQ(database.plain.query("SELECT count(*), count(DISTINCT xmin::text) FROM people"),
              (std::vector<std::string>{"100|10"}));
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
