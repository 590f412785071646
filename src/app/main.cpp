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
#include "ui/WindowProgram.h"

namespace {

struct Notice {
    std::string title;
    std::string text;
};

bool displayReachable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

void showMessageOnTerminal(const std::string& title, const std::string& text) {
    std::cerr << title << '\n' << kiv::text::replaceAll(text, "\r\n", "\n") << '\n';
}

int finish(int status) {
    kiv::ShutDown();
    return status;
}

// Loads the listed files and, with -run, runs them in the terminal. The exit status tells
// whether a step failed or the run was cancelled.
int runInTerminal(const kiv::CommandLine& commandLine) {
    kiv::ConsoleFrontEnd console(stdin, stdout, stderr);
    kiv::RunController controller(console);
    controller.SingleStep(commandLine.SingleStep());
    for (const std::string& file : commandLine.SpecificationFiles()) {
        controller.AddSpecificationFile(file, kiv::gEnvironment, false);
    }
    controller.ReloadSpecifications(kiv::gEnvironment);
    if (!commandLine.AutoRun()) {
        console.PrintGrid(controller.Grid());
        return EXIT_SUCCESS;
    }
    controller.Run();
    console.PrintGrid(controller.Grid());
    if (kiv::RunSignals::Caught() != 0) {
        return kiv::RunSignals::ExitStatus();
    }
    return controller.FailedStepsInRun() > 0 || !kiv::gbContinueProcessing ? 1 : EXIT_SUCCESS;
}

// The message that stopped the command line, in the front end the program would have used.
void showNotice(const Notice& notice, bool inWindow, int& argc, char** argv) {
    if (!inWindow) {
        showMessageOnTerminal(notice.title, notice.text);
        return;
    }
    kiv::WindowProgram program(argc, argv);
    program.ShowWarning(notice.title, notice.text);
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
    const bool proceed = commandLine.ParseCommandLine(arguments);
    const bool inWindow = !commandLine.ConsoleRequested() && displayReachable();
    if (!proceed) {
        switch (commandLine.StopReason()) {
            case kiv::CommandLine::Stop::Help:
                std::cout << kiv::CommandLine::UsageText();
                return finish(EXIT_SUCCESS);
            case kiv::CommandLine::Stop::Version:
                std::cout << "kivrun " << KIV_VERSION << '\n';
                return finish(EXIT_SUCCESS);
            default:
                if (notice) {
                    showNotice(*notice, inWindow, argc, argv);
                }
                return finish(2);
        }
    }
    if (!inWindow) {
        if (!commandLine.ConsoleRequested()) {
            std::cerr << "kivrun: no display found; running in the terminal (-console).\n";
        }
        return finish(runInTerminal(commandLine));
    }
    kiv::WindowProgram program(argc, argv);
    return finish(program.Run(commandLine));
}
