#include <chrono>
#include <filesystem>
#include <thread>

#include "StepFixture.h"
#include "steps/ExternalCommandStarter.h"

namespace kiv {

using UtilityStepTest = StepFixture;

TEST_F(UtilityStepTest, ExternalCommandStartsDetachedInItsFolder) {
    std::filesystem::create_directory(dir.file("work"));
    load("[STEP 1]\nStepName=Touch\nStepType=external command\nExternalCommandLine=sleep 0.3; touch done\n"
         "ExternalStartingFolder=" + dir.file("work") + "\n"
         "[STEP 2]\nStepName=Nowhere\nStepType=external command\nExternalCommandLine=true\n"
         "ExternalStartingFolder=" + dir.file("missing") + "\n");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(step("Touch")->Process(), kssSucceeded);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
    EXPECT_FALSE(std::filesystem::exists(dir.file("work/done")));
    for (int i = 0; i < 100 && !std::filesystem::exists(dir.file("work/done")); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("work/done")));
    EXPECT_EQ(step("Touch")->RowsProcessed(), 0);

    EXPECT_EQ(step("Nowhere")->Process(), kssFailed);
    EXPECT_EQ(messages(*step("Nowhere")),
              (std::vector<std::string>{"200:Unable to Perform External Command.\r\n"
                                        "External Command:    true\r\n"
                                        "Default Folder:      " + dir.file("missing") + "\r\n"
                                        "Error Code Returned: 3\r\n"
                                        "Error Message:       The specified path was not found."}));
}

TEST_F(UtilityStepTest, MissingShellAndUnknownCodes) {
    EXPECT_EQ(ExternalCommandStarter(dir.file("no-shell")).Start("true", ""), ExternalCommandStarter::kFileNotFound);
    EXPECT_EQ(ExternalCommandStarter::ErrorText(2), "The specified file was not found.");
    EXPECT_EQ(ExternalCommandStarter::ErrorText(7), "Unknown Error Occurred.");
    EXPECT_GT(ExternalCommandStarter().Start("", ""), 32);
}

TEST_F(UtilityStepTest, CountRecordsComposesItsStatement) {
    sql("target.db", "CREATE TABLE T (x INTEGER); INSERT INTO T VALUES (1),(2),(3);");
    load("[STEP 1]\nStepName=Count\nStepType=count records\nTargetConnection=Target\nTargetTableName=T\n"
         "[STEP 2]\nStepName=Own\nStepType=count records\nTargetConnection=Target\nSQLStatement=SELECT 7\n"
         "[STEP 3]\nStepName=None\nStepType=count records\n");
    EXPECT_EQ(step("Count")->Process(), kssSucceeded);
    EXPECT_EQ(step("Count")->RowsProcessed(), 3);
    EXPECT_EQ(step("Count")->SQLStatement(), "SELECT COUNT (*) AS RcdCnt FROM [T]");
    EXPECT_EQ(step("Own")->Process(), kssSucceeded);
    EXPECT_EQ(step("Own")->RowsProcessed(), 7);
    EXPECT_EQ(step("None")->Process(), kssFailed);
    EXPECT_EQ(messages(*step("None")), (std::vector<std::string>{"10:Destination Connection not set."}));
}

TEST_F(UtilityStepTest, CustomSqlOncePerMatchingTable) {
    sql("target.db", "CREATE TABLE Customer (x INTEGER); CREATE TABLE OldCustomers (x INTEGER);"
                     "CREATE TABLE Orders (x INTEGER); CREATE VIEW CustView AS SELECT x FROM Customer;"
                     "INSERT INTO Customer VALUES (1),(2); INSERT INTO OldCustomers VALUES (3);");
    load("[STEP 1]\nStepName=Purge\nStepType=custom sql\nTargetConnection=Target\nSourceTableName=Cust\n"
         "SQLStatement=INSERT INTO Orders SELECT 1 FROM [$(Purge-CurrentSourceTable)] WHERE 0\n"
         "[STEP 2]\nStepName=Broken\nStepType=custom sql\nTargetConnection=Target\nSQLStatement=DELETE FROM Nowhere\n"
         "[STEP 3]\nStepName=Lonely\nStepType=custom sql\nSQLStatement=SELECT 1\n"
         "[STEP 4]\nStepName=Insert\nStepType=custom sql\nTargetConnection=Target\n"
         "SQLStatement=INSERT INTO Orders VALUES (1), (2)\n");
    std::vector<std::string> seen;
    auto subscription = environment->Changed.subscribe([&](const std::string& name) {
        const std::string table = environment->Item("Purge-CurrentSourceTable")
                                      ? environment->Item("Purge-CurrentSourceTable")->MappingValue()
                                      : "";
        if (name == "Purge-CurrentSourceTable" && (seen.empty() || seen.back() != table)) {
            seen.push_back(table);
        }
    });
    EXPECT_EQ(step("Purge")->Process(), kssSucceeded);
    EXPECT_EQ(seen, (std::vector<std::string>{"Customer", "OldCustomers", "CustView"}));
    EXPECT_EQ(step("Broken")->Process(), kssFailed);
    ASSERT_EQ(messages(*step("Broken")).size(), 1u);
    EXPECT_EQ(messages(*step("Broken"))[0], "1:no such table: Nowhere");
    EXPECT_EQ(step("Lonely")->Process(), kssFailed);
    EXPECT_EQ(messages(*step("Lonely")),
              (std::vector<std::string>{"3:Connection to Target DB for SQL Statement was not specified."}));
    EXPECT_EQ(step("Insert")->Process(), kssSucceeded);
    EXPECT_EQ(step("Insert")->RowsProcessed(), 2);
}

}  // namespace kiv
