#include "steps/clsKivSteps.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <unordered_map>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr std::int16_t kCycleMessageNumber = 31;
constexpr std::int16_t kUnknownPrerequisiteNumber = 32;
// Outcomes of steps not reached yet and of steps whose prerequisites are being walked.
constexpr std::int32_t kUnvisited = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kOnPath = kUnvisited + 1;

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
    mLinks.clear();
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

void clsKivSteps::Clear() {
    mItems.Clear();
    mLinks.clear();
}

void clsKivSteps::Remove(long index) {
    mItems.Remove(index);
    mLinks.clear();
}

void clsKivSteps::Remove(std::string_view name) {
    mItems.Remove(name);
    mLinks.clear();
}

void clsKivSteps::refreshLinks() {
    mLinks.resize(static_cast<std::size_t>(Count()));
    std::unordered_map<const clsKivStep*, long> positions;
    long position = 0;
    for (const auto& step : mItems) {
        Links& links = mLinks[static_cast<std::size_t>(position++)];
        if (links.step == step.get() && links.revision == step->PrerequisiteRevision()) {
            continue;
        }
        if (positions.empty()) {
            long index = 0;
            for (const auto& held : mItems) {
                positions.emplace(held.get(), index++);
            }
        }
        links.step = step.get();
        links.revision = step->PrerequisiteRevision();
        links.prerequisites.clear();
        for (std::int32_t n = 1; n <= step->PrerequisiteCount(); ++n) {
            const auto prerequisite = mItems.Item(step->PrerequisiteStepName(n));
            links.prerequisites.push_back(prerequisite ? positions.at(prerequisite.get()) : -1);
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

void clsKivSteps::SetStatusOfSteps() {
    refreshLinks();
    std::vector<Outcome> outcomes(static_cast<std::size_t>(Count()), Outcome{kUnvisited});
    std::vector<std::vector<long>> cycles;
    long position = 0;
    for (const auto& step : mItems) {
        const long index = position++;
        const std::int32_t status = step->ProcessingStatus();
        if (status != kssUnknown && status != kssAwaiting) {
            continue;
        }
        ComputeStepStatus(index, outcomes, cycles);
        const Outcome& outcome = outcomes[static_cast<std::size_t>(index)];
        step->ProcessingStatus(outcome.status);
        if (outcome.status == kssWillNotBeProcessed) {
            step->ErrorMessages()->Add(kMsgStatus, "SetStatusOfSteps", 30, -1, "Prerequisite Failed.");
        }
        if (outcome.status == kssUnknown) {
            reportUnknownPrerequisites(*step);
        }
        if (outcome.cycle >= 0 && !hasMessage(*step, kCycleMessageNumber)) {
            step->ErrorMessages()->Add(
                kMsgStatus, "SetStatusOfSteps", kCycleMessageNumber, -1,
                cycleText(cycles[static_cast<std::size_t>(outcome.cycle)], index));
        }
    }
}

// Works out the status of the step at `root` and of every undecided step it depends on, each
// once, walking the prerequisites depth first with a stack of its own. The first prerequisite
// that is not satisfied decides. A prerequisite still on the walk closes a cycle: the cycle's
// steps stay "Unknown Status", so none of them ever runs.
void clsKivSteps::ComputeStepStatus(long root, std::vector<Outcome>& outcomes,
                                    std::vector<std::vector<long>>& cycles) const {
    struct Frame {
        long step;
        std::size_t next;
    };
    std::vector<Frame> path;
    auto outcome = [&outcomes](long step) -> Outcome& {
        return outcomes[static_cast<std::size_t>(step)];
    };
    auto visit = [&](long step) {
        const std::int32_t own = mLinks[static_cast<std::size_t>(step)].step->ProcessingStatus();
        if (own != kssUnknown && own != kssAwaiting) {
            outcome(step).status = own;
        } else {
            outcome(step).status = kOnPath;
            path.push_back({step, 0});
        }
    };
    auto decide = [&](std::int32_t status) {
        outcome(path.back().step).status = status;
        path.pop_back();
    };
    if (outcome(root).status != kUnvisited) {
        return;
    }
    visit(root);
    while (!path.empty()) {
        const auto& prerequisites =
            mLinks[static_cast<std::size_t>(path.back().step)].prerequisites;
        if (path.back().next == prerequisites.size()) {
            decide(kssReady);
            continue;
        }
        const long prerequisite = prerequisites[path.back().next];
        if (prerequisite < 0) {
            decide(kssUnknown);
            continue;
        }
        const std::int32_t status = outcome(prerequisite).status;
        if (status == kUnvisited) {
            visit(prerequisite);
        } else if (status == kOnPath) {
            auto member = path.end();
            while ((--member)->step != prerequisite) {
            }
            std::vector<long> cycle;
            for (; member != path.end(); ++member) {
                cycle.push_back(member->step);
                if (outcome(member->step).cycle < 0) {
                    outcome(member->step).cycle = static_cast<long>(cycles.size());
                }
            }
            cycles.push_back(std::move(cycle));
            decide(kssUnknown);
        } else if (status == kssUnknown) {
            decide(kssUnknown);
        } else if (status == kssAwaiting || status == kssReady) {
            decide(kssAwaiting);
        } else if (status == kssWillNotBeProcessed || status == kssFailed) {
            decide(kssWillNotBeProcessed);
        } else {
            ++path.back().next;
        }
    }
}

// "Prerequisites form a cycle: " and the names of the cycle's steps from `step` round to it.
std::string clsKivSteps::cycleText(const std::vector<long>& cycle, long step) const {
    const auto first = std::find(cycle.begin(), cycle.end(), step);
    std::string names;
    for (std::size_t i = 0; i < cycle.size(); ++i) {
        const auto member =
            cycle[(static_cast<std::size_t>(first - cycle.begin()) + i) % cycle.size()];
        names += mItems.At(member + 1)->StepName() + " -> ";
    }
    return "Prerequisites form a cycle: " + names + mItems.At(step + 1)->StepName() + ".";
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
