#include "platform/os/ArchiveSupport.h"

#include <sys/types.h>
#include <time.h>
#include <unistd.h>

namespace platform {

int64_t wallClockSeconds() {
  struct timespec ts;
  if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return 0;
  return static_cast<int64_t>(ts.tv_sec);
}

bool localTimeOf(int64_t epochSeconds, LocalTimeParts& out) {
  time_t t = static_cast<time_t>(epochSeconds);
  struct tm parts;
  if (!localtime_r(&t, &parts)) return false;
  out.year = parts.tm_year + 1900;
  out.month = parts.tm_mon + 1;
  out.day = parts.tm_mday;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  return true;
}

uint32_t processId() { return static_cast<uint32_t>(getpid()); }

uint64_t processorClock() {
  struct timespec ts;
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0;
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

}  // namespace platform
