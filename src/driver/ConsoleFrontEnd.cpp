#include "driver/ConsoleFrontEnd.h"

#include <unistd.h>

#include <algorithm>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr auto kRefreshInterval = std::chrono::milliseconds(100);

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

}  // namespace

ConsoleFrontEnd::ConsoleFrontEnd(std::FILE* input, std::FILE* output, std::FILE* errors)
    : mInput(input), mOutput(output), mErrors(errors), mbTerminal(::isatty(::fileno(errors)) == 1) {}

void ConsoleFrontEnd::ShowStatus(const std::string& text) {
    const auto record = text.find(" Record Number: ");
    const std::string step = text.substr(0, record);
    if (!mbTerminal) {
        // A log of the run: one line whenever the step counters change.
        if (step != msLastStep) {
            std::fprintf(mErrors, "%s\n", step.c_str());
            std::fflush(mErrors);
        }
        msLastStep = step;
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (record != std::string::npos && step == msLastStep && now - mLastShown < kRefreshInterval) {
        return;
    }
    msLastStep = step;
    mLastShown = now;
    const std::size_t width = std::max(mShownWidth, text.size());
    std::fprintf(mErrors, "\r%-*s", static_cast<int>(width), text.c_str());
    std::fflush(mErrors);
    mShownWidth = text.size();
}

bool ConsoleFrontEnd::ConfirmSingleStep(const std::string& title, const std::string& text) {
    if (mbTerminal && mShownWidth > 0) {
        std::fputc('\n', mErrors);
        mShownWidth = 0;
    }
    std::fprintf(mErrors, "%s\n%s\nPress Enter to continue, or c and Enter to cancel: ", title.c_str(),
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
    if (mbTerminal && mShownWidth > 0) {
        std::fputc('\n', mErrors);
        mShownWidth = 0;
    }
}

std::string ConsoleFrontEnd::GridTable(const ProgressGrid& grid) {
    std::array<std::size_t, ProgressGrid::kColumns> widths{};
    const std::array<std::string_view, ProgressGrid::kColumns> captions = {"#", "Step Name", "Num Rows",
                                                                           "Status"};
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
    const std::string table = GridTable(grid);
    std::fwrite(table.data(), 1, table.size(), mOutput);
    std::fflush(mOutput);
}

}  // namespace kiv
