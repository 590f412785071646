#include "package/clsKivSpecifications.h"

#include "base/Text.h"

namespace kiv {

void clsKivSpecifications::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    for (const auto& specification : mItems) {
        specification->DebugLog(mclsDebugLog);
    }
}

std::shared_ptr<clsKivSpecification> clsKivSpecifications::Add(
    std::string_view fileName, std::shared_ptr<clsEnvironmentVariables> environment) {
    auto specification = std::make_shared<clsKivSpecification>();
    specification->DebugLog(mclsDebugLog);
    specification->LoadKivSpecification(fileName, std::move(environment));
    if (mItems.Contains(specification->PackageName())) {
        return nullptr;
    }
    mItems.Add(specification, specification->PackageName());
    return specification;
}

std::shared_ptr<clsKivConnection> clsKivSpecifications::PrimaryInputDataConnection() const {
    for (const auto& specification : mItems) {
        if (auto connection = specification->PrimaryInputDataConnection()) {
            return connection;
        }
    }
    return nullptr;
}

void clsKivSpecifications::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("Number of Kiv Specifications: " + text::decimal(Count()));
    for (long i = 1; i <= Count(); ++i) {
        log->WriteLog("Definition of Kiv Specification: " + text::decimal(i));
        if (const auto specification = mItems.Item(i)) {
            specification->Dump(log);
        } else {
            log->WriteLog("<< Not Set >>");
        }
        log->WriteLog("");
    }
}

}  // namespace kiv
