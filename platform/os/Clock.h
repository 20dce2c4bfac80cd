#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>

namespace platform {

// The clock behind every timer, time-out and wait of the program. The
// program uses currentClock(); tests install a TestClock so that nothing
// waits for real.
class Clock {
 public:
  virtual ~Clock() = default;

  // Monotonic milliseconds from an arbitrary start.
  virtual uint64_t nowMs() = 0;
  // The same truncated to 32 bits; differences of ticks taken in unsigned
  // 32-bit arithmetic survive the wrap-around.
  uint32_t tickMs() { return static_cast<uint32_t>(nowMs()); }

  // Calendar time: milliseconds since 1970-01-01 UTC.
  virtual uint64_t wallMs() = 0;

  virtual void sleepFor(uint32_t ms) = 0;

  // Waits on cv (whose mutex lock holds) until pred() is true or the clock
  // reaches deadlineMs; returns pred() at the end. Whoever makes pred() true
  // must notify cv.
  [[nodiscard]] virtual bool waitUntil(std::unique_lock<std::mutex>& lock,
                                       std::condition_variable& cv, uint64_t deadlineMs,
                                       const std::function<bool()>& pred) = 0;
  [[nodiscard]] bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                             uint32_t ms, const std::function<bool()>& pred) {
    return waitUntil(lock, cv, nowMs() + ms, pred);
  }
};

// The system's monotonic clock.
class SystemClock final : public Clock {
 public:
  uint64_t nowMs() override;
  uint64_t wallMs() override;
  void sleepFor(uint32_t ms) override;
  [[nodiscard]] bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                               uint64_t deadlineMs, const std::function<bool()>& pred) override;
};

// A clock that moves only when told. sleepFor() advances it by the time
// asked instead of sleeping; a timed wait ends when pred() holds or when
// some thread has advanced the clock past its deadline. Its calendar time is
// nowMs() counted from kWallStartMs, so time stamps are never 0 and move
// with advance(). Safe to use from several threads.
class TestClock final : public Clock {
 public:
  // 2020-09-13 12:26:40 UTC.
  static constexpr uint64_t kWallStartMs = 1600000000000ull;

  explicit TestClock(uint64_t startMs = 0);

  uint64_t nowMs() override;
  uint64_t wallMs() override;
  void sleepFor(uint32_t ms) override;
  [[nodiscard]] bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                               uint64_t deadlineMs, const std::function<bool()>& pred) override;

  void advance(uint64_t ms);
  void set(uint64_t ms);
  // Sum of the times passed to sleepFor(), and the number of its calls.
  uint64_t sleptMs();
  uint64_t sleepCalls();

 private:
  void wakeWaiters();

  std::mutex mutex_;
  uint64_t now_;
  uint64_t slept_ = 0;
  uint64_t sleepCalls_ = 0;
  std::multiset<std::condition_variable*> waiters_;
};

// The clock in force (the system clock unless a test installed another).
Clock& currentClock();
SystemClock& systemClock();

// Installs a clock for as long as it lives, then restores the old one.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

}  // namespace platform
