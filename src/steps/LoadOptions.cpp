#include "steps/LoadOptions.h"

#include <array>
#include <optional>

#include "base/Text.h"
#include "base/Variant.h"

namespace kiv {

namespace {

constexpr std::array<LoadMode, 5> kModes = {LoadMode::Append, LoadMode::Truncate, LoadMode::Replace,
                                            LoadMode::Create, LoadMode::Merge};
constexpr std::string_view kBefore = "' -  Before Environment Substitutions: '";

std::optional<LoadMode> modeFromText(std::string_view text) {
    const std::string_view trimmed = text::trim(text);
    if (trimmed.empty()) {
        return LoadMode::Append;
    }
    for (const LoadMode mode : kModes) {
        if (text::iequals(trimmed, LoadOptions::ModeText(mode))) {
            return mode;
        }
    }
    return std::nullopt;
}

std::optional<bool> yesNo(std::string_view text) {
    const std::string_view trimmed = text::trim(text);
    return trimmed.empty() ? std::optional<bool>(false) : Variant(trimmed).tryToBool();
}

std::optional<std::int32_t> rowCount(std::string_view text) {
    const std::string_view trimmed = text::trim(text);
    if (trimmed.empty()) {
        return 0;
    }
    std::int32_t count = 0;
    for (const char c : trimmed) {
        if (c < '0' || c > '9' || count > 100'000'000) {
            return std::nullopt;
        }
        count = count * 10 + (c - '0');
    }
    return count;
}

}  // namespace

std::string_view LoadOptions::ModeText(LoadMode mode) {
    constexpr std::array<std::string_view, 5> kTexts = {"Append", "Truncate", "Replace", "Create",
                                                        "Merge"};
    return kTexts[static_cast<std::size_t>(mode)];
}

void LoadOptions::Load(clsINIFile& iniFile) {
    auto read = [&](std::string_view key) {
        return std::string(text::trim(iniFile.sItemValue(key, clsINIFile::ParamNotSupplied,
                                                         clsINIFile::ParamNotSupplied, "")));
    };
    mMode.Assign(read("TargetLoadMode"), nullptr);
    mKeyColumns.Assign(read("TargetKeyColumns"), nullptr);
    mAllOrNothing.Assign(read("AllOrNothing"), nullptr);
    mRejectFile.Assign(read("RejectFile"), nullptr);
    mMaxRejectedRows.Assign(read("MaxRejectedRows"), nullptr);
}

void LoadOptions::Recompute(const clsEnvironmentVariables* environment) {
    for (SubstitutedText* text :
         {&mMode, &mKeyColumns, &mAllOrNothing, &mRejectFile, &mMaxRejectedRows}) {
        text->Recompute(environment);
    }
}

void LoadOptions::Clear() {
    for (SubstitutedText* text :
         {&mMode, &mKeyColumns, &mAllOrNothing, &mRejectFile, &mMaxRejectedRows}) {
        text->Assign("", nullptr);
    }
}

bool LoadOptions::Used() const {
    for (const SubstitutedText* text :
         {&mMode, &mKeyColumns, &mAllOrNothing, &mRejectFile, &mMaxRejectedRows}) {
        if (!text->Written().empty()) {
            return true;
        }
    }
    return false;
}

std::vector<SpecificationProblem> LoadOptions::Problems(const std::string& file,
                                                        const std::string& section) const {
    std::vector<SpecificationProblem> problems;
    auto add = [&](std::string_view key, std::string message) {
        problems.push_back({file, section, std::string(key), std::move(message)});
    };
    const std::optional<LoadMode> mode = modeFromText(mMode.Value());
    if (!mode) {
        add("TargetLoadMode", "'" + mMode.Value() +
                                  "' is not a load mode; the modes are Append, Truncate, Replace, "
                                  "Create and Merge.");
    } else if (*mode == LoadMode::Merge && KeyColumns().empty()) {
        add("TargetKeyColumns",
            "TargetLoadMode=Merge needs the columns that identify a destination row, such as "
            "TargetKeyColumns=Id.");
    } else if (*mode != LoadMode::Merge && !mKeyColumns.Value().empty()) {
        add("TargetKeyColumns", "'" + mKeyColumns.Value() +
                                    "' is used only with TargetLoadMode=Merge; the load mode is " +
                                    std::string(ModeText(*mode)) + ".");
    }
    if (!yesNo(mAllOrNothing.Value())) {
        add("AllOrNothing", "'" + mAllOrNothing.Value() + "' is neither True nor False.");
    }
    const std::optional<std::int32_t> rejected = rowCount(mMaxRejectedRows.Value());
    if (!rejected) {
        add("MaxRejectedRows",
            "'" + mMaxRejectedRows.Value() + "' is not a whole number from 0 to 100000000.");
    } else if (*rejected > 0 && RejectFile().empty()) {
        add("RejectFile", "MaxRejectedRows=" + mMaxRejectedRows.Value() +
                              " sets rows aside, but no RejectFile says where to write them.");
    }
    return problems;
}

LoadMode LoadOptions::Mode() const {
    return modeFromText(mMode.Value()).value_or(LoadMode::Append);
}

std::vector<std::string> LoadOptions::KeyColumns() const {
    std::vector<std::string> columns;
    for (const std::string_view column : text::split(mKeyColumns.Value(), ',')) {
        if (!text::trim(column).empty()) {
            columns.emplace_back(text::trim(column));
        }
    }
    return columns;
}

bool LoadOptions::AllOrNothing() const {
    return yesNo(mAllOrNothing.Value()).value_or(false);
}

std::int32_t LoadOptions::MaxRejectedRows() const {
    return rowCount(mMaxRejectedRows.Value()).value_or(0);
}

void LoadOptions::Dump(clsDebugLog& log) const {
    if (!Used()) {
        return;
    }
    auto line = [&](std::string_view label, const SubstitutedText& text) {
        log.WriteLog(std::string(label) + "'" + text.Value() + std::string(kBefore) +
                     text.Written() + "'");
    };
    line("Target Load Mode:   ", mMode);
    line("Target Key Columns: ", mKeyColumns);
    line("All Or Nothing:     ", mAllOrNothing);
    line("Reject File:        ", mRejectFile);
    line("Max Rejected Rows:  ", mMaxRejectedRows);
}

}  // namespace kiv
