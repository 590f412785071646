#include "driver/ProgressGrid.h"

#include <algorithm>

#include "base/Text.h"
#include "base/Variant.h"

namespace kiv {

namespace {

const std::string kEmpty;

double numberOf(const std::string& text) { return Variant::parseNumber(text).value_or(0); }

}  // namespace

bool ProgressGrid::StatusColour(std::int32_t status, Colour& colour) {
    switch (status) {
        case -1: colour = {128, 128, 128, false}; return true;
        case 0: colour = {255, 255, 0, false}; return true;
        case 1: colour = {255, 255, 255, true}; return true;
        case 2: colour = {0, 255, 255, false}; return true;
        case 3: colour = {0, 255, 0, false}; return true;
        case 4: colour = {255, 176, 176, false}; return true;
        case 5: colour = {255, 0, 0, false}; return true;
        default: return false;
    }
}

const std::string& ProgressGrid::Text(int row, int column) const {
    if (row < 0 || row >= Rows() || column < 0 || column >= kColumns) {
        return kEmpty;
    }
    return mRows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

void ProgressGrid::SetText(int row, int column, std::string text) {
    if (row < 0 || row >= Rows() || column < 0 || column >= kColumns) {
        return;
    }
    mRows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = std::move(text);
    if (column == 1) {
        mNameRows.clear();
    }
    Changed.raise();
}

void ProgressGrid::SetColourStatus(int row, std::int32_t status) {
    if (row >= 0 && row < Rows()) {
        mRows[static_cast<std::size_t>(row)].colourStatus = status;
        Changed.raise();
    }
}

void ProgressGrid::Reset(int rows) {
    mRows.assign(static_cast<std::size_t>(std::max(rows, 0)), Row{});
    mNameRows.clear();
    mCurrentRow = 0;
    Changed.raise();
}

void ProgressGrid::AppendRow(std::array<std::string, kColumns> cells) {
    if (!mNameRows.empty()) {
        mNameRows.emplace(cells[1], Rows());
    }
    mRows.push_back(Row{std::move(cells), kNoColour});
    Changed.raise();
}

void ProgressGrid::RemoveRow(int row) {
    if (row >= 0 && row < Rows()) {
        mRows.erase(mRows.begin() + row);
        mNameRows.clear();
        Changed.raise();
    }
}

int ProgressGrid::RowOfName(const std::string& name) const {
    if (mNameRows.empty()) {
        for (int row = 1; row < Rows(); ++row) {
            mNameRows.emplace(mRows[static_cast<std::size_t>(row)].cells[1], row);
        }
    }
    const auto found = mNameRows.find(name);
    return found == mNameRows.end() ? -1 : found->second;
}

void ProgressGrid::SortRows(int column, bool ascending) {
    if (Rows() < 3 || column < 0 || column >= kColumns) {
        return;
    }
    const auto index = static_cast<std::size_t>(column);
    const bool numeric = column == 0 || column == 2;
    std::stable_sort(mRows.begin() + 1, mRows.end(), [&](const Row& a, const Row& b) {
        const Row& first = ascending ? a : b;
        const Row& second = ascending ? b : a;
        if (numeric) {
            return numberOf(first.cells[index]) < numberOf(second.cells[index]);
        }
        return text::toLower(first.cells[index]) < text::toLower(second.cells[index]);
    });
    mNameRows.clear();
    Changed.raise();
}

}  // namespace kiv
