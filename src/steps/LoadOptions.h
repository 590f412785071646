#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/clsDebugLog.h"
#include "settings/SpecificationProblem.h"
#include "settings/SubstitutedText.h"
#include "settings/clsEnvironmentVariables.h"
#include "settings/clsINIFile.h"

namespace kiv {

// What becomes of the rows already in the destination table.
enum class LoadMode {
    Append,    // the rows are added to those there
    Truncate,  // the table is emptied first
    Replace,   // the table is dropped and created from the source's columns
    Create,    // the table is created from the source's columns when it is not there
    Merge,     // rows whose key columns match a row there update it, the others are added
};

// The optional keys of a step that moves rows which say how the destination takes them:
// TargetLoadMode, TargetKeyColumns, AllOrNothing, RejectFile and MaxRejectedRows. Each is held
// as written and after substitution; a step that uses none of them loads as it always did.
class LoadOptions {
public:
    void Load(clsINIFile& iniFile);
    void Recompute(const clsEnvironmentVariables* environment);
    void Clear();

    // Whether the step's section gives any of the keys.
    bool Used() const;
    // The values that are not valid, each naming its key and value.
    std::vector<SpecificationProblem> Problems(const std::string& file,
                                               const std::string& section) const;

    // The values; an invalid value counts as not given (Problems tells about it).
    LoadMode Mode() const;
    std::vector<std::string> KeyColumns() const;
    bool AllOrNothing() const;
    const std::string& RejectFile() const { return mRejectFile.Value(); }
    std::int32_t MaxRejectedRows() const;

    static std::string_view ModeText(LoadMode mode);

    // One line per key, as the step's other settings are dumped; nothing when none is given.
    void Dump(clsDebugLog& log) const;

private:
    SubstitutedText mMode, mKeyColumns, mAllOrNothing, mRejectFile, mMaxRejectedRows;
};

}  // namespace kiv
