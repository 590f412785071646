#include "package/clsKivSpecification.h"

#include <cstdint>
#include <limits>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr std::string_view kStepNotFound = "--- Not Found ---";

}  // namespace

clsKivSpecification::clsKivSpecification()
    : mclsINIFile(std::make_unique<clsINIFile>()),
      mclsAdmin(std::make_shared<clsKivAdminSpecification>()),
      mclsSteps(std::make_shared<clsKivSteps>()),
      mclsConnections(std::make_shared<clsKivConnections>()) {}

std::shared_ptr<clsKivConnection> clsKivSpecification::PrimaryInputDataConnection() const {
    return mclsConnections->PrimaryInputDataSource();
}

void clsKivSpecification::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    mclsAdmin->DebugLog(mclsDebugLog);
    mclsSteps->DebugLog(mclsDebugLog);
    mclsConnections->DebugLog(mclsDebugLog);
}

void clsKivSpecification::LoadKivSpecification(std::string_view fileName,
                                               std::shared_ptr<clsEnvironmentVariables> environment) {
    msFileName = std::string(text::trim(fileName));
    mclsINIFile->sINIFileName(msFileName);
    mclsAdmin = std::make_shared<clsKivAdminSpecification>();
    mclsAdmin->DebugLog(mclsDebugLog);
    mclsSteps->Clear();
    mclsConnections->Clear();
    mclsAdmin->Environment(environment);
    mclsAdmin->LoadSpecification(mclsINIFile.get());
    for (int n = 1;; ++n) {
        const std::string number = text::decimal(n);
        const std::string name = mclsINIFile->sItemValue("StepName", "STEP " + number,
                                                         clsINIFile::ParamNotSupplied, kStepNotFound);
        if (name == kStepNotFound) {
            break;
        }
        if (n > std::numeric_limits<std::int16_t>::max()) {
            mclsAdmin->Invalid("Section [STEP " + number +
                               "] and the steps after it are not loaded: step numbers go up to " +
                               text::decimal(std::numeric_limits<std::int16_t>::max()) + ".");
            break;
        }
        mclsSteps->AddFromFile(mclsINIFile.get(), environment, number, mclsConnections);
    }
}

std::string clsKivSpecification::PackageName() const {
    return mclsAdmin ? mclsAdmin->PackageName() : std::string();
}

void clsKivSpecification::PackageName(std::string_view value) {
    if (mclsAdmin) {
        mclsAdmin->PackageName(value);
    }
}

bool clsKivSpecification::IsValid() const { return mclsAdmin && mclsAdmin->IsValid(); }

std::shared_ptr<clsMessages> clsKivSpecification::ErrorMessages() const {
    return IsValid() || !mclsAdmin ? nullptr : mclsAdmin->ErrorMessages();
}

void clsKivSpecification::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("Kiv Spec Source File: " + mclsINIFile->sINIFileName());
    log->WriteLog("Administration Specification:");
    log->IncrementIndent();
    mclsAdmin->Dump(log);
    log->DecrementIndent();
    log->WriteLog("Step Definitions:");
    log->IncrementIndent();
    mclsSteps->Dump(log);
    log->DecrementIndent();
    log->WriteLog("Data Connections:");
    log->IncrementIndent();
    mclsConnections->Dump(log);
    log->DecrementIndent();
}

}  // namespace kiv
