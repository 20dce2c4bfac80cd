#pragma once

#include <cstdint>

// A time-out over the process tick count (CZorbOS::GetTickCount,
// milliseconds). IsDone() only compares ticks, so a caller may poll it
// between other work at no cost; Wait() sleeps in short steps through the
// program's clock, so it neither spins nor runs for real under a test clock.
class CZorbTimer {
 public:
  // The longest sleep of one step of Wait().
  static constexpr uint32_t kPollStepMs = 10;

  explicit CZorbTimer(uint32_t durationMs);
  virtual ~CZorbTimer();

  // Starts now; returns the start tick.
  uint32_t Start();
  // True when the duration has passed since Start (since tick 0 when never
  // started); a wrap of the tick counter is harmless. Never sleeps.
  bool IsDone();
  // Sleeps until IsDone(), never past the end of the duration.
  void Wait();

  uint32_t GetStart() const { return m_start; }
  uint32_t GetDuration() const { return m_duration; }

 private:
  uint32_t m_start = 0;
  uint32_t m_duration;
};
