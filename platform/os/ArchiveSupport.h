#pragma once

#include <cstdint>

// Small system services of the package library: the wall clock in local
// time, the process id and a seed for temporary names.
namespace platform {

struct LocalTimeParts {
  int year = 0;    // e.g. 2024
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;  // 0..60
};

// Seconds since the epoch, from the system's real-time clock.
int64_t wallClockSeconds();
// The local time of an epoch time; false when it cannot be represented.
bool localTimeOf(int64_t epochSeconds, LocalTimeParts& out);

uint32_t processId();
// The processor time used so far, in nanoseconds; only a seed.
uint64_t processorClock();

}  // namespace platform
