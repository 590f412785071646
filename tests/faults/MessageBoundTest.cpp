#include <chrono>
#include <fstream>

#include "../e2e/RunFixture.h"
#include "KivrunProcess.h"
#include "diagnostics/clsMessages.h"

using namespace std::chrono_literals;

TEST(MessageBoundTest, AMillionMessagesKeepTheFirstThousandOfEachTypeAndCountTheRest) {
    kiv::clsMessages messages;
    messages.Add(kiv::kMsgError, "Load", 1, -1, "first error");
    for (int row = 1; row <= 1000000; ++row) {
        const auto message =
            messages.Add(kiv::kMsgWarning, "Load", 2, row, "row " + std::to_string(row));
        ASSERT_EQ(message->RecordNumber(), row);
        messages.Add(kiv::kMsgDisplayOnly, "Load", 2, row, "shown");
    }
    // A failure after the flood of warnings is still held.
    messages.Add(kiv::kMsgError, "Load", 3, -1, "last error");
    EXPECT_EQ(messages.Count(), 2002);
    EXPECT_EQ(messages.CountMsgType(kiv::kMsgWarning), 1000);
    EXPECT_EQ(messages.Item(2000)->Text(), "row 1000");
    EXPECT_EQ(messages.Item(messages.Count())->Text(), "last error");
    EXPECT_EQ(messages.Suppressed(), 999000);
    messages.Remove(2);
    EXPECT_EQ(messages.Add(kiv::kMsgWarning, "Load", 2, -1, "room again")->Text(), "room again");
    EXPECT_EQ(messages.Item(messages.Count())->Text(), "room again");
    messages.Clear();
    EXPECT_EQ(messages.Suppressed(), 0);
}

using MessageBoundRunTest = RunFixture;

// Every row of a million has a text its date column cannot take, logged and loaded as NULL: the
// report lists the first thousand messages and counts the rest, and memory stays flat.
TEST_F(MessageBoundRunTest, AMessageOnEveryRowKeepsReportAndMemorySmall) {
    std::filesystem::create_directory(dir.file("in"));
    {
        std::ofstream csv(dir.file("in/big.csv"), std::ios::binary);
        csv << "id,name\n";
        for (int i = 1; i <= 1000000; ++i) {
            csv << i << ",Name " << i << '\n';
        }
    }
    sql("out.db", "CREATE TABLE big (id INTEGER, name DATE);");
    package("spec.ini", "Flood",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
            "SourceTableName=big.csv\r\nTargetConnection=Out\r\nTargetTableName=big\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=name\r\n"
            "TargetColumn_2=name\r\nMappingOption_2_ConversionError=Null and Log\r\n"
            "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    KivrunProcess run(dir.path(), {"-run", "-report", "report.txt", "spec.ini"});
    run.Wait(300s);
    const std::string report = TempDir::read(dir.file("report.txt"));
    EXPECT_LT(report.size(), 1000000u);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine, so there peak memory measures what
    // was allocated over time, not what was held at once.
    EXPECT_LT(run.PeakKilobytes(), 120 * 1024);
#endif
    std::smatch more;
    ASSERT_TRUE(std::regex_search(report, more,
                                  std::regex(R"(\.\.\. and ([0-9,]+) more messages like these)")))
        << report.substr(0, 4000);
}
