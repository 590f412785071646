#include "settings/clsEnvironmentVariables.h"

#include "base/Text.h"

namespace kiv {

namespace {

// What a shell reads as more than a word's letters: command separators, redirections,
// substitutions, quotes, escapes and line ends.
constexpr std::string_view kShellMetacharacters = ";&|$`'\"<>()\\\n\r";

clsEnvironmentVariables::YieldHook& yieldHook() {
    static clsEnvironmentVariables::YieldHook hook;
    return hook;
}

}  // namespace

void clsEnvironmentVariables::SetYieldHook(YieldHook hook) {
    yieldHook() = std::move(hook);
}

void clsEnvironmentVariables::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("Number of Environment Variables: " + text::decimal(Count()));
    log->IncrementIndent();
    for (const auto& entry : mEntries) {
        if (entry) {
            entry->Dump(log);
        } else {
            log->WriteLog("<< Mapping Not Set >>");
        }
    }
    log->DecrementIndent();
}

void clsEnvironmentVariables::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    for (const auto& entry : mEntries) {
        entry->DebugLog(mclsDebugLog);
    }
}

void clsEnvironmentVariables::Clear() {
    mEntries.Clear();
    reference(nullptr);
}

std::shared_ptr<clsMapping> clsEnvironmentVariables::Add(std::string_view name,
                                                         std::string_view value) {
    std::shared_ptr<clsMapping> entry = mEntries.empty() ? nullptr : Item(name);
    if (entry) {
        entry->MappingValue(value);
        entry->Published(false);
    } else {
        entry = std::make_shared<clsMapping>();
        entry->MappingName(name);
        entry->MappingValue(value);
        entry->DebugLog(mclsDebugLog);
        mEntries.Add(entry, name);
    }
    reference(entry);
    raiseChanged(std::string(name));
    return entry;
}

std::shared_ptr<clsMapping> clsEnvironmentVariables::Publish(std::string_view name,
                                                             std::string_view value) {
    std::shared_ptr<clsMapping> entry = Add(name, value);
    entry->Published(true);
    return entry;
}

std::shared_ptr<clsMapping> clsEnvironmentVariables::ShellUnsafeEntry(
    std::string_view written, std::string_view substituted) const {
    const std::string foldedWritten = text::toLower(written);
    for (const auto& entry : mEntries) {
        const std::string& value = entry->MappingValue();
        if (!entry->Published() || value.find_first_of(kShellMetacharacters) == std::string::npos) {
            continue;
        }
        const std::string placeholder = "$(" + text::toLower(entry->MappingName());
        const bool named = foldedWritten.find(placeholder + ")") != std::string::npos ||
                           foldedWritten.find(placeholder + ":") != std::string::npos;
        const bool reached = substituted.find(value) != std::string_view::npos &&
                             written.find(value) == std::string_view::npos;
        if (named || reached) {
            return entry;
        }
    }
    return nullptr;
}

std::shared_ptr<clsMapping> clsEnvironmentVariables::Item(long index) {
    auto entry = mEntries.Item(index);
    reference(entry);
    return entry;
}

std::shared_ptr<clsMapping> clsEnvironmentVariables::Item(std::string_view name) {
    auto entry = mEntries.Item(name);
    reference(entry);
    return entry;
}

void clsEnvironmentVariables::Remove(long index) {
    mEntries.Remove(index);
    raiseChanged(text::decimal(index));
}

void clsEnvironmentVariables::Remove(std::string_view name) {
    mEntries.Remove(name);
    raiseChanged(std::string(name));
}

std::string clsEnvironmentVariables::ReplaceEnvironmentVariables(std::string_view text) const {
    std::string result(text);
    for (const auto& entry : mEntries) {
        result = entry->ReplaceMappingOccurrences(result);
    }
    return result;
}

void clsEnvironmentVariables::mclsLastMappingReferenced_Changed(const std::string& name) {
    raiseChanged(name);
}

void clsEnvironmentVariables::reference(std::shared_ptr<clsMapping> entry) {
    if (entry == mclsLastMappingReferenced) {
        return;
    }
    mLastReferencedSubscription.reset();
    mclsLastMappingReferenced = std::move(entry);
    if (mclsLastMappingReferenced) {
        mLastReferencedSubscription = mclsLastMappingReferenced->Changed.subscribe(
            [this](const std::string& name) { mclsLastMappingReferenced_Changed(name); });
    }
}

void clsEnvironmentVariables::raiseChanged(const std::string& name) {
    Changed.raise(name);
    if (yieldHook()) {
        yieldHook()();
    }
}

}  // namespace kiv
