#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "PostgresRunFixture.h"

namespace {

// 100,000 CSV rows (line, id, v, d) loaded into a SQLite table; 37 rows spread through the
// file carry a value the destination refuses: an id that is no number, a text too long for
// v, or a day that is no date (which the column mapping refuses).
class RejectFileRunTest : public RunFixture {
protected:
    static constexpr int kRows = 100'000;

    static bool isBad(int line) {
        return line >= 1000 && (line - 1000) % 2700 == 0 && line <= 98200;
    }

    void SetUp() override {
        std::string csv = "line,id,v,d\r\n";
        csv.reserve(4'000'000);
        for (int line = 1; line <= kRows; ++line) {
            const int kind = isBad(line) ? (line - 1000) / 2700 % 3 : -1;
            csv += std::to_string(line) + "," +
                   (kind == 0 ? "x" + std::to_string(line) : std::to_string(line)) + "," +
                   (kind == 1 ? "toolong" : "ok") + "," + (kind == 2 ? "someday" : "2024-05-17") +
                   "\r\n";
        }
        std::filesystem::create_directories(dir.file("in"));
        dir.write("in/people.csv", csv);
        dir.write("in/schema.ini",
                  "[people.csv]\r\nCol1=line Long\r\nCol2=id Text\r\n"
                  "Col3=v Text\r\nCol4=d Text\r\n");
    }

