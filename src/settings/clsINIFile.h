#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kiv {

// Reads and writes values of settings files. Arguments left out, or passed as the sentinel,
// take the object's current values, so loaders set the file and section once and then read
// key after key.
class clsINIFile {
public:
    static constexpr std::string_view ParamNotSupplied = "<<Param Not Supplied>>";
    static constexpr std::int16_t miINI_NO_ERRORS = 0;
    static constexpr std::int16_t miINI_FILE_NOT_FOUND = 1;

    std::int16_t iLastErrorCode() const { return miLastErrorCode; }
    std::string sErrorCode(std::int16_t code);

    const std::string& sINIFileName();
    void sINIFileName(std::string value);
    const std::string& sSectionName();
    void sSectionName(std::string value);
    const std::string& sItemName();
    void sItemName(std::string value);
    const std::string& sDefault();
    void sDefault(std::string value);

    std::string sItemValue(std::string_view item = ParamNotSupplied,
                           std::string_view section = ParamNotSupplied,
                           std::string_view file = ParamNotSupplied,
                           std::string_view defaultValue = ParamNotSupplied);
    // Whether the file has the section, whatever keys it holds.
    bool SectionExists(std::string_view section = ParamNotSupplied,
                       std::string_view file = ParamNotSupplied);
    void sItemValueLet(std::string_view value, std::string_view item = ParamNotSupplied,
                       std::string_view section = ParamNotSupplied,
                       std::string_view file = ParamNotSupplied);

    // A value that is not a whole number reads as 0.
    std::int32_t lItemValue(std::string_view item = ParamNotSupplied,
                            std::string_view section = ParamNotSupplied,
                            std::string_view file = ParamNotSupplied, std::int32_t defaultValue = 0);
    void lItemValueLet(std::int32_t value, std::string_view item = ParamNotSupplied,
                       std::string_view section = ParamNotSupplied,
                       std::string_view file = ParamNotSupplied);

    // Values beginning with t or y (after blanks, any case) are true.
    bool bItemValue(std::string_view item = ParamNotSupplied,
                    std::string_view section = ParamNotSupplied,
                    std::string_view file = ParamNotSupplied, bool defaultValue = false);
    void bItemValueLet(bool value, std::string_view item = ParamNotSupplied,
                       std::string_view section = ParamNotSupplied,
                       std::string_view file = ParamNotSupplied);

private:
    std::string resolve(std::string_view argument, const std::string& current) const;
    std::string filePath(std::string_view file) const;

    std::string msINIFileName;
    std::string msSectionName;
    std::string msItemName;
    std::string msDefault;
    std::int16_t miLastErrorCode = miINI_NO_ERRORS;
};

}  // namespace kiv
