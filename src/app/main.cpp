#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/Text.h"
#include "diagnostics/Globals.h"
#include "driver/CommandLine.h"
#include "driver/ConsoleFrontEnd.h"
#include "driver/RunController.h"
#include "driver/RunSignals.h"
#include "driver/modKivRun.h"
#if KIV_WITH_WINDOW
#include "ui/WindowProgram.h"
#endif

namespace {

struct Notice {
    std::string title;
    std::string text;
};

#if KIV_WITH_WINDOW
bool displayReachable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

bool windowWanted(const kiv::CommandLine& commandLine) {
    return !commandLine.ConsoleRequested() && displayReachable();
}

const char* const kBuildNote = "";
#else
// A build without the window runs every command line in the terminal.
bool windowWanted(const kiv::CommandLine&) {
    return false;
}

const char* const kBuildNote =
    "\nThis kivrun is built without its window: it always runs in the terminal, as with "
    "-console.\n";
#endif

void showMessageOnTerminal(const std::string& title, const std::string& text) {
    std::cerr << title << '\n' << kiv::text::replaceAll(text, "\r\n", "\n") << '\n';
}

int finish(int status) {
    kiv::ShutDown();
    return status;
}

// Loads the listed files and, with -run, runs them in the terminal; with -check only checks
// them. The exit status tells whether every step succeeded, or the check found nothing.
int runInTerminal(const kiv::CommandLine& commandLine) {
    kiv::ConsoleFrontEnd console(stdin, stdout, stderr);
    console.Quiet(commandLine.Quiet());
    kiv::RunController controller(console);
    controller.SingleStep(commandLine.SingleStep());
    controller.SummaryFile(commandLine.SummaryFile());
    for (const std::string& file : commandLine.SpecificationFiles()) {
        controller.AddSpecificationFile(file, kiv::gEnvironment, false);
    }
    controller.ReloadSpecifications(kiv::gEnvironment);
    if (commandLine.CheckRequested()) {
        const auto problems = controller.Check();
        for (const auto& problem : problems) {
            std::cout << kiv::text::replaceAll(problem.Line(), "\r\n", " ") << '\n';
        }
        return problems.empty() ? EXIT_SUCCESS : 1;
    }
    console.PrintProblems(controller.Problems(), "warning: ");
    if (!commandLine.AutoRun()) {
        console.PrintGrid(controller.Grid(), *controller.Steps());
        return EXIT_SUCCESS;
    }
    controller.Run();
    console.PrintGrid(controller.Grid(), *controller.Steps());
    console.PrintVerdict(controller.StepVerdict());
    return controller.ExitStatus();
}

// Mistakes of the command line go to standard error and, when a report file is named, into
// the report, which is where an unattended job looks.
void reportUsageErrors(const kiv::CommandLine& commandLine) {
    for (const std::string& error : commandLine.UsageErrors()) {
        std::cerr << "kivrun: " << error << '\n';
    }
    std::cerr << "Try 'kivrun --help' for the options.\n";
    if (!kiv::gReportLog || kiv::gReportLog->LogFileName().empty()) {
        return;
    }
    kiv::gReportLog->AlwaysOpen(true);
    kiv::gReportLog->AppendToLog(true);
    kiv::gReportLog->OpenLog("");
    kiv::gReportLog->WriteLog("");
    for (const std::string& error : commandLine.UsageErrors()) {
        kiv::gReportLog->WriteLog("kivrun: " + error + "; nothing was run.");
    }
    kiv::gReportLog->CloseLog();
}

// The message that stopped the command line, in the front end the program would have used.
void showNotice(const Notice& notice, [[maybe_unused]] bool inWindow, [[maybe_unused]] int& argc,
                [[maybe_unused]] char** argv) {
#if KIV_WITH_WINDOW
    if (inWindow) {
        kiv::WindowProgram program(argc, argv);
        program.ShowWarning(notice.title, notice.text);
        return;
    }
#endif
    showMessageOnTerminal(notice.title, notice.text);
}

}  // namespace

int main(int argc, char** argv) {
    kiv::StartUp();
    kiv::gbDebugEnabled = true;

    // Whether a window can show the message is known only once the whole command line is read.
    std::optional<Notice> notice;
    kiv::CommandLine commandLine([&notice](const std::string& title, const std::string& text) {
        notice = Notice{title, text};
    });
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool proceed =
        commandLine.ParseCommandLine(arguments) && commandLine.CheckSpecificationFiles();
    const bool inWindow = windowWanted(commandLine) && !commandLine.CheckRequested();
    if (!proceed) {
        switch (commandLine.StopReason()) {
            case kiv::CommandLine::Stop::Help:
                std::cout << kiv::CommandLine::UsageText() << kBuildNote;
                return finish(EXIT_SUCCESS);
            case kiv::CommandLine::Stop::Version:
                std::cout << "kivrun " << KIV_VERSION << '\n';
                return finish(EXIT_SUCCESS);
            case kiv::CommandLine::Stop::Usage:
                reportUsageErrors(commandLine);
                return finish(2);
            default:
                if (notice) {
                    showNotice(*notice, inWindow, argc, argv);
                }
                return finish(2);
        }
    }
#if KIV_WITH_WINDOW
    if (inWindow) {
        kiv::WindowProgram program(argc, argv);
        return finish(program.Run(commandLine));
    }
    if (!commandLine.ConsoleRequested() && !commandLine.CheckRequested()) {
        std::cerr << "kivrun: no display found; running in the terminal (-console).\n";
    }
#endif
    return finish(runInTerminal(commandLine));
}