    Outcome load(const std::string& maxRejected) {
        std::filesystem::remove(dir.file("out.db"));
        std::filesystem::remove(dir.file("report.txt"));
        sql("out.db", "CREATE TABLE people (line INTEGER, id INTEGER, v VARCHAR(5), d DATE)");
        package(
            "spec.ini", "Rejects",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
            "SourceTableName=people.csv\r\nTargetConnection=Out\r\nTargetTableName=people\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\nRecordIDColumn_1=line\r\n"
            "RejectFile=$(INIPath)/rejects/$(Load-CurrentSourceTable)\r\n"
            "MaxRejectedRows=" +
                maxRejected +
                "\r\n"
                "[Cols]\r\nSourceColumn_1=line\r\nTargetColumn_1=line\r\nSourceColumn_2=id\r\n"
                "TargetColumn_2=id\r\nSourceColumn_3=v\r\nTargetColumn_3=v\r\n"
                "SourceColumn_4=d\r\nTargetColumn_4=d\r\n"
                "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
        return kivrun("-run -quiet -report report.txt spec.ini");
    }

    std::vector<std::string> rejectLines() {
        std::vector<std::string> lines;
        std::istringstream in(TempDir::read(dir.file("rejects/people.csv")));
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(line.ends_with('\r')) << line;
            line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
};

}  // namespace

TEST_F(RejectFileRunTest, BadRowsGoToTheRejectFileWithTheirReasonsAndTheRestIsLoaded) {
    const Outcome outcome = load("100");
    EXPECT_EQ(outcome.status, 0) << outcome.out << report();
    EXPECT_EQ(
        query("out.db", "SELECT count(*), sum(v = 'ok'), sum(typeof(id) = 'integer') FROM people"),
        (std::vector<std::string>{"99963|99963|99963"}));
    const std::vector<std::string> lines = rejectLines();
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[0], "line,id,v,d,kiv_record_id,kiv_column,kiv_message");
    for (int k = 0; k < 37; ++k) {
        const std::string line = std::to_string(1000 + 2700 * k);
        const std::string& rejected = lines[static_cast<std::size_t>(k + 1)];
        EXPECT_TRUE(rejected.starts_with(line + ",")) << rejected;
        EXPECT_NE(rejected.find(",'" + line + "',"), std::string::npos) << rejected;
        const char* column[] = {",id,", ",v,", ",d,"};
        EXPECT_NE(rejected.find(column[k % 3]), std::string::npos) << rejected;
    }
    EXPECT_NE(lines[1].find("x1000,ok,2024-05-17,'1000',id,"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("3700,toolong,2024-05-17,'3700',v,\"String data, right truncation"),
              std::string::npos)
        << lines[2];
    EXPECT_NE(
        lines[3].find("6400,ok,someday,'6400',d,Unable to convert source data for field: 'd'."),
        std::string::npos)
        << lines[3];
    const std::string text = report();
    EXPECT_NE(text.find("Status Message:    Successfully Processed.  Rejected 37 records."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("'3700' -   W: Source row 3700 set aside in the reject file: String data"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("   E: "), std::string::npos) << text;
}

TEST_F(RejectFileRunTest, OneRejectedRowMoreThanAllowedFailsTheStepAtThatRow) {
    const Outcome outcome = load("10");
    EXPECT_EQ(outcome.status, 1) << outcome.out;
    // The 11th bad row is row 28,000: the rows before it but the ten set aside are written.
    EXPECT_EQ(query("out.db", "SELECT count(*), max(line) FROM people"),
              (std::vector<std::string>{"27989|27999"}));
    EXPECT_EQ(rejectLines().size(), 12u);
    const std::string text = report();
    EXPECT_NE(text.find("'28000' -   E: More than 10 records were rejected (MaxRejectedRows=10); "
                        "the load stopped at source row 28000."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Status Message:    More than 10 records were rejected"), std::string::npos)
        << text;
}

TEST_F(RejectFileRunTest, WithoutMaxRejectedRowsTheFirstBadRowFailsTheStepAsAlways) {
    const Outcome outcome = load("0");
    EXPECT_EQ(outcome.status, 1) << outcome.out;
    EXPECT_EQ(query("out.db", "SELECT count(*) FROM people"), (std::vector<std::string>{"999"}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("rejects/people.csv")));
}

namespace {

// Rows the server refuses once they are sent in a group: the group is sent again row by
// row, the refused rows go to the reject file and the others are written.
class RejectFileOdbcRunTest : public PostgresRunFixture {
protected:
    void SetUp() override {
        PostgresRunFixture::SetUp();
        ASSERT_EQ(database.plain.execute("CREATE TABLE people (id int PRIMARY KEY, line int, "
                                         "v varchar(5) NOT NULL CHECK (v <> 'bad'))"),
                  "");
        // Rows 250, 251 and 777 repeat a key, row 600 is 'bad' for the check.
        std::string csv = "line,id,v\r\n";
        for (int line = 1; line <= 1000; ++line) {
            const bool repeated = line == 250 || line == 251 || line == 777;
            csv += std::to_string(line) + "," + std::to_string(repeated ? 3 : line) + "," +
                   (line == 600 ? "bad" : "ok") + "\r\n";
        }
        std::filesystem::create_directories(dir.file("in"));
        dir.write("in/people.csv", csv);
    }

    // The connection sections to the table: through ODBC and through libpq.
    std::vector<std::string> connections() const {
        return {serverConnection("Pg"), postgresConnection(database, "Pg")};
    }

    Outcome load(const std::string& maxRejected, const std::string& connection,
                 const std::string& keys = "") {
        EXPECT_EQ(database.plain.execute("DELETE FROM people"), "");
        std::filesystem::remove(dir.file("rejects.csv"));
        std::filesystem::remove(dir.file("report.txt"));
        package(
            "spec.ini", "Rejects",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
            "SourceTableName=people.csv\r\nTargetConnection=Pg\r\nTargetTableName=people\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\nRecordIDColumn_1=line\r\n"
            "RejectFile=rejects.csv\r\nMaxRejectedRows=" +
                maxRejected + "\r\n" + keys +
                "\r\n[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=line\r\n"
                "TargetColumn_2=line\r\nSourceColumn_3=v\r\nTargetColumn_3=v\r\n"
                "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n" +
                connection);
        return kivrun("-run -quiet -report report.txt spec.ini");
    }

    // Rows 250, 251, 600 and 777 are in the reject file and the report, the others in the
    // table.
    void expectSetAside(const Outcome& outcome);
    // The third refused row, 600, failed the step; the rows before it are written.
    void expectStoppedAt600(const Outcome& outcome);
};

}  // namespace

TEST_F(RejectFileOdbcRunTest, RowsRefusedInAGroupAreSetAsideAndTheRestOfTheGroupIsWritten) {
    for (const std::string& connection : connections()) {
        for (const std::string keys : {"", "AllOrNothing=True\r\n"}) {
            SCOPED_TRACE(connection + keys);
            expectSetAside(load("10", connection, keys));
        }
    }
}

void RejectFileOdbcRunTest::expectSetAside(const Outcome& outcome) {
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_EQ(database.plain.query("SELECT count(*), sum(line) FROM people"),
              (std::vector<std::string>{"996|" + std::to_string(500500 - 250 - 251 - 600 - 777)}));
    const std::string rejects = TempDir::read(dir.file("rejects.csv"));
    // Each rejected row, in the order of the source, with the server's reason (which the
    // ODBC driver starts with "ERROR: ").
    std::size_t at = 0;
    for (const std::string start :
         {"line,id,v,kiv_record_id,kiv_column,kiv_message\r\n", "\r\n250,3,ok,'250',,\"",
          "duplicate key", "\r\n251,3,ok,'251',,\"", "duplicate key", "\r\n600,600,bad,'600',,\"",
          "new row for relation \"\"people\"\" violates check", "\r\n777,3,ok,'777',,\"",
          "duplicate key"}) {
        at = rejects.find(start, at);
        ASSERT_NE(at, std::string::npos) << start << "\n" << rejects;
    }
    const std::string text = report();
    const std::size_t warning =
        text.find("'777' -   W: Source row 777 set aside in the reject file: ");
    ASSERT_NE(warning, std::string::npos) << text;
    EXPECT_NE(text.find("duplicate key", warning), std::string::npos) << text;
    EXPECT_NE(text.find("Status Message:    Successfully Processed.  Rejected 4 records."),
              std::string::npos)
        << text;
}

// A row refused before it is sent, after rows of the group the server refuses one of, does not
// shift which row the server refused.
TEST_F(RejectFileOdbcRunTest, ARowRefusedBeforeItIsSentDoesNotShiftTheRowTheServerRefused) {
    ASSERT_EQ(
        database.plain.execute("CREATE TABLE t (id int PRIMARY KEY, name varchar(5), qty int)"),
        "");
    dir.write("in/t.csv",
              "id,name,qty\r\n1,Pen,1\r\n2,Toolong,1\r\n3,Ink,1\r\n4,Cap,abc\r\n5,Pad,1\r\n");
    dir.write("in/schema.ini",
              "[t.csv]\r\nColNameHeader=True\r\nCol1=id Long\r\nCol2=name Text\r\n"
              "Col3=qty Text\r\n");
    for (const std::string& connection : connections()) {
        for (const std::string maxRejected : {"5", "0"}) {
            SCOPED_TRACE(connection + maxRejected);
            ASSERT_EQ(database.plain.execute("DELETE FROM t"), "");
            std::filesystem::remove(dir.file("rejects.csv"));
            package("t.ini", "Shift",
                    "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
                    "SourceTableName=t.csv\r\nTargetConnection=Pg\r\nTargetTableName=t\r\n"
                    "SourceToDestinationColumnMappingSection=Cols\r\nRejectFile=rejects.csv\r\n"
                    "MaxRejectedRows=" +
                        maxRejected +
                        "\r\n[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\n"
                        "SourceColumn_2=name\r\nTargetColumn_2=name\r\nSourceColumn_3=qty\r\n"
                        "TargetColumn_3=qty\r\n[Data Connection - Files]\r\nDatabaseType="
                        "TextFile\r\nDatabase=$(INIPath)/in\r\n" +
                        connection);
            const Outcome outcome = kivrun("-run -quiet -report report.txt t.ini");
            if (maxRejected == "0") {
                EXPECT_EQ(outcome.status, 1);
                EXPECT_EQ(database.plain.query("SELECT id FROM t"),
                          (std::vector<std::string>{"1"}));
                EXPECT_NE(report().find("Rows Processed:    2\r\n"), std::string::npos) << report();
                continue;
            }
            EXPECT_EQ(outcome.status, 0) << report();
            EXPECT_EQ(database.plain.query("SELECT id FROM t ORDER BY id"),
                      (std::vector<std::string>{"1", "3", "5"}));
            const std::string rejects = TempDir::read(dir.file("rejects.csv"));
            EXPECT_NE(rejects.find("\r\n2,Toolong,1,"), std::string::npos) << rejects;
            EXPECT_NE(rejects.find("\r\n4,Cap,abc,4,qty,"), std::string::npos) << rejects;
            EXPECT_EQ(rejects.find("\r\n3,"), std::string::npos) << rejects;
        }
    }
}

TEST_F(RejectFileOdbcRunTest, OneRowTooManyInAGroupStopsTheLoadAtThatRow) {
    for (const std::string& connection : connections()) {
        SCOPED_TRACE(connection);
        expectStoppedAt600(load("2", connection));
    }
}

void RejectFileOdbcRunTest::expectStoppedAt600(const Outcome& outcome) {
    EXPECT_EQ(outcome.status, 1) << report();
    // Row 600 is the third refused: the rows before it but the two set aside are written.
    EXPECT_EQ(database.plain.query("SELECT count(*), max(line) FROM people"),
              (std::vector<std::string>{"597|599"}));
    const std::string text = report();
    EXPECT_NE(text.find("Rows Processed:    600\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("'600' -   E: More than 2 records were rejected"), std::string::npos)
        << text;
}
