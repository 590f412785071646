#include "driver/modKivRun.h"

#include "base/Path.h"
#include "diagnostics/Globals.h"

namespace kiv {

std::shared_ptr<clsEnvironmentVariables> gEnvironment;

void StartUp() {
    gDebugLog = std::make_shared<clsDebugLog>();
    gDebugLog->EchoToDebugObject(false);
    InitializeEnvironment();
    gbDebugEnabled = false;
    gbContinueProcessing = true;
}

void InitializeEnvironment() {
    gEnvironment = std::make_shared<clsEnvironmentVariables>();
    gEnvironment->Add("ExeDir", path::executableDirectory());
}

void ShutDown() {
    gbDebugEnabled = false;
    gbContinueProcessing = false;
    for (auto* log : {&gDebugLog, &gReportLog}) {
        if (*log) {
            (*log)->CloseLog();
            log->reset();
        }
    }
    if (gEnvironment) {
        gEnvironment->Clear();
        gEnvironment.reset();
    }
}

}  // namespace kiv
