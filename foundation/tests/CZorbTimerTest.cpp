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
  // Polling only compares: it never sleeps, however often it is asked.
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(timer.IsDone());
  EXPECT_EQ(clock.nowMs(), 5000u);
  EXPECT_EQ(clock.sleepCalls(), 0u);
  clock.set(5999);
  EXPECT_FALSE(timer.IsDone());
  clock.set(6000);
  EXPECT_TRUE(timer.IsDone());
  EXPECT_EQ(clock.sleepCalls(), 0u);
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

  // The last step never overshoots the end.
  clock.set(0x1000);
  timer.Start();
  clock.set(0x1000 + 995);
  timer.Wait();
  EXPECT_EQ(clock.nowMs(), 0x1000u + 1000);
}

TEST(CZorbTimer, NeverStartedCountsFromTickZero) {
  platform::TestClock clock(300);
  platform::ScopedClock scoped(clock);
  EXPECT_TRUE(CZorbTimer(300).IsDone());
  EXPECT_FALSE(CZorbTimer(301).IsDone());
  EXPECT_TRUE(CZorbTimer(0).IsDone());
}
