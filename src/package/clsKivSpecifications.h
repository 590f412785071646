#pragma once

#include <memory>
#include <string_view>

#include "base/Collection.h"
#include "package/clsKivSpecification.h"

namespace kiv {

// The loaded specifications of a run, keyed by package name (letter case ignored).
class clsKivSpecifications {
public:
    void Dump(clsDebugLog* log = nullptr) const;
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    void Clear() { mItems.Clear(); }
    // Loads the file; empty when a specification of the same package name is held already.
    std::shared_ptr<clsKivSpecification> Add(std::string_view fileName,
                                             std::shared_ptr<clsEnvironmentVariables> environment);
    std::shared_ptr<clsKivSpecification> Item(long index) const { return mItems.Item(index); }
    std::shared_ptr<clsKivSpecification> Item(std::string_view name) const { return mItems.Item(name); }
    long Count() const { return mItems.Count(); }
    void Remove(long index) { mItems.Remove(index); }
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }
    std::shared_ptr<clsKivConnection> PrimaryInputDataConnection() const;

private:
    Collection<clsKivSpecification> mItems;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
};

}  // namespace kiv
