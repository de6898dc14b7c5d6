// The command-id allocator and the lock that guards the process-wide set.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "winbase/CommandIds.h"

namespace {

TEST(CommandIdAllocatorTest, TakesTheFirstGapAboveAConsecutiveRun)
{
    const struct {
        CommandIdSet before;
        uint32_t want;
        CommandIdSet after;
    } cases[] = {
        {{1024}, 1025, {1024, 1025}},
        {{1024, 1025, 1027}, 1026, {1024, 1025, 1026, 1027}},
        {{1024, 1026}, 1025, {1024, 1025, 1026}},
        {{1024, 1025, 1026}, 1027, {1024, 1025, 1026, 1027}},
        {{2000, 2001, 4000}, 2002, {2000, 2001, 2002, 4000}},
        {{}, 1024, {}},
    };
    for (const auto& c : cases) {
        CommandIdSet ids = c.before;
        EXPECT_EQ(AllocateCommandId(ids), c.want) << "set of " << c.before.size();
        EXPECT_EQ(ids, c.after) << "set of " << c.before.size();
    }
}

TEST(CommandIdAllocatorTest, ThreadsSharingTheProcessSetGetDistinctIds)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 250;
    std::vector<std::vector<uint32_t>> perThread(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&perThread, t] {
            for (int i = 0; i < kPerThread; ++i) {
                perThread[t].push_back(NextCommandId());
            }
        });
    }
    std::vector<uint32_t> all;
    for (int t = 0; t < kThreads; ++t) {
        threads[t].join();
        all.insert(all.end(), perThread[t].begin(), perThread[t].end());
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "an id was handed out twice";
    EXPECT_GT(all.front(), 1024u);
}

}  // namespace
