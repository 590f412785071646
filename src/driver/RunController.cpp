#include "driver/RunController.h"

#include <algorithm>
#include <utility>

#include "base/Path.h"
#include "base/Text.h"
#include "diagnostics/Globals.h"
#include "driver/ProcessingReport.h"
#include "driver/RunSignals.h"
#include "driver/modGridHandler.h"
#include "driver/modKivRun.h"
#include "package/PackageCheck.h"

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
    mProblems.clear();
    mbInvalidSpecification = false;
    for (const SpecificationEntry& entry : mSpecifications) {
        if (!entry.path.empty()) {
            LoadSpecificationFile(entry.path, environment);
        }
    }
    PackageCheck::AddPrerequisiteProblems(mProblems, *mclsSteps);
    RefreshProgressGrid();
    if (gDebugLog) {
        writeProblems(*gDebugLog);
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
            mProblems.push_back(
                {file, "Administration", "PackageName",
                 "a package of this name is loaded already; the file was left out."});
            if (gDebugLog) {
                gDebugLog->WriteLog("Specification file '" + file +
                                    "' was left out: its package name is already loaded.");
            }
            continue;
        }
        mbInvalidSpecification = mbInvalidSpecification || !specification->IsValid();
        PackageCheck::AddFileProblems(mProblems, *specification);
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
    mSummary.Clear();
    mDestinations.clear();
    gbContinueProcessing = true;
    const RunSignals signals;
    updateStatusBar(-1);
    mbStepsRan = false;
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
    closeDestinations();
    updateStatusBar(-1);
    mEndTime = std::time(nullptr);
    writeReport();
    writeSummary();
    mView.SetRunningState(false);
    mView.RunFinished();
}

// A workbook is written when its connection closes: the run closes its destinations before it
// reports, so that a workbook that cannot be saved fails the last step that wrote to it.
void RunController::closeDestinations() {
    for (const auto& [connection, step] : std::exchange(mDestinations, {})) {
        const std::string failure = connection->CloseConnection();
        if (failure.empty()) {
            continue;
        }
        if (step->ProcessingStatus() != kssFailed) {
            ++mlFailedInRun;
        }
        step->FailAtClosing(failure);
        modGridHandler::SetStepRowStatus(&mGrid, step->StepName(), step->ProcessingStatus(),
                                         step->ProcessingStatusString());
    }
}

void RunController::rememberDestination(const std::shared_ptr<clsKivStep>& step) {
    const auto destination = step->TableConnection(clsKivStep::kDestination);
    if (!destination || !destination->IsOpen()) {
        return;
    }
    const auto known = std::ranges::find_if(
        mDestinations, [&](const auto& entry) { return entry.first == destination; });
    if (known == mDestinations.end()) {
        mDestinations.emplace_back(destination, step);
    } else {
        known->second = step;
    }
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
    writeProblems(*gReportLog);
    const ProcessingReport report(*mclsSteps, mGrid, gEnvironment.get(),
                                  RunSignals::CancelNotice());
    report.WriteSummaryReport(*gReportLog, mStartTime, mEndTime);
    report.WriteDetailedReport(*gReportLog);
    gReportLog->CloseLog();
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
    mShownStatuses.clear();
    for (const auto& step : *mclsSteps) {
        step->ProcessingStatus(kssUnknown);
    }
}

// Only a package with problems gets this section, so reports of sound packages stay as they were.
void RunController::writeProblems(clsDebugLog& log) const {
    if (mProblems.empty()) {
        return;
    }
    log.WriteLog("");
    log.WriteLog("Specification Problems:");
    log.WriteLog("-----------------------");
    for (const SpecificationProblem& problem : mProblems) {
        log.WriteLog("   " + problem.Line());
    }
}

std::vector<SpecificationProblem> RunController::Check() {
    std::vector<SpecificationProblem> problems = mProblems;
    PackageCheck::AddDataProblems(problems, *mclsSteps);
    return problems;
}

std::string RunController::StepMessages(const std::string& stepName) const {
    const auto step = mclsSteps->Item(stepName);
    std::string text;
    if (!step) {
        return text;
    }
    for (const auto& message : *step->ErrorMessages()) {
        if (message->MsgType() >= kMsgWarning) {
            text += (text.empty() ? "" : "\r\n\r\n") + message->Text();
        }
    }
    return text;
}

RunController::Verdict RunController::StepVerdict() const {
    Verdict verdict;
    for (const auto& step : *mclsSteps) {
        verdict.rows += step->Counts();
        verdict.countsRows = verdict.countsRows || step->Options().Used();
        switch (step->ProcessingStatus()) {
            case kssSucceeded:
                ++verdict.succeeded;
                break;
            case kssFailed:
                ++verdict.failed;
                break;
            case kssWillNotBeProcessed:
                ++verdict.notProcessed;
                break;
            default:
                ++verdict.unknown;
                break;
        }
    }
    return verdict;
}

int RunController::ExitStatus() const {
    if (RunSignals::Caught() != 0) {
        return RunSignals::ExitStatus();
    }
    if (mlFailedInRun > 0 || !gbContinueProcessing || mbInvalidSpecification || mbSummaryFailed) {
        return 1;
    }
    const Verdict verdict = StepVerdict();
    const bool allSucceeded = verdict.failed + verdict.notProcessed + verdict.unknown == 0;
    return allSucceeded || !mbStepsRan ? 0 : 1;
}

bool RunController::ProcessSteps() {
    mbStepsRan = true;
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
    rememberDestination(step);
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
