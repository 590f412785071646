#include <filesystem>
#include <string>
#include <vector>

#include "PostgresRunFixture.h"

namespace {

// Loads people.csv (line, id, v: 1,000 rows, row 500 repeating id 3 unless the rows are
// clean) into a table people (id key, line, v) that holds one row, id 0, before the load.
class LoadModesRunTest : public RunFixture {
protected:
    void writeRows(bool clean) {
        std::filesystem::create_directories(dir.file("in"));
        dir.write("in/people.csv", refusingCsv(clean ? 0 : 500, "3", "ok"));
    }

    std::string loadStep(const std::string& keys) const {
        return "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
               "SourceTableName=people.csv\r\nTargetConnection=Out\r\nTargetTableName=people\r\n"
               "SourceToDestinationColumnMappingSection=Cols\r\nRecordIDColumn_1=line\r\n" +
               keys +
               "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=line\r\n"
               "TargetColumn_2=line\r\nSourceColumn_3=v\r\nTargetColumn_3=v\r\n"
               "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n";
    }

    // Runs the step with `keys` added to its section, the destination being `connection`.
    Outcome run(const std::string& keys, const std::string& connection) {
        std::filesystem::remove(dir.file("report.txt"));
        package("spec.ini", "Modes", loadStep(keys) + connection);
        return kivrun("-run -quiet -report report.txt spec.ini");
    }

    static std::string sqliteConnection() {
        return "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n";
    }

    void createSqliteTable() {
        std::filesystem::remove(dir.file("out.db"));
        sql("out.db",
            "CREATE TABLE people (id INTEGER PRIMARY KEY, line INTEGER, v VARCHAR(5));"
            "INSERT INTO people VALUES (0, 0, 'old')");
    }

    std::vector<std::string> sqliteRows() {
        return query("out.db", "SELECT count(*), min(line), max(line) FROM people");
    }

    void expectRolledBack(const Outcome& outcome) {
        EXPECT_EQ(outcome.status, 1) << report();
        const std::string text = report();
        EXPECT_NE(text.find("'500' -   E: UNIQUE constraint failed: people.id (source row 500)"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("I: The step's rows were rolled back: people on the connection 'Out' "
                            "is as it was before the step."),
                  std::string::npos)
            << text;
    }
};

}  // namespace

TEST_F(LoadModesRunTest, TruncateLeavesTheRowsOnceHoweverOftenThePackageRuns) {
    createSqliteTable();
    writeRows(true);
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(this->run("TargetLoadMode=Truncate\r\n", sqliteConnection()).status, 0)
            << report();
        EXPECT_EQ(sqliteRows(), (std::vector<std::string>{"1000|1|1000"}));
    }
}

TEST_F(LoadModesRunTest, AFailedTruncatingLoadLeavesTheOldRows) {
    createSqliteTable();
    writeRows(false);
    expectRolledBack(run("TargetLoadMode=Truncate\r\n", sqliteConnection()));
    EXPECT_EQ(sqliteRows(), (std::vector<std::string>{"1|0|0"}));
}

TEST_F(LoadModesRunTest, AllOrNothingLeavesTheTableUnchangedWhenRow500Fails) {
    createSqliteTable();
    writeRows(false);
    expectRolledBack(run("AllOrNothing=True\r\n", sqliteConnection()));
    EXPECT_EQ(sqliteRows(), (std::vector<std::string>{"1|0|0"}));
    // Without the key the rows before the failing one stay written, as always.
    EXPECT_EQ(run("AllOrNothing=False\r\n", sqliteConnection()).status, 1);
    EXPECT_EQ(sqliteRows(), (std::vector<std::string>{"500|0|499"}));
}

TEST_F(LoadModesRunTest, AllOrNothingOnATextFolderSaysItCannotBeHeld) {
    std::filesystem::create_directories(dir.file("out"));
    dir.write("out/people.csv", "id,line,v\r\n");
    writeRows(true);
    const Outcome outcome =
        run("AllOrNothing=True\r\n",
            "[Data Connection - Out]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/out\r\n");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(report().find("E: Step 'Load', AllOrNothing=True: The connection cannot hold what is "
                            "written in one transaction"),
              std::string::npos)
        << report();
    EXPECT_EQ(TempDir::read(dir.file("out/people.csv")), "id,line,v\r\n");
}

