#include "driver/RunController.h"

#include "base/Path.h"
#include "base/Text.h"
#include "diagnostics/Globals.h"
#include "driver/ProcessingReport.h"
#include "driver/modGridHandler.h"
#include "driver/modKivRun.h"

namespace kiv {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

}  // namespace

RunController::RunController(RunView& view)
    : mView(view), mclsSteps(std::make_shared<clsKivSteps>()) {
    modGridHandler::InitProgressGrid(&mGrid);
}

RunController::~RunController() {
    mCrntStepSubscription.reset();
}

void RunController::AddSpecificationFile(
    std::string_view name, const std::shared_ptr<clsEnvironmentVariables>& environment,
    bool reload) {
    const std::string_view trimmed = text::trim(name);
    if (!trimmed.empty()) {
        mSpecifications.push_back({path::fullPath(trimmed), false});
    }
    if (reload) {
        ReloadSpecifications(environment);
    }
}

void RunController::ReloadSpecifications(
    const std::shared_ptr<clsEnvironmentVariables>& environment) {
    mclsPrimaryInput.reset();
    for (const SpecificationEntry& entry : mSpecifications) {
        if (!entry.path.empty()) {
            LoadSpecificationFile(entry.path, environment);
        }
    }
    RefreshProgressGrid();
    if (gDebugLog) {
        gDebugLog->WriteLog("");
        gDebugLog->WriteLog("DUMP STEP DEFINITIONS:");
        gDebugLog->WriteLog("======================");
        gDebugLog->WriteLog("");
        gDebugLog->WriteLog("");
        mclsSteps->Dump(gDebugLog.get());
    }
}

void RunController::ReloadPackage(const std::shared_ptr<clsEnvironmentVariables>& environment) {
    mCrntStepSubscription.reset();
    mclsCrntStep.reset();
    mclsSteps = std::make_shared<clsKivSteps>();
    ReloadSpecifications(environment);
}

void RunController::LoadSpecificationFile(
    const std::string& pathText, const std::shared_ptr<clsEnvironmentVariables>& environment) {
    const std::string slashed = path::withSlashes(pathText);
    const std::string folder = path::directoryOf(slashed);
    const std::string directory = path::resolveExisting(folder.empty() ? "." : folder);
    clsKivSpecifications specifications;
    specifications.DebugLog(gDebugLog);
    for (const std::string& match : path::listMatchingFiles(slashed)) {
        if (environment) {
            environment->Add("INIPath", directory);
        }
        const std::string file = directory + "/" + match;
        const auto specification = specifications.Add(file, environment);
        if (!specification) {
            if (gDebugLog) {
                gDebugLog->WriteLog("Specification file '" + file +
                                    "' was left out: its package name is already loaded.");
            }
            continue;
        }
        for (const auto& step : *specification->Steps()) {
            mclsSteps->AddObject(step);
        }
    }
    if (!mclsPrimaryInput) {
        mclsPrimaryInput = specifications.PrimaryInputDataConnection();
    }
}

void RunController::RemoveSelectedSpecifications() {
    for (auto entry = mSpecifications.rbegin(); entry != mSpecifications.rend();) {
        if (!entry->selected) {
            ++entry;
            continue;
        }
        const std::string folded = text::toLower(entry->path);
        for (long position = mclsSteps->Count(); position >= 1; --position) {
            if (text::toLower(mclsSteps->Item(position)->SourceFileName()) == folded) {
                mclsSteps->Remove(position);
            }
        }
        entry = std::make_reverse_iterator(mSpecifications.erase(std::next(entry).base()));
    }
    ReloadSpecifications(gEnvironment);
}

void RunController::RefreshProgressGrid() {
    modGridHandler::InitProgressGrid(&mGrid);
    for (const auto& step : *mclsSteps) {
        modGridHandler::AddStepRow(&mGrid, *step);
        modGridHandler::SetStepRowStatus(&mGrid, step->StepName(), step->ProcessingStatus(),
                                         "Initializing - Status Unknown");
    }
    mclsSteps->SetStatusOfSteps();
    for (const auto& step : *mclsSteps) {
        modGridHandler::SetStepRowStatus(&mGrid, step->StepName(), step->ProcessingStatus(),
                                         step->ProcessingStatusString());
    }
    modGridHandler::SortProgressGrid(&mGrid, miSortColumn, miSortColumn,
                                     mSortAscending[static_cast<std::size_t>(miSortColumn)]);
}

