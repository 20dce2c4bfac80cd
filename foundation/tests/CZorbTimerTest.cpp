#include "foundation/CZorbTimer.h"

#include <gtest/gtest.h>

#include "foundation/CZorbOS.h"
#include "platform/os/Clock.h"

TEST(CZorbTimer, DoneAfterItsDurationWithoutRealWaiting) {
  platform::TestClock clock(5000);
  platform::ScopedClock scoped(clock);
  EXPECT_EQ(CZorbOS::GetTickCount(), 5000u);

  CZorbTimer timer(1000);
  EXPECT_EQ(timer.Start(), 5000u);
  EXPECT_FALSE(timer.IsDone());
  // A poll that finds the time not over sleeps one short step.
  EXPECT_EQ(clock.nowMs(), 5000u + CZorbTimer::kPollStepMs);
  clock.set(5999);
  EXPECT_FALSE(timer.IsDone());
  EXPECT_EQ(clock.nowMs(), 6000u);  // the step never overshoots the end
  EXPECT_TRUE(timer.IsDone());
  EXPECT_EQ(clock.nowMs(), 6000u);
}

TEST(CZorbTimer, WaitSleepsInShortStepsAcrossTheTickWrap) {
  platform::TestClock clock(0xFFFFFF00ull);
  platform::ScopedClock scoped(clock);
  CZorbTimer timer(1000);
  uint32_t start = timer.Start();
  timer.Wait();
  EXPECT_EQ(clock.nowMs(), 0xFFFFFF00ull + 1000);
  EXPECT_EQ(static_cast<uint32_t>(CZorbOS::GetTickCount() - start), 1000u);
  EXPECT_EQ(clock.sleptMs(), 1000u);
  EXPECT_EQ(clock.sleepCalls(), 1000u / CZorbTimer::kPollStepMs);
}

TEST(CZorbTimer, NeverStartedCountsFromTickZero) {
  platform::TestClock clock(300);
  platform::ScopedClock scoped(clock);
  EXPECT_TRUE(CZorbTimer(300).IsDone());
  EXPECT_FALSE(CZorbTimer(301).IsDone());
  EXPECT_TRUE(CZorbTimer(0).IsDone());
}
