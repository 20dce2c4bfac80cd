#include "app/ConditionUtil.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/os/Clock.h"

namespace {

// Waits ms on a test clock whose time the condition itself moves: its
// first look advances the clock by `advance`, its second says whether the
// condition now holds. The result tells whether the deadline had passed.
int waitWithClockMovedBy(uint32_t ms, uint64_t advance, bool holdsAfter) {
  platform::TestClock clock(10'400);  // not on a whole second
  platform::ScopedClock use(clock);
  std::mutex mutex;
  std::condition_variable cond;
  std::unique_lock<std::mutex> lock(mutex);
  int looks = 0;
  return ConditionUtil::conditionWait(cond, lock, ms, [&] {
    if (++looks == 1) {
      clock.advance(advance);
      return false;
    }
    return holdsAfter;
  });
}

}  // namespace

TEST(ConditionUtil, TheDeadlineIsExactToTheMillisecond) {
  const struct {
    uint32_t ms;
    uint64_t advance;
    int result;
  } cases[] = {
      {1500, 1499, 0}, {1500, 1500, 1}, {999, 998, 0}, {999, 999, 1}, {1, 0, 0}, {0, 0, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(waitWithClockMovedBy(c.ms, c.advance, true), c.result)
        << c.ms << " ms, clock moved " << c.advance;
}

TEST(ConditionUtil, AConditionThatHoldsEndsTheWaitWhateverTheLimit) {
  std::mutex mutex;
  std::condition_variable cond;
  std::unique_lock<std::mutex> lock(mutex);
  for (uint32_t ms : {ConditionUtil::kNoTimeLimit, 0u, 5u})
    EXPECT_EQ(ConditionUtil::conditionWait(cond, lock, ms, [] { return true; }), 0) << ms;
}
