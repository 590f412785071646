#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PostgresRunFixture.h"

namespace {

const std::string kLoadPeople =
    "StepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\nSourceTableName=people.csv\r\n"
    "TargetConnection=Pg\r\nTargetTableName=people\r\nSourceToDestinationColumnMappingSection="
    "Cols\r\n";

// Runs against the PostgreSQL test database, also as a "PostgreSQL" connection through libpq.
class OdbcRunTest : public PostgresRunFixture {
protected:
    std::string postgresConnection(const std::string& name) const {
        return PostgresRunFixture::postgresConnection(database, name);
    }

    // Both kinds of connection to the test database, each with the text its driver puts
    // before the server's messages.
    std::vector<std::pair<std::string, std::string>> bothConnections(
        const std::string& name) const {
        return {{serverConnection(name), "ERROR: "}, {postgresConnection(name), ""}};
    }

    static std::string step(int number, const std::string& body) {
        return "[STEP " + std::to_string(number) + "]\r\n" + body;
    }

    static std::string columns(const std::string& section,
                               std::initializer_list<const char*> names) {
        std::string text = "[" + section + "]\r\n";
        int number = 0;
        for (const char* name : names) {
            const std::string n = std::to_string(++number);
            text +=
                "SourceColumn_" + n + "=" + name + "\r\nTargetColumn_" + n + "=" + name + "\r\n";
        }
        return text;
    }

    std::string filesConnection() const {
        return "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n";
    }

    void writeCsv(const std::string& name, const std::string& content) {
        std::filesystem::create_directories(dir.file("in"));
        dir.write("in/" + name, content);
    }

    // Loads 1,000 rows (line, id, v) into people (id key, line, v varchar(5) not null, no
    // 'bad'), row `refused` carrying `id` and `v` the table refuses, through the connection
    // `Pg` that `connection` defines. The step must fail on exactly that row with the
    // server's `message`, and leave exactly the rows before it in the table.
    void expectRefusedRow(const std::string& connection, int refused, const std::string& id,
                          const std::string& v, const std::string& message) {
        setUp("DROP TABLE IF EXISTS people");
        setUp(
            "CREATE TABLE people (id int PRIMARY KEY, line int, v varchar(5) NOT NULL "
            "CHECK (v <> 'bad'))");
        const std::string csv = refusingCsv(refused, id, v);
        writeCsv("people.csv", csv);
        package("spec.ini", "Load",
                step(1, kLoadPeople + "RecordIDColumn_1=line\r\n") +
                    columns("Cols", {"id", "line", "v"}) + filesConnection() + connection);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        expectFailedAtRow(outcome, refused, message,
                          database.plain.query("SELECT count(*), max(line) FROM people"));
    }
};

// Sets an environment variable for the programs the test starts, while it lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value)
        : name_(name), previous_(PostgresTestDatabase::variable(name)) {
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { ::setenv(name_, previous_.c_str(), 1); }

private:
    const char* name_;
    std::string previous_;
};

// The library the test set-up registered for PostgreSQL.
std::string postgresDriverLibrary() {
    std::ifstream in(PostgresTestDatabase::variable("ODBCSYSINI") + "/odbcinst.ini");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Driver=", 0) == 0) {
            return line.substr(7);
        }
    }
    return {};
}

}  // namespace

TEST_F(OdbcRunTest, LoadsACsvFolderIntoAPostgresTable) {
    setUp("CREATE TABLE people (id int, name varchar(40), joined date, amount numeric(8,2))");
    writeCsv("people.csv",
             "id,name,joined,amount\r\n1,Ann,2021-03-04,10.50\r\n2,\"Bo, Jr.\",2022-12-31,7\r\n"
             "3,Cy,,\r\n");
    package("spec.ini", "Load",
            step(1, kLoadPeople) + columns("Cols", {"id", "name", "joined", "amount"}) +
                filesConnection() + serverConnection("Pg"));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_EQ(database.plain.query("SELECT id, name, joined, amount FROM people ORDER BY id"),
              (std::vector<std::string>{"1|Ann|2021-03-04|10.50", "2|Bo, Jr.|2022-12-31|7.00",
                                        "3|Cy|NULL|NULL"}));
}

