#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FaultRunFixture.h"

namespace {

constexpr const char* kRowsProcessed = "Rows Processed: +(\\d+)";
constexpr const char* kLostRows = "the (\\d+) rows? added to \\w+ since the last commit";
constexpr const char* kLostLines = "the last (\\d+) rows? added to it";

// The lines of a text file, each without its CR LF; the text after the last CR LF, which
// would be a row cut short, goes into `rest`.
std::vector<std::string> lines(const std::string& path, std::string& rest) {
    const std::string text = TempDir::read(path);
    std::vector<std::string> result;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        result.push_back(text.substr(at, end - at));
    }
    rest = text.substr(at);
    return result;
}

}  // namespace

// A destination that runs out of room fails the load, says why and where, and holds exactly
// the rows the report does not call lost.
class DiskFull : public FaultRunFixture {
protected:
    // Loads `rows` rows into the SQLite file out.db of `folder` and checks the outcome;
    // `onARow`: the failure comes while a row is saved rather than at the commit after the
    // last row.
    void sqliteLoadFails(long rows, const std::string& folder, long fileBytes,
                         const std::string& databaseMessage, bool onARow) {
        numbers(rows);
        const std::string file = folder + "/out.db";
        SqliteFile::execute(file, "CREATE TABLE big (id INTEGER, name VARCHAR(40))");
        loadPackage("big", "DatabaseType=SQLite\r\nDatabase=" + file + "\r\n");
        const Outcome outcome = kivrunLimited(fileBytes, "-run -report report.txt spec.ini");
        const std::string shown = report();
        EXPECT_EQ(outcome.status, 1) << outcome.err << shown;
        EXPECT_NE(shown.find("Processing Status: Processing Failed"), std::string::npos) << shown;
        EXPECT_NE(shown.find("E: " + databaseMessage + " (database file '" + file + "')"),
                  std::string::npos)
            << shown;
        const long processed = reported(shown, kRowsProcessed);
        const long lost = reported(shown, kLostRows);
        ASSERT_GT(processed, 0) << shown;
        ASSERT_GE(lost, 0) << shown;
        const long kept = processed - (onARow ? 1 : 0) - lost;
        EXPECT_EQ(SqliteFile::query(file, "SELECT count(*) FROM big"),
                  std::vector<std::string>{std::to_string(kept)})
            << shown;
        EXPECT_EQ(SqliteFile::query(file,
                                    "SELECT count(*) FROM big WHERE name <> 'Name ' || id "
                                    "OR id > " +
                                        std::to_string(kept)),
                  std::vector<std::string>{"0"});
    }

    // Loads `rows` rows into the text file out.csv of `folder` and checks the outcome.
    void textLoadFails(long rows, const std::string& folder, long fileBytes,
                       const std::string& systemMessage) {
        numbers(rows);
        const std::string file = folder + "/out.csv";
        { std::ofstream(file, std::ios::binary) << "id,name\r\n"; }
        loadPackage("out.csv", "DatabaseType=TextFile\r\nDatabase=" + folder + "\r\n");
        const Outcome outcome = kivrunLimited(fileBytes, "-run -report report.txt spec.ini");
        const std::string shown = report();
        EXPECT_EQ(outcome.status, 1) << outcome.err << shown;
        EXPECT_NE(shown.find("Processing Status: Processing Failed"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Cannot write " + file + ": " + systemMessage), std::string::npos)
            << shown;
        const long failedRow = reported(shown, kRowsProcessed);
        const long lost = reported(shown, kLostLines);
        ASSERT_GT(failedRow, 0) << shown;
        ASSERT_GE(lost, 0) << shown;
        std::string rest;
        const std::vector<std::string> written = lines(file, rest);
        EXPECT_EQ(rest, "") << "a row cut short";
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written.front(), "id,name");
        EXPECT_EQ(static_cast<long>(written.size()) - 1, failedRow - lost) << shown;
        for (std::size_t i = 1; i < written.size(); ++i) {
            const std::string id = std::to_string(i);
            ASSERT_EQ(written[i], "\"" + id + "\",\"Name " + id + "\"");
        }
    }
};

TEST_F(DiskFull, ASqliteDestinationOnAFullDiskFailsAndKeepsNoRowItDoesNotAdmitLosing) {
    std::string why;
    const std::string folder = smallFolder(2L << 20, why);
    if (folder.empty()) {
        GTEST_SKIP() << why;
    }
    sqliteLoadFails(300000, folder, 0, "database or disk is full", true);
}

TEST_F(DiskFull, ASqliteDestinationBeyondTheFileSizeLimitFailsWithTheIoError) {
    sqliteLoadFails(300000, dir.path(), 2L << 20, "disk I/O error", true);
}

TEST_F(DiskFull, ASqliteCommitThatFailsAtTheEndOfTheLoadFailsTheLoad) {
    // Few enough rows for SQLite to keep them in memory until the commit writes them.
    sqliteLoadFails(40000, dir.path(), 300000, "disk I/O error", false);
}

TEST_F(DiskFull, ATextDestinationOnAFullDiskEndsWithItsLastCompleteRow) {
    std::string why;
    const std::string folder = smallFolder(1L << 20, why);
    if (folder.empty()) {
        GTEST_SKIP() << why;
    }
    textLoadFails(300000, folder, 0, "No space left on device");
}

TEST_F(DiskFull, ATextDestinationBeyondTheFileSizeLimitEndsWithItsLastCompleteRow) {
    textLoadFails(300000, dir.path(), 1000000, "File too large");
}

// A workbook is written when its connection closes, after its last step: a workbook that
// cannot be saved then fails that step, and no workbook is left half written.
TEST_F(DiskFull, AWorkbookThatCannotBeSavedFailsTheStepThatWroteIt) {
    std::string why;
    const std::string folder = smallFolder(64L << 10, why);
    if (folder.empty()) {
        GTEST_SKIP() << why;
    }
    numbers(50000);
    package("spec.ini", "Workbook",
            "[STEP 1]\r\nStepName=Make\r\nStepType=custom sql\r\nTargetConnection=Out\r\n"
            "SQLStatement=CREATE TABLE Numbers (id INTEGER, name TEXT)\r\n"
            "[STEP 2]\r\nStepName=Load\r\nStepType=dataload\r\nPrerequisiteTarget_1=Make\r\n"
            "SourceConnection=In\r\nSourceTableName=numbers.csv\r\nTargetConnection=Out\r\n"
            "TargetTableName=Numbers\r\nSourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=name\r\n"
            "TargetColumn_2=name\r\n"
            "[Data Connection - In]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
            "[Data Connection - Out]\r\nDatabaseType=MSExcel\r\nDatabase=" +
                folder + "/out.xlsx\r\n");
    const Outcome outcome = kivrun("-run -report report.txt spec.ini");
    const std::string shown = report();
    EXPECT_EQ(outcome.status, 1) << outcome.err << shown;
    EXPECT_NE(shown.find("2. Load  -- Final Status: Processing Failed"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("E: The destination connection 'Out' failed when it closed at the end of "
                         "the run, so what this step wrote to it is not kept: "),
              std::string::npos)
        << shown;
    EXPECT_FALSE(std::filesystem::exists(folder + "/out.xlsx"));
}
