#include <filesystem>
#include <string>
#include <vector>

#include "PostgresRunFixture.h"
#include "WorkbookRows.h"

namespace {

// The columns of the source table typed, one of each kind a user loads, and two rows.
constexpr const char* kTypedColumns =
    "i INTEGER, b BIGINT, n NUMERIC(12,2), d DOUBLE, f BOOLEAN, dt DATE, ts TIMESTAMP, t TEXT, "
    "v VARCHAR(20)";
constexpr const char* kTypedRows =
    "INSERT INTO typed VALUES (1, 5000000000, 1234.5, 0.25, 1, '2024-02-29', "
    "'2024-02-29 13:14:15', 'long text', 'short');"
    "INSERT INTO typed VALUES (2, -7, -0.01, 1e300, 0, '1999-12-31', '1999-12-31 23:59:59', "
    "'', 'x')";

// Loads the table typed of src.db into the table copy of the connection Out, each column
// under its name with "c_" before it.
class TableCreationRunTest : public RunFixture {
protected:
    void SetUp() override {
        sql("src.db", std::string("CREATE TABLE typed (") + kTypedColumns + ");" + kTypedRows);
    }

    static std::string mappings() {
        std::string section = "[Cols]\r\n";
        int number = 0;
        for (const char* column : {"i", "b", "n", "d", "f", "dt", "ts", "t", "v"}) {
            const std::string n = std::to_string(++number);
            section += "SourceColumn_" + n + "=" + column + "\r\nTargetColumn_" + n + "=c_" +
                       column + "\r\n";
        }
        return section;
    }

    // Writes the package of the step with `keys` added to its section; `source` gives the
    // source table or statement key, `columns` the mapping section.
    void write(const std::string& keys, const std::string& connection,
               const std::string& source = "SourceTableName=typed\r\n",
               const std::string& columns = mappings()) {
        package("spec.ini", "Tables",
                "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Src\r\n" +
                    source + "TargetConnection=Out\r\nTargetTableName=" + table +
                    "\r\nSourceToDestinationColumnMappingSection=Cols\r\n" + keys + columns +
                    "[Data Connection - Src]\r\nDatabaseType=SQLite\r\n"
                    "Database=$(INIPath)/src.db\r\n" +
                    connection);
    }

    // Runs the package `write` writes.
    Outcome run(const std::string& keys, const std::string& connection,
                const std::string& source = "SourceTableName=typed\r\n",
                const std::string& columns = mappings()) {
        std::filesystem::remove(dir.file("report.txt"));
        write(keys, connection, source, columns);
        return kivrun("-run -quiet -report report.txt spec.ini");
    }

    static std::string sqliteConnection() {
        return "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n";
    }

    std::vector<std::string> sqliteTypes() {
        return query("out.db", "SELECT name, type FROM pragma_table_info('copy')");
    }

    // The destination table.
    std::string table = "copy";

    void expectReported(const std::string& expected) {
        EXPECT_NE(report().find(expected), std::string::npos) << expected << "\n" << report();
    }
};

const std::vector<std::string> kSqliteTypes = {"c_i|INTEGER",   "c_b|BIGINT",  "c_n|NUMERIC(12,2)",
                                               "c_d|REAL",      "c_f|BOOLEAN", "c_dt|DATETIME",
                                               "c_ts|DATETIME", "c_t|TEXT",    "c_v|VARCHAR(20)"};

}  // namespace

TEST_F(TableCreationRunTest, ReplaceMakesTheSqliteTableFromTheSourceTypesOnEveryRun) {
    sql("out.db", "CREATE TABLE copy (old TEXT); INSERT INTO copy VALUES ('old')");
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(run("TargetLoadMode=Replace\r\n", sqliteConnection()).status, 0) << report();
        EXPECT_EQ(sqliteTypes(), kSqliteTypes);
        EXPECT_EQ(
            query("out.db", "SELECT c_i, c_b, c_n, c_f, c_v, typeof(c_d) FROM copy"),
            (std::vector<std::string>{"1|5000000000|1234.5|1|short|real", "2|-7|-0.01|0|x|real"}));
    }
}

