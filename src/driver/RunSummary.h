#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "steps/clsKivSteps.h"

namespace kiv {

// What a run did, for scripts: every step with its outcome, rows, time and messages, and per
// data set of the primary input connection what each step did with it. Written as JSON.
class RunSummary {
public:
    void Clear();
    void DataSetStarted(std::int32_t number, const std::string& name);
    void StepFinished(const clsKivStep& step, double seconds);
    // The whole document; the steps' final outcomes and messages are read from `steps`.
    std::string Json(const clsKivSteps& steps, int exitStatus, std::time_t start, std::time_t end) const;
    // Writes the document; false (with the reason in `problem`) when the file cannot be written.
    bool Write(const std::string& path, const std::string& json, std::string& problem) const;

    static std::string Quoted(std::string_view text);

private:
    struct StepRun {
        std::int16_t number = 0;
        std::string name;
        std::int32_t status = 0;
        std::int64_t rows = 0;
        double seconds = 0;
    };
    struct DataSet {
        std::int32_t number = 0;
        std::string name;
        std::vector<StepRun> steps;
    };
    struct Totals {
        std::int64_t rows = 0;
        double seconds = 0;
        RowCounts counts;
    };

    std::vector<DataSet> mDataSets;
    std::map<std::string, Totals> mTotals;  // by step name in lower case
};

}  // namespace kiv
