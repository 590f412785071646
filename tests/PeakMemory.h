#pragma once

#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>

// The peak resident memory of the test process since the last reset, in bytes.
inline std::size_t peakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            std::size_t kilobytes = 0;
            std::istringstream(line.substr(6)) >> kilobytes;
            return kilobytes * 1024;
        }
    }
    return 0;
}

// Starts measuring the peak anew from what the process holds now.
inline void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