TEST_F(TableCreationRunTest, AFailedReplacingLoadLeavesTheOldTable) {
    // SQLite keeps the six characters a VARCHAR(3) column was given; the load refuses them.
    sql("src.db",
        "CREATE TABLE narrow (v VARCHAR(3)); INSERT INTO narrow VALUES ('abc'), "
        "('abcdef')");
    sql("out.db", "CREATE TABLE copy (old TEXT); INSERT INTO copy VALUES ('old')");
    const Outcome outcome =
        run("TargetLoadMode=Replace\r\n", sqliteConnection(), "SourceTableName=narrow\r\n",
            "[Cols]\r\nSourceColumn_1=v\r\nTargetColumn_1=v\r\n");
    EXPECT_EQ(outcome.status, 1);
    expectReported(
        "I: The step's rows were rolled back: copy on the connection 'Out' is as it "
        "was before the step.");
    EXPECT_EQ(query("out.db", "SELECT * FROM copy"), (std::vector<std::string>{"old"}));
}

TEST_F(TableCreationRunTest, CreateMakesAMissingTableAndAddsToAnExistingOne) {
    EXPECT_EQ(run("TargetLoadMode=Create\r\n", sqliteConnection()).status, 0) << report();
    EXPECT_EQ(sqliteTypes(), kSqliteTypes);
    EXPECT_EQ(query("out.db", "SELECT count(*) FROM copy"), (std::vector<std::string>{"2"}));
    // An existing table is kept as it is, whatever its columns' types.
    sql("out.db", "ALTER TABLE copy ADD COLUMN extra TEXT");
    EXPECT_EQ(run("TargetLoadMode=Create\r\n", sqliteConnection()).status, 0) << report();
    EXPECT_EQ(query("out.db", "SELECT count(*), count(extra) FROM copy"),
              (std::vector<std::string>{"4|0"}));
}

TEST_F(TableCreationRunTest, AMappingOfAMissingSourceColumnFailsBeforeTheTableIsReplaced) {
    sql("out.db", "CREATE TABLE copy (old TEXT); INSERT INTO copy VALUES ('old')");
    const Outcome outcome =
        run("TargetLoadMode=Replace\r\n", sqliteConnection(), "SourceTableName=typed\r\n",
            "[Cols]\r\nSourceColumn_1=missing\r\nTargetColumn_1=v\r\n");
    EXPECT_EQ(outcome.status, 1);
    expectReported("E: Step 'Load', TargetLoadMode=Replace: [Cols] SourceColumn_1: ");
    EXPECT_EQ(query("out.db", "SELECT * FROM copy"), (std::vector<std::string>{"old"}));
}

TEST_F(TableCreationRunTest, DataSetsOfOneStepMakeTheTableOnceAndAddToIt) {
    sql("src.db",
        "CREATE TABLE part1 (v VARCHAR(5)); INSERT INTO part1 VALUES ('a');"
        "CREATE TABLE part2 (v VARCHAR(5)); INSERT INTO part2 VALUES ('b'), ('c')");
    sql("out.db", "CREATE TABLE copy (old TEXT); INSERT INTO copy VALUES ('old')");
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(run("TargetLoadMode=Replace\r\n", sqliteConnection(), "SourceTableName=part*\r\n",
                      "[Cols]\r\nSourceColumn_1=v\r\nTargetColumn_1=v\r\n")
                      .status,
                  0)
            << report();
        EXPECT_EQ(query("out.db", "SELECT v FROM copy ORDER BY v"),
                  (std::vector<std::string>{"a", "b", "c"}));
    }
}

