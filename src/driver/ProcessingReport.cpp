#include "driver/ProcessingReport.h"

#include <cstdlib>

#include "base/Text.h"
#include "driver/modGridHandler.h"

namespace kiv {

namespace {

constexpr std::string_view kRule = "=========================================================";

std::string padded(std::string_view label, std::size_t width) {
    std::string result(label.substr(0, width));
    result.resize(width, ' ');
    return result;
}

void writeEmptyLines(clsDebugLog& log, int count) {
    for (int i = 0; i < count; ++i) {
        log.WriteLog("");
    }
}

}  // namespace

std::string ProcessingReport::FormatTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void ProcessingReport::WrapLabelledText(std::vector<std::string>& lines, std::string_view text,
                                        std::string_view label, std::size_t labelWidth,
                                        std::size_t textWidth) {
    std::string_view remainder = text;
    bool first = true;
    // A line end always opens another line, even when nothing follows it: a status message
    // ending in an empty record identification still shows its second line.
    bool afterLineEnd = false;
    do {
        std::string line = first ? padded(label, labelWidth) : std::string(labelWidth, ' ');
        first = false;
        const std::string_view piece = remainder.substr(0, textWidth);
        const auto lineEnd = piece.find("\r\n");
        const auto blank = piece.rfind(' ');
        afterLineEnd = lineEnd != std::string_view::npos;
        if (afterLineEnd) {
            line += text::trim(piece.substr(0, lineEnd));
            remainder.remove_prefix(lineEnd + 2);
        } else if (remainder.size() > textWidth && blank != std::string_view::npos) {
            line += text::trim(piece.substr(0, blank + 1));
            remainder.remove_prefix(blank + 1);
        } else {
            line += text::trim(piece);
            remainder.remove_prefix(piece.size());
        }
        lines.push_back(std::move(line));
    } while (!remainder.empty() || afterLineEnd);
}

std::string ProcessingReport::IndentContinuationLines(std::string_view prefix, std::string_view text) {
    std::string result(prefix);
    const std::string indentation(prefix.size(), ' ');
    for (auto lineEnd = text.find("\r\n"); lineEnd != std::string_view::npos; lineEnd = text.find("\r\n")) {
        result.append(text.substr(0, lineEnd)).append("\r\n").append(indentation);
        text.remove_prefix(lineEnd + 2);
    }
    result.append(text);
    return result;
}

void ProcessingReport::WriteSummaryReport(clsDebugLog& log, std::time_t startTime,
                                          std::time_t endTime) const {
    if (log.LogFileName().empty()) {
        return;
    }
    log.WriteLog("");
    log.WriteLog(kRule);
    log.WriteLog("");
    log.WriteLog("Summary Processing Information:");
    log.WriteLog("-------------------------------");
    log.WriteLog("");
    log.WriteLog("Processing Start Time: " + FormatTime(startTime));
    log.WriteLog("Processing End Time:   " + FormatTime(endTime));
    log.WriteLog("Elapsed Time:          " +
                 text::decimal(std::llabs(static_cast<long long>(endTime - startTime))) + " seconds");
    log.WriteLog("");
    if (!msCancelNotice.empty()) {
        log.WriteLog(msCancelNotice);
        log.WriteLog("");
    }
    const auto database = mEnvironment ? mEnvironment->Item("SourceDatabase")
                                       : nullptr;
    log.WriteLog("Source Database Name:  " +
                 (database ? database->MappingValue() : std::string("<< Not Specified >>")));
    log.WriteLog("Processing Status Information:");
    log.IncrementIndent();
    for (const auto& step : mSteps) {
        log.WriteLog(padded("Step Number:", 19) + text::decimal(step->StepNumber()));
        log.WriteLog(padded("Step Name:", 19) + step->StepName());
        log.WriteLog(padded("Rows Processed:", 19) +
                     text::decimal(modGridHandler::GetStepRowRowCount(&mGrid, step->StepName())));
        if (step->Options().Used()) {
            const RowCounts& rows = step->Counts();
            log.WriteLog(padded("Rows Read:", 19) + text::decimal(rows.read));
            log.WriteLog(padded("Rows Written:", 19) + text::decimal(rows.written));
            log.WriteLog(padded("Rows Skipped:", 19) + text::decimal(rows.skipped));
            log.WriteLog(padded("Rows Rejected:", 19) + text::decimal(rows.rejected));
        }
        log.WriteLog(padded("Processing Status:", 19) + step->ProcessingStatusString());
        std::vector<std::string> lines;
        WrapLabelledText(lines, modGridHandler::GetStepRowStatusText(&mGrid, step->StepName()),
                         "Status Message:", 19, 50);
        for (const std::string& line : lines) {
            log.WriteLog(line);
        }
        log.WriteLog("");
    }
    log.DecrementIndent();
    log.WriteLog("");
    log.WriteLog("Processing End Time: " + FormatTime(std::time(nullptr)));
    writeEmptyLines(log, 5);
}

void ProcessingReport::WriteDetailedReport(clsDebugLog& log) const {
    if (log.LogFileName().empty()) {
        return;
    }
    log.WriteLog("");
    log.WriteLog(kRule);
    log.WriteLog("");
    log.WriteLog("Detailed Processing Information:");
    log.WriteLog("--------------------------------");
    log.WriteLog("");
    for (const auto& step : mSteps) {
        log.WriteLog(text::decimal(step->StepNumber()) + ". " + step->StepName() +
                     "  -- Final Status: " + step->ProcessingStatusString());
        log.IncrementIndent();
        bool written = false;
        for (const auto& message : *step->ErrorMessages()) {
            if (message->MsgType() == kMsgDisplayOnly) {
                continue;
            }
            std::string prefix = "   ";
            if (!message->GetRecordID().empty()) {
                prefix += message->GetRecordID() + " - ";
            }
            prefix += "  " + message->MsgTypeAsShortString() + ": ";
            log.WriteLog(IndentContinuationLines(prefix, message->Text()));
            written = true;
        }
        if (step->ErrorMessages()->Suppressed() > 0) {
            log.WriteLog("     ... and " +
                         text::groupedDecimal(step->ErrorMessages()->Suppressed()) +
                         " more messages like these");
        } else if (!written) {
            log.WriteLog(std::string(15, ' ') + "No Messages to be Printed.");
        }
        log.DecrementIndent();
        log.WriteLog("");
    }
    log.DecrementIndent();
    writeEmptyLines(log, 5);
}

}  // namespace kiv
