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
    void Clear() { mItems.Clear(); }
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
    void Remove(long index) { mItems.Remove(index); }
    void Remove(std::string_view name) { mItems.Remove(name); }
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

    // Gives every step still undecided (-1 or 0) its status from its prerequisites.
    void SetStatusOfSteps();

private:
    std::int32_t ComputeStepStatus(const clsKivStep* step, std::vector<const clsKivStep*>& path,
                                   std::vector<std::string>& cycle) const;
    void add(const std::shared_ptr<clsKivStep>& step);
    void reportUnknownPrerequisites(clsKivStep& step) const;

    Collection<clsKivStep> mItems;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
};

}  // namespace kiv
