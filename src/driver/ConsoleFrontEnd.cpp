#include "driver/ConsoleFrontEnd.h"

#include <unistd.h>

#include <algorithm>

#include "base/Text.h"
#include "driver/ProgressLine.h"

namespace kiv {

namespace {

constexpr std::size_t kWrapWidth = 76;
constexpr std::string_view kFailureIndent = "      ";

// Status texts hold CR LF between a message and its record; one line each on a terminal.
// Any other control character, a NUL among them, shows as \xNN so that it neither cuts nor
// garbles the table.
std::string oneLine(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (text.substr(i, 2) == "\r\n") {
            line.push_back(' ');
            ++i;
        } else if (byte < 0x20 || byte == 0x7F) {
            line.append("\\x").push_back(kHex[byte >> 4]);
            line.push_back(kHex[byte & 0x0F]);
        } else {
            line.push_back(text[i]);
        }
    }
    return line;
}

// The text's lines broken at blanks to at most kWrapWidth characters, each indented.
std::string wrapped(std::string_view text) {
    std::string result;
    for (std::string_view line : text::splitCrLf(text)) {
        do {
            std::size_t cut = line.size();
            if (cut > kWrapWidth) {
                const auto blank = line.rfind(' ', kWrapWidth);
                cut = blank == std::string_view::npos || blank == 0 ? kWrapWidth : blank;
            }
            result += std::string(kFailureIndent) + std::string(line.substr(0, cut)) + "\n";
            line.remove_prefix(cut);
            line = text::trim(line);
        } while (!line.empty());
    }
    return result;
}

// The first error of a failed step: what the user must read to mend it.
std::string firstError(const clsKivStep& step) {
    for (const auto& message : *step.ErrorMessages()) {
        if (message->MsgType() == kMsgError || message->MsgType() == kMsgFatalError) {
            return message->Text();
        }
    }
    return {};
}

std::string counted(long count, std::string_view what) {
    return text::decimal(count) + " " + std::string(what);
}

}  // namespace

ConsoleFrontEnd::ConsoleFrontEnd(std::FILE* input, std::FILE* output, std::FILE* errors)
    : mInput(input),
      mOutput(output),
      mErrors(errors),
      mbTerminal(::isatty(::fileno(errors)) == 1) {}

void ConsoleFrontEnd::showLive(const std::string& line) {
    const std::size_t width = std::max(mShownWidth, line.size());
    std::fprintf(mErrors, "\r%-*s", static_cast<int>(width), line.c_str());
    std::fflush(mErrors);
    mShownWidth = line.size();
}

void ConsoleFrontEnd::endLiveLine() {
    if (mbTerminal && mShownWidth > 0) {
        std::fputc('\n', mErrors);
        mShownWidth = 0;
    }
}

void ConsoleFrontEnd::ShowStepProgress(const StepProgress& progress) {
    if (mbTerminal && !mbQuiet) {
        showLive(ProgressLine::Running(progress));
    }
}

void ConsoleFrontEnd::ShowStepFinished(const StepProgress& progress, const std::string& status) {
    if (mbQuiet) {
        return;
    }
    const std::string line = ProgressLine::Finished(progress, status);
    if (mbTerminal) {
        showLive(line);
        endLiveLine();
    } else {
        std::fprintf(mErrors, "%s\n", line.c_str());
        std::fflush(mErrors);
    }
}

void ConsoleFrontEnd::ShowProblem(const std::string& text) {
    endLiveLine();
    std::fprintf(mErrors, "kivrun: %s\n", text.c_str());
    std::fflush(mErrors);
}

