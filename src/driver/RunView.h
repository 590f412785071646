#pragma once

#include <string>

#include "driver/StepProgress.h"

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
    // The step in hand, at most ten times a second while it takes rows; and how it ended.
    virtual void ShowStepProgress(const StepProgress&) {}
    virtual void ShowStepFinished(const StepProgress&, const std::string& /*status*/) {}
    // A problem of the run itself (not of a step), such as an output file that cannot be written.
    virtual void ShowProblem(const std::string& text) = 0;
};

}  // namespace kiv
