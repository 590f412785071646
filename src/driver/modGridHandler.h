#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/ProgressGrid.h"
#include "steps/clsKivStep.h"

// The progress grid operations. Each does nothing, or gives its "not found" value, without a
// grid. A key that is a number looks a row up by its step number, any other key by its step
// name (letter case counts).
namespace kiv::modGridHandler {

void InitProgressGrid(ProgressGrid* grid);
void AddStepRow(ProgressGrid* grid, const clsKivStep& step);
int FindStepRow(const ProgressGrid* grid, std::string_view key);
void SetStepRowStatus(ProgressGrid* grid, std::string_view key, std::int32_t status,
                      const std::string& text);
std::string GetStepRowStatusText(const ProgressGrid* grid, std::string_view key);
std::int32_t GetStepRowRowCount(const ProgressGrid* grid, std::string_view key);
void AddStepRowRowCount(ProgressGrid* grid, std::string_view key, std::int32_t rows);
void SortProgressGrid(ProgressGrid* grid, int previousColumn, int column, bool ascending);
std::string GetColumnCaption(const ProgressGrid* grid, int column);

}  // namespace kiv::modGridHandler
