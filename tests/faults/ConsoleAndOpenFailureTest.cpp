#include "../e2e/RunFixture.h"

using ConsoleAndOpenFailureTest = RunFixture;

TEST_F(ConsoleAndOpenFailureTest, ANulInAStepNameIsPrintedEscaped) {
    package("spec.ini", "Nul",
            std::string("[STEP 1]\r\nStepName=Before") + '\0' +
                "After\r\nStepType=do nothing\r\n"
                "[STEP 2]\r\nStepName=Next\r\nStepType=do nothing\r\n");
    const auto outcome = kivrun("spec.ini");
    EXPECT_NE(outcome.out.find("1  Before\\x00After"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("2  Next"), std::string::npos) << outcome.out;
}

// Every step on a connection that cannot be opened says so, and why; not only the first.
TEST_F(ConsoleAndOpenFailureTest, EachStepOnAConnectionThatCannotOpenSaysWhy) {
    package("spec.ini", "Closed",
            "[STEP 1]\r\nStepName=First\r\nStepType=custom sql\r\nTargetConnection=Gone\r\n"
            "SQLStatement=SELECT 1\r\n"
            "[STEP 2]\r\nStepName=Second\r\nStepType=count records\r\nTargetConnection=Gone\r\n"
            "TargetTableName=t\r\n"
            "[Data Connection - "
            "Gone]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/no/such/folder/x.db\r\n");
    kivrun("-run -report report.txt spec.ini");
    const std::string report = TempDir::read(dir.file("report.txt"));
    const auto second = report.find("2. Second  -- Final Status: Processing Failed\r\n");
    ASSERT_NE(second, std::string::npos) << report;
    const std::string why =
        "E: Connection 'Gone' could not be opened: The database file '" + dir.file("no/such/folder/x.db") +
        "' does not exist.\r\n";
    const auto first =
        report.find(why, report.find("1. First  -- Final Status: Processing Failed"));
    EXPECT_LT(first, second) << report;
    EXPECT_NE(report.find(why, second), std::string::npos) << report;
    EXPECT_EQ(report.find("No Messages to be Printed"), std::string::npos) << report;
}
