#include "steps/clsKivSteps.h"

#include <algorithm>
#include <charconv>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr std::int16_t kCycleMessageNumber = 31;
constexpr std::int16_t kUnknownPrerequisiteNumber = 32;

bool hasMessage(const clsKivStep& step, std::int16_t number, std::string_view text = {}) {
    for (const auto& message : *step.ErrorMessages()) {
        if (message->Number() == number && message->Source() == "SetStatusOfSteps" &&
            (text.empty() || message->Text() == text)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void clsKivSteps::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    for (const auto& step : mItems) {
        step->DebugLog(mclsDebugLog);
    }
}

void clsKivSteps::add(const std::shared_ptr<clsKivStep>& step) {
    // A second step of a held name is kept without key so the key stays unique; it cannot
    // be named as a prerequisite.
    const bool keyed = !step->StepName().empty() && !mItems.Contains(step->StepName());
    mItems.Add(step, keyed ? step->StepName() : std::string_view());
}

std::shared_ptr<clsKivStep> clsKivSteps::AddFromFile(clsINIFile* iniFile,
                                                     std::shared_ptr<clsEnvironmentVariables> environment,
                                                     std::string_view stepNumberText,
                                                     std::shared_ptr<clsKivConnections> connections) {
    auto step = std::make_shared<clsKivStep>();
    step->DebugLog(mclsDebugLog);
    step->Environment(std::move(environment));
    const std::string_view digits = text::trim(stepNumberText);
    std::int16_t number = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    step->LoadSpecification(iniFile, number, std::move(connections));
    add(step);
    return step;
}

std::shared_ptr<clsKivStep> clsKivSteps::AddObject(std::shared_ptr<clsKivStep> step) {
    if (step && !mItems.Item(step->StepName())) {
        add(step);
    }
    return step;
}

std::shared_ptr<clsKivStep> clsKivSteps::Add(std::string_view stepName) {
    auto step = std::make_shared<clsKivStep>();
    step->DebugLog(mclsDebugLog);
    step->StepName(stepName);
    add(step);
    return step;
}

void clsKivSteps::SetStatusOfSteps() {
    for (const auto& step : mItems) {
        const std::int32_t status = step->ProcessingStatus();
        if (status != kssUnknown && status != kssAwaiting) {
            continue;
        }
        std::vector<const clsKivStep*> path;
        std::vector<std::string> cycle;
        const std::int32_t computed = ComputeStepStatus(step.get(), path, cycle);
        step->ProcessingStatus(computed);
        if (computed == kssWillNotBeProcessed) {
            step->ErrorMessages()->Add(kMsgStatus, "SetStatusOfSteps", 30, -1, "Prerequisite Failed.");
        }
        const bool inCycle = std::find(cycle.begin(), cycle.end(), step->StepName()) != cycle.end();
        if (computed == kssUnknown) {
            reportUnknownPrerequisites(*step);
        }
        if (inCycle && !hasMessage(*step, kCycleMessageNumber)) {
            std::string names;
            for (const std::string& name : cycle) {
                names += name + " -> ";
            }
            step->ErrorMessages()->Add(kMsgStatus, "SetStatusOfSteps", kCycleMessageNumber, -1,
                                       "Prerequisites form a cycle: " + names + cycle.front() + ".");
        }
    }
}

// A name that matches no step keeps the step waiting for ever; each such name is said once.
void clsKivSteps::reportUnknownPrerequisites(clsKivStep& step) const {
    for (std::int32_t position = 1; position <= step.PrerequisiteCount(); ++position) {
        const std::string name = step.PrerequisiteStepName(position);
        if (mItems.Item(name)) {
            continue;
        }
        const std::string text = "Prerequisite '" + name + "' names no step.";
        if (!hasMessage(step, kUnknownPrerequisiteNumber, text)) {
            step.ErrorMessages()->Add(kMsgError, "SetStatusOfSteps", kUnknownPrerequisiteNumber, -1,
                                      text);
        }
    }
}

// The status a step gets from its prerequisites. A prerequisite already on `path` closes a
// cycle: the cycle's steps stay "Unknown Status", so none of them ever runs, and `cycle`
// names them.
std::int32_t clsKivSteps::ComputeStepStatus(const clsKivStep* step, std::vector<const clsKivStep*>& path,
                                            std::vector<std::string>& cycle) const {
    if (step == nullptr) {
        return kssUnknown;
    }
    if (step->ProcessingStatus() != kssUnknown && step->ProcessingStatus() != kssAwaiting) {
        return step->ProcessingStatus();
    }
    const auto onPath = std::find(path.begin(), path.end(), step);
    if (onPath != path.end()) {
        if (cycle.empty()) {
            for (auto member = onPath; member != path.end(); ++member) {
                cycle.push_back((*member)->StepName());
            }
        }
        return kssUnknown;
    }
    path.push_back(step);
    std::int32_t result = kssReady;
    for (std::int32_t position = 1; position <= step->PrerequisiteCount(); ++position) {
        const auto prerequisite = mItems.Item(step->PrerequisiteStepName(position));
        const std::int32_t status = ComputeStepStatus(prerequisite.get(), path, cycle);
        if (status == kssUnknown) {
            result = kssUnknown;
            break;
        }
        if (status == kssAwaiting || status == kssReady) {
            result = kssAwaiting;
            break;
        }
        if (status == kssWillNotBeProcessed || status == kssFailed) {
            result = kssWillNotBeProcessed;
            break;
        }
    }
    path.pop_back();
    return result;
}

void clsKivSteps::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("Number of Actual Steps: " + text::decimal(Count()));
    for (long i = 1; i <= Count(); ++i) {
        log->WriteLog("Definition of Step " + text::decimal(i));
        log->IncrementIndent();
        if (const auto step = mItems.Item(i)) {
            step->Dump(log);
        } else {
            log->WriteLog("<< Not Set >>");
        }
        log->DecrementIndent();
        log->WriteLog("");
    }
}

}  // namespace kiv