bool ConsoleFrontEnd::ConfirmSingleStep(const std::string& title, const std::string& text) {
    endLiveLine();
    std::fprintf(mErrors,
                 "%s\n%s\nPress Enter to continue, or c and Enter to cancel: ", title.c_str(),
                 text::replaceAll(text, "\r\n", "\n").c_str());
    std::fflush(mErrors);
    char answer[64];
    if (std::fgets(answer, sizeof answer, mInput) == nullptr) {
        return false;
    }
    const std::string_view reply = text::trimWhitespace(answer);
    return !(reply.size() == 1 && text::toLower(reply.front()) == 'c');
}

void ConsoleFrontEnd::RunFinished() {
    endLiveLine();
}

std::string ConsoleFrontEnd::GridTable(const ProgressGrid& grid, const clsKivSteps& steps) {
    std::array<std::size_t, ProgressGrid::kColumns> widths{};
    const std::array<std::string_view, ProgressGrid::kColumns> captions = {"#", "Step Name",
                                                                           "Num Rows", "Status"};
    auto cell = [&](int row, int column) {
        return row == 0 ? std::string(captions[static_cast<std::size_t>(column)])
                        : oneLine(grid.Text(row, column));
    };
    for (int row = 0; row < grid.Rows(); ++row) {
        for (int column = 0; column < ProgressGrid::kColumns; ++column) {
            widths[static_cast<std::size_t>(column)] =
                std::max(widths[static_cast<std::size_t>(column)], cell(row, column).size());
        }
    }
    std::string table;
    for (int row = 0; row < grid.Rows(); ++row) {
        if (row > 0 && grid.Text(row, 1).empty()) {
            continue;  // the empty row of a grid without steps
        }
        std::string line;
        for (int column = 0; column < ProgressGrid::kColumns; ++column) {
            std::string text = cell(row, column);
            const std::size_t width = widths[static_cast<std::size_t>(column)];
            const bool rightAligned = column == 0 || column == 2;
            if (column == ProgressGrid::kColumns - 1) {
                line += text;
            } else {
                const std::string padding(width - text.size(), ' ');
                line += (rightAligned ? padding + text : text + padding) + "  ";
            }
        }
        line.erase(line.find_last_not_of(' ') + 1);
        table += line + "\n";
        const auto step = row > 0 ? steps.Item(grid.Text(row, 1)) : nullptr;
        if (step && step->ProcessingStatus() == kssFailed) {
            table += wrapped(firstError(*step));
        }
    }
    return table;
}

void ConsoleFrontEnd::PrintGrid(const ProgressGrid& grid, const clsKivSteps& steps) {
    const std::string table = GridTable(grid, steps);
    std::fwrite(table.data(), 1, table.size(), mOutput);
    std::fflush(mOutput);
}

std::string ConsoleFrontEnd::VerdictLine(const RunController::Verdict& verdict) {
    std::string line = counted(verdict.succeeded, verdict.succeeded == 1 ? "step" : "steps") +
                       " succeeded, " + counted(verdict.failed, "failed") + ", " +
                       counted(verdict.notProcessed, "not processed");
    if (verdict.unknown > 0) {
        line += ", " + counted(verdict.unknown, "with unknown status");
    }
    if (verdict.countsRows) {
        const RowCounts& rows = verdict.rows;
        line += "; rows: " + text::decimal(rows.read) + " read, " + text::decimal(rows.written) +
                " written, " + text::decimal(rows.skipped) + " skipped, " +
                text::decimal(rows.rejected) + " rejected";
    }
    return line;
}

void ConsoleFrontEnd::PrintVerdict(const RunController::Verdict& verdict) {
    std::fprintf(mOutput, "%s\n", VerdictLine(verdict).c_str());
    std::fflush(mOutput);
}

void ConsoleFrontEnd::PrintProblems(const std::vector<SpecificationProblem>& problems,
                                    std::string_view label) {
    for (const SpecificationProblem& problem : problems) {
        std::fprintf(mErrors, "kivrun: %.*s%s\n", static_cast<int>(label.size()), label.data(),
                     oneLine(problem.Line()).c_str());
    }
    std::fflush(mErrors);
}

}  // namespace kiv
