#include "driver/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    EXPECT_TRUE(parse({"-RUN",
                       "/SingleStep",
                       "-debugfile",
                       "",
                       "  ",
                       dir.file("debug.log"),
                       "/Report",
                       dir.file("report.txt"),
                       "-srcserver",
                       "Host1",
                       "/DstPswd",
                       "Secret",
                       "-destinationdatabase",
                       "Warehouse",
                       "-e",
                       "Empty=",
                       "-e",
                       "NoEquals",
                       "-e",
                       "=nameless",
                       "-i",
                       "Specs/Load.INI",
                       "Other.ini"}));
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

TEST_F(CommandLineTest, LastRunFlagWinsAndAMissingValueStopsTheProgram) {
    EXPECT_FALSE(parse({"-run", "-norun", "-report"}));
    EXPECT_FALSE(commandLine.AutoRun());
    EXPECT_FALSE(gReportLog);
    EXPECT_EQ(commandLine.StopReason(), CommandLine::Stop::Usage);
    EXPECT_EQ(commandLine.UsageErrors(),
              (std::vector<std::string>{"the option -report needs a value"}));
}

TEST_F(CommandLineTest, MistakesOfTheCommandLineAreNamed) {
    EXPECT_FALSE(parse({"-run", "--bogus", "-i", "a.ini"}));
    EXPECT_EQ(commandLine.UsageErrors(), (std::vector<std::string>{"unknown option --bogus"}));

    CommandLine reportInMissingFolder{nullptr};
    EXPECT_FALSE(reportInMissingFolder.ParseCommandLine({"-report", dir.file("none/r.txt")}));
    EXPECT_EQ(reportInMissingFolder.UsageErrors(),
              (std::vector<std::string>{"cannot write the report file " + dir.file("none/r.txt") +
                                        ": the folder " + dir.file("none") + " does not exist"}));
    EXPECT_FALSE(gReportLog);

    dir.write("real.ini", "");
    CommandLine files{nullptr};
    EXPECT_TRUE(files.ParseCommandLine(
        {dir.file("real.ini"), dir.file("none*.ini"), dir.file("gone.ini"), dir.path()}));
    EXPECT_FALSE(files.CheckSpecificationFiles());
    EXPECT_EQ(
        files.UsageErrors(),
        (std::vector<std::string>{
            "cannot read the specification file " + dir.file("gone.ini") + ": it does not exist",
            "cannot read the specification file " + dir.path() + ": it is a folder"}));
}

TEST_F(CommandLineTest, GnuLongFormsAndCheck) {
    EXPECT_FALSE(parse({"--version"}));
    EXPECT_EQ(commandLine.StopReason(), CommandLine::Stop::Version);
    CommandLine help{nullptr};
    EXPECT_FALSE(help.ParseCommandLine({"--help"}));
    EXPECT_EQ(help.StopReason(), CommandLine::Stop::Help);
    CommandLine check{nullptr};
    EXPECT_TRUE(check.ParseCommandLine({"--check"}));
    EXPECT_TRUE(check.CheckRequested());
    // A token starting with '/' is a path on this system, never an unknown option.
    CommandLine path{nullptr};
    EXPECT_TRUE(path.ParseCommandLine({"/tmp/package.ini"}));
    EXPECT_EQ(path.SpecificationFiles(), (std::vector<std::string>{"/tmp/package.ini"}));
}

TEST_F(CommandLineTest, HelpEndsProcessingWherever) {
    EXPECT_FALSE(parse({"-i", "a.ini", "-?", "-i", "b.ini"}));
    EXPECT_EQ(commandLine.StopReason(), CommandLine::Stop::Help);
    EXPECT_EQ(commandLine.SpecificationFiles().size(), 1u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(CommandLineTest, ParameterFilesReadLineByLine) {
    const std::string nested = dir.write("nested.txt", "-e Nested=yes\n");
    const std::string params =
        dir.write("params.txt",
                  "-run -e \"Greeting=hello   world\"\r\n"
                  "\r\n"
                  "   " +
                      dir.file("next.ini") + "\r-p " + nested + "\n-srcuser  Admin\n");
    EXPECT_TRUE(parse({"-p", params}));
    EXPECT_TRUE(commandLine.AutoRun());
    EXPECT_EQ(variable("Greeting"), "hello   world");
    EXPECT_EQ(variable("Nested"), "yes");
    EXPECT_EQ(variable("SourceUser"), "Admin");
    EXPECT_EQ(commandLine.SpecificationFiles(), (std::vector<std::string>{dir.file("next.ini")}));

    // An option at the end of a line takes no value from the next line: a mistake.
    const std::string split = dir.write("split.txt", "-report\r" + dir.file("r.txt") + "\n");
    CommandLine lineEnd{nullptr};
    EXPECT_FALSE(lineEnd.ParseCommandLine({"-p", split}));
    EXPECT_EQ(lineEnd.UsageErrors(),
              (std::vector<std::string>{"the option -report needs a value"}));
    EXPECT_FALSE(gReportLog);
}

TEST_F(CommandLineTest, AParameterFileThatNamesItselfIsAMistake) {
    const std::string self = dir.write("self.txt", "-e A=1\n-p self.txt\n");
    const std::string outer = dir.write("outer.txt", "-p " + dir.file("inner.txt") + "\n");
    dir.write("inner.txt", "-run\n-p " + dir.file("outer.txt") + "\n");
    const std::string current = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_FALSE(parse({"-p", self}));
    std::filesystem::current_path(current);
    EXPECT_EQ(commandLine.StopReason(), CommandLine::Stop::Usage);
    EXPECT_EQ(commandLine.UsageErrors(),
              (std::vector<std::string>{"the parameter file self.txt names itself through -p"}));

    CommandLine chain{nullptr};
    EXPECT_FALSE(chain.ParseCommandLine({"-p", outer}));
    EXPECT_EQ(chain.UsageErrors(), (std::vector<std::string>{"the parameter file " + outer +
                                                             " names itself through -p"}));
    // The same file read twice one after the other is no loop.
    CommandLine twice{nullptr};
    const std::string plain = dir.write("plain.txt", "-e B=2\n");
    EXPECT_TRUE(twice.ParseCommandLine({"-p", plain, "-p", plain}));
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
