#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "diagnostics/clsMessages.h"
#include "settings/SubstitutedText.h"
#include "settings/clsEnvironmentVariables.h"
#include "settings/clsINIFile.h"

namespace kiv {

enum KivSpecFileTypeEnum : std::int32_t {
    ksftUnknown = 0,
    ksftPackageSpecification = 1,
};

// The "Administration" section that identifies a package specification: file type, format
// version and package name. Validity is informational: an invalid file still runs.
class clsKivAdminSpecification {
public:
    clsKivAdminSpecification();
    ~clsKivAdminSpecification();

    void Dump(clsDebugLog* log = nullptr) const;
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    const std::shared_ptr<clsEnvironmentVariables>& Environment() const { return mclsEnvironment; }
    void Environment(std::shared_ptr<clsEnvironmentVariables> environment);
    bool LoadSpecification(clsINIFile* reader);
    KivSpecFileTypeEnum KivSpecFileType() const { return menumFileType; }
    void KivSpecFileType(std::int32_t value);
    const std::string& FormatVersion() const { return mFormatVersion.Value(); }
    void FormatVersion(std::string_view value);
    const std::string& PackageName() const { return mPackageName.Value(); }
    void PackageName(std::string_view value);
    const std::shared_ptr<clsMessages>& ErrorMessages() const { return mclsErrorMessages; }
    bool IsValid() const { return mbIsValid; }
    // Marks the file invalid, with `text` among its error messages.
    void Invalid(const std::string& text);
    void mclsEnvironment_Changed(const std::string& name);

    static std::string FileTypeName(std::int32_t type);

private:
    void recompute();
    bool validate();
    bool checkVersion(const std::vector<std::int16_t>& version);

    std::string msFileType;
    KivSpecFileTypeEnum menumFileType = ksftUnknown;
    SubstitutedText mFormatVersion;
    SubstitutedText mPackageName;
    std::shared_ptr<clsMessages> mclsErrorMessages;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<clsEnvironmentVariables> mclsEnvironment;
    Subscription mEnvironmentSubscription;
    bool mbIsValid = false;
};

}  // namespace kiv
