#include "dialup/CConnectionQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace brivex {
namespace {

using Q = CConnectionQueue;

TEST(ConnectionQueue, OrderRules)
{
    struct Step {
        std::uint8_t command;
        bool head;
        bool accepted;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::deque<std::uint8_t> after;
    } cases[] = {
        {"zero is refused", {{0, true, false}, {0, false, false}}, {}},
        {"head and tail", {{Q::kWatch, false, true}, {Q::kMonitor, false, true}, {Q::kConnect, true, true}},
         {Q::kConnect, Q::kWatch, Q::kMonitor}},
        {"nothing after a queued halt",
         {{Q::kHalt, true, true}, {Q::kHalt, true, false}, {Q::kDisconnect, true, false}, {Q::kWatch, false, false}},
         {Q::kHalt}},
        {"only a halt after a queued disconnect",
         {{Q::kDisconnect, true, true}, {Q::kDisconnect, true, false}, {Q::kConnect, true, false},
          {Q::kMonitor, false, false}, {Q::kHalt, true, true}},
         {Q::kHalt, Q::kDisconnect}},
        {"other values are stored", {{7, false, true}, {255, false, true}}, {7, 255}},
    };
    for (const auto& c : cases) {
        Q q;
        for (const auto& s : c.steps)
            EXPECT_EQ(q.Push(s.command, s.head), s.accepted) << c.name << " command " << int(s.command);
        EXPECT_EQ(q.Snapshot(), c.after) << c.name;
    }
}

TEST(ConnectionQueue, RemoveContainsAndTake)
{
    Q q;
    q.Push(Q::kWatch, false);
    q.Push(Q::kMonitor, false);
    q.Push(Q::kWatch, false);
    EXPECT_TRUE(q.Contains(Q::kWatch));
    q.Remove(Q::kWatch);
    EXPECT_FALSE(q.Contains(Q::kWatch));
    EXPECT_EQ(q.Snapshot(), std::deque<std::uint8_t>{Q::kMonitor});
    q.Push(Q::kConnect, false);
    q.Remove(Q::kAll);
    EXPECT_TRUE(q.Empty());
    EXPECT_FALSE(q.TakeHead());
    q.Push(Q::kConnect, false);
    EXPECT_EQ(q.TakeHead(), Q::kConnect);
}

// Many threads queueing at once never get two disconnects in, nor anything after a halt.
TEST(ConnectionQueue, RulesHoldUnderConcurrentPushes)
{
    for (int round = 0; round < 50; ++round) {
        Q q;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&q, t] {
                for (int i = 0; i < 50; ++i) {
                    q.Push(Q::kMonitor, false);
                    q.Push(t == 0 && i == 25 ? Q::kHalt : Q::kDisconnect, true);
                }
            });
        for (auto& th : threads)
            th.join();
        const auto items = q.Snapshot();
        int disconnects = 0, halts = 0;
        for (auto c : items) {
            disconnects += c == Q::kDisconnect;
            halts += c == Q::kHalt;
        }
        EXPECT_EQ(disconnects, 1);
        EXPECT_EQ(halts, 1);
    }
}

}  // namespace
}  // namespace brivex