TEST_F(TableCreationRunTest, CheckingAPackageTakesATableTheStepMakesForGranted) {
    for (const char* mode : {"Replace", "Create"}) {
        write("TargetLoadMode=" + std::string(mode) + "\r\n", sqliteConnection());
        const Outcome check = kivrun("-check spec.ini");
        EXPECT_EQ(check.status, 0) << mode << "\n" << check.out << check.err;
    }
    write("TargetLoadMode=Create\r\n", sqliteConnection(), "SourceTableName=typed\r\n",
          "[Cols]\r\nSourceColumn_1=missing\r\nTargetColumn_1=v\r\n");
    const Outcome check = kivrun("-check spec.ini");
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("[Cols] SourceColumn_1"), std::string::npos) << check.out << check.err;
}

TEST_F(TableCreationRunTest, ConstantsAndLookupsFillTextColumnsAndDisabledMappingsMakeNone) {
    const Outcome outcome =
        run("TargetLoadMode=Replace\r\n", sqliteConnection(), "SourceTableName=typed\r\n",
            "[Cols]\r\nSourceColumn_1=i\r\nTargetColumn_1=id\r\nSourceMappingType_2=Constant\r\n"
            "SourceValue_2=fixed\r\nTargetColumn_2=label\r\nSourceColumn_3=v\r\n"
            "TargetColumn_3=unused\r\nMappingStatus_3=Disabled\r\n");
    EXPECT_EQ(outcome.status, 0) << report();
    // A disabled mapping makes no column.
    EXPECT_EQ(sqliteTypes(), (std::vector<std::string>{"id|INTEGER", "label|TEXT"}));
    EXPECT_EQ(query("out.db", "SELECT id, label FROM copy"),
              (std::vector<std::string>{"1|fixed", "2|fixed"}));
}

TEST_F(TableCreationRunTest, ReplaceWritesATextFileAnewAndCreateAddsToIt) {
    std::filesystem::create_directories(dir.file("out"));
    const std::string folder =
        "[Data Connection - Out]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/out\r\n";
    dir.write("out/copy.csv", "old\r\nold\r\n");
    for (const char* mode : {"Replace", "Replace", "Create"}) {
        table = "copy.csv";
        EXPECT_EQ(run("TargetLoadMode=" + std::string(mode) + "\r\n", folder).status, 0)
            << report();
    }
    // The second Replace wrote the file anew; Create added to it.
    const std::string rows =
        "1,5e+09,1234.5,0.25,True,2024-02-29,2024-02-29 13:14:15,\"long text\",\"short\"\r\n"
        "2,-7,-0.01,1e+300,False,1999-12-31,1999-12-31 23:59:59,,\"x\"\r\n";
    EXPECT_EQ(TempDir::read(dir.file("out/copy.csv")),
              "\"c_i\",\"c_b\",\"c_n\",\"c_d\",\"c_f\",\"c_dt\",\"c_ts\",\"c_t\",\"c_v\"\r\n" +
                  rows + rows);
    EXPECT_EQ(TempDir::read(dir.file("out/schema.ini")),
              "[copy.csv]\r\nColNameHeader=True\r\nFormat=CSVDelimited\r\nCharacterSet=65001\r\n"
              "Col1=c_i Long\r\nCol2=c_b Double\r\nCol3=c_n Double\r\nCol4=c_d Double\r\n"
              "Col5=c_f Bit\r\nCol6=c_dt DateTime\r\nCol7=c_ts DateTime\r\nCol8=c_t Memo\r\n"
              "Col9=c_v Text Width 20\r\n");
}

TEST_F(TableCreationRunTest, ReplaceClearsAWorkbookSheetAndCreateAddsIt) {
    const std::string book =
        "[Data Connection - Out]\r\nDatabaseType=MSExcel\r\nDatabase=$(INIPath)/out.xlsx\r\n";
    const std::string columns =
        "[Cols]\r\nSourceColumn_1=i\r\nTargetColumn_1=Id\r\nSourceColumn_2=v\r\nTargetColumn_2="
        "Name\r\n";
    for (const char* mode : {"Create", "Create", "Replace", "Replace"}) {
        EXPECT_EQ(run("TargetLoadMode=" + std::string(mode) + "\r\n", book,
                      "SourceTableName=typed\r\n", columns)
                      .status,
                  0)
            << mode << report();
    }
    EXPECT_EQ(workbookRows(dir.file("out.xlsx"), "Excel 12.0 Xml;", "SELECT * FROM [copy$]"),
              (std::vector<std::string>{"1|short", "2|x"}));
}

