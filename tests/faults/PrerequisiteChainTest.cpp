#include <chrono>
#include <regex>

#include "../e2e/RunFixture.h"
#include "KivrunProcess.h"
#include "package/clsKivSpecification.h"

namespace {

using namespace std::chrono_literals;

// Steps 1 to `count` of the "do nothing" type; chained, each but the last requires the next
// one, so that they run from the last to the first, one per pass.
std::string doNothingSteps(int count, bool chained) {
    std::string steps;
    for (int n = 1; n <= count; ++n) {
        const std::string number = std::to_string(n);
        steps += "[STEP " + number + "]\r\nStepName=S" + number + "\r\nStepType=do nothing\r\n";
        if (chained && n < count) {
            steps += "PrerequisiteTarget_1=S" + std::to_string(n + 1) + "\r\n";
        }
    }
    return steps;
}

// About 0.7 s of processor time on an idle machine; the bound leaves room for a busy one.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kSecondsFor5000Steps = 30;
#else
constexpr double kSecondsFor5000Steps = 2;
#endif

}  // namespace

using PrerequisiteChainTest = RunFixture;

TEST_F(PrerequisiteChainTest, FiveThousandStepsInAReverseChainRunInUnderASecond) {
    package("spec.ini", "Chain", doNothingSteps(5000, true));
    KivrunProcess run(dir.path(), {"-run", "-report", "report.txt", "spec.ini"});
    ASSERT_EQ(run.Wait(120s), 0) << TempDir::read(dir.file("stderr.txt"));
    EXPECT_LT(run.CpuSeconds(), kSecondsFor5000Steps);
    const std::string report = TempDir::read(dir.file("report.txt"));
    int succeeded = 0;
    for (auto at = report.find("-- Final Status: Successfully Processed"); at != std::string::npos;
         at = report.find("-- Final Status: Successfully Processed", at + 1)) {
        ++succeeded;
    }
    EXPECT_EQ(succeeded, 5000);
}

TEST_F(PrerequisiteChainTest, ACycleInsideALongChainStopsOnlyTheStepsThatNeedIt) {
    package("spec.ini", "Cycle",
            doNothingSteps(300, true) +
                "PrerequisiteTarget_1=C1\r\n"
                "[STEP 301]\r\nStepName=C1\r\nStepType=do nothing\r\nPrerequisiteTarget_1=C2\r\n"
                "[STEP 302]\r\nStepName=C2\r\nStepType=do nothing\r\nPrerequisiteTarget_1=C1\r\n"
                "[STEP 303]\r\nStepName=Free\r\nStepType=do nothing\r\n");
    kivrun("-run -report report.txt spec.ini");
    const std::string report = TempDir::read(dir.file("report.txt"));
    EXPECT_NE(report.find("1. S1  -- Final Status: Unknown Status"), std::string::npos) << report;
    EXPECT_NE(report.find("300. S300  -- Final Status: Unknown Status"), std::string::npos);
    EXPECT_NE(
        report.find("301. C1  -- Final Status: Unknown Status\r\n        S: Prerequisites form "
                    "a cycle: C1 -> C2 -> C1."),
        std::string::npos);
    EXPECT_NE(
        report.find("302. C2  -- Final Status: Unknown Status\r\n        S: Prerequisites form "
                    "a cycle: C2 -> C1 -> C2."),
        std::string::npos);
    EXPECT_NE(report.find("303. Free  -- Final Status: Successfully Processed"), std::string::npos);
    EXPECT_EQ(report.find("S300  -- Final Status: Unknown Status\r\n        S: Prerequisites"),
              std::string::npos);
}

TEST_F(PrerequisiteChainTest, StepNumbersAbove32767GiveAMessageInsteadOfEmptySteps) {
    const std::string file = package("spec.ini", "Many", doNothingSteps(32768, false));
    kiv::clsKivSpecification specification;
    specification.LoadKivSpecification(file, nullptr);
    EXPECT_EQ(specification.Steps()->Count(), 32767);
    EXPECT_EQ(specification.Steps()->Item(32767)->StepName(), "S32767");
    ASSERT_FALSE(specification.IsValid());
    ASSERT_EQ(specification.ErrorMessages()->Count(), 1);
    EXPECT_EQ(specification.ErrorMessages()->Item(1)->Text(),
              "Section [STEP 32768] and the steps after it are not loaded: step numbers go up to "
              "32767.");
}
