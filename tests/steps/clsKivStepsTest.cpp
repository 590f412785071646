#include "steps/clsKivSteps.h"

#include <gtest/gtest.h>

namespace kiv {

namespace {

std::shared_ptr<clsKivStep> addStep(clsKivSteps& steps, const std::string& name,
                                    std::initializer_list<const char*> prerequisites,
                                    std::int32_t status = kssUnknown) {
    auto step = steps.Add(name);
    for (const char* prerequisite : prerequisites) {
        step->AddPrerequisiteStepName(prerequisite);
    }
    step->ProcessingStatus(status);
    return step;
}

}  // namespace

TEST(clsKivStepsTest, PrerequisiteRule) {
    clsKivSteps steps;
    auto alone = addStep(steps, "Alone", {});
    auto afterDone = addStep(steps, "AfterDone", {"done"});
    auto afterFailed = addStep(steps, "AfterFailed", {"Failed"});
    auto afterWaiting = addStep(steps, "AfterWaiting", {"Waiting"});
    auto afterMissing = addStep(steps, "AfterMissing", {"Missing", "Failed"});
    addStep(steps, "Done", {}, kssSucceeded);
    addStep(steps, "Failed", {}, kssFailed);
    addStep(steps, "Waiting", {}, kssAwaiting);
    auto kept = addStep(steps, "Kept", {"Failed"}, kssSucceeded);
    steps.SetStatusOfSteps();
    EXPECT_EQ(alone->ProcessingStatus(), kssReady);
    EXPECT_EQ(afterDone->ProcessingStatus(), kssReady);
    EXPECT_EQ(afterFailed->ProcessingStatus(), kssWillNotBeProcessed);
    EXPECT_EQ(afterFailed->ErrorMessages()->Item(1)->Text(), "Prerequisite Failed.");
    EXPECT_EQ(afterFailed->ErrorMessages()->Item(1)->MsgType(), kMsgStatus);
    EXPECT_EQ(afterWaiting->ProcessingStatus(), kssAwaiting);
    EXPECT_EQ(afterMissing->ProcessingStatus(), kssUnknown);
    EXPECT_EQ(kept->ProcessingStatus(), kssSucceeded);
    EXPECT_EQ(kept->ErrorMessages()->Count(), 0);
}

TEST(clsKivStepsTest, FailurePropagatesDownAChainInAnyOrder) {
    clsKivSteps steps;
    auto a = addStep(steps, "A", {"B"});
    auto b = addStep(steps, "B", {"D"});
    addStep(steps, "D", {}, kssFailed);
    steps.SetStatusOfSteps();
    EXPECT_EQ(a->ProcessingStatus(), kssWillNotBeProcessed);
    EXPECT_EQ(b->ProcessingStatus(), kssWillNotBeProcessed);
    EXPECT_EQ(a->ErrorMessages()->Count(), 1);
}

TEST(clsKivStepsTest, CyclesEndAndAreNamedOnce) {
    clsKivSteps steps;
    auto a = addStep(steps, "A", {"B"});
    auto b = addStep(steps, "B", {"A"});
    auto self = addStep(steps, "Self", {"self"});
    auto after = addStep(steps, "After", {"A"});
    steps.SetStatusOfSteps();
    steps.SetStatusOfSteps();
    EXPECT_EQ(a->ProcessingStatus(), kssUnknown);
    EXPECT_EQ(b->ProcessingStatus(), kssUnknown);
    EXPECT_EQ(after->ProcessingStatus(), kssUnknown);
    ASSERT_EQ(a->ErrorMessages()->Count(), 1);
    EXPECT_EQ(a->ErrorMessages()->Item(1)->Text(), "Prerequisites form a cycle: A -> B -> A.");
    EXPECT_EQ(b->ErrorMessages()->Item(1)->Text(), "Prerequisites form a cycle: B -> A -> B.");
    EXPECT_EQ(self->ErrorMessages()->Item(1)->Text(), "Prerequisites form a cycle: Self -> Self.");
    EXPECT_EQ(after->ErrorMessages()->Count(), 0);
}

TEST(clsKivStepsTest, FirstStepOfANameWins) {
    clsKivSteps steps;
    auto first = steps.Add("Load1");
    auto other = std::make_shared<clsKivStep>();
    other->StepName("LOAD1");
    EXPECT_EQ(steps.AddObject(other), other);
    EXPECT_EQ(steps.Count(), 1);
    EXPECT_EQ(steps.Item("load1"), first);
    steps.Add("load1");  // kept without a key
    EXPECT_EQ(steps.Count(), 2);
    EXPECT_EQ(steps.Item("LOAD1"), first);
}

}  // namespace kiv