namespace {

// The same into the PostgreSQL test database, through libpq and through the driver.
class TableCreationServerRunTest : public TableCreationRunTest {
protected:
    void SetUp() override {
        TableCreationRunTest::SetUp();
        const std::string failure = PostgresRunFixture::created(database);
        ASSERT_TRUE(failure.empty()) << failure;
    }

    std::vector<std::string> connections() const {
        return {PostgresRunFixture::postgresConnection(database, "Out"),
                PostgresRunFixture::serverConnection(database, "Out")};
    }

    std::vector<std::string> serverTypes(const std::string& table) {
        return database.plain.query(
            "SELECT column_name, data_type, coalesce(character_maximum_length, 0), "
            "coalesce(numeric_precision, 0), coalesce(numeric_scale, 0) FROM "
            "information_schema.columns WHERE table_name = '" +
            table + "' ORDER BY ordinal_position");
    }

    PostgresTestDatabase database;
};

}  // namespace

// SQLite declares no date without a time: its DATE column is read as a timestamp.
TEST_F(TableCreationServerRunTest, ReplaceMakesTheTableFromTheSqliteSourceTypes) {
    const std::vector<std::string> expected = {"c_i|integer|0|32|0",
                                               "c_b|bigint|0|64|0",
                                               "c_n|numeric|0|12|2",
                                               "c_d|double precision|0|53|0",
                                               "c_f|boolean|0|0|0",
                                               "c_dt|timestamp without time zone|0|0|0",
                                               "c_ts|timestamp without time zone|0|0|0",
                                               "c_t|text|0|0|0",
                                               "c_v|character varying|20|0|0"};
    for (const std::string& connection : connections()) {
        ASSERT_EQ(database.plain.execute("DROP TABLE IF EXISTS copy; CREATE TABLE copy (old "
                                         "text); INSERT INTO copy VALUES ('old')"),
                  "");
        for (int pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(run("TargetLoadMode=Replace\r\n", connection).status, 0) << report();
            EXPECT_EQ(serverTypes("copy"), expected);
            EXPECT_EQ(database.plain.query("SELECT c_i, c_b, c_n, c_f, c_dt, c_ts, c_v FROM copy "
                                           "ORDER BY c_i"),
                      (std::vector<std::string>{
                          "1|5000000000|1234.50|1|2024-02-29 00:00:00|2024-02-29 13:14:15|short",
                          "2|-7|-0.01|0|1999-12-31 00:00:00|1999-12-31 23:59:59|x"}));
        }
    }
}

TEST_F(TableCreationServerRunTest, ReplaceMakesTheTableFromThePostgresSourceTypes) {
    ASSERT_EQ(database.plain.execute(
                  "CREATE TABLE typed (i integer, b bigint, n numeric(12,2), d double precision, "
                  "dt date, tm time, ts timestamp, t text, v varchar(20), u uuid, s smallint, "
                  "w numeric(30,10)); "
                  "INSERT INTO typed VALUES (1, 5000000000, 1234.5, 0.25, '2024-02-29', "
                  "'13:14:15', '2024-02-29 13:14:15', 'long text', 'short', "
                  "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', 7, 12345678901234567890.0123456789)"),
              "");
    std::string columns = "[Cols]\r\n";
    int number = 0;
    // w has more digits than a double holds: every one of them arrives.
    for (const char* column : {"i", "b", "n", "d", "dt", "tm", "ts", "t", "v", "u", "s", "w"}) {
        const std::string n = std::to_string(++number);
        columns +=
            "SourceColumn_" + n + "=" + column + "\r\nTargetColumn_" + n + "=" + column + "\r\n";
    }
    for (const std::string& connection : connections()) {
        for (int pass = 0; pass < 2; ++pass) {
            std::filesystem::remove(dir.file("report.txt"));
            package("spec.ini", "Tables",
                    "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Pg\r\n"
                    "SourceTableName=typed\r\nTargetConnection=Out\r\nTargetTableName=copy\r\n"
                    "SourceToDestinationColumnMappingSection=Cols\r\n"
                    "TargetLoadMode=Replace\r\n" +
                        columns + PostgresRunFixture::postgresConnection(database, "Pg") +
                        connection);
            EXPECT_EQ(kivrun("-run -quiet -report report.txt spec.ini").status, 0) << report();
            EXPECT_EQ(serverTypes("copy"), serverTypes("typed"));
            EXPECT_EQ(database.plain.query("SELECT count(*) FROM copy NATURAL JOIN typed"),
                      (std::vector<std::string>{"1"}))
                << ::testing::PrintToString(database.plain.query("TABLE copy"));
        }
    }
}

