#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/StepProgress.h"

namespace kiv {

// The lines a terminal shows for a step: a live one while it runs (rows, rate, elapsed time
// and, where the source's size is known, a bar with the share done and the time left) and
// the one it leaves when it ends.
class ProgressLine {
public:
    static std::string Running(const StepProgress& progress);
    static std::string Finished(const StepProgress& progress, std::string_view status);

    // 1942300 as "1,942,300".
    static std::string Grouped(std::int64_t value);
    // Seconds as "m:ss", or "h:mm:ss" from an hour on.
    static std::string Duration(double seconds);

private:
    static std::string heading(const StepProgress& progress);
    static std::string rate(const StepProgress& progress);
};

}  // namespace kiv
