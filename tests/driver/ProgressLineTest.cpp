#include "driver/ProgressLine.h"

#include <gtest/gtest.h>

namespace kiv {
namespace {

StepProgress loadOf(std::int64_t rows, double seconds, std::uint64_t read = 0, std::uint64_t total = 0) {
    StepProgress progress;
    progress.stepNumber = 3;
    progress.stepName = "Orders";
    progress.rows = rows;
    progress.seconds = seconds;
    progress.source = {read, total};
    return progress;
}

TEST(ProgressLineTest, NumbersAndTimesAsPeopleReadThem) {
    EXPECT_EQ(ProgressLine::Grouped(0), "0");
    EXPECT_EQ(ProgressLine::Grouped(999), "999");
    EXPECT_EQ(ProgressLine::Grouped(1000), "1,000");
    EXPECT_EQ(ProgressLine::Grouped(1942300), "1,942,300");
    EXPECT_EQ(ProgressLine::Grouped(-1234567), "-1,234,567");
    EXPECT_EQ(ProgressLine::Duration(0), "0:00");
    EXPECT_EQ(ProgressLine::Duration(4.7), "0:04");
    EXPECT_EQ(ProgressLine::Duration(754), "12:34");
    EXPECT_EQ(ProgressLine::Duration(3 * 3600 + 5 * 60 + 9), "3:05:09");
}

TEST(ProgressLineTest, ARunningStepWithAndWithoutAKnownSize) {
    EXPECT_EQ(ProgressLine::Running(loadOf(1942300, 4.0)), "Step 3 Orders  1,942,300 rows  485,575 rows/s  0:04");
    EXPECT_EQ(ProgressLine::Running(loadOf(500000, 5.0, 250, 1000)),
              "Step 3 Orders  500,000 rows  100,000 rows/s  0:05  [#####---------------] 25%  ETA 0:15");
    // The first moments give no rate and no estimate worth showing.
    EXPECT_EQ(ProgressLine::Running(loadOf(0, 0.0, 0, 1000)), "Step 3 Orders  0 rows  0:00  [--------------------] 0%");
}

TEST(ProgressLineTest, AFinishedStepInADataSet) {
    StepProgress progress = loadOf(2000000, 4.94);
    progress.dataSetNumber = 2;
    progress.dataSetTotal = 3;
    EXPECT_EQ(ProgressLine::Finished(progress, "Successfully Processed"),
              "Dataset 2 of 3: Step 3 Orders: 2,000,000 rows in 4.9 s (404,858 rows/s): Successfully Processed");
    EXPECT_EQ(ProgressLine::Finished(loadOf(1, 0.001), "Processing Failed"),
              "Step 3 Orders: 1 row in 0.0 s: Processing Failed");
}

}  // namespace
}  // namespace kiv
