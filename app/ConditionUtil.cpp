#include "app/ConditionUtil.h"

#include "platform/os/Clock.h"

int ConditionUtil::conditionWait(std::condition_variable& cond, std::unique_lock<std::mutex>& lock,
                                 uint32_t milliseconds, const std::function<bool()>& pred) {
  if (milliseconds == kNoTimeLimit) {
    cond.wait(lock, pred);
    return 0;
  }
  return platform::currentClock().waitFor(lock, cond, milliseconds, pred) ? 0 : 1;
}