TEST_F(OdbcRunTest, LoadsAPostgresTableIntoASqliteFile) {
    setUp(R"(CREATE TABLE "Orders" (id int, item varchar(20), placed timestamp, paid bool))");
    setUp(R"(INSERT INTO "Orders" VALUES (1, 'Pen', '2024-01-02 03:04:05', true),
             (2, U&'B\00FCcher', NULL, false))");
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        std::filesystem::remove(dir.file("out.db"));
        // A timestamp goes into a text column: a date column takes only dates, numbers and
        // text.
        sql("out.db", "CREATE TABLE Orders (id INTEGER, item VARCHAR(20), placed TEXT, paid TEXT)");
        package("spec.ini", "Copy",
                step(1,
                     "StepName=Copy\r\nStepType=dataload\r\nSourceConnection=Pg\r\n"
                     "SourceTableName=Orders\r\nTargetConnection=Out\r\nTargetTableName=Orders\r\n"
                     "SourceToDestinationColumnMappingSection=Cols\r\n") +
                    columns("Cols", {"id", "item", "placed", "paid"}) + pg +
                    "[Data Connection - Out]\r\nDatabaseType=SQLite\r\n"
                    "Database=$(INIPath)/out.db\r\n");
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 0) << report();
        EXPECT_EQ(query("out.db", "SELECT id, item, placed, paid FROM Orders ORDER BY id"),
                  (std::vector<std::string>{"1|Pen|2024-01-02 03:04:05|1",
                                            "2|B\xC3\xBC"
                                            "cher|NULL|0"}));
    }
}

TEST_F(OdbcRunTest, LooksValuesUpInThePostgresDatabaseItLoads) {
    setUp("CREATE TABLE country (code char(2), name varchar(20))");
    setUp("INSERT INTO country VALUES ('FR', 'France'), ('ES', 'Spain')");
    writeCsv("people.csv", "id,country\r\n1,ES\r\n2,FR\r\n3,ES\r\n");
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        setUp("DROP TABLE IF EXISTS people");
        setUp("CREATE TABLE people (id int, country varchar(20))");
        package("spec.ini", "Lookup",
                step(1, kLoadPeople) +
                    "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\n"
                    "SourceMappingType_2=Lookup\r\nSourceColumn_2_P1=country\r\n"
                    "SourceMappingSQLConnection_2=Pg\r\n"
                    "SourceMappingSQLStatement_2=SELECT name FROM country WHERE code = [P1]\r\n"
                    "TargetColumn_2=country\r\n" +
                    filesConnection() + pg);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 0) << report();
        EXPECT_EQ(database.plain.query("SELECT id, country FROM people ORDER BY id"),
                  (std::vector<std::string>{"1|Spain", "2|France", "3|Spain"}));
    }
}

TEST_F(OdbcRunTest, CustomSqlRunsForEveryMatchingTable) {
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        for (const char* table : {"customer", "oldcustomers", "orders"}) {
            setUp(std::string("DROP TABLE IF EXISTS ") + table);
            setUp(std::string("CREATE TABLE ") + table + " (n int)");
            setUp(std::string("INSERT INTO ") + table + " SELECT generate_series(1, 3)");
        }
        package("spec.ini", "Purge",
                step(1,
                     "StepName=Purge\r\nStepType=custom sql\r\nTargetConnection=Pg\r\n"
                     "SourceTableName=CUST\r\n"
                     "SQLStatement=DELETE FROM \"$(Purge-CurrentSourceTable)\" WHERE n > 1\r\n") +
                    pg);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 0) << report();
        EXPECT_NE(report().find("Rows Processed:    4\r\n"), std::string::npos) << report();
        EXPECT_EQ(database.plain.query(
                      "SELECT (SELECT count(*) FROM customer), "
                      "(SELECT count(*) FROM oldcustomers), (SELECT count(*) FROM orders)"),
                  (std::vector<std::string>{"1|1|3"}));
        std::remove(dir.file("report.txt").c_str());
    }
}

TEST_F(OdbcRunTest, CountsTheRecordsOfAPostgresTable) {
    setUp(R"(CREATE TABLE "People" (id int))");
    setUp(R"(INSERT INTO "People" SELECT generate_series(1, 42))");
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        package("spec.ini", "Count",
                step(1,
                     "StepName=Count\r\nStepType=count records\r\nTargetConnection=Pg\r\n"
                     "TargetTableName=People\r\n") +
                    pg);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 0) << report();
        EXPECT_NE(report().find("Rows Processed:    42\r\n"), std::string::npos) << report();
        std::remove(dir.file("report.txt").c_str());
    }
}