TEST_F(LoadModesRunTest, InvalidValuesNameTheSectionTheKeyAndTheValue) {
    createSqliteTable();
    writeRows(true);
    const Outcome outcome =
        run("TargetLoadMode=Upsert\r\nAllOrNothing=maybe\r\nMaxRejectedRows=-2\r\n",
            sqliteConnection());
    EXPECT_EQ(outcome.status, 1);
    const std::string text = report();
    for (const std::string expected :
         {"E: Step 'Load', [STEP 1] TargetLoadMode: 'Upsert' is not a load mode; the modes are "
          "Append, Truncate, Replace, Create and Merge.",
          "E: Step 'Load', [STEP 1] AllOrNothing: 'maybe' is neither True nor False.",
          "E: Step 'Load', [STEP 1] MaxRejectedRows: '-2' is not a whole number from 0 to "
          "100000000."}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    EXPECT_EQ(sqliteRows(), (std::vector<std::string>{"1|0|0"}));
    const Outcome check = kivrun("-check spec.ini");
    EXPECT_NE(check.out.find("[STEP 1] TargetLoadMode: 'Upsert' is not a load mode"),
              std::string::npos)
        << check.out << check.err;
}

// The table holds id 0 (line 0, "old") and id 7 (line 0, "old"); the load of ids 1 to 1,000
// updates id 7 and adds the others, and a second run changes nothing.
TEST_F(LoadModesRunTest, MergeUpdatesTheRowsWhoseKeyIsThereAndAddsTheOthers) {
    createSqliteTable();
    sql("out.db", "INSERT INTO people VALUES (7, 0, 'old')");
    writeRows(true);
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(
            this->run("TargetLoadMode=Merge\r\nTargetKeyColumns=ID\r\n", sqliteConnection()).status,
            0)
            << report();
        EXPECT_EQ(sqliteRows(), (std::vector<std::string>{"1001|0|1000"}));
        EXPECT_EQ(query("out.db", "SELECT line, v FROM people WHERE id IN (0, 7) ORDER BY id"),
                  (std::vector<std::string>{"0|old", "7|ok"}));
    }
    // Line 500 gives id 3 again: the later row wins.
    writeRows(false);
    EXPECT_EQ(run("TargetLoadMode=Merge\r\nTargetKeyColumns=id\r\n", sqliteConnection()).status, 0)
        << report();
    EXPECT_EQ(query("out.db", "SELECT count(*), max(line) FROM people WHERE id = 3"),
              (std::vector<std::string>{"1|500"}));
}

TEST_F(LoadModesRunTest, MergeSaysWhenTheKeysAreNoUniqueIndexOrNoColumn) {
    createSqliteTable();
    writeRows(true);
    EXPECT_EQ(run("TargetLoadMode=Merge\r\nTargetKeyColumns=line\r\n", sqliteConnection()).status,
              1);
    EXPECT_NE(report().find("E: Rows cannot be merged into the table people on (line): the table "
                            "needs a primary key or unique index on exactly these columns ("),
              std::string::npos)
        << report();
    EXPECT_EQ(
        run("TargetLoadMode=Merge\r\nTargetKeyColumns=id,code\r\n", sqliteConnection()).status, 1);
    EXPECT_NE(report().find("E: The table people has no column 'code' to merge rows on "
                            "(TargetKeyColumns)."),
              std::string::npos)
        << report();
    EXPECT_EQ(sqliteRows(), (std::vector<std::string>{"1|0|0"}));
}

