#pragma once

#include <memory>

#include "settings/clsEnvironmentVariables.h"

// Start-up and shut-down of the process-wide state.
namespace kiv {

// The environment handed to every specification that is loaded.
extern std::shared_ptr<clsEnvironmentVariables> gEnvironment;

// Creates the debug log and the environment and sets the process-wide flags.
void StartUp();
// Creates gEnvironment with its one entry, "ExeDir".
void InitializeEnvironment();
// Clears both flags, closes and releases both logs, clears and releases the environment.
void ShutDown();

}  // namespace kiv