TEST_F(OdbcRunTest, ThePostgreSqlTypeTakesAPortOrASocketFolderAndChecksWithoutWriting) {
    setUp("CREATE TABLE people (id int, line int)");
    writeCsv("people.csv", "id,line\r\n1,1\r\n");
    const std::string login = "\r\nDatabase=" + database.name() +
                              "\r\nUserID=" + PostgresTestDatabase::user() +
                              "\r\nPassword=" + PostgresTestDatabase::password() + "\r\n";
    // The test server keeps its socket in its own folder, where the ODBC registrations are.
    for (const std::string& server : {"127.0.0.1:" + PostgresTestDatabase::port(),
                                      PostgresTestDatabase::variable("ODBCSYSINI")}) {
        SCOPED_TRACE(server);
        package("spec.ini", "Load",
                step(1, kLoadPeople) + columns("Cols", {"id", "line"}) + filesConnection() +
                    "[Data Connection - Pg]\r\nDatabaseType=PostgreSQL\r\nServer=" + server +
                    login);
        const auto checked = kivrun("-check spec.ini");
        EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
        EXPECT_EQ(database.plain.scalar("SELECT count(*) FROM people"), "0");
    }
    package("spec.ini", "Load",
            step(1, kLoadPeople) + columns("Cols", {"id", "line"}) + filesConnection() +
                "[Data Connection - Pg]\r\nDatabaseType=PostgreSQL\r\nServer=127.0.0.1" +
                "\r\nDatabase=" + database.name() + "\r\nUserID=" + PostgresTestDatabase::user() +
                "\r\nPassword=wrong\r\n");
    const auto refused = kivrun("-check spec.ini");
    EXPECT_NE(refused.status, 0);
    EXPECT_NE((refused.out + refused.err).find("password authentication failed"), std::string::npos)
        << refused.out << refused.err;
    EXPECT_EQ((refused.out + refused.err).find("wrong"), std::string::npos)
        << refused.out << refused.err;
}

TEST_F(OdbcRunTest, AKeyViolationStopsTheLoadAtItsRowAndKeepsTheRowsBefore) {
    setUp("CREATE TABLE people (id int PRIMARY KEY, line int)");
    std::string csv = "line,id\r\n";
    for (int line = 1; line <= 10; ++line) {
        csv += std::to_string(line) + "," + std::to_string(line == 7 ? 3 : line) + "\r\n";
    }
    writeCsv("people.csv", csv);
    package("spec.ini", "Load",
            step(1, kLoadPeople + "RecordIDColumn_1=line\r\n") + columns("Cols", {"id", "line"}) +
                filesConnection() + serverConnection("Pg"));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(report().find("Rows Processed:    7\r\n"), std::string::npos) << report();
    EXPECT_TRUE(std::regex_search(report(), std::regex("'7' -   E: ERROR: duplicate key value")))
        << report();
    EXPECT_EQ(database.plain.query("SELECT count(*), max(line) FROM people"),
              (std::vector<std::string>{"6|6"}));
}

