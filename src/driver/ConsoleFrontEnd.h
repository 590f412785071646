#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "driver/RunController.h"
#include "driver/RunView.h"

namespace kiv {

// Runs the program in a terminal: progress on standard error (on a terminal a live line for
// the step in hand and a line for each finished step; otherwise only the finished steps'
// lines), the single-step pause as a prompt, and the progress grid as a table on standard
// output at the end.
class ConsoleFrontEnd : public RunView {
public:
    ConsoleFrontEnd(std::FILE* input, std::FILE* output, std::FILE* errors);

    void YieldToUser() override {}
    // The status bar's text says less than the step lines; the terminal shows those instead.
    void ShowStatus(const std::string&) override {}
    bool ConfirmSingleStep(const std::string& title, const std::string& text) override;
    void SetRunningState(bool) override {}
    void RunFinished() override;
    void ShowStepProgress(const StepProgress& progress) override;
    void ShowStepFinished(const StepProgress& progress, const std::string& status) override;
    void ShowProblem(const std::string& text) override;
    // No progress at all on standard error.
    void Quiet(bool quiet) { mbQuiet = quiet; }

    // The progress grid as a table: number, name, rows, status; under the row of a failed
    // step its first error message, wrapped.
    static std::string GridTable(const ProgressGrid& grid, const clsKivSteps& steps);
    void PrintGrid(const ProgressGrid& grid, const clsKivSteps& steps);
    // "3 steps succeeded, 1 failed, 1 not processed"
    static std::string VerdictLine(const RunController::Verdict& verdict);
    void PrintVerdict(const RunController::Verdict& verdict);
    // One line per problem on standard error, each after `label` ("warning: ").
    void PrintProblems(const std::vector<SpecificationProblem>& problems, std::string_view label);

private:
    void endLiveLine();
    void showLive(const std::string& line);

    std::FILE* mInput;
    std::FILE* mOutput;
    std::FILE* mErrors;
    bool mbTerminal;
    bool mbQuiet = false;
    std::size_t mShownWidth = 0;
};

}  // namespace kiv