void RunController::SortByColumn(int column) {
    if (column < 0 || column >= ProgressGrid::kColumns) {
        return;
    }
    auto& ascending = mSortAscending[static_cast<std::size_t>(column)];
    if (column == miSortColumn) {
        ascending = !ascending;
    }
    modGridHandler::SortProgressGrid(&mGrid, miSortColumn, column, ascending);
    miSortColumn = column;
}

void RunController::Run() {
    mView.SetRunningState(true);
    mStartTime = std::time(nullptr);
    mlDataSetTotal = mclsPrimaryInput ? mclsPrimaryInput->CountMatchingDataSets() : 0;
    mlDataSetNumber = 0;
    mlStepTotal = static_cast<std::int32_t>(mclsSteps->Count());
    mlStepsStarted = 0;
    mlFailedSteps = 0;
    mlFailedInRun = 0;
    mSummary.Clear();
    gbContinueProcessing = true;
    updateStatusBar(-1);
    if (!mclsPrimaryInput) {
        ResetStepStatuses();
        ProcessSteps();
    } else {
        while (mclsPrimaryInput->OpenConnection()) {
            ++mlDataSetNumber;
            mSummary.DataSetStarted(mlDataSetNumber, mclsPrimaryInput->CurrentDatabaseName());
            ResetStepStatuses();
            const bool succeeded = ProcessSteps();
            mclsPrimaryInput->CloseConnection();
            if (!succeeded || !gbContinueProcessing || mlDataSetNumber >= mlDataSetTotal) {
                break;
            }
        }
    }
    updateStatusBar(-1);
    mEndTime = std::time(nullptr);
    writeReport();
    writeSummary();
    mView.SetRunningState(false);
    mView.RunFinished();
}

void RunController::writeReport() {
    if (!gReportLog) {
        gReportLog = std::make_shared<clsDebugLog>();
    }
    if (gReportLog->LogFileName().empty()) {
        return;
    }
    gReportLog->AlwaysOpen(true);
    gReportLog->AppendToLog(true);
    gReportLog->OpenLog("");
    const ProcessingReport report(*mclsSteps, mGrid, gEnvironment.get());
    report.WriteSummaryReport(*gReportLog, mStartTime, mEndTime);
    report.WriteDetailedReport(*gReportLog);
    gReportLog->CloseLog();
}

int RunController::ExitStatus() const {
    return mlFailedInRun > 0 || !gbContinueProcessing || mbSummaryFailed ? 1 : 0;
}

void RunController::writeSummary() {
    if (msSummaryFile.empty()) {
        return;
    }
    std::string problem;
    mbSummaryFailed = false;
    if (!mSummary.Write(msSummaryFile,
                        mSummary.Json(*mclsSteps, ExitStatus(), mStartTime, mEndTime), problem)) {
        mbSummaryFailed = true;
        mView.ShowProblem(problem);
    }
}

void RunController::ResetStepStatuses() {
    for (const auto& step : *mclsSteps) {
        step->ProcessingStatus(kssUnknown);
    }
}

bool RunController::ProcessSteps() {
    mlStepTotal = static_cast<std::int32_t>(mclsSteps->Count());
    mlStepsStarted = 0;
    mlFailedSteps = 0;
    updateStatusBar(-1);
    bool processedAny = true;
    while (processedAny && gbContinueProcessing) {
        processedAny = false;
        mclsSteps->SetStatusOfSteps();
        std::vector<std::shared_ptr<clsKivStep>> ready;
        for (const auto& step : *mclsSteps) {
            if (step->ProcessingStatus() == kssReady) {
                ready.push_back(step);
            }
            mView.YieldToUser();
        }
        bool continuePass = true;
        for (const auto& step : ready) {
            if (!continuePass) {
                break;
            }
            processedAny = true;
            processStep(step, continuePass);
        }
        mCrntStepSubscription.reset();
        mclsCrntStep.reset();
    }
    updateStatusBar(-1);
    mlFailedInRun += mlFailedSteps;
    return mlFailedSteps == 0;
}

