#include "diagnostics/Globals.h"

namespace kiv {

std::shared_ptr<clsDebugLog> gDebugLog;
std::shared_ptr<clsDebugLog> gReportLog;
bool gbDebugEnabled = false;
std::atomic<bool> gbContinueProcessing = true;

}  // namespace kiv
