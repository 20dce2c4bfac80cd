#include "platform/os/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using platform::TestClock;

TEST(TestClock, SleepAdvancesInsteadOfSleeping) {
  TestClock clock(1000);
  EXPECT_EQ(clock.nowMs(), 1000u);
  clock.sleepFor(250);
  clock.sleepFor(0);
  EXPECT_EQ(clock.nowMs(), 1250u);
  EXPECT_EQ(clock.sleptMs(), 250u);
  EXPECT_EQ(clock.sleepCalls(), 2u);
  clock.advance(50);
  EXPECT_EQ(clock.nowMs(), 1300u);
  EXPECT_EQ(clock.sleptMs(), 250u);
}

TEST(TestClock, TickIsTheLow32BitsAndDifferencesSurviveTheWrap) {
  TestClock clock(0xFFFFFFF0ull);
  uint32_t start = clock.tickMs();
  clock.advance(0x20);
  uint32_t now = clock.tickMs();
  EXPECT_EQ(now, 0x10u);
  EXPECT_EQ(static_cast<uint32_t>(now - start), 0x20u);
}

TEST(TestClock, TimedWaitEndsWhenAnotherThreadPassesTheDeadline) {
  TestClock clock;
  std::mutex m;
  std::condition_variable cv;
  std::atomic<bool> waiting{false};
  bool result = true;
  std::thread waiter([&] {
    std::unique_lock<std::mutex> lock(m);
    waiting = true;
    // An absolute deadline: the advances below may come before the wait starts.
    result = clock.waitUntil(lock, cv, 100, [] { return false; });
  });
  while (!waiting) std::this_thread::yield();
  clock.advance(99);
  clock.advance(1);
  waiter.join();
  EXPECT_FALSE(result);
}

TEST(TestClock, TimedWaitEndsEarlyWhenThePredicateHolds) {
  TestClock clock;
  std::mutex m;
  std::condition_variable cv;
  bool ready = false;
  bool result = false;
  std::thread waiter([&] {
    std::unique_lock<std::mutex> lock(m);
    result = clock.waitFor(lock, cv, 100, [&] { return ready; });
  });
  {
    std::lock_guard<std::mutex> g(m);
    ready = true;
  }
  cv.notify_all();
  waiter.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(clock.nowMs(), 0u);
}

TEST(Clock, ScopedClockInstallsAndRestores) {
  platform::Clock* before = &platform::currentClock();
  EXPECT_EQ(before, &platform::systemClock());
  TestClock a, b;
  {
    platform::ScopedClock sa(a);
    EXPECT_EQ(&platform::currentClock(), &a);
    {
      platform::ScopedClock sb(b);
      EXPECT_EQ(&platform::currentClock(), &b);
    }
    EXPECT_EQ(&platform::currentClock(), &a);
  }
  EXPECT_EQ(&platform::currentClock(), before);
}

TEST(SystemClock, IsMonotonicAndWaitsHonourThePredicate) {
  platform::SystemClock& clock = platform::systemClock();
  uint64_t t1 = clock.nowMs();
  uint64_t t2 = clock.nowMs();
  EXPECT_LE(t1, t2);
  std::mutex m;
  std::condition_variable cv;
  std::unique_lock<std::mutex> lock(m);
  EXPECT_TRUE(clock.waitFor(lock, cv, 60000, [] { return true; }));
  EXPECT_FALSE(clock.waitFor(lock, cv, 0, [] { return false; }));
  EXPECT_TRUE(clock.waitUntil(lock, cv, UINT64_MAX, [] { return true; }));
}

TEST(Clock, WallTimeIsCalendarTimeAndTheTestClockMovesItWithItsTicks) {
  // Any system clock of this century reads after 2020.
  EXPECT_GT(platform::systemClock().wallMs(), TestClock::kWallStartMs);
  TestClock clock(500);
  EXPECT_EQ(clock.wallMs(), TestClock::kWallStartMs + 500);
  clock.advance(61000);
  EXPECT_EQ(clock.wallMs(), TestClock::kWallStartMs + 61500);
}
