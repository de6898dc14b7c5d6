// Command ids of hidden-window menu entries.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/held/HiddenMenu.h"

TEST(CommandIdCounter, HandsOutIdsInTurnAndSkipsHeldOnes)
{
    struct Case {
        const char* what;
        uint32_t start;
        std::set<uint32_t> held;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {"in turn", 4000, {}, {4000, 4001, 4002}},
        {"wraps after 8000", 7999, {}, {7999, 8000, 4000, 4001}},
        {"skips held ids across the wrap", 8000, {4000, 4001}, {8000, 4002, 4003}},
        {"skips a held id in the middle", 4000, {4001}, {4000, 4002}},
        {"a start outside the range begins at 4000", 9000, {}, {4000}},
    };
    for (const Case& c : cases) {
        CommandIdCounter counter(c.start);
        std::vector<uint32_t> got;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            got.push_back(counter.Next([&](uint32_t id) { return c.held.count(id) != 0; }));
        }
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST(CommandIdCounter, GivesZeroWhenEveryIdIsHeldAndRecoversAfterwards)
{
    CommandIdCounter counter(4100);
    EXPECT_EQ(counter.Next([](uint32_t) { return true; }), 0u);
    EXPECT_EQ(counter.Next([](uint32_t id) { return id != 6000; }), 6000u);
    EXPECT_EQ(counter.Next(nullptr), 6001u);
}

TEST(CommandIdCounter, The4002ndIdOfAFreshCounterIs4000Again)
{
    CommandIdCounter counter;
    uint32_t id = 0;
    for (int i = 0; i < 4002; ++i) {
        id = counter.Next(nullptr);
    }
    EXPECT_EQ(id, 4000u);
}
