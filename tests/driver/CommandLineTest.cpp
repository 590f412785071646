#include "driver/CommandLine.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "base/Path.h"
#include "diagnostics/Globals.h"
#include "driver/modKivRun.h"

namespace kiv {

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override { StartUp(); }
    void TearDown() override { ShutDown(); }

    bool parse(const std::vector<std::string>& arguments) {
        return commandLine.ParseCommandLine(arguments);
    }
    std::string variable(std::string_view name) {
        auto entry = gEnvironment->Item(name);
        return entry ? entry->MappingValue() : "<missing>";
    }

    std::vector<std::string> messages;
    CommandLine commandLine{[this](const std::string& title, const std::string& text) {
        messages.push_back(title + "|" + text);
    }};
    TempDir dir;
};

TEST_F(CommandLineTest, JoinQuotedArguments) {
    std::vector<std::string> tokens = {"-e", "\"Name=a", "b\"", "\"abc\"", "x\"y", "\""};
    CommandLine::JoinQuotedArguments(tokens);
    EXPECT_EQ(tokens, (std::vector<std::string>{"-e", "Name=a b", "abc", "x\"y", ""}));

    std::vector<std::string> runs = {"\"a", "", "", "b\"", "c"};
    CommandLine::JoinQuotedArguments(runs);
    EXPECT_EQ(runs, (std::vector<std::string>{"a   b", "c"}));

    std::vector<std::string> unclosed = {"x", "\"open", "end"};
    CommandLine::JoinQuotedArguments(unclosed);
    EXPECT_EQ(unclosed, (std::vector<std::string>{"x", "open end"}));
}

TEST_F(CommandLineTest, QuoteAfterTheEqualsSignOpensNoQuotation) {
    EXPECT_TRUE(parse({"-e", "Name=\"a", "b\""}));
    EXPECT_EQ(variable("Name"), "\"a");
    ASSERT_EQ(commandLine.SpecificationFiles().size(), 1u);
    EXPECT_EQ(path::fileNameOf(commandLine.SpecificationFiles()[0]), "b\"");
}

TEST_F(CommandLineTest, OptionsSetTheEnvironmentLogsAndFlags) {
    EXPECT_TRUE(parse({"-RUN", "/SingleStep", "-debugfile", "", "  ", dir.file("debug.log"),
                       "/Report", dir.file("report.txt"), "-srcserver", "Host1", "/DstPswd",
                       "Secret", "-destinationdatabase", "Warehouse", "-e", "Empty=", "-e",
                       "NoEquals", "-e", "=nameless", "-i", "Specs/Load.INI", "Other.ini"}));
    EXPECT_TRUE(commandLine.AutoRun());
    EXPECT_TRUE(commandLine.SingleStep());
    EXPECT_EQ(gDebugLog->LogFileName(), dir.file("debug.log"));
    ASSERT_TRUE(gReportLog);
    EXPECT_EQ(gReportLog->LogFileName(), dir.file("report.txt"));
    EXPECT_EQ(variable("SourceServer"), "Host1");
    EXPECT_EQ(variable("DestinationPassword"), "Secret");
    EXPECT_EQ(variable("DestinationDatabase"), "Warehouse");
    EXPECT_EQ(variable("Empty"), "");
    EXPECT_EQ(gEnvironment->Count(), 5);  // ExeDir and the four above
    const std::string cwd = path::currentDirectory();
    EXPECT_EQ(commandLine.SpecificationFiles(),
              (std::vector<std::string>{cwd + "/Specs/Load.INI", cwd + "/Other.ini"}));
}

TEST_F(CommandLineTest, LastRunFlagWinsAndMissingValuesAreIgnored) {
    EXPECT_TRUE(parse({"-run", "-norun", "-report"}));
    EXPECT_FALSE(commandLine.AutoRun());
    EXPECT_FALSE(gReportLog);
}

TEST_F(CommandLineTest, HelpEndsProcessingWherever) {
    EXPECT_FALSE(parse({"-i", "a.ini", "-?", "-i", "b.ini"}));
    EXPECT_EQ(commandLine.StopReason(), CommandLine::Stop::Help);
    EXPECT_EQ(commandLine.SpecificationFiles().size(), 1u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(CommandLineTest, ParameterFilesReadLineByLine) {
    const std::string nested = dir.write("nested.txt", "-e Nested=yes\n");
    const std::string params = dir.write(
        "params.txt", "-run -e \"Greeting=hello   world\"\r\n"
                      "\r\n"
                      "   -report\r" +
                          dir.file("next.ini") + "\n-p " + nested + "\n-srcuser  Admin\n");
    EXPECT_TRUE(parse({"-p", params}));
    EXPECT_TRUE(commandLine.AutoRun());
    EXPECT_EQ(variable("Greeting"), "hello   world");
    EXPECT_EQ(variable("Nested"), "yes");
    EXPECT_EQ(variable("SourceUser"), "Admin");
    EXPECT_FALSE(gReportLog);
    EXPECT_EQ(commandLine.SpecificationFiles(), (std::vector<std::string>{dir.file("next.ini")}));
}

TEST_F(CommandLineTest, AMissingParameterFileHaltsWithAMessage) {
    EXPECT_FALSE(parse({"-e", "A=1", "-p", "missing.txt", "-e", "B=2"}));
    EXPECT_EQ(commandLine.StopReason(), CommandLine::Stop::ParameterFile);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Parameter file not found.|Unable to open parameter file:\r\n\r\nmissing.txt\r\n\r\n"
              "Processing will halt.");
    EXPECT_EQ(variable("B"), "<missing>");
}

}  // namespace kiv
