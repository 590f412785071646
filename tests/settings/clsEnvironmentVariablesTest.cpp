#include "settings/clsEnvironmentVariables.h"

#include <gtest/gtest.h>

#include <chrono>

#include "TempDir.h"
#include "diagnostics/Globals.h"

namespace kiv {

class clsEnvironmentVariablesTest : public ::testing::Test {
protected:
    std::string substitute(std::string_view text) {
        return environment.ReplaceEnvironmentVariables(text);
    }
    clsEnvironmentVariables environment;
};

TEST_F(clsEnvironmentVariablesTest, PlaceholderForms) {
    environment.Add("ExeDir", "C:\\Tools");
    environment.Add("V", "abcdef");
    EXPECT_EQ(substitute("$(exedir)\\in"), "C:\\Tools\\in");
    EXPECT_EQ(substitute("$(V:sub,2,3)"), "bcd");
    EXPECT_EQ(substitute("$(V:sub,-3)"), "def");
    EXPECT_EQ(substitute("$(V:sub,2,-1)"), "bcdef");
    EXPECT_EQ(substitute("$(V:SUB,4)"), "def");
    EXPECT_EQ(substitute("$(V:sub, 2 , 0 )"), "bcdef");
    EXPECT_EQ(substitute("$(V:sub,9)"), "");
    EXPECT_EQ(substitute("$(V:x)"), "abcdef");
    EXPECT_EQ(substitute("$(V)-$(v)"), "abcdef-abcdef");
    EXPECT_EQ(substitute("$(W) and $(V"), "$(W) and $(V");
}

TEST_F(clsEnvironmentVariablesTest, SubstringPositionsCountCharacters) {
    environment.Add("U", "\xc3\xa4\xc3\xb6\xc3\xbc");
    EXPECT_EQ(substitute("$(U:sub,2,1)"), "\xc3\xb6");
}

TEST_F(clsEnvironmentVariablesTest, LaterEntriesExpandEarlierValues) {
    environment.Add("A", "$(B)");
    environment.Add("B", "x");
    EXPECT_EQ(substitute("$(A)"), "x");
    clsEnvironmentVariables reversed;
    reversed.Add("B", "x");
    reversed.Add("A", "$(B)");
    EXPECT_EQ(reversed.ReplaceEnvironmentVariables("$(A)"), "$(B)");
}

TEST_F(clsEnvironmentVariablesTest, WholeValuePlaceholdersGoFirst) {
    environment.Add("V", "abc");
    // The ")" form is replaced before the ":" form that precedes it.
    EXPECT_EQ(substitute("$(V:sub,2) $(V)"), "bc abc");
}

TEST_F(clsEnvironmentVariablesTest, SelfReferenceAndUnclosedPlaceholdersTerminate) {
    environment.Add("S", "<$(S)>");
    environment.Add("T", "$(T:sub,1)");
    EXPECT_EQ(substitute("$(S)"), "<$(S)>");
    EXPECT_EQ(substitute("$(T)"), "$(T:sub,1)");
    EXPECT_EQ(substitute("$(S:sub,1,2) $(S:"), "<$ $(S:");
}

// Each entry reads a text once: tens of thousands of placeholders, and values that bring more
// in, take milliseconds, not minutes.
TEST_F(clsEnvironmentVariablesTest, ManyPlaceholdersAreReplacedInOnePass) {
    clsEnvironmentVariables environment;
    environment.Add("A", "$(B)$(B:sub,1,1)");
    environment.Add("B", "xy");
    std::string text;
    for (int i = 0; i < 30000; ++i) {
        text += "$(a) $(A:sub,1,2) $(A:bad) ";
    }
    const auto started = std::chrono::steady_clock::now();
    const std::string result = environment.ReplaceEnvironmentVariables(text);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(result.substr(0, 22), "xyx $( xyx xyx $( xyx ");
    EXPECT_EQ(result.size(), 30000u * 11u);
}

TEST_F(clsEnvironmentVariablesTest, MalformedSubstringsStayAndAreLogged) {
    gbDebugEnabled = true;
    TempDir dir;
    auto log = std::make_shared<clsDebugLog>();
    log->LogFileName(dir.file("debug.log"));
    environment.DebugLog(log);
    environment.Add("V", "abcdef");
    EXPECT_EQ(substitute("$(V:sub) $(V:sub,x) $(V:sub,1,2,3) $(V:sub,-9) $(V:sub,1,-9) $(V)"),
              "$(V:sub) $(V:sub,x) $(V:sub,1,2,3) $(V:sub,-9) $(V:sub,1,-9) abcdef");
    gbDebugEnabled = false;
    const std::string logged = TempDir::read(dir.file("debug.log"));
    EXPECT_NE(logged.find("Malformed substring placeholder '$(V:sub,x)'"), std::string::npos);
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 5);
}

TEST_F(clsEnvironmentVariablesTest, ChangeNotifications) {
    std::vector<std::string> changes;
    int yields = 0;
    clsEnvironmentVariables::SetYieldHook([&] { ++yields; });
    auto subscription =
        environment.Changed.subscribe([&](const std::string& name) { changes.push_back(name); });
    environment.Add("Name", "one");
    environment.Add("NAME", "two");   // forwarded from the entry, then its own
    environment.Add("name", "two");   // same value: only its own
    EXPECT_EQ(environment.Item("missing"), nullptr);
    environment.Remove("missing");
    environment.Remove(1);
    clsEnvironmentVariables::SetYieldHook(nullptr);
    EXPECT_EQ(changes, (std::vector<std::string>{"Name", "Name", "NAME", "name", "missing", "1"}));
    EXPECT_EQ(yields, 6);
    EXPECT_EQ(environment.Count(), 0);
}

TEST_F(clsEnvironmentVariablesTest, EntriesKeepTheirTrimmedNameAndDump) {
    gbDebugEnabled = true;
    TempDir dir;
    clsDebugLog log;
    log.LogFileName(dir.file("env.log"));
    environment.Dump(&log);
    auto entry = environment.Add("  Spaced  ", "v");
    EXPECT_EQ(entry->MappingName(), "Spaced");
    entry->MappingName("   ");
    EXPECT_EQ(entry->MappingName(), "Spaced");
    environment.Dump(&log);
    environment.Clear();
    EXPECT_EQ(environment.Count(), 0);
    gbDebugEnabled = false;
    EXPECT_EQ(TempDir::read(dir.file("env.log")),
              "Number of Environment Variables: 0\r\n"
              "Number of Environment Variables: 1\r\n"
              "   Spaced = v\r\n");
}

}  // namespace kiv
