#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "diagnostics/clsDebugLog.h"
#include "driver/ProgressGrid.h"
#include "settings/clsEnvironmentVariables.h"
#include "steps/clsKivSteps.h"

namespace kiv {

// The report appended to the report file at the end of every run: a summary of the steps and
// the messages of each step.
class ProcessingReport {
public:
    // `cancelNotice` says why the run stopped early; empty for a run that went to its end.
    ProcessingReport(const clsKivSteps& steps, const ProgressGrid& grid,
                     clsEnvironmentVariables* environment, std::string cancelNotice = {})
        : mSteps(steps),
          mGrid(grid),
          mEnvironment(environment),
          msCancelNotice(std::move(cancelNotice)) {}

    void WriteSummaryReport(clsDebugLog& log, std::time_t startTime, std::time_t endTime) const;
    void WriteDetailedReport(clsDebugLog& log) const;

    // Lays out `text` under a label: the label padded to `labelWidth`, pieces of at most
    // `textWidth` characters broken at CR LF or at the last blank.
    static void WrapLabelledText(std::vector<std::string>& lines, std::string_view text,
                                 std::string_view label, std::size_t labelWidth,
                                 std::size_t textWidth);
    // The prefix followed by the text, every further line of the text indented by the
    // prefix's length.
    static std::string IndentContinuationLines(std::string_view prefix, std::string_view text);
    // yyyy-mm-dd hh:mm:ss in local time.
    static std::string FormatTime(std::time_t time);

private:
    const clsKivSteps& mSteps;
    const ProgressGrid& mGrid;
    clsEnvironmentVariables* mEnvironment;
    std::string msCancelNotice;
};

}  // namespace kiv
