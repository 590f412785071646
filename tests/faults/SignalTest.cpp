#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "../e2e/RunFixture.h"
#include "base/Text.h"
#include "KivrunProcess.h"

namespace {

using namespace std::chrono_literals;
using kiv::text::replaceAll;

const std::string kLoadThenTwoSteps =
    "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
    "SourceTableName=big.csv\r\nTargetConnection=Out\r\nTargetTableName=big\r\n"
    "SourceToDestinationColumnMappingSection=Cols\r\n"
    "[STEP 2]\r\nStepName=After\r\nStepType=do nothing\r\nPrerequisiteTarget_1=Load\r\n"
    "[STEP 3]\r\nStepName=Other\r\nStepType=do nothing\r\n"
    "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=name\r\nTargetColumn_2="
    "name\r\n"
    "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
    "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n";

long fileSize(const std::string& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

}  // namespace

class SignalTest : public RunFixture {
protected:
    void writeMillionRows() {
        std::filesystem::create_directory(dir.file("in"));
        std::ofstream csv(dir.file("in/big.csv"), std::ios::binary);
        csv << "id,name\n";
        for (int i = 1; i <= 1000000; ++i) {
            csv << i << ",Name " << i << '\n';
        }
    }
};

TEST_F(SignalTest, EachSignalCancelsALoadMidwayAndTheReportSaysSo) {
    writeMillionRows();
    package("spec.ini", "Signals", kLoadThenTwoSteps);
    for (const auto& [signal, name, status] :
         {std::tuple{SIGINT, "SIGINT", 130}, std::tuple{SIGTERM, "SIGTERM", 143},
          std::tuple{SIGHUP, "SIGHUP", 129}}) {
        SCOPED_TRACE(name);
        std::filesystem::remove(dir.file("out.db"));
        std::filesystem::remove(dir.file("report.txt"));
        sql("out.db", "CREATE TABLE big (id INTEGER, name TEXT);");
        KivrunProcess run(dir.path(), {"-run", "-report", "report.txt", "spec.ini"});
        // Rows are on their way once the destination file grows.
        const auto giveUp = std::chrono::steady_clock::now() + 60s;
        while (fileSize(dir.file("out.db")) < 1000000 &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(2ms);
        }
        ASSERT_TRUE(run.Signal(signal));
        ASSERT_EQ(run.Wait(60s), status) << TempDir::read(dir.file("stderr.txt"));

        const std::string report = TempDir::read(dir.file("report.txt"));
        EXPECT_NE(report.find("\r\nRun cancelled by signal " + std::string(name) + ".\r\n"),
                  std::string::npos)
            << report;
        std::smatch rows;
        ASSERT_TRUE(std::regex_search(report, rows, std::regex("Rows Processed: +(\\d+)\r\n")))
            << report;
        const long written = std::stol(rows[1]);
        EXPECT_GT(written, 0);
        EXPECT_LT(written, 1000000);
        // Every row reported as written is in the destination, and no more.
        EXPECT_EQ(query("out.db", "SELECT count(*), max(id) FROM big"),
                  std::vector<std::string>{rows[1].str() + "|" + rows[1].str()});
        EXPECT_NE(
            report.find(
                "1. Load  -- Final Status: Processing Failed\r\n        E: The run was cancelled "
                "after record " +
                rows[1].str() + ";"),
            std::string::npos)
            << report;
        EXPECT_NE(report.find("2. After  -- Final Status: Will Not Be Processed"),
                  std::string::npos)
            << report;
        EXPECT_NE(report.find("3. Other  -- Final Status: Ready for Processing"), std::string::npos)
            << report;
        EXPECT_TRUE(
            std::regex_search(TempDir::read(dir.file("stdout.txt")),
                              std::regex("1 +Load +" + rows[1].str() + " +The run was cancelled")));
    }
}

TEST_F(SignalTest, ACancelledTruncatingLoadKeepsTheOldRowsAndSaysSo) {
    writeMillionRows();
    package("spec.ini", "Truncate",
            replaceAll(kLoadThenTwoSteps, "TargetTableName=big\r\n",
                       "TargetTableName=big\r\nTargetLoadMode=Truncate\r\n"));
    sql("out.db", "CREATE TABLE big (id INTEGER, name TEXT); INSERT INTO big VALUES (7, 'old');");
    KivrunProcess run(dir.path(), {"-run", "-report", "report.txt", "spec.ini"});
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (fileSize(dir.file("out.db-journal")) + fileSize(dir.file("out.db")) < 1000000 &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(run.Signal(SIGINT));
    ASSERT_EQ(run.Wait(60s), 130) << TempDir::read(dir.file("stderr.txt"));

    const std::string report = TempDir::read(dir.file("report.txt"));
    EXPECT_TRUE(std::regex_search(
        report, std::regex("E: The run was cancelled after record \\d+\\.\r\n")))
        << report;
    EXPECT_EQ(report.find("the records up to it are written"), std::string::npos) << report;
    EXPECT_NE(report.find("The step's rows were rolled back: big on the connection 'Out' is as it "
                          "was before the step."),
              std::string::npos)
        << report;
    EXPECT_EQ(query("out.db", "SELECT id, name FROM big"), std::vector<std::string>{"7|old"});
}

TEST_F(SignalTest, ASecondSignalEndsTheProcessAtOnce) {
    // A statement that runs for minutes and cannot be cancelled between rows.
    package("spec.ini", "Busy",
            "[STEP 1]\r\nStepName=Busy\r\nStepType=custom sql\r\nTargetConnection=Out\r\n"
            "SQLStatement=WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < "
            "10000000000) "
            "SELECT count(*) FROM c\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    sql("out.db", "CREATE TABLE t (x INTEGER);");
    KivrunProcess run(dir.path(), {"-run", "-report", "report.txt", "spec.ini"});
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(run.Signal(SIGTERM));
    // The first signal waits for the statement in hand.
    EXPECT_EQ(run.Wait(500ms), KivrunProcess::kStillRunning);
    ASSERT_TRUE(run.Signal(SIGINT));
    EXPECT_EQ(run.Wait(5s), 130);
    EXPECT_FALSE(std::filesystem::exists(dir.file("report.txt")));
}
