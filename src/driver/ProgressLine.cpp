#include "driver/ProgressLine.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr int kBarWidth = 20;
// Below this, a rate says more about the clock than about the step.
constexpr double kShortestRatedSeconds = 0.05;

}  // namespace

std::string ProgressLine::Grouped(std::int64_t value) {
    const std::string digits = text::decimal(value < 0 ? -value : value);
    std::string grouped = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

std::string ProgressLine::Duration(double seconds) {
    const long long whole = seconds > 0 ? std::llround(std::floor(seconds)) : 0;
    auto twoDigits = [](long long value) { return (value < 10 ? "0" : "") + text::decimal(value); };
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const std::string rest = twoDigits(whole % 60);
    return hours > 0 ? text::decimal(hours) + ":" + twoDigits(minutes) + ":" + rest
                     : text::decimal(minutes) + ":" + rest;
}

std::string ProgressLine::heading(const StepProgress& progress) {
    std::string text;
    if (progress.dataSetTotal > 0) {
        text = "Dataset " + text::decimal(progress.dataSetNumber) + " of " +
               text::decimal(progress.dataSetTotal) + ": ";
    }
    return text + "Step " + text::decimal(progress.stepNumber) + " " + progress.stepName;
}

std::string ProgressLine::rate(const StepProgress& progress) {
    if (progress.seconds < kShortestRatedSeconds) {
        return "";
    }
    return Grouped(std::llround(static_cast<double>(progress.rows) / progress.seconds)) + " rows/s";
}

std::string ProgressLine::Running(const StepProgress& progress) {
    std::string line = heading(progress) + "  " + Grouped(progress.rows) + " rows";
    if (const std::string perSecond = rate(progress); !perSecond.empty()) {
        line += "  " + perSecond;
    }
    line += "  " + Duration(progress.seconds);
    const db::ReadProgress& source = progress.source;
    if (source.bytesTotal > 0) {
        const double share =
            std::min(1.0, static_cast<double>(source.bytesRead) / static_cast<double>(source.bytesTotal));
        const int filled = static_cast<int>(share * kBarWidth);
        line += "  [" + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] " +
                text::decimal(std::lround(share * 100)) + "%";
        if (share > 0 && progress.seconds >= kShortestRatedSeconds) {
            line += "  ETA " + Duration(progress.seconds * (1 - share) / share);
        }
    }
    return line;
}

std::string ProgressLine::Finished(const StepProgress& progress, std::string_view status) {
    std::string line = heading(progress) + ": " + Grouped(progress.rows) +
                       (progress.rows == 1 ? " row" : " rows") + " in " +
                       text::decimal(std::llround(progress.seconds * 10) / 10) + "." +
                       text::decimal(std::llround(progress.seconds * 10) % 10) + " s";
    if (const std::string perSecond = rate(progress); !perSecond.empty()) {
        line += " (" + perSecond + ")";
    }
    return line + ": " + std::string(status);
}

}  // namespace kiv
