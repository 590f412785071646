#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Event.h"
#include "diagnostics/clsDebugLog.h"

namespace kiv {

// One environment entry: a name and the text that replaces its placeholders $(NAME),
// $(NAME:sub,S) and $(NAME:sub,S,L).
class clsMapping {
public:
    void Dump(clsDebugLog* log = nullptr) const;

    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log) { mclsDebugLog = std::move(log); }

    const std::string& MappingName() const { return msMappingName; }
    // Stored trimmed; a name that is empty after trimming is ignored.
    void MappingName(std::string_view value);
    const std::string& MappingValue() const { return msMappingValue; }
    void MappingValue(std::string_view value);
    // True when the program took the value from a file, folder, table or database name rather
    // than from the user's settings: such a value must not reach a shell unchecked.
    bool Published() const { return mbPublished; }
    void Published(bool value) { mbPublished = value; }

    // Replaces every placeholder of this entry in `text`: whole-value ones first, then
    // substring ones. A placeholder is never searched for again inside the value that replaced
    // it, so a value holding its own placeholder cannot loop; a malformed one is left as
    // written and reported to the debug log.
    std::string ReplaceMappingOccurrences(std::string_view text) const;

    // Raised with the entry's name when its name or value changes.
    Event<const std::string&> Changed;

private:
    std::optional<std::size_t> replaceSubstring(std::string& text, std::size_t position,
                                                std::size_t length) const;
    void reportMalformed(std::string_view text, std::string_view placeholder) const;

    std::string msMappingName;
    std::string msMappingValue;
    bool mbPublished = false;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
};

}  // namespace kiv
