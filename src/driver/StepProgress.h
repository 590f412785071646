#pragma once

#include <cstdint>
#include <string>

#include "db/ReadProgress.h"

namespace kiv {

// Where the step in hand stands: shown while it runs and once more when it ends.
struct StepProgress {
    std::int32_t dataSetNumber = 0;  // 0 without a primary input connection
    std::int32_t dataSetTotal = 0;
    std::int16_t stepNumber = 0;
    std::string stepName;
    std::int64_t rows = 0;
    double seconds = 0;
    db::ReadProgress source;
};

}  // namespace kiv
