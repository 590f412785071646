#pragma once

#include <string>

namespace kiv {

// What a front end does for the run controller: the window, or the terminal.
class RunView {
public:
    virtual ~RunView() = default;
    // Lets pending user-interface events run.
    virtual void YieldToUser() = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // The pause after a step in single-step mode; false cancels the run.
    virtual bool ConfirmSingleStep(const std::string& title, const std::string& text) = 0;
    // Disables (running) or enables every control that could start another action.
    virtual void SetRunningState(bool running) = 0;
    // After a run: a second one is not possible.
    virtual void RunFinished() = 0;
};

}  // namespace kiv
