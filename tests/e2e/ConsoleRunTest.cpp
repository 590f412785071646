#include "RunFixture.h"

namespace {

const std::string kCopySteps =
    "[STEP "
    "1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=In\r\nSourceTableName=People\r\n"
    "TargetConnection=Out\r\nTargetTableName=Dest\r\nSourceToDestinationColumnMappingSection="
    "Cols\r\n"
    "[Cols]\r\nSourceColumn_1=Id\r\nTargetColumn_1=Id\r\n"
    "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n";

}  // namespace

using ConsoleRunTest = RunFixture;

TEST_F(ConsoleRunTest, ReportOfARunWithAFailingPrerequisite) {
    sql("out.db", "CREATE TABLE Dest (Id INTEGER);");
    package("spec.ini", "Report test",
            "[STEP 1]\r\nStepName=Broken\r\nStepType=custom sql\r\nTargetConnection=Out\r\n"
            "SQLStatement=DELETE FROM Nowhere\r\n"
            "[STEP 2]\r\nStepName=Never\r\nStepType=do nothing\r\nPrerequisiteTarget_1=Broken\r\n"
            "[STEP 3]\r\nStepName=Fine\r\nStepType=do nothing\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)\\out.db\r\n");
    const auto outcome = kivrun("-run -report report.txt -srcdbase Sales spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(
        report(),
        "\r\n=========================================================\r\n\r\n"
        "Summary Processing Information:\r\n-------------------------------\r\n\r\n"
        "Processing Start Time: T\r\nProcessing End Time:   T\r\n"
        "Elapsed Time: N\r\n\r\n"
        "Source Database Name:  Sales\r\nProcessing Status Information:\r\n"
        "   Step Number:       1\r\n   Step Name:         Broken\r\n   Rows Processed:    0\r\n"
        "   Processing Status: Processing Failed\r\n"
        "   Status Message:    no such table: Nowhere\r\n" +
            std::string(22, ' ') +
            "\r\n   \r\n"
            "   Step Number:       2\r\n   Step Name:         Never\r\n   Rows Processed:    0\r\n"
            "   Processing Status: Will Not Be Processed\r\n"
            "   Status Message:    Will Not Be Processed\r\n   \r\n"
            "   Step Number:       3\r\n   Step Name:         Fine\r\n   Rows Processed:    0\r\n"
            "   Processing Status: Successfully Processed\r\n"
            "   Status Message:    Successfully Processed\r\n   \r\n"
            "\r\nProcessing End Time: T\r\n\r\n\r\n\r\n\r\n\r\n"
            "\r\n=========================================================\r\n\r\n"
            "Detailed Processing Information:\r\n--------------------------------\r\n\r\n"
            "1. Broken  -- Final Status: Processing Failed\r\n"
            "        E: no such table: Nowhere\r\n\r\n"
            "2. Never  -- Final Status: Will Not Be Processed\r\n"
            "        S: Prerequisite Failed.\r\n\r\n"
            "3. Fine  -- Final Status: Successfully Processed\r\n" +
            std::string(18, ' ') +
            "No Messages to be Printed.\r\n\r\n"
            "\r\n\r\n\r\n\r\n\r\n");
    EXPECT_TRUE(
        std::regex_search(outcome.out, std::regex("\n1 +Broken +0 +no such table: Nowhere")))
        << outcome.out;
    // A second run appends its report after the first.
    kivrun("-run -report report.txt spec.ini");
    EXPECT_NE(report().find("Source Database Name:  << Not Specified >>"), std::string::npos);
    EXPECT_NE(report().find("Source Database Name:  Sales"), std::string::npos);
}

