#include "driver/modGridHandler.h"

#include "base/Text.h"
#include "base/Variant.h"

namespace kiv::modGridHandler {

namespace {

constexpr std::array<std::string_view, ProgressGrid::kColumns> kCaptions = {"", "Step Name", "Num Rows",
                                                                             "Status"};

std::int32_t wholeNumber(std::string_view text) {
    return Variant(text::trim(text)).tryToLong().value_or(0);
}

}  // namespace

void InitProgressGrid(ProgressGrid* grid) {
    if (grid == nullptr) {
        return;
    }
    grid->Reset(2);
    for (int column = 0; column < ProgressGrid::kColumns; ++column) {
        grid->SetText(0, column, std::string(kCaptions[static_cast<std::size_t>(column)]));
    }
}

void AddStepRow(ProgressGrid* grid, const clsKivStep& step) {
    if (grid == nullptr) {
        return;
    }
    grid->AppendRow({text::decimal(step.StepNumber()), step.StepName(), "", ""});
    if (grid->Rows() > 2 && grid->Text(1, 1).empty()) {
        grid->RemoveRow(1);
    }
}

int FindStepRow(const ProgressGrid* grid, std::string_view key) {
    if (grid == nullptr) {
        return -1;
    }
    const auto number = Variant::parseNumber(key) ? Variant(key).tryToInteger() : std::nullopt;
    if (!number) {
        return grid->RowOfName(std::string(key));
    }
    for (int row = 1; row < grid->Rows(); ++row) {
        const auto cell = Variant(grid->Text(row, 0)).tryToInteger();
        if (Variant::parseNumber(grid->Text(row, 0)) && cell == number) {
            return row;
        }
    }
    return -1;
}

void SetStepRowStatus(ProgressGrid* grid, std::string_view key, std::int32_t status,
                      const std::string& text) {
    const int row = FindStepRow(grid, key);
    if (row < 0) {
        return;
    }
    grid->CurrentRow(row);
    ProgressGrid::Colour colour;
    if (ProgressGrid::StatusColour(status, colour) && grid->ColourStatus(row) != status) {
        grid->SetColourStatus(row, status);
    }
    grid->SetText(row, 3, text);
}

std::string GetStepRowStatusText(const ProgressGrid* grid, std::string_view key) {
    const int row = FindStepRow(grid, key);
    return row < 0 ? std::string() : grid->Text(row, 3);
}

std::int32_t GetStepRowRowCount(const ProgressGrid* grid, std::string_view key) {
    const int row = FindStepRow(grid, key);
    return row < 0 ? -1 : wholeNumber(grid->Text(row, 2));
}

void AddStepRowRowCount(ProgressGrid* grid, std::string_view key, std::int32_t rows) {
    const int row = FindStepRow(grid, key);
    if (row >= 0) {
        grid->SetText(row, 2, text::decimal(static_cast<long long>(wholeNumber(grid->Text(row, 2))) + rows));
    }
}

void SortProgressGrid(ProgressGrid* grid, int previousColumn, int column, bool ascending) {
    if (grid == nullptr) {
        return;
    }
    grid->CurrentColumn(column);
    grid->SortRows(column, ascending);
    if (previousColumn >= 0 && previousColumn < ProgressGrid::kColumns && previousColumn != column) {
        grid->SetText(0, previousColumn, GetColumnCaption(grid, previousColumn));
    }
    grid->SetText(0, column, GetColumnCaption(grid, column) + (ascending ? " ^" : " v"));
}

std::string GetColumnCaption(const ProgressGrid* grid, int column) {
    if (grid == nullptr || column < 0 || column >= ProgressGrid::kColumns) {
        return {};
    }
    std::string_view caption = grid->Text(0, column);
    if (caption.ends_with('^') || caption.ends_with('v')) {
        caption = text::trim(caption.substr(0, caption.size() - 1));
    }
    return std::string(caption);
}

}  // namespace kiv::modGridHandler
