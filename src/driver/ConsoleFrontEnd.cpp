#include "driver/ConsoleFrontEnd.h"

#include <unistd.h>

#include <algorithm>

#include "base/Text.h"
#include "driver/ProgressLine.h"

namespace kiv {

namespace {

// Status texts hold CR LF between a message and its record; one line each on a terminal.
std::string oneLine(std::string_view text) {
    return text::replaceAll(text, "\r\n", " ");
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

std::string ConsoleFrontEnd::GridTable(const ProgressGrid& grid) {
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
    }
    return table;
}

void ConsoleFrontEnd::PrintGrid(const ProgressGrid& grid) {
    std::fputs(GridTable(grid).c_str(), mOutput);
    std::fflush(mOutput);
}

}  // namespace kiv
