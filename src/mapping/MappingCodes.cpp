#include "mapping/MappingCodes.h"

#include <array>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr std::array<std::string_view, 3> kPurposes = {"Source", "Target", "RecordID"};
constexpr std::array<std::string_view, 3> kTypes = {"Copy", "Lookup", "Constant"};
constexpr std::array<std::string_view, 5> kNULLLookupActions = {
    "Allow", "Allow And Log", "Generate Error", "Skip Record", "Skip Record And Log"};
constexpr std::array<std::string_view, 2> kStatuses = {"Enabled", "Disabled"};
constexpr std::array<std::string_view, 3> kNULLSourceActions = {"Copy NULL", "Skip Record",
                                                                "Use Previous Value"};
constexpr std::array<std::string_view, 7> kConversionErrorActions = {
    "Error",        "Use Previous Value", "Use Previous Value and Log", "Null",
    "Null and Log", "Skip Record",        "Skip Record and Log"};

template <std::size_t N>
std::string nameOf(const std::array<std::string_view, N>& texts, std::int32_t code,
                   std::string_view fallback) {
    const bool known = code >= 0 && static_cast<std::size_t>(code) < N;
    return std::string(known ? texts[static_cast<std::size_t>(code)] : fallback);
}

template <std::size_t N>
std::int32_t codeOf(const std::array<std::string_view, N>& texts, std::string_view text,
                    std::int32_t fallback) {
    const std::string_view trimmed = text::trim(text);
    for (std::size_t i = 0; i < N; ++i) {
        if (text::iequals(trimmed, texts[i])) {
            return static_cast<std::int32_t>(i);
        }
    }
    return fallback;
}

template <std::size_t N>
std::optional<std::string> valueProblem(const std::array<std::string_view, N>& texts,
                                        std::string_view value, std::int32_t fallback) {
    const std::int32_t unknown = -1;
    if (codeOf(texts, value, unknown) != unknown) {
        return std::nullopt;
    }
    std::string list;
    for (const std::string_view text : texts) {
        list += (list.empty() ? "" : ", ") + std::string(text);
    }
    return "'" + std::string(value) + "' is none of " + list + "; " +
           std::string(texts[static_cast<std::size_t>(fallback)]) + " is used instead.";
}

}  // namespace

std::optional<std::string> MappingValueProblem(std::string_view key, std::string_view value) {
    if (text::trim(value).empty() || value.find("$(") != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string folded = text::toLower(key);
    if (folded.find("mappingtype_") != std::string::npos) {
        return valueProblem(kTypes, value, kmtCopy);
    }
    if (folded.starts_with("mappingstatus_")) {
        return valueProblem(kStatuses, value, kcsEnabled);
    }
    if (folded.ends_with("_nulllookups")) {
        return valueProblem(kNULLLookupActions, value, knlGenerateError);
    }
    if (folded.ends_with("_nullsource")) {
        return valueProblem(kNULLSourceActions, value, knsCopyNULL);
    }
    if (folded.ends_with("_conversionerror")) {
        return valueProblem(kConversionErrorActions, value, kceError);
    }
    return std::nullopt;
}

std::string MappingPurposeName(std::int32_t code) {
    return nameOf(kPurposes, code, "Unknown");
}
std::int32_t ParseMappingPurpose(std::string_view text) {
    return codeOf(kPurposes, text, kmpUnknown);
}

std::string MappingTypeName(std::int32_t code) {
    return nameOf(kTypes, code, kTypes[kmtCopy]);
}
std::int32_t ParseMappingType(std::string_view text) {
    return codeOf(kTypes, text, kmtCopy);
}

std::string NULLLookupActionName(std::int32_t code) {
    return nameOf(kNULLLookupActions, code, "Unknown");
}
std::int32_t ParseNULLLookupAction(std::string_view text) {
    return codeOf(kNULLLookupActions, text, knlGenerateError);
}

std::string ColumnMappingStatusName(std::int32_t code) {
    return nameOf(kStatuses, code, "Unknown");
}
std::int32_t ParseColumnMappingStatus(std::string_view text) {
    return codeOf(kStatuses, text, kcsEnabled);
}

std::string NULLSourceCopyActionName(std::int32_t code) {
    return nameOf(kNULLSourceActions, code, "Unknown");
}
std::int32_t ParseNULLSourceCopyAction(std::string_view text) {
    return codeOf(kNULLSourceActions, text, knsCopyNULL);
}

std::string ConversionErrorActionName(std::int32_t code) {
    return nameOf(kConversionErrorActions, code, kConversionErrorActions[kceError]);
}
std::int32_t ParseConversionErrorAction(std::string_view text) {
    return codeOf(kConversionErrorActions, text, kceError);
}

}  // namespace kiv