TEST_F(ConsoleRunTest, PrimaryInputPatternStopsAfterTheFailingDataSet) {
    for (const char* file : {"in1.db", "in2.db", "in3.db"}) {
        sql(file, "CREATE TABLE People (Id INTEGER); INSERT INTO People VALUES (1), (2);");
    }
    sql("in2.db",
        "DROP TABLE People; CREATE TABLE People (Id TEXT); INSERT INTO People VALUES ('x');");
    sql("out.db", "CREATE TABLE Dest (Id INTEGER NOT NULL);");
    package("spec.ini", "Pattern",
            kCopySteps +
                "[Data Connection - In]\r\nDatabaseType=SQLite\r\nPrimaryInputDataSource=True\r\n"
                "Database=$(INIPath)/in*.db\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(query("out.db", "SELECT COUNT(*) FROM Dest"), (std::vector<std::string>{"2"}));
    EXPECT_NE(report().find("Rows Processed:    3"), std::string::npos) << report();
    EXPECT_NE(outcome.err.find("Dataset 2 of 3: Step 1 Load: "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(": Processing Failed\n"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("Dataset 3 of 3"), std::string::npos);

    // A database of the pattern without the table is named.
    sql("in2.db", "DROP TABLE People;");
    ASSERT_EQ(kivrun("-run -report report.txt spec.ini").status, 1);
    EXPECT_NE(report().find("E: The source connection 'In' has no table 'People' in its current "
                            "database '" +
                            dir.file("in2.db") + "'."),
              std::string::npos)
        << report();
}

TEST_F(ConsoleRunTest, TheFirstStepOfANameWinsAcrossFiles) {
    sql("in.db", "CREATE TABLE People (Id INTEGER); INSERT INTO People VALUES (1);");
    sql("out.db", "CREATE TABLE Dest (Id INTEGER);");
    const std::string input =
        "[Data Connection - In]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/in.db\r\n";
    package("a.ini", "First", kCopySteps + input);
    package("b.ini", "Second", std::string(kCopySteps) + input);
    const auto outcome = kivrun("-run a.ini b.ini");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(query("out.db", "SELECT COUNT(*) FROM Dest"), (std::vector<std::string>{"1"}));
}

TEST_F(ConsoleRunTest, ParameterFileAndARunWithoutSteps) {
    dir.write("params.txt", "-run\n-report report.txt\n-e Greeting=hello\n");
    const auto outcome = kivrun("-p params.txt");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(report().find("Processing Status Information:\r\n\r\nProcessing End Time: T"),
              std::string::npos)
        << report();
    EXPECT_EQ(outcome.err, "");
}

TEST_F(ConsoleRunTest, SingleStepCancelStopsTheRun) {
    package("spec.ini", "Steps",
            "[STEP 1]\r\nStepName=One\r\nStepType=do nothing\r\n"
            "[STEP 2]\r\nStepName=Two\r\nStepType=do nothing\r\nPrerequisiteTarget_1=One\r\n");
    const auto cancelled = kivrun("-run -singlestep -report report.txt spec.ini", "c\n");
    EXPECT_EQ(cancelled.status, 1);
    EXPECT_NE(cancelled.err.find(
                  "Completed Processing Step: One\nStep Status is: Successfully Processed"),
              std::string::npos);
    EXPECT_NE(report().find("2. Two  -- Final Status: Ready for Processing"), std::string::npos)
        << report();
    const auto continued = kivrun("-run -singlestep spec.ini", "\n\n");
    EXPECT_EQ(continued.status, 0);
}

TEST_F(ConsoleRunTest, DebugLogDumpsTheStepDefinitions) {
    package("spec.ini", "Debug", "[STEP 1]\r\nStepName=One\r\nStepType=do nothing\r\n");
    kivrun("-run -debugfile debug.log spec.ini");
    const std::string log = TempDir::read(dir.file("debug.log"));
    EXPECT_NE(
        log.find(
            "\r\nDUMP STEP DEFINITIONS:\r\n======================\r\n\r\n\r\n"
            "Number of Actual Steps: 1\r\nDefinition of Step 1\r\n   Step Name:        'One'\r\n"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("Processed One: Mode 'Do Nothing' - Results: Successfully Processed"),
              std::string::npos);
}