TEST_F(OdbcRunTest, TheOdbcTypeTakesAFullConnectString) {
    setUp("CREATE TABLE people (id int)");
    setUp("INSERT INTO people VALUES (1), (2)");
    package(
        "spec.ini", "Count",
        step(1,
             "StepName=Count\r\nStepType=count records\r\nTargetConnection=Pg\r\n"
             "TargetTableName=people\r\n") +
            "[Data Connection - Pg]\r\nDatabaseType=ODBC\r\nDatabase=Driver={PostgreSQL Unicode};"
            "Server=127.0.0.1;Port=" +
            PostgresTestDatabase::port() + ";Database=" + database.name() +
            ";\r\nUserID=" + PostgresTestDatabase::user() +
            "\r\nPassword=" + PostgresTestDatabase::password() + "\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_NE(report().find("Rows Processed:    2\r\n"), std::string::npos) << report();
}

TEST_F(OdbcRunTest, SqlServerRunsOnWhicheverOfItsDriversIsInstalled) {
    setUp("CREATE TABLE people (id int)");
    setUp("INSERT INTO people VALUES (1)");
    package("spec.ini", "Count",
            step(1,
                 "StepName=Count\r\nStepType=count records\r\nTargetConnection=Pg\r\n"
                 "TargetTableName=people\r\n") +
                serverConnection("Pg"));
    std::filesystem::create_directories(dir.file("drivers"));
    dir.write("drivers/odbcinst.ini", "[FreeTDS]\nDriver=" + postgresDriverLibrary() + "\n");
    const ScopedVariable drivers("ODBCSYSINI", dir.file("drivers"));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_NE(report().find("Rows Processed:    1\r\n"), std::string::npos) << report();
}

TEST_F(OdbcRunTest, WithoutADriverForSqlServerTheReportNamesTheDriversTried) {
    package("spec.ini", "Count",
            step(1,
                 "StepName=Count\r\nStepType=custom sql\r\nTargetConnection=Pg\r\n"
                 "SQLStatement=SELECT 1\r\n") +
                serverConnection("Pg"));
    std::filesystem::create_directories(dir.file("drivers"));
    dir.write("drivers/odbcinst.ini",
              "[PostgreSQL Unicode]\nDriver=" + postgresDriverLibrary() + "\n");
    const ScopedVariable drivers("ODBCSYSINI", dir.file("drivers"));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(report().find("No ODBC driver for SQL Server is installed; tried 'SQL Server', "
                            "'ODBC Driver 18 for SQL Server', 'ODBC Driver 17 for SQL Server', "
                            "'FreeTDS'."),
              std::string::npos)
        << report();
}

TEST_F(OdbcRunTest, ARowRefusedInTheMiddleOfAGroupFailsTheLoadAtThatRow) {
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        expectRefusedRow(pg, 500, "3", "ok",
                         error +
                             "duplicate key value violates unique constraint "
                             "\"people_pkey\"");
        expectRefusedRow(pg, 321, "321", "toolong",
                         error + "value too long for type character varying(5)");
        expectRefusedRow(pg, 777, "777", "bad",
                         error +
                             "new row for relation \"people\" violates check "
                             "constraint \"people_v_check\"");
        expectRefusedRow(pg, 650, "650", "",
                         error +
                             "null value in column \"v\" of relation \"people\" "
                             "violates not-null constraint");
    }
}

TEST_F(OdbcRunTest, TheFirstAndTheLastRowOfALoadAreRefusedAsThemselves) {
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        expectRefusedRow(pg, 1, "1", "bad",
                         error +
                             "new row for relation \"people\" violates check "
                             "constraint \"people_v_check\"");
        expectRefusedRow(pg, 1000, "1", "ok",
                         error +
                             "duplicate key value violates unique constraint "
                             "\"people_pkey\"");
    }
}

TEST_F(OdbcRunTest, ALookupFailingOnTheConnectionBeingLoadedKeepsTheRowsBeforeIt) {
    std::string csv = "line\r\n";
    for (int line = 1; line <= 1500; ++line) {
        csv += std::to_string(line) + "\r\n";
    }
    writeCsv("people.csv", csv);
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        setUp("DROP TABLE IF EXISTS people");
        setUp("CREATE TABLE people (id int, line int)");
        // Row 1,200's lookup divides by zero: through ODBC the server refuses the rest of the
        // transaction until it is rolled back to what was written before.
        package("spec.ini", "Lookup",
                step(1, kLoadPeople) +
                    "[Cols]\r\nSourceColumn_1=line\r\nTargetColumn_1=line\r\n"
                    "SourceMappingType_2=Lookup\r\nSourceColumn_2_P1=line\r\n"
                    "SourceMappingSQLConnection_2=Pg\r\n"
                    "SourceMappingSQLStatement_2=SELECT 1000 / (CAST([P1] AS int) - 1200)\r\n"
                    "TargetColumn_2=id\r\n" +
                    filesConnection() + pg);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(report().find("division by zero"), std::string::npos) << report();
        EXPECT_EQ(database.plain.query("SELECT count(*), max(line) FROM people"),
                  (std::vector<std::string>{"1199|1199"}));
        std::remove(dir.file("report.txt").c_str());
    }
}

