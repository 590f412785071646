#include "RunFixture.h"

namespace {

const std::string kIdle = "[STEP 1]\r\nStepName=Idle\r\nStepType=do nothing\r\n";

}  // namespace

using CommandLineMistakesRunTest = RunFixture;

TEST_F(CommandLineMistakesRunTest, ASpecificationFileThatCannotBeReadStopsBeforeAnythingRuns) {
    package("spec.ini", "Real", kIdle);
    const auto outcome = kivrun("-run -report report.txt spec.ini nosuch.ini");
    EXPECT_EQ(outcome.status, 2);
    const std::string message = "kivrun: cannot read the specification file " +
                                dir.file("nosuch.ini") + ": it does not exist";
    EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(TempDir::read(dir.file("report.txt")), "\r\n" + message + "; nothing was run.\r\n");

    const auto folder = kivrun("-run " + dir.path());
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find(dir.path() + ": it is a folder"), std::string::npos) << folder.err;
    // A pattern may match nothing: that is no mistake.
    EXPECT_EQ(kivrun("-run none*.ini").status, 0);
}

TEST_F(CommandLineMistakesRunTest, GnuLongFormsWork) {
    const auto help = kivrun("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: kivrun [options] [specification files]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--check"), std::string::npos);
    const auto version = kivrun("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("kivrun ", 0), 0u) << version.out;
}

TEST_F(CommandLineMistakesRunTest, UnknownOptionsAndMissingValuesStopWithExitStatusTwo) {
    package("spec.ini", "Real", kIdle);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"-run -bogus spec.ini", "kivrun: unknown option -bogus"},
        {"-run spec.ini -report", "kivrun: the option -report needs a value"},
        {"-run spec.ini -i", "kivrun: the option -i needs a value"},
        {"-run spec.ini -e", "kivrun: the option -e needs a value"},
        {"-run spec.ini -p", "kivrun: the option -p needs a value"},
        {"-run -report none/r.txt spec.ini",
         "kivrun: cannot write the report file none/r.txt: the folder none does not exist"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto outcome = kivrun(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments;
        EXPECT_NE(outcome.err.find(message + "\n"), std::string::npos) << arguments << "\n"
                                                                       << outcome.err;
        EXPECT_EQ(outcome.out, "") << arguments;
    }
}

TEST_F(CommandLineMistakesRunTest, AFailureIsVisibleOnTheTerminalWithoutAReport) {
    package("spec.ini", "Visible",
            "[STEP 1]\r\nStepName=Broken\r\nStepType=custom sql\r\nTargetConnection=Out\r\n"
            "SQLStatement=DELETE FROM [Nowhere]\r\n"
            "[STEP 2]\r\nStepName=After\r\nStepType=do nothing\r\nPrerequisiteTarget_1=Broken\r\n"
            "[STEP 3]\r\nStepName=Idle\r\nStepType=do nothing\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    const auto outcome = kivrun("-run spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(std::regex_search(outcome.out, std::regex("\n1 +Broken +0 +no such table: Nowhere\n"
                                                          "      no such table: Nowhere\n")))
        << outcome.out;
    EXPECT_NE(outcome.out.find("\n1 step succeeded, 1 failed, 1 not processed\n"),
              std::string::npos)
        << outcome.out;
}
