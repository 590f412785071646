#include "settings/clsINIFile.h"

#include <charconv>

#include "base/Path.h"
#include "base/Text.h"
#include "settings/IniDocument.h"

namespace kiv {

std::string clsINIFile::sErrorCode(std::int16_t code) {
    miLastErrorCode = miINI_NO_ERRORS;
    switch (code) {
        case miINI_NO_ERRORS: return "miINI_NO_ERRORS";
        case miINI_FILE_NOT_FOUND: return "miINI_FILE_NOT_FOUND";
        default: return "Unknown Error (" + text::decimal(code) + ")";
    }
}

const std::string& clsINIFile::sINIFileName() {
    miLastErrorCode = miINI_NO_ERRORS;
    return msINIFileName;
}
void clsINIFile::sINIFileName(std::string value) {
    miLastErrorCode = miINI_NO_ERRORS;
    msINIFileName = std::move(value);
}
const std::string& clsINIFile::sSectionName() {
    miLastErrorCode = miINI_NO_ERRORS;
    return msSectionName;
}
void clsINIFile::sSectionName(std::string value) {
    miLastErrorCode = miINI_NO_ERRORS;
    msSectionName = std::move(value);
}
const std::string& clsINIFile::sItemName() {
    miLastErrorCode = miINI_NO_ERRORS;
    return msItemName;
}
void clsINIFile::sItemName(std::string value) {
    miLastErrorCode = miINI_NO_ERRORS;
    msItemName = std::move(value);
}
const std::string& clsINIFile::sDefault() {
    miLastErrorCode = miINI_NO_ERRORS;
    return msDefault;
}
void clsINIFile::sDefault(std::string value) {
    miLastErrorCode = miINI_NO_ERRORS;
    msDefault = std::move(value);
}

std::string clsINIFile::resolve(std::string_view argument, const std::string& current) const {
    return argument == ParamNotSupplied ? current : std::string(argument);
}

std::string clsINIFile::filePath(std::string_view file) const {
    return path::resolveExisting(resolve(file, msINIFileName));
}

std::string clsINIFile::sItemValue(std::string_view item, std::string_view section,
                                   std::string_view file, std::string_view defaultValue) {
    const auto document = IniDocument::Load(filePath(file));
    const auto value = document->Value(resolve(section, msSectionName), resolve(item, msItemName));
    miLastErrorCode = miINI_NO_ERRORS;
    return value ? std::string(*value) : resolve(defaultValue, msDefault);
}

bool clsINIFile::SectionExists(std::string_view section, std::string_view file) {
    miLastErrorCode = miINI_NO_ERRORS;
    return IniDocument::Load(filePath(file))->HasSection(resolve(section, msSectionName));
}

void clsINIFile::sItemValueLet(std::string_view value, std::string_view item,
                               std::string_view section, std::string_view file) {
    IniDocument::WriteValue(filePath(file), resolve(section, msSectionName),
                            resolve(item, msItemName), value);
    miLastErrorCode = miINI_NO_ERRORS;
}

std::int32_t clsINIFile::lItemValue(std::string_view item, std::string_view section,
                                    std::string_view file, std::int32_t defaultValue) {
    const std::string value = sItemValue(item, section, file, text::decimal(defaultValue));
    const std::string_view digits = text::trimWhitespace(value);
    std::int32_t result = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    return error == std::errc() && end == digits.data() + digits.size() ? result : 0;
}

void clsINIFile::lItemValueLet(std::int32_t value, std::string_view item, std::string_view section,
                               std::string_view file) {
    sItemValueLet(text::decimal(value), item, section, file);
}

bool clsINIFile::bItemValue(std::string_view item, std::string_view section,
                            std::string_view file, bool defaultValue) {
    const std::string value = sItemValue(item, section, file, defaultValue ? "True" : "False");
    const std::string_view trimmed = text::trim(value);
    if (trimmed.empty()) {
        return false;
    }
    const char first = text::toLower(trimmed.front());
    return first == 't' || first == 'y';
}

void clsINIFile::bItemValueLet(bool value, std::string_view item, std::string_view section,
                               std::string_view file) {
    sItemValueLet(value ? "True" : "False", item, section, file);
}

}  // namespace kiv
