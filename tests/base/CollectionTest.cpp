#include "base/Collection.h"

#include <gtest/gtest.h>

#include <string>

namespace kiv {

TEST(CollectionTest, PositionsRunFromOneAndKeysIgnoreCase) {
    Collection<std::string> items;
    items.Add(std::make_shared<std::string>("a"), "Alpha");
    items.Add(std::make_shared<std::string>("b"));
    items.Add(std::make_shared<std::string>("c"), "Gamma");
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(*items.Item(1), "a");
    EXPECT_EQ(*items.Item("GAMMA"), "c");
    EXPECT_EQ(items.Item(0), nullptr);
    EXPECT_EQ(items.Item(4), nullptr);
    EXPECT_EQ(items.Item("missing"), nullptr);
    EXPECT_THROW(items.At(4), std::out_of_range);
    EXPECT_THROW(items.Add(std::make_shared<std::string>("d"), "alpha"), std::invalid_argument);
}

TEST(CollectionTest, RemovingKeepsOrderAndFreesTheKey) {
    Collection<std::string> items;
    items.Add(std::make_shared<std::string>("a"), "A");
    items.Add(std::make_shared<std::string>("b"), "B");
    items.Add(std::make_shared<std::string>("c"), "C");
    EXPECT_TRUE(items.Remove("b"));
    EXPECT_FALSE(items.Remove("b"));
    EXPECT_EQ(*items.Item(2), "c");
    items.Add(std::make_shared<std::string>("b2"), "B");
    EXPECT_TRUE(items.Remove(1));
    EXPECT_EQ(items.Item("A"), nullptr);
    std::string order;
    for (const auto& item : items) {
        order += *item;
    }
    EXPECT_EQ(order, "cb2");
}

}  // namespace kiv
