#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "RunFixture.h"

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
