#include "driver/RunSummary.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "base/Text.h"

namespace kiv {

namespace {

std::string isoTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

}  // namespace

std::string RunSummary::Quoted(std::string_view value) {
    std::string quoted = "\"";
    for (const char c : value) {
        switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\r': quoted += "\\r"; break;
            case '\t': quoted += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    quoted += escaped;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

void RunSummary::Clear() {
    mDataSets.clear();
    mTotals.clear();
}

void RunSummary::DataSetStarted(std::int32_t number, const std::string& name) {
    mDataSets.push_back({number, name, {}});
}

void RunSummary::StepFinished(const clsKivStep& step, double stepSeconds) {
    Totals& totals = mTotals[text::toLower(step.StepName())];
    totals.rows += step.RowsProcessed();
    totals.seconds += stepSeconds;
    totals.counts += step.Counts();
    if (!mDataSets.empty()) {
        mDataSets.back().steps.push_back(
            {step.StepNumber(), step.StepName(), step.ProcessingStatus(), step.RowsProcessed(), stepSeconds});
    }
}

std::string RunSummary::Json(const clsKivSteps& steps, int exitStatus, std::time_t start,
                             std::time_t end) const {
    std::string json = "{\n  \"program\": \"kivrun\",\n  \"version\": " + Quoted(KIV_VERSION) +
                       ",\n  \"start\": " + Quoted(isoTime(start)) + ",\n  \"end\": " +
                       Quoted(isoTime(end)) + ",\n  \"exitStatus\": " + text::decimal(exitStatus) +
                       ",\n  \"steps\": [";
    const char* separator = "\n";
    for (const auto& step : steps) {
        const auto found = mTotals.find(text::toLower(step->StepName()));
        const Totals totals = found == mTotals.end() ? Totals{} : found->second;
        json += separator;
        separator = ",\n";
        json += "    {\"number\": " + text::decimal(step->StepNumber()) +
                ", \"name\": " + Quoted(step->StepName()) +
                ", \"type\": " + Quoted(clsKivStep::StepTypeToText(step->StepType())) +
                ", \"status\": " + text::decimal(step->ProcessingStatus()) +
                ", \"statusText\": " + Quoted(step->ProcessingStatusString()) +
                ", \"rows\": " + text::decimal(totals.rows) + ", \"seconds\": " + seconds(totals.seconds) +
                ", \"rowsRead\": " + text::decimal(totals.counts.read) +
                ", \"rowsWritten\": " + text::decimal(totals.counts.written) +
                ", \"rowsSkipped\": " + text::decimal(totals.counts.skipped) +
                ", \"rowsRejected\": " + text::decimal(totals.counts.rejected) +
                ",\n     \"messages\": [";
        const char* messageSeparator = "";
        for (const auto& message : *step->ErrorMessages()) {
            json += messageSeparator;
            messageSeparator = ",";
            json += "\n       {\"type\": " + Quoted(message->MsgTypeAsString()) +
                    ", \"number\": " + text::decimal(message->Number()) +
                    ", \"text\": " + Quoted(message->Text()) +
                    ", \"record\": " + Quoted(message->GetRecordID()) + "}";
        }
        json += "]}";
    }
    json += "\n  ],\n  \"dataSets\": [";
    separator = "\n";
    for (const DataSet& dataSet : mDataSets) {
        json += separator;
        separator = ",\n";
        json += "    {\"number\": " + text::decimal(dataSet.number) + ", \"name\": " +
                Quoted(dataSet.name) + ", \"steps\": [";
        const char* stepSeparator = "";
        for (const StepRun& run : dataSet.steps) {
            json += stepSeparator;
            stepSeparator = ",";
            json += "\n       {\"number\": " + text::decimal(run.number) + ", \"name\": " +
                    Quoted(run.name) + ", \"status\": " + text::decimal(run.status) +
                    ", \"rows\": " + text::decimal(run.rows) + ", \"seconds\": " + seconds(run.seconds) +
                    "}";
        }
        json += "]}";
    }
    return json + "\n  ]\n}\n";
}

bool RunSummary::Write(const std::string& path, const std::string& json, std::string& problem) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) {
        out << json;
        out.flush();
    }
    if (!out) {
        problem = "Cannot write the run summary " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace kiv
