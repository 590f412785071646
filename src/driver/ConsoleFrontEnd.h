#pragma once

#include <cstdio>
#include <string>

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

    // The progress grid as a table: number, name, rows, status.
    static std::string GridTable(const ProgressGrid& grid);
    void PrintGrid(const ProgressGrid& grid);

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
