#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/Collection.h"
#include "base/Event.h"
#include "settings/clsMapping.h"

namespace kiv {

// The ordered substitution variables of a run. Every object that substitutes texts listens to
// Changed and recomputes them.
class clsEnvironmentVariables {
public:
    // Called after every Changed notification, so a front end can keep itself responsive
    // through long chains of notifications.
    using YieldHook = std::function<void()>;
    static void SetYieldHook(YieldHook hook);

    void Dump(clsDebugLog* log = nullptr) const;

    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);

    // Removes every entry without notification.
    void Clear();
    // Sets the value of the entry with that name, or appends a new entry.
    std::shared_ptr<clsMapping> Add(std::string_view name, std::string_view value);
    // Adds (or sets) an entry whose value the program found in a file, folder, table or
    // database name.
    std::shared_ptr<clsMapping> Publish(std::string_view name, std::string_view value);
    // A missing position or name gives an empty pointer.
    std::shared_ptr<clsMapping> Item(long index);
    std::shared_ptr<clsMapping> Item(std::string_view name);
    long Count() const { return mEntries.Count(); }
    void Remove(long index);
    void Remove(std::string_view name);

    auto begin() const { return mEntries.begin(); }
    auto end() const { return mEntries.end(); }

    // Applies every entry's placeholders, in the order the entries were added.
    std::string ReplaceEnvironmentVariables(std::string_view text) const;
    // The first published entry holding a shell metacharacter that reaches `substituted`, the
    // substitution of `written`: named by a placeholder there, or its value found in the result
    // where the written text did not have it. Empty when there is none.
    std::shared_ptr<clsMapping> ShellUnsafeEntry(std::string_view written,
                                                 std::string_view substituted) const;

    Event<const std::string&> Changed;

private:
    void mclsLastMappingReferenced_Changed(const std::string& name);
    void reference(std::shared_ptr<clsMapping> entry);
    void raiseChanged(const std::string& name);

    Collection<clsMapping> mEntries;
    std::shared_ptr<clsMapping> mclsLastMappingReferenced;
    Subscription mLastReferencedSubscription;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
};

}  // namespace kiv