// The table is replaced in the step's transaction, through libpq and through the driver.
TEST_F(TableCreationServerRunTest, AFailedReplacingLoadLeavesTheOldTable) {
    sql("src.db",
        "CREATE TABLE narrow (v VARCHAR(3)); INSERT INTO narrow VALUES ('abc'), "
        "('abcdef')");
    for (const std::string& connection : connections()) {
        ASSERT_EQ(database.plain.execute("DROP TABLE IF EXISTS copy; CREATE TABLE copy (old "
                                         "text); INSERT INTO copy VALUES ('old')"),
                  "");
        std::filesystem::remove(dir.file("report.txt"));
        const Outcome outcome = run("TargetLoadMode=Replace\r\n", connection,
                                    "SourceTableName=narrow\r\n",
                                    "[Cols]\r\nSourceColumn_1=v\r\nTargetColumn_1=v\r\n");
        EXPECT_EQ(outcome.status, 1);
        expectReported("I: The step's rows were rolled back");
        EXPECT_EQ(database.plain.query("SELECT * FROM copy"), (std::vector<std::string>{"old"}));
    }
}

TEST_F(TableCreationServerRunTest, CreateMakesAMissingTableAndAddsToAnExistingOne) {
    for (const std::string& connection : connections()) {
        ASSERT_EQ(database.plain.execute("DROP TABLE IF EXISTS copy"), "");
        for (int pass = 1; pass <= 2; ++pass) {
            EXPECT_EQ(run("TargetLoadMode=Create\r\n", connection).status, 0) << report();
            EXPECT_EQ(database.plain.query("SELECT count(*) FROM copy"),
                      (std::vector<std::string>{std::to_string(2 * pass)}));
        }
        EXPECT_EQ(serverTypes("copy").size(), 9U);
    }
}

TEST_F(TableCreationServerRunTest, ASourceTypeWithoutAServerTypeFailsNamingTheColumn) {
    for (const std::string& connection : connections()) {
        ASSERT_EQ(database.plain.execute("DROP TABLE IF EXISTS copy; CREATE TABLE copy (old "
                                         "text); INSERT INTO copy VALUES ('old')"),
                  "");
        const Outcome outcome =
            run("TargetLoadMode=Replace\r\n", connection,
                "SQLStatement=SELECT 1 AS Id, NULL AS Blank\r\n",
                "[Cols]\r\nSourceColumn_1=Id\r\nTargetColumn_1=Id\r\nSourceColumn_2=Blank\r\n"
                "TargetColumn_2=Blank\r\n");
        EXPECT_EQ(outcome.status, 1);
        expectReported(
            "E: Step 'Load', TargetLoadMode=Replace: the table copy on the connection "
            "'Out' could not be made: The table copy cannot be created: its column "
            "'Blank' takes values of the type VARIANT, which PostgreSQL has no type "
            "for.");
        EXPECT_EQ(database.plain.query("SELECT * FROM copy"), (std::vector<std::string>{"old"}));
    }
}
