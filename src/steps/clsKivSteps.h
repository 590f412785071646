#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Collection.h"
#include "steps/clsKivStep.h"

namespace kiv {

// Steps in the order they were added, keyed by step name (letter case ignored). Decides from
// the prerequisites which steps are ready to run.
class clsKivSteps {
public:
    void Dump(clsDebugLog* log = nullptr) const;
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    void Clear();
    std::shared_ptr<clsKivStep> AddFromFile(clsINIFile* iniFile,
                                            std::shared_ptr<clsEnvironmentVariables> environment,
                                            std::string_view stepNumberText,
                                            std::shared_ptr<clsKivConnections> connections);
    // Adds the step unless one of its name is held already (the first of a name wins).
    std::shared_ptr<clsKivStep> AddObject(std::shared_ptr<clsKivStep> step);
    std::shared_ptr<clsKivStep> Add(std::string_view stepName);
    std::shared_ptr<clsKivStep> Item(long index) const { return mItems.Item(index); }
    std::shared_ptr<clsKivStep> Item(std::string_view name) const { return mItems.Item(name); }
    long Count() const { return mItems.Count(); }
    void Remove(long index);
    void Remove(std::string_view name);
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

    // Gives every step still undecided (-1 or 0) its status from its prerequisites. Each
    // step's status is worked out once per call, so a call takes time in proportion to the
    // steps and their prerequisites.
    void SetStatusOfSteps();

private:
    // The positions (from 0) of one step's prerequisites, -1 for a name not held.
    struct Links {
        const clsKivStep* step = nullptr;
        std::uint32_t revision = 0;
        std::vector<long> prerequisites;
    };
    // A step's status and the cycle it lies in, while SetStatusOfSteps works them out.
    struct Outcome {
        std::int32_t status;
        long cycle = -1;
    };

    void refreshLinks();
    void ComputeStepStatus(long root, std::vector<Outcome>& outcomes,
                           std::vector<std::vector<long>>& cycles) const;
    std::string cycleText(const std::vector<long>& cycle, long step) const;
    void add(const std::shared_ptr<clsKivStep>& step);
    void reportUnknownPrerequisites(clsKivStep& step) const;

    Collection<clsKivStep> mItems;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::vector<Links> mLinks;
};

}  // namespace kiv