void RunController::processStep(const std::shared_ptr<clsKivStep>& step, bool& continuePass) {
    mclsCrntStep = step;
    mCrntStepSubscription =
        step->Progress.subscribe([this](std::int32_t rows) { mclsCrntStep_Progress(rows); });
    ++mlStepsStarted;
    updateStatusBar(-1);
    mStepStarted = std::chrono::steady_clock::now();
    mLastProgress = mStepStarted;
    mView.ShowStepProgress(progressOf(*step, 0));
    step->ProcessingStatus(kssProcessing);
    modGridHandler::SetStepRowStatus(&mGrid, step->StepName(), step->ProcessingStatus(),
                                     step->ProcessingStatusString());
    mView.YieldToUser();
    step->Process();
    const StepProgress finished = progressOf(*step, step->RowsProcessed());
    mSummary.StepFinished(*step, finished.seconds);
    mView.ShowStepFinished(finished, step->ProcessingStatusString());
    if (step->ProcessingStatus() == kssSucceeded || step->ProcessingStatus() == kssFailed) {
        modGridHandler::AddStepRowRowCount(&mGrid, step->StepName(), step->RowsProcessed());
    }
    if (step->ProcessingStatus() == kssFailed) {
        ++mlFailedSteps;
    }
    mclsSteps->SetStatusOfSteps();
    refreshStepRows();
    mView.YieldToUser();
    if (mbSingleStep &&
        !mView.ConfirmSingleStep("Single Step Progress...",
                                 "Completed Processing Step: " + step->StepName() +
                                     "\r\nStep Status is: " + step->ProcessingStatusString())) {
        gbContinueProcessing = false;
        continuePass = false;
    }
}

void RunController::refreshStepRows() {
    for (const auto& step : *mclsSteps) {
        std::string status = step->ProcessingStatusString();
        for (const auto& message : *step->ErrorMessages()) {
            if (message->MsgType() == kMsgDisplayOnly) {
                status = message->Text() + "\r\n" + message->GetRecordID();
                break;
            }
        }
        modGridHandler::SetStepRowStatus(&mGrid, step->StepName(), step->ProcessingStatus(),
                                         status);
    }
}

std::string RunController::StatusBarText(std::int32_t dataSetTotal, std::int32_t dataSetNumber,
                                         std::int32_t stepTotal, std::int32_t stepsStarted,
                                         std::int32_t failedSteps, std::int32_t recordNumber) {
    std::string text;
    if (dataSetTotal > 0) {
        text = "Processing Dataset: " + text::decimal(dataSetNumber) + " of " +
               text::decimal(dataSetTotal) + ": ";
    }
    text += "Step " + text::decimal(stepsStarted) + " of " + text::decimal(stepTotal) + "  (with " +
            text::decimal(failedSteps) + " Processing " + (failedSteps == 1 ? "Error" : "Errors") +
            ")";
    if (recordNumber >= 0) {
        text += " Record Number: " + text::decimal(recordNumber);
    }
    return text;
}

void RunController::UpdateStatusBar(std::int32_t dataSetTotal, std::int32_t dataSetNumber,
                                    std::int32_t stepTotal, std::int32_t stepsStarted,
                                    std::int32_t failedSteps, std::int32_t recordNumber) {
    mView.ShowStatus(StatusBarText(dataSetTotal, dataSetNumber, stepTotal, stepsStarted,
                                   failedSteps, recordNumber));
    mView.YieldToUser();
}

void RunController::updateStatusBar(std::int32_t recordNumber) {
    UpdateStatusBar(mlDataSetTotal, mlDataSetNumber, mlStepTotal, mlStepsStarted, mlFailedSteps,
                    recordNumber);
}

StepProgress RunController::progressOf(const clsKivStep& step, std::int32_t rows) const {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - mStepStarted;
    return {mlDataSetNumber, mlDataSetTotal,       step.StepNumber(), step.StepName(), rows,
            elapsed.count(), step.SourceProgress()};
}

// Rows arrive far faster than anyone reads them: the status bar and the progress follow
// them ten times a second, so that the row loop does not pay for the front end.
void RunController::mclsCrntStep_Progress(std::int32_t rowsProcessed) {
    const auto now = std::chrono::steady_clock::now();
    if (now - mLastProgress < kProgressInterval) {
        return;
    }
    mLastProgress = now;
    updateStatusBar(rowsProcessed);
    if (mclsCrntStep) {
        mView.ShowStepProgress(progressOf(*mclsCrntStep, rowsProcessed));
    }
}

}  // namespace kiv
