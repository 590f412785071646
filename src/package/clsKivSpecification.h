#pragma once

#include <memory>
#include <string>

#include "connections/clsKivConnections.h"
#include "package/clsKivAdminSpecification.h"
#include "settings/clsINIFile.h"
#include "steps/clsKivSteps.h"

namespace kiv {

// One package specification file loaded into the object model: its administration section,
// its numbered steps and the data connections the steps name.
class clsKivSpecification {
public:
    clsKivSpecification();

    std::shared_ptr<clsKivConnection> PrimaryInputDataConnection() const;
    const std::shared_ptr<clsKivSteps>& Steps() const { return mclsSteps; }
    void Dump(clsDebugLog* log = nullptr) const;
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    const std::shared_ptr<clsKivAdminSpecification>& KivAdminSpecification() const {
        return mclsAdmin;
    }
    void LoadKivSpecification(std::string_view fileName,
                              std::shared_ptr<clsEnvironmentVariables> environment);
    // The file as it was given to LoadKivSpecification.
    const std::string& FileName() const { return msFileName; }
    std::string PackageName() const;
    void PackageName(std::string_view value);
    bool IsValid() const;
    // Empty while the administration section is valid.
    std::shared_ptr<clsMessages> ErrorMessages() const;

private:
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::string msFileName;
    std::unique_ptr<clsINIFile> mclsINIFile;
    std::shared_ptr<clsKivAdminSpecification> mclsAdmin;
    std::shared_ptr<clsKivSteps> mclsSteps;
    std::shared_ptr<clsKivConnections> mclsConnections;
};

}  // namespace kiv
