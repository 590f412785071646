#pragma once

#include <memory>
#include <string>

class QApplication;

namespace kiv {

class CommandLine;

// The program in its window: the Qt application, the main window and the event loop, behind
// a header that keeps Qt out of main().
class WindowProgram {
public:
    WindowProgram(int& argc, char** argv);
    ~WindowProgram();
    WindowProgram(const WindowProgram&) = delete;
    WindowProgram& operator=(const WindowProgram&) = delete;

    // A message box with the exclamation icon.
    void ShowWarning(const std::string& title, const std::string& text);
    // Shows the main window and runs until it unloads; returns the process's exit status.
    int Run(const CommandLine& commandLine);

private:
    std::unique_ptr<QApplication> mApplication;
};

}  // namespace kiv
