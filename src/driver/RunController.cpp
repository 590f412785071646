#include "driver/RunController.h"

#include "base/Path.h"
#include "base/Text.h"
#include "diagnostics/Globals.h"
#include "driver/ProcessingReport.h"
#include "driver/RunSignals.h"
#include "driver/modGridHandler.h"
#include "driver/modKivRun.h"

namespace kiv {

RunController::RunController(RunView& view) : mView(view), mclsSteps(std::make_shared<clsKivSteps>()) {
    modGridHandler::InitProgressGrid(&mGrid);
}

RunController::~RunController() { mCrntStepSubscription.reset(); }

void RunController::AddSpecificationFile(std::string_view name,
                                         const std::shared_ptr<clsEnvironmentVariables>& environment,
                                         bool reload) {
    const std::string_view trimmed = text::trim(name);
    if (!trimmed.empty()) {
        mSpecifications.push_back({path::fullPath(trimmed), false});
    }
    if (reload) {
        ReloadSpecifications(environment);
    }
}

void RunController::ReloadSpecifications(const std::shared_ptr<clsEnvironmentVariables>& environment) {
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

void RunController::LoadSpecificationFile(const std::string& pathText,
                                          const std::shared_ptr<clsEnvironmentVariables>& environment) {
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
    mShownStatuses.clear();
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
    gbContinueProcessing = true;
    const RunSignals signals;
    updateStatusBar(-1);
    if (!mclsPrimaryInput) {
        ResetStepStatuses();
        ProcessSteps();
    } else {
        while (mclsPrimaryInput->OpenConnection()) {
            ++mlDataSetNumber;
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
    const ProcessingReport report(*mclsSteps, mGrid, gEnvironment.get(),
                                  RunSignals::CancelNotice());
    report.WriteSummaryReport(*gReportLog, mStartTime, mEndTime);
    report.WriteDetailedReport(*gReportLog);
    gReportLog->CloseLog();
}

void RunController::ResetStepStatuses() {
    mShownStatuses.clear();
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
    // Later passes find the statuses as the last processed step left them.
    mclsSteps->SetStatusOfSteps();
    while (processedAny && gbContinueProcessing) {
        processedAny = false;
        std::vector<std::shared_ptr<clsKivStep>> ready;
        for (const auto& step : *mclsSteps) {
            if (step->ProcessingStatus() == kssReady) {
                ready.push_back(step);
            }
        }
        mView.YieldToUser();
        bool continuePass = true;
        for (const auto& step : ready) {
            if (!continuePass || !gbContinueProcessing) {
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
    mCrntStepSubscription = step->Progress.subscribe(
        [this](std::int32_t rows) { mclsCrntStep_Progress(rows); });
    ++mlStepsStarted;
    updateStatusBar(-1);
    step->ProcessingStatus(kssProcessing);
    modGridHandler::SetStepRowStatus(&mGrid, step->StepName(), step->ProcessingStatus(),
                                     step->ProcessingStatusString());
    mView.YieldToUser();
    step->Process();
    if (step->ProcessingStatus() == kssSucceeded || step->ProcessingStatus() == kssFailed) {
        modGridHandler::AddStepRowRowCount(&mGrid, step->StepName(), step->RowsProcessed());
    }
    if (step->ProcessingStatus() == kssFailed) {
        ++mlFailedSteps;
    }
    mclsSteps->SetStatusOfSteps();
    refreshStepRows(*step);
    mView.YieldToUser();
    if (mbSingleStep &&
        !mView.ConfirmSingleStep("Single Step Progress...",
                                 "Completed Processing Step: " + step->StepName() +
                                     "\r\nStep Status is: " + step->ProcessingStatusString())) {
        gbContinueProcessing = false;
        continuePass = false;
    }
}

// Rows whose step kept the status they show keep their text; only the processed step and the
// steps whose status changed are written again.
void RunController::refreshStepRows(const clsKivStep& processed) {
    mShownStatuses.resize(static_cast<std::size_t>(mclsSteps->Count()), kNotShown);
    auto shown = mShownStatuses.begin();
    for (const auto& step : *mclsSteps) {
        std::int32_t& shownStatus = *shown++;
        if (step.get() != &processed && shownStatus == step->ProcessingStatus()) {
            continue;
        }
        shownStatus = step->ProcessingStatus();
        std::string status = step->ProcessingStatusString();
        for (const auto& message : *step->ErrorMessages()) {
            if (message->MsgType() == kMsgDisplayOnly) {
                status = message->Text() + "\r\n" + message->GetRecordID();
                break;
            }
        }
        modGridHandler::SetStepRowStatus(&mGrid, step->StepName(), step->ProcessingStatus(), status);
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
            text::decimal(failedSteps) + " Processing " + (failedSteps == 1 ? "Error" : "Errors") + ")";
    if (recordNumber >= 0) {
        text += " Record Number: " + text::decimal(recordNumber);
    }
    return text;
}

void RunController::UpdateStatusBar(std::int32_t dataSetTotal, std::int32_t dataSetNumber,
                                    std::int32_t stepTotal, std::int32_t stepsStarted,
                                    std::int32_t failedSteps, std::int32_t recordNumber) {
    mView.ShowStatus(
        StatusBarText(dataSetTotal, dataSetNumber, stepTotal, stepsStarted, failedSteps, recordNumber));
    mView.YieldToUser();
}

void RunController::updateStatusBar(std::int32_t recordNumber) {
    UpdateStatusBar(mlDataSetTotal, mlDataSetNumber, mlStepTotal, mlStepsStarted, mlFailedSteps,
                    recordNumber);
}

void RunController::mclsCrntStep_Progress(std::int32_t rowsProcessed) { updateStatusBar(rowsProcessed); }

}  // namespace kiv
