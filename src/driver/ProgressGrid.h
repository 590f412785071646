#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/Event.h"

namespace kiv {

// The cells of the progress grid: a header row and one row per step with its number, name,
// rows processed and status text, the number cell coloured by the step's status. Front ends
// draw it; the processing report reads row counts and status texts from it.
class ProgressGrid {
public:
    static constexpr int kColumns = 4;
    static constexpr int kNoColour = -2;
    // Widths of the first three columns in twips; the status column takes the rest less a margin.
    static constexpr std::array<int, 3> kColumnWidths = {720, 2880, 1008};
    static constexpr int kStatusMargin = 350;

    struct Colour {
        int red, green, blue;
        bool windowBackground;  // the system's window background rather than a fixed colour
    };
    // The colour of a step status, or false for a status without one.
    static bool StatusColour(std::int32_t status, Colour& colour);

    int Rows() const { return static_cast<int>(mRows.size()); }
    const std::string& Text(int row, int column) const;
    void SetText(int row, int column, std::string text);
    // The status whose colour the number cell of `row` shows, or kNoColour.
    std::int32_t ColourStatus(int row) const { return mRows[static_cast<std::size_t>(row)].colourStatus; }
    void SetColourStatus(int row, std::int32_t status);

    void Reset(int rows);
    void AppendRow(std::array<std::string, kColumns> cells);
    void RemoveRow(int row);
    // Sorts the data rows (from row 1) by `column`.
    void SortRows(int column, bool ascending);
    // The first data row whose name cell (column 1) is `name`, or -1.
    int RowOfName(const std::string& name) const;

    int CurrentColumn() const { return mCurrentColumn; }
    void CurrentColumn(int column) { mCurrentColumn = column; }
    int CurrentRow() const { return mCurrentRow; }
    void CurrentRow(int row) { mCurrentRow = row; }

    // Raised after every change of the cells.
    Event<> Changed;

private:
    struct Row {
        std::array<std::string, kColumns> cells;
        std::int32_t colourStatus = kNoColour;
    };
    std::vector<Row> mRows;
    // First row of each name, built on demand and dropped when rows or names change.
    mutable std::unordered_map<std::string, int> mNameRows;
    int mCurrentColumn = 0;
    int mCurrentRow = 0;
};

}  // namespace kiv