namespace {

// The same through a "SQLServer" connection to the PostgreSQL test database.
class LoadModesOdbcRunTest : public LoadModesRunTest {
protected:
    void SetUp() override {
        const std::string failure = PostgresRunFixture::created(database);
        ASSERT_TRUE(failure.empty()) << failure;
        ASSERT_EQ(database.plain.execute("CREATE TABLE people (id int PRIMARY KEY, line int, "
                                         "v varchar(5)); INSERT INTO people VALUES (0, 0, 'old')"),
                  "");
    }

    std::string serverConnection() const {
        return PostgresRunFixture::serverConnection(database, "Out");
    }

    // Through the driver and through libpq.
    std::vector<std::string> connections() const {
        return {serverConnection(), PostgresRunFixture::postgresConnection(database, "Out")};
    }

    std::vector<std::string> serverRows() {
        return database.plain.query("SELECT count(*), min(line), max(line) FROM people");
    }

    PostgresTestDatabase database;
};

}  // namespace

TEST_F(LoadModesOdbcRunTest, AllOrNothingLeavesTheTableUnchangedWhenRow500Fails) {
    for (const std::string& connection : connections()) {
        SCOPED_TRACE(connection);
        writeRows(false);
        const Outcome outcome = run("AllOrNothing=True\r\n", connection);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(report().find("duplicate key value violates unique constraint "
                                "\"people_pkey\""),
                  std::string::npos)
            << report();
        EXPECT_NE(report().find("I: The step's rows were rolled back"), std::string::npos)
            << report();
        EXPECT_EQ(serverRows(), (std::vector<std::string>{"1|0|0"}));
        writeRows(true);
        EXPECT_EQ(run("AllOrNothing=True\r\n", connection).status, 0) << report();
        EXPECT_EQ(serverRows(), (std::vector<std::string>{"1001|0|1000"}));
        ASSERT_EQ(database.plain.execute("DELETE FROM people WHERE id <> 0"), "");
    }
}

// Through libpq and through the driver; the table holds id 0 and id 7, the load of ids 1 to
// 1,000 updates id 7 and adds the others.
TEST_F(LoadModesOdbcRunTest, MergeUpdatesTheRowsWhoseKeyIsThereAndAddsTheOthers) {
    writeRows(true);
    for (const std::string& connection :
         {serverConnection(), PostgresRunFixture::postgresConnection(database, "Out")}) {
        ASSERT_EQ(database.plain.execute("DELETE FROM people WHERE id <> 0; "
                                         "INSERT INTO people VALUES (7, 0, 'old')"),
                  "");
        for (int run = 0; run < 2; ++run) {
            EXPECT_EQ(
                this->run("TargetLoadMode=Merge\r\nTargetKeyColumns=id\r\n", connection).status, 0)
                << report();
            EXPECT_EQ(serverRows(), (std::vector<std::string>{"1001|0|1000"}));
            EXPECT_EQ(
                database.plain.query("SELECT line, v FROM people WHERE id IN (0, 7) ORDER BY id"),
                (std::vector<std::string>{"0|old", "7|ok"}));
        }
        EXPECT_EQ(run("TargetLoadMode=Merge\r\nTargetKeyColumns=line\r\n", connection).status, 1);
        EXPECT_NE(report().find("E: Rows cannot be merged into the table people on (line): the "
                                "table needs a primary key or unique index on exactly these "
                                "columns ("),
                  std::string::npos)
            << report();
    }
}

TEST_F(LoadModesOdbcRunTest, TruncateLeavesTheRowsOnceAndAFailedLoadLeavesTheOldRows) {
    for (const std::string& connection : connections()) {
        SCOPED_TRACE(connection);
        writeRows(true);
        for (int run = 0; run < 2; ++run) {
            EXPECT_EQ(this->run("TargetLoadMode=Truncate\r\n", connection).status, 0) << report();
            EXPECT_EQ(serverRows(), (std::vector<std::string>{"1000|1|1000"}));
        }
        writeRows(false);
        EXPECT_EQ(run("TargetLoadMode=Truncate\r\n", connection).status, 1);
        EXPECT_EQ(serverRows(), (std::vector<std::string>{"1000|1|1000"}));
    }
}
