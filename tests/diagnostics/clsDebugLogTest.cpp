#include "diagnostics/clsDebugLog.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "diagnostics/Globals.h"

namespace kiv {

class clsDebugLogTest : public ::testing::Test {
protected:
    void SetUp() override { gbDebugEnabled = true; }
    void TearDown() override { gbDebugEnabled = false; }
    TempDir dir;
};

TEST_F(clsDebugLogTest, WritesIndentedCrLfLinesAndSplitsTexts) {
    clsDebugLog log;
    log.LogFileName(dir.file("debug.log"));
    EXPECT_FALSE(log.IsLogActive());
    log.WriteLog("top");
    log.IncrementIndent();
    log.WriteLog("a\r\n\r\nb\r\n");
    log.WriteLog("");
    log.CurrentIndent(25);
    log.WriteLog("deep");
    log.CurrentIndent(-3);
    EXPECT_EQ(log.CurrentIndent(), 0);
    log.DecrementIndent();
    EXPECT_EQ(log.CurrentIndent(), 0);
    EXPECT_TRUE(log.IsLogOpen());
    EXPECT_EQ(TempDir::read(dir.file("debug.log")),
              "top\r\n   a\r\n   \r\n   b\r\n   \r\n" + std::string(60, ' ') + "deep\r\n");
}

TEST_F(clsDebugLogTest, BlocksRestoreNameAndIndentation) {
    clsDebugLog log;
    log.LogFileName(dir.file("blocks.log"));
    log.EnterBlock("A");
    log.EnterBlock("B");
    log.ExitBlock();
    EXPECT_EQ(log.CurrentBlockName(), "A");
    log.ExitBlock();
    log.ExitBlock();  // nothing left to restore
    EXPECT_EQ(TempDir::read(dir.file("blocks.log")),
              ">>> Entering: A\r\n   >>> Entering: B\r\n   <<< Exiting: B\r\n<<< Exiting: A\r\n"
              "<<< Exiting: \r\n");
}

TEST_F(clsDebugLogTest, CreateAlwaysEmptiesAndAppendAddsAtTheEnd) {
    const std::string file = dir.write("report.log", "old\r\n");
    {
        clsDebugLog log;
        log.AppendToLog(true);
        log.WriteLog("new", false);  // no file name yet: dropped
        log.LogFileName(file);
        log.WriteLog("new");
    }
    EXPECT_EQ(TempDir::read(file), "old\r\nnew\r\n");
    clsDebugLog fresh;
    fresh.OpenLog(file);
    EXPECT_TRUE(fresh.IsLogOpen());
    fresh.WriteLog("only");
    EXPECT_EQ(TempDir::read(file), "only\r\n");
}

TEST_F(clsDebugLogTest, WritesOnlyWhileEnabledUnlessAlwaysOpen) {
    gbDebugEnabled = false;
    clsDebugLog debug;
    debug.LogFileName(dir.file("debug.log"));
    debug.WriteLog("hidden");
    EXPECT_LT(debug.OpenLog(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("debug.log")));

    clsDebugLog report;
    report.AlwaysOpen(true);
    report.LogFileName(dir.file("report.log"));
    report.WriteLog("shown");
    EXPECT_EQ(TempDir::read(dir.file("report.log")), "shown\r\n");
}

TEST_F(clsDebugLogTest, AnUnwritableFileDropsLinesAndRetries) {
    clsDebugLog log;
    log.LogFileName(dir.file("missing/folder/x.log"));
    log.WriteLog("lost");
    EXPECT_FALSE(log.IsLogOpen());
    std::filesystem::create_directories(dir.file("missing/folder"));
    log.WriteLog("kept");
    EXPECT_EQ(TempDir::read(dir.file("missing/folder/x.log")), "kept\r\n");
}

TEST_F(clsDebugLogTest, MessageBoxShowsTheTextUnderTheModuleName) {
    std::string shown;
    clsDebugLog::SetMessageBoxHook(
        [&](const std::string& title, const std::string& text) { shown = title + ":" + text; });
    clsDebugLog log;
    log.WriteLog("", true);
    EXPECT_EQ(shown, "");
    log.WriteLog("hello", true);
    clsDebugLog::SetMessageBoxHook(nullptr);
    EXPECT_EQ(shown, "Debug Message:hello");
}

}  // namespace kiv
