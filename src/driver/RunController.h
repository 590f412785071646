#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/ProgressGrid.h"
#include "driver/RunSummary.h"
#include "driver/RunView.h"
#include "package/clsKivSpecifications.h"
#include "settings/SpecificationProblem.h"
#include "steps/clsKivSteps.h"

namespace kiv {

// Turns the listed specification files into one collection of steps and runs it pass after
// pass, once per data set of the primary input connection, then appends the report. Both
// front ends drive it through a RunView.
class RunController {
public:
    explicit RunController(RunView& view);
    ~RunController();

    struct SpecificationEntry {
        std::string path;
        bool selected = false;
    };
    std::vector<SpecificationEntry>& Specifications() { return mSpecifications; }
    const std::shared_ptr<clsKivSteps>& Steps() const { return mclsSteps; }
    ProgressGrid& Grid() { return mGrid; }
    bool SingleStep() const { return mbSingleStep; }
    void SingleStep(bool value) { mbSingleStep = value; }
    std::time_t StartTime() const { return mStartTime; }
    std::time_t EndTime() const { return mEndTime; }
    // Steps that failed over the whole of the last run, every data set counted.
    std::int32_t FailedStepsInRun() const { return mlFailedInRun; }
    // A file for the JSON summary written at the end of each run; empty for none.
    void SummaryFile(std::string path) { msSummaryFile = std::move(path); }
    // What the loaded files get wrong, found without connecting: shown before a run.
    const std::vector<SpecificationProblem>& Problems() const { return mProblems; }
    // The problems above and those found by opening every connection the steps name and
    // looking at their tables and mapped columns; nothing is written.
    std::vector<SpecificationProblem> Check();

    // How the steps ended in the last run.
    struct Verdict {
        long succeeded = 0;
        long failed = 0;
        long notProcessed = 0;
        long unknown = 0;
        // What the steps that move rows did with them, where a step sets rows aside or says
        // how the destination takes them.
        bool countsRows = false;
        RowCounts rows;
    };
    Verdict StepVerdict() const;
    // The warnings and errors of the step of that name, one after the other ("" for none).
    std::string StepMessages(const std::string& stepName) const;
    // 0 when every step succeeded or nothing was run; 1 when a step failed, was not processed
    // or stayed unknown, the run was cancelled or a file is no usable specification.
    int ExitStatus() const;

    void AddSpecificationFile(std::string_view name,
                              const std::shared_ptr<clsEnvironmentVariables>& environment,
                              bool reload);
    void ReloadSpecifications(const std::shared_ptr<clsEnvironmentVariables>& environment);
    // Loads the listed files afresh, with new steps, for another run.
    void ReloadPackage(const std::shared_ptr<clsEnvironmentVariables>& environment);
    void LoadSpecificationFile(const std::string& path,
                               const std::shared_ptr<clsEnvironmentVariables>& environment);
    void RemoveSelectedSpecifications();
    void RefreshProgressGrid();
    void Run();
    void ResetStepStatuses();
    bool ProcessSteps();
    void UpdateStatusBar(std::int32_t dataSetTotal, std::int32_t dataSetNumber,
                         std::int32_t stepTotal, std::int32_t stepsStarted,
                         std::int32_t failedSteps, std::int32_t recordNumber);
    static std::string StatusBarText(std::int32_t dataSetTotal, std::int32_t dataSetNumber,
                                     std::int32_t stepTotal, std::int32_t stepsStarted,
                                     std::int32_t failedSteps, std::int32_t recordNumber);
    void mclsCrntStep_Progress(std::int32_t rowsProcessed);

    // Sort state of the grid's header clicks.
    void SortByColumn(int column);

private:
    void updateStatusBar(std::int32_t recordNumber);
    void refreshStepRows(const clsKivStep& processed);
    void processStep(const std::shared_ptr<clsKivStep>& step, bool& continuePass);
    void rememberDestination(const std::shared_ptr<clsKivStep>& step);
    void closeDestinations();
    void writeReport();
    void writeSummary();
    StepProgress progressOf(const clsKivStep& step, std::int32_t rows) const;
    void writeProblems(clsDebugLog& log) const;

    RunView& mView;
    std::vector<SpecificationEntry> mSpecifications;
    std::shared_ptr<clsKivSteps> mclsSteps;
    std::shared_ptr<clsKivConnection> mclsPrimaryInput;
    std::shared_ptr<clsKivStep> mclsCrntStep;
    Subscription mCrntStepSubscription;
    ProgressGrid mGrid;
    // The status each step's row shows since the grid was last filled, by position.
    static constexpr std::int32_t kNotShown = -100;
    std::vector<std::int32_t> mShownStatuses;
    int miSortColumn = 0;
    std::array<bool, ProgressGrid::kColumns> mSortAscending{true, true, true, true};
    std::int32_t mlDataSetTotal = 0;
    std::int32_t mlDataSetNumber = 0;
    std::int32_t mlStepTotal = 0;
    std::int32_t mlStepsStarted = 0;
    std::int32_t mlFailedSteps = 0;
    std::int32_t mlFailedInRun = 0;
    std::vector<SpecificationProblem> mProblems;
    bool mbInvalidSpecification = false;
    bool mbStepsRan = false;
    std::time_t mStartTime = 0;
    std::time_t mEndTime = 0;
    bool mbSingleStep = false;
    std::chrono::steady_clock::time_point mStepStarted{};
    std::chrono::steady_clock::time_point mLastProgress{};
    // Each destination connection of the run with the last step that wrote to it.
    std::vector<std::pair<std::shared_ptr<clsKivConnection>, std::shared_ptr<clsKivStep>>>
        mDestinations;
    RunSummary mSummary;
    std::string msSummaryFile;
    bool mbSummaryFailed = false;
};

}  // namespace kiv
