#include "steps/clsKivStep.h"

#include "StepFixture.h"
#include "db/Connection.h"
#include "db/Error.h"

namespace kiv {

using clsKivStepTest = StepFixture;

TEST_F(clsKivStepTest, KeysDefaultsAndConversions) {
    environment->Add("Kind", "count records");
    load("[STEP 1]\nStepName= First \nStepType=$(Kind)\nPrerequisiteTarget_1=\n"
         "PrerequisiteTarget_2=B\nPrerequisiteTarget_4=D\nMaxRowsToLoad=10.5\nSkipRecordCount=x\n"
         "SQLStatement_Line_001=SELECT *\nSQLStatement_Line_002=FROM t\nSQLStatement_Line_004=lost\n"
         "BeforeOpeningEnvVar_1_Name=OnlyName\n"
         "[Step 2]\nStepName=Second\nStepType= DataLoad \nMaxRowsToLoad=11.5\n"
         "SQLStatement=SELECT 1\nSQLStatement_Line_001=ignored\n"
         "[Step 3]\nStepName=Third\nStepType=data load\nMaxRowsToLoad=-7\n");
    ASSERT_EQ(steps.Count(), 3);
    const auto first = step("first");
    EXPECT_EQ(first->StepType(), kstCountRecords);
    EXPECT_EQ(first->PrerequisiteCount(), 1);
    EXPECT_EQ(first->PrerequisiteStepName(1), "B");
    EXPECT_EQ(first->PrerequisiteStepName(2), "");
    EXPECT_EQ(first->MaxRecordsToLoad(), 10);
    EXPECT_EQ(first->SourceRecordsToBeSkipped(), 0);
    EXPECT_EQ(first->SQLStatement(), "SELECT *\r\nFROM t");
    environment->Add("Kind", "dataload");
    EXPECT_EQ(first->StepType(), kstDataLoad);
    EXPECT_EQ(step("Second")->MaxRecordsToLoad(), 12);
    EXPECT_EQ(step("Second")->SQLStatement(), "SELECT 1");
    EXPECT_EQ(step("Second")->StepType(), kstDataLoad);
    const auto third = step("Third");
    EXPECT_EQ(third->MaxRecordsToLoad(), -1);
    EXPECT_EQ(third->StepType(), kstUnknown);
    EXPECT_EQ(third->Process(), kssFailed);
    EXPECT_EQ(messages(*third)[0],
              "55:Invalid Step Type: 'data load'.  Valid Step Types are:\r\n   Do Nothing\r\n"
              "   External Command\r\n   DataLoad\r\n   Extract Catalog\r\n   Extract Table Structure\r\n"
              "   Count Records\r\n   Custom SQL");
    EXPECT_EQ(messages(*third, true).size(), 1u);
}

TEST_F(clsKivStepTest, NamelessStepIsInvalidOncePerPrerequisiteAndAtTheEnd) {
    load("[STEP 1]\nStepName=\nStepType=do nothing\nPrerequisiteTarget_1=A\nPrerequisiteTarget_2=B\n");
    const auto nameless = steps.Item(1);
    EXPECT_EQ(messages(*nameless),
              (std::vector<std::string>(3, "0:Step Name is not valid.")));
    for (int i = 1; i <= 11; ++i) {
        nameless->AddPrerequisiteStepName("P" + std::to_string(i));
    }
    EXPECT_EQ(nameless->PrerequisiteCount(), 13);
    EXPECT_EQ(nameless->PrerequisiteStepName(13), "P11");
    EXPECT_EQ(nameless->PrerequisiteStepName(14), "");
    EXPECT_EQ(nameless->PrerequisiteStepName(0), "");
}

TEST_F(clsKivStepTest, StatusAndTypeTexts) {
    clsKivStep plain;
    EXPECT_EQ(plain.ProcessingStatusString(), "Unknown Status");
    plain.ProcessingStatus(9);
    EXPECT_EQ(plain.ProcessingStatus(), -1);
    EXPECT_EQ(clsKivStep::msKivStepStatusToString(7), "Unknown Status (7)");
    plain.StepType(12);
    EXPECT_EQ(plain.StepType(), -1);
    plain.StepType(kstExtractCatalog);
    EXPECT_EQ(clsKivStep::StepTypeToText(plain.StepType()), "Extract Catalog");
    EXPECT_EQ(clsKivStep::ClassifySQLStatement("  select\r\n* from t"), 0);
    EXPECT_EQ(clsKivStep::ClassifySQLStatement("DELETE"), -1);
    EXPECT_EQ(clsKivStep::StripProviderPrefix("[Kiv][SQLite]no such table: x"), "no such table: x");
}

// Descriptions quote names in brackets themselves; only the tags in front of them go.
TEST_F(clsKivStepTest, StripProviderPrefixRemovesOnlyTheLeadingTags) {
    auto description = [](const std::function<void()>& failing) {
        try {
            failing();
        } catch (const db::Error& error) {
            return error.Description();
        }
        return std::string("no failure");
    };
    db::Connection sqlite;
    sqlite.Open("Provider=SQLite;Data Source=" + dir.file("strip.db"));
    EXPECT_EQ(clsKivStep::StripProviderPrefix(description([&] { sqlite.Execute("SELECT * FROM [a]]b]"); })),
              "no such table: a]b");
    db::Connection text;
    const std::string folder = dir.file("absent");
    EXPECT_EQ(clsKivStep::StripProviderPrefix(description([&] {
                  text.Open("Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + folder + ";");
              })),
              "The folder '" + folder + "' does not exist.");
    const std::string file = dir.file("people.csv");
    dir.write("people.csv", "Id\r\n1\r\n");
    EXPECT_EQ(clsKivStep::StripProviderPrefix(description([&] {
                  text.Open("Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + file + ";");
              })),
              "'" + file +
                  "' is a file, not a folder: a text connection's Database names the folder that "
                  "holds its files, which the steps name as tables.");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[Kiv][Text]people.csv, line 3, column Qty: the value 'lots' is not a Long value. Change "
         "its entry in schema.ini, e.g. Col3=Qty Text in section [people.csv].",
         "people.csv, line 3, column Qty: the value 'lots' is not a Long value. Change its entry in "
         "schema.ini, e.g. Col3=Qty Text in section [people.csv]."},
        {"[Kiv]Cannot convert the value 'x' to INTEGER for column 'Qty'.",
         "Cannot convert the value 'x' to INTEGER for column 'Qty'."},
        {"[Kiv][HTML]HTML files are read-only", "HTML files are read-only"},
        {"[Kiv][Access]Access databases are read-only", "Access databases are read-only"},
        {"[unixODBC][Driver Manager]Data source name not found", "Data source name not found"},
        {"[Kiv][ODBC]ERROR: relation \"a[1]\" does not exist", "ERROR: relation \"a[1]\" does not exist"},
        {"no tags [at all]", "no tags [at all]"},
        {"[Kiv][SQLite]", "[Kiv][SQLite]"},
        {"", ""},
    };
    for (const auto& [given, kept] : cases) {
        EXPECT_EQ(clsKivStep::StripProviderPrefix(given), kept) << given;
    }
}

TEST_F(clsKivStepTest, DumpWritesNothingWithoutAnActiveLog) {
    load("[STEP 1]\nStepName=A\nStepType=do nothing\n");
    clsDebugLog inactive;
    inactive.LogFileName(dir.file("never.log"));
    step("A")->Dump(&inactive);
    step("A")->Dump();
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.log")));
}

}  // namespace kiv
