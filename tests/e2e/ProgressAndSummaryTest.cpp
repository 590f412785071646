#include <pty.h>
#include <unistd.h>

#include <fstream>

#include "RunFixture.h"

namespace {

// A load of many rows from a CSV file into a SQLite table.
const std::string kLoad =
    "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
    "SourceTableName=big.csv\r\nTargetConnection=Out\r\nTargetTableName=Dest\r\n"
    "SourceToDestinationColumnMappingSection=Cols\r\n"
    "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=Id\r\nSourceColumn_2=name\r\nTargetColumn_2="
    "Name\r\n"
    "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
    "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n";

class ProgressAndSummaryTest : public RunFixture {
protected:
    void bigLoad(int rows) {
        std::filesystem::create_directories(dir.file("in"));
        std::ofstream csv(dir.file("in/big.csv"), std::ios::binary);
        csv << "id,name\n";
        for (int i = 1; i <= rows; ++i) {
            csv << i << ",Customer number " << i << "\n";
        }
        sql("out.db", "CREATE TABLE Dest (Id INTEGER, Name TEXT);");
        package("spec.ini", "Big", kLoad);
    }

    // Everything kivrun writes to a terminal: standard error is the pseudo-terminal.
    std::string onTerminal(const std::string& arguments) {
        int terminal = -1;
        const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (child == 0) {
            ::chdir(dir.path().c_str());
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            ::unsetenv("QT_QPA_PLATFORM");
            const std::string command =
                std::string(KIVRUN_PATH) + " -console " + arguments + " >/dev/null";
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::string shown;
        char buffer[4096];
        for (ssize_t count; (count = ::read(terminal, buffer, sizeof buffer)) > 0;) {
            shown.append(buffer, static_cast<std::size_t>(count));
        }
        ::close(terminal);
        int status = 0;
        ::waitpid(child, &status, 0);
        return shown;
    }
};

TEST_F(ProgressAndSummaryTest, ATerminalSeesTheStepLiveAndItsOutcome) {
    bigLoad(400000);
    const std::string shown = onTerminal("-run spec.ini");
    EXPECT_NE(shown.find("\rStep 1 Load  "), std::string::npos) << shown;
    EXPECT_TRUE(
        std::regex_search(shown, std::regex("Step 1 Load  [0-9,]+ rows  [0-9,]+ rows/s  0:0\\d  "
                                            "\\[[#-]{20}\\] \\d+%")))
        << shown;
    EXPECT_TRUE(std::regex_search(
        shown, std::regex("\rStep 1 Load: 400,000 rows in [0-9.]+ s \\([0-9,]+ rows/s\\): "
                          "Successfully Processed *\r?\n")))
        << shown;
    EXPECT_EQ(shown.find("Step 0 of"), std::string::npos);
    EXPECT_EQ(onTerminal("-run -quiet spec.ini").find("Step 1"), std::string::npos);
}

TEST_F(ProgressAndSummaryTest, ElsewhereOneLinePerFinishedStepUnlessQuiet) {
    bigLoad(10);
    const auto outcome = kivrun("-run spec.ini");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(std::regex_match(
        outcome.err, std::regex("Step 1 Load: 10 rows in [0-9.]+ s.*: Successfully Processed\n")))
        << outcome.err;
    EXPECT_EQ(kivrun("-run --quiet spec.ini").err, "");
}

TEST_F(ProgressAndSummaryTest, TheSummaryOfARunFollowsItsSchema) {
    bigLoad(3);
    package(
        "spec.ini", "Summary",
        kLoad +
            "[STEP 2]\r\nStepName=Broken\r\nStepType=custom sql\r\nTargetConnection=Out\r\n"
            "SQLStatement=DELETE FROM Nowhere\r\n"
            "[STEP 3]\r\nStepName=Never\r\nStepType=do nothing\r\nPrerequisiteTarget_1=Broken\r\n");
    const auto outcome = kivrun("-run --summary run.json spec.ini");
    EXPECT_EQ(outcome.status, 1);
    const std::string summary = TempDir::read(dir.file("run.json"));
    const std::string validate =
        "python3 -c 'import json,sys,jsonschema; "
        "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' " +
        dir.file("run.json") + " " + KIV_SOURCE_DIR + "/docs/run-summary.schema.json 2>&1";
    EXPECT_EQ(std::system(validate.c_str()), 0) << summary;
    EXPECT_NE(summary.find("\"exitStatus\": 1,"), std::string::npos) << summary;
    EXPECT_NE(
        summary.find("{\"number\": 1, \"name\": \"Load\", \"type\": \"DataLoad\", \"status\": 3, "
                     "\"statusText\": \"Successfully Processed\", \"rows\": 3, \"seconds\": "),
        std::string::npos)
        << summary;
    EXPECT_NE(summary.find("\"name\": \"Broken\", \"type\": \"Custom SQL\", \"status\": 5"),
              std::string::npos);
    EXPECT_NE(summary.find("no such table: Nowhere"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"name\": \"Never\", \"type\": \"Do Nothing\", \"status\": 4"),
              std::string::npos);
}

TEST_F(ProgressAndSummaryTest, ASummaryThatCannotBeWrittenFailsTheRun) {
    bigLoad(3);
    const auto outcome = kivrun("-run -summary nowhere/run.json spec.ini");
    EXPECT_NE(outcome.status, 0);
    EXPECT_NE(outcome.err.find("nowhere/run.json"), std::string::npos) << outcome.err;
}

}  // namespace
