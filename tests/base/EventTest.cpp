#include "base/Event.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace kiv {

TEST(EventTest, HandlersRunInOrderUntilTheirSubscriptionDies) {
    Event<int> event;
    std::vector<int> calls;
    auto first = event.subscribe([&](int v) { calls.push_back(v); });
    std::optional<Subscription> second = event.subscribe([&](int v) { calls.push_back(v * 10); });
    event.raise(1);
    second.reset();
    event.raise(2);
    EXPECT_EQ(calls, (std::vector<int>{1, 10, 2}));
    EXPECT_EQ(event.subscriberCount(), 1u);
}

TEST(EventTest, CancellingAndSubscribingDuringARaiseIsSafe) {
    Event<> event;
    int laterCalls = 0;
    int addedCalls = 0;
    Subscription later;
    Subscription added;
    auto canceller = event.subscribe([&] {
        later.reset();
        if (!added.active()) {
            added = event.subscribe([&] { ++addedCalls; });
        }
    });
    later = event.subscribe([&] { ++laterCalls; });
    event.raise();
    EXPECT_EQ(laterCalls, 0);
    EXPECT_EQ(addedCalls, 0);
    event.raise();
    EXPECT_EQ(addedCalls, 1);
}

TEST(EventTest, SubscriptionOutlivingTheEventIsHarmless) {
    Subscription subscription;
    {
        Event<> event;
        subscription = event.subscribe([] {});
    }
    subscription.reset();
    EXPECT_FALSE(subscription.active());
}

}  // namespace kiv

namespace kiv {

TEST(EventTest, AThrowingHandlerStillEndsTheRaise) {
    Event<> event;
    Subscription cancelled = event.subscribe([] {});
    auto thrower = event.subscribe([&] {
        cancelled.reset();
        throw std::runtime_error("lookup failed");
    });
    EXPECT_THROW(event.raise(), std::runtime_error);
    EXPECT_EQ(event.subscriberCount(), 1u);
}

}  // namespace kiv
