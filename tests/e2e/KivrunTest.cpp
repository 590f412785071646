#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "TempDir.h"

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs kivrun with the arguments (a shell-quoted string) and collects what it printed.
Outcome runKivrun(const std::string& arguments) {
    TempDir dir;
    const std::string command =
        std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") + KIVRUN_PATH + " " +
        arguments + " >" + dir.file("out") + " 2>" + dir.file("err") + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, TempDir::read(dir.file("out")),
            TempDir::read(dir.file("err"))};
}

}  // namespace

TEST(KivrunTest, HelpAndVersionPrintAndSucceed) {
    for (const char* option : {"-help", "-h", "/?", "-HELP"}) {
        const Outcome help = runKivrun(std::string("-i x.ini ") + option);
        EXPECT_EQ(help.status, 0) << option;
        EXPECT_NE(help.out.find("Usage: kivrun"), std::string::npos) << option;
    }
    const Outcome version = runKivrun("-version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("kivrun ", 0), 0u);
}

TEST(KivrunTest, MissingParameterFileEndsWithStatusTwo) {
    const Outcome outcome = runKivrun("-console -p missing.txt");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(
        outcome.err.find("Unable to open parameter file:\n\nmissing.txt\n\nProcessing will halt."),
        std::string::npos)
        << outcome.err;
}

#if KIV_WITH_WINDOW
TEST(KivrunTest, NoDisplayMeansConsoleWithANotice) {
    const Outcome outcome = runKivrun("");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(outcome.err.find("-console"), std::string::npos);
    EXPECT_EQ(runKivrun("-console").err, "");
}
#else
TEST(KivrunTest, WithoutTheWindowEveryRunIsInTheTerminalAndTheHelpSaysSo) {
    const Outcome outcome = runKivrun("");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_NE(
        runKivrun("-help").out.find("built without its window: it always runs in the terminal"),
        std::string::npos);
}
#endif