namespace {

// A table with every kind of column users' tables have, and the rows the matrix tests load
// into it, as text the server renders the same way whatever path brought them.
const char* kMatrixTable =
    "CREATE TABLE matrix (i integer, b bigint, t text, v varchar(12), n numeric(12,2), "
    "d double precision, f boolean, day date, ts timestamp, u uuid, j json, bin bytea, "
    "tm time, tz timestamptz)";
const char* kMatrixColumns[] = {"i",   "b",  "t", "v", "n",   "d",  "f",
                                "day", "ts", "u", "j", "bin", "tm", "tz"};
const char* kMatrixReading =
    "SELECT i, b, t, v, n, d, f, day, ts, u::text, j::text, encode(bin, 'hex'), tm, "
    "tz = '2024-05-06 07:08:09'::timestamptz FROM matrix ORDER BY i";
const std::vector<std::string> kMatrixRows = {
    "1|9000000000|Gruss, \"quoted\"|short|1234567890.12|2.5|1|2024-02-29|2023-07-01 08:09:10|"
    "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11|{\"k\": [1, 2]}|616263|13:45:10|1",
    "2|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL",
    "3|-1|x|y|-0.50|-1e-05|0|1900-01-01|1999-12-31 23:59:59|"
    "00000000-0000-0000-0000-000000000000|null|7a|00:00:01|1"};

// The mapping section copying every column of the matrix by its name.
std::string matrixColumns() {
    std::string columns = "[Cols]\r\n";
    int number = 0;
    for (const char* name : kMatrixColumns) {
        const std::string n = std::to_string(++number);
        columns += "SourceColumn_" + n + "=" + name + "\r\nTargetColumn_" + n + "=" + name + "\r\n";
    }
    return columns;
}

}  // namespace

TEST_F(OdbcRunTest, EveryKindOfColumnArrivesFromACsvFileAsItWasWritten) {
    writeCsv("matrix.csv",
             "i,b,t,v,n,d,f,day,ts,u,j,bin,tm,tz\r\n"
             "1,9000000000,\"Gruss, "
             "\"\"quoted\"\"\",short,1234567890.12,2.5,true,2024-02-29,2023-07-01 08:09:10,"
             "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11,\"{\"\"k\"\": [1, 2]}\",abc,13:45:10,"
             "2024-05-06 07:08:09\r\n"
             "2,,,,,,,,,,,,,\r\n"
             "3,-1,x,y,-0.5,-0.00001,false,1900-01-01,1999-12-31 23:59:59,"
             "00000000-0000-0000-0000-000000000000,null,z,00:00:01,2024-05-06 07:08:09\r\n");
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        setUp("DROP TABLE IF EXISTS matrix");
        setUp(kMatrixTable);
        package("spec.ini", "Matrix",
                step(1,
                     "StepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
                     "SourceTableName=matrix.csv\r\nTargetConnection=Pg\r\n"
                     "TargetTableName=matrix\r\nSourceToDestinationColumnMappingSection=Cols\r\n") +
                    matrixColumns() + filesConnection() + pg);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 0) << report();
        EXPECT_EQ(database.plain.query(kMatrixReading), kMatrixRows);
    }
}

TEST_F(OdbcRunTest, EveryKindOfColumnArrivesFromASqliteTableAsItWasWritten) {
    sql("in.db",
        "CREATE TABLE matrix (i INTEGER, b BIGINT, t TEXT, v VARCHAR(12), n NUMERIC(12,2), "
        "d DOUBLE, f BOOLEAN, day DATE, ts DATETIME, u TEXT, j TEXT, bin BLOB, tm TIME, "
        "tz DATETIME)");
    sql("in.db",
        "INSERT INTO matrix VALUES (1, 9000000000, 'Gruss, \"quoted\"', 'short', 1234567890.12, "
        "2.5, 1, '2024-02-29', '2023-07-01 08:09:10', "
        "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{\"k\": [1, 2]}', x'616263', '13:45:10', "
        "'2024-05-06 07:08:09'), (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
        "NULL, NULL, NULL), (3, -1, 'x', 'y', -0.5, -0.00001, 0, '1900-01-01', "
        "'1999-12-31 23:59:59', '00000000-0000-0000-0000-000000000000', 'null', x'7a', "
        "'00:00:01', '2024-05-06 07:08:09')");
    for (const auto& [pg, error] : bothConnections("Pg")) {
        SCOPED_TRACE(pg);
        setUp("DROP TABLE IF EXISTS matrix");
        setUp(kMatrixTable);
        package("spec.ini", "Matrix",
                step(1,
                     "StepName=Load\r\nStepType=dataload\r\nSourceConnection=In\r\n"
                     "SourceTableName=matrix\r\nTargetConnection=Pg\r\n"
                     "TargetTableName=matrix\r\nSourceToDestinationColumnMappingSection=Cols\r\n") +
                    matrixColumns() +
                    "[Data Connection - In]\r\nDatabaseType=SQLite\r\n"
                    "Database=$(INIPath)/in.db\r\n" +
                    pg);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 0) << report();
        EXPECT_EQ(database.plain.query(kMatrixReading), kMatrixRows);
    }
}
