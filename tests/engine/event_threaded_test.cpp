#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Event.h"
#include "ThreadPriority.h"

namespace velorix {
namespace {

using namespace std::chrono_literals;

TEST(Event, AutoResetReleasesOneWaitAndReturnsToNonSignalled) {
    Event e(Event::Reset::Auto);
    e.Set();
    EXPECT_TRUE(e.WaitFor(0ms));
    EXPECT_FALSE(e.IsSet());
    EXPECT_FALSE(e.WaitFor(10ms));
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
    Event e(Event::Reset::Manual);
    e.Set();
    EXPECT_TRUE(e.WaitFor(0ms));
    EXPECT_TRUE(e.WaitFor(0ms));
    e.ResetEvent();
    EXPECT_FALSE(e.WaitFor(5ms));
}

TEST(Event, ManualResetWakesEveryWaiter) {
    Event e(Event::Reset::Manual);
    std::atomic<int> woke{0};
    std::thread t1([&] { e.Wait(), ++woke; });
    std::thread t2([&] { e.Wait(), ++woke; });
    e.Set();
    t1.join();
    t2.join();
    EXPECT_EQ(woke, 2);
}

TEST(Event, SetFromAnotherThreadEndsAWait) {
    Event e;
    std::thread t([&] {
        std::this_thread::sleep_for(10ms);
        e.Set();
    });
    // Ends at the Set, however late that comes on a loaded machine.
    EXPECT_TRUE(e.WaitFor(std::chrono::hours(1)));
    t.join();
}

TEST(ThreadPriority, NormalUnlessRealTimeIsRequested) {
    unsetenv("VELORIX_RT");
    EXPECT_FALSE(RealTimePrioritiesRequested());
    EXPECT_FALSE(ApplyThreadPriority(ThreadPriority::TimeCritical));
    setenv("VELORIX_RT", "0", 1);
    EXPECT_FALSE(RealTimePrioritiesRequested());
    setenv("VELORIX_RT", "1", 1);
    EXPECT_TRUE(RealTimePrioritiesRequested());
    EXPECT_FALSE(ApplyThreadPriority(ThreadPriority::Normal));
    unsetenv("VELORIX_RT");
}

}  // namespace
}  // namespace velorix
