#pragma once

#include <atomic>
#include <memory>

#include "diagnostics/clsDebugLog.h"

// Process-wide state shared by every layer above this one.
namespace kiv {

// The debug log every model object writes its dumps to; its file is named by -debugfile.
extern std::shared_ptr<clsDebugLog> gDebugLog;
// The writer of the processing report; created on first use.
extern std::shared_ptr<clsDebugLog> gReportLog;
// True while the program is up (set once the command line is being processed); gates the
// debug log.
extern bool gbDebugEnabled;
// A run goes on while this is true. Atomic: a signal handler clears it.
extern std::atomic<bool> gbContinueProcessing;

}  // namespace kiv
