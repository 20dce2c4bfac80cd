#pragma once

#include <cstdint>

// A time-out over the process tick count (CZorbOS::GetTickCount,
// milliseconds). Callers wait for it by polling IsDone(); a poll that finds
// the time not yet over sleeps a short step first (through the program's
// clock), so such loops neither spin nor run for real under a test clock.
class CZorbTimer {
 public:
  // The longest sleep of one poll.
  static constexpr uint32_t kPollStepMs = 10;

  explicit CZorbTimer(uint32_t durationMs);
  virtual ~CZorbTimer();

  // Starts now; returns the start tick.
  uint32_t Start();
  // True when the duration has passed since Start (since tick 0 when never
  // started); a wrap of the tick counter is harmless.
  bool IsDone();
  // Sleeps until IsDone().
  void Wait();

  uint32_t GetStart() const { return m_start; }
  uint32_t GetDuration() const { return m_duration; }

 private:
  uint32_t m_start = 0;
  uint32_t m_duration;
};
