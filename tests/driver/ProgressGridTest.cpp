#include "driver/modGridHandler.h"

#include <gtest/gtest.h>

namespace kiv {

namespace {

std::shared_ptr<clsKivStep> makeStep(std::int16_t number, const std::string& name) {
    auto step = std::make_shared<clsKivStep>();
    step->StepName(name);
    (void)number;
    return step;
}

}  // namespace

using namespace modGridHandler;

TEST(ProgressGridTest, RowsAreAddedWithoutTheInitialEmptyRow) {
    ProgressGrid grid;
    InitProgressGrid(&grid);
    EXPECT_EQ(grid.Rows(), 2);
    for (const char* name : {"Load", "Count", "Extract"}) {
        AddStepRow(&grid, *makeStep(0, name));
    }
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.Text(1, 1), "Load");
    EXPECT_EQ(FindStepRow(&grid, "count"), -1);
    EXPECT_EQ(FindStepRow(&grid, "Count"), 2);
    EXPECT_EQ(FindStepRow(nullptr, "Count"), -1);
    EXPECT_EQ(GetStepRowRowCount(&grid, "Count"), 0);
    AddStepRowRowCount(&grid, "Count", 100);
    AddStepRowRowCount(&grid, "Count", 100);
    EXPECT_EQ(GetStepRowRowCount(&grid, "Count"), 200);
    EXPECT_EQ(GetStepRowRowCount(&grid, "Missing"), -1);
    SetStepRowStatus(&grid, "Load", kssFailed, "Processing Failed");
    EXPECT_EQ(grid.ColourStatus(1), kssFailed);
    EXPECT_EQ(GetStepRowStatusText(&grid, "Load"), "Processing Failed");
    SetStepRowStatus(&grid, "Load", 42, "odd");
    EXPECT_EQ(grid.ColourStatus(1), kssFailed);
}

TEST(ProgressGridTest, NumericKeysLookUpTheNumberColumn) {
    ProgressGrid grid;
    InitProgressGrid(&grid);
    grid.AppendRow({"1", "7", "", ""});
    grid.AppendRow({"7", "Seven", "", ""});
    EXPECT_EQ(FindStepRow(&grid, "7"), 3);
}

TEST(ProgressGridTest, HeaderSortMarks) {
    ProgressGrid grid;
    InitProgressGrid(&grid);
    grid.RemoveRow(1);
    grid.AppendRow({"2", "beta", "10", "b"});
    grid.AppendRow({"10", "Alpha", "9", "a"});
    grid.AppendRow({"1", "gamma", "", "c"});
    SortProgressGrid(&grid, 0, 1, true);
    EXPECT_EQ(grid.Text(0, 1), "Step Name ^");
    EXPECT_EQ(grid.Text(1, 1), "Alpha");
    SortProgressGrid(&grid, 1, 1, false);
    EXPECT_EQ(grid.Text(0, 1), "Step Name v");
    EXPECT_EQ(grid.Text(1, 1), "gamma");
    SortProgressGrid(&grid, 1, 0, true);
    EXPECT_EQ(grid.Text(0, 1), "Step Name");
    EXPECT_EQ(grid.Text(1, 0), "1");
    EXPECT_EQ(grid.Text(3, 0), "10");
    EXPECT_EQ(GetColumnCaption(&grid, 0), "");
    EXPECT_EQ(GetColumnCaption(&grid, 7), "");
}

}  // namespace kiv
