#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The option codes of mapping fields and column mappings and their texts. Texts from a
// specification are trimmed and compared without regard to letter case; an unknown text
// gives the option's fallback code, silently, so a misspelt option never stops a load.
namespace kiv {

// Which side a mapping field serves; also the prefix of its specification keys.
enum MappingPurposeEnum : std::int32_t {
    kmpUnknown = -1,
    kmpSource = 0,
    kmpTarget = 1,
    kmpRecordID = 2,
};

// How a mapping field produces its value.
enum MappingTypeEnum : std::int32_t {
    kmtCopy = 0,
    kmtLookup = 1,
    kmtConstant = 2,
};

// What a lookup that found NULL means for the row.
enum NULLLookupActionEnum : std::int32_t {
    knlAllow = 0,
    knlAllowAndLog = 1,
    knlGenerateError = 2,
    knlSkipRecord = 3,
    knlSkipRecordAndLog = 4,
};

enum ColumnMappingStatusEnum : std::int32_t {
    kcsEnabled = 0,
    kcsDisabled = 1,
};

// What a NULL copied from the source means for the row.
enum NULLSourceCopyActionEnum : std::int32_t {
    knsCopyNULL = 0,
    knsSkipRecord = 1,
    knsUsePreviousValue = 2,
};

// What a source value the target column cannot take means for the row.
enum ConversionErrorActionEnum : std::int32_t {
    kceError = 0,
    kceUsePreviousValue = 1,
    kceUsePreviousValueAndLog = 2,
    kceNull = 3,
    kceNullAndLog = 4,
    kceSkipRecord = 5,
    kceSkipRecordAndLog = 6,
};

// The outcome of one column mapping for one row, as the data load reads it.
enum ColumnMappingResultEnum : std::int32_t {
    kcmNullLookupError = -3,
    kcmError = -1,
    kcmValueProduced = 0,
    kcmDisabled = 1,
    kcmPreviousValueUsed = 2,
    kcmNullAfterConversionError = 3,
    kcmSkipRecord = 4,
};

// "Source", "Target", "RecordID"; "Unknown" for any other code, which parses back to -1.
std::string MappingPurposeName(std::int32_t code);
std::int32_t ParseMappingPurpose(std::string_view text);

// "Copy", "Lookup", "Constant"; any other code shows as "Copy", any other text parses to Copy.
std::string MappingTypeName(std::int32_t code);
std::int32_t ParseMappingType(std::string_view text);

// "Allow" ... "Skip Record And Log"; "Unknown" for other codes; other texts parse to
// Generate Error.
std::string NULLLookupActionName(std::int32_t code);
std::int32_t ParseNULLLookupAction(std::string_view text);

// "Enabled", "Disabled"; "Unknown" for other codes; other texts parse to Enabled.
std::string ColumnMappingStatusName(std::int32_t code);
std::int32_t ParseColumnMappingStatus(std::string_view text);

// "Copy NULL", "Skip Record", "Use Previous Value"; "Unknown" for other codes; other texts
// parse to Copy NULL.
std::string NULLSourceCopyActionName(std::int32_t code);
std::int32_t ParseNULLSourceCopyAction(std::string_view text);

// "Error" ... "Skip Record and Log"; other codes show as "Error", other texts parse to Error.
std::string ConversionErrorActionName(std::int32_t code);
std::int32_t ParseConversionErrorAction(std::string_view text);

// What is wrong with the value of a column mapping key that takes one of a list of texts
// (MappingType, MappingStatus, the NULL and conversion options): nothing when the value is one
// of them, empty, or not such a key.
std::optional<std::string> MappingValueProblem(std::string_view key, std::string_view value);

}  // namespace kiv
