#include "platform/CEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace brivex {
namespace {

using namespace std::chrono_literals;

TEST(EventTest, AutoResetReleasesOneWaitAndClears)
{
    CEvent e(CEvent::Reset::Auto);
    EXPECT_FALSE(e.Wait(0ms));
    e.Set();
    EXPECT_TRUE(e.Wait(0ms));
    EXPECT_FALSE(e.Wait(0ms));
}

TEST(EventTest, ManualResetStaysSetUntilReset)
{
    CEvent e(CEvent::Reset::Manual, true);
    EXPECT_TRUE(e.Wait(0ms));
    EXPECT_TRUE(e.Wait(0ms));
    e.ResetEvent();
    EXPECT_FALSE(e.Wait(10ms));
}

TEST(EventTest, SetFromAnotherThreadWakesTheWaiter)
{
    CEvent e;
    std::thread t([&] {
        std::this_thread::sleep_for(20ms);
        e.Set();
    });
    EXPECT_TRUE(e.Wait(10s));
    t.join();
}

TEST(EventTest, PulseReleasesPresentWaitersAndLeavesItCleared)
{
    CEvent e(CEvent::Reset::Manual);
    std::atomic<bool> woke{false};
    std::thread t([&] { woke = e.Wait(10s); });
    // Pulse until the waiter has seen one; a pulse before it waits is lost by design.
    for (int i = 0; i < 1000 && !woke; ++i) {
        e.Pulse();
        std::this_thread::sleep_for(5ms);
    }
    t.join();
    EXPECT_TRUE(woke);
    EXPECT_FALSE(e.IsSet());
}

}  // namespace
}  // namespace brivex
