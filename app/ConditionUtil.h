#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

// Waits on a condition with a time limit read on the program's clock.
class ConditionUtil {
 public:
  static constexpr uint32_t kNoTimeLimit = 0xFFFFFFFF;

  ConditionUtil() = delete;

  // Waits until pred() holds or milliseconds have passed, to the
  // millisecond (kNoTimeLimit: no limit). 0 when pred() held, 1 when the
  // time ran out. The lock must hold the condition's mutex.
  static int conditionWait(std::condition_variable& cond, std::unique_lock<std::mutex>& lock,
                           uint32_t milliseconds, const std::function<bool()>& pred);
};
