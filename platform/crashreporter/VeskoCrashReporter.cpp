#include "platform/crashreporter/VeskoCrashReporter.h"

int32_t VeskoCrashReporterInitialize(const void* /*settings*/, uint32_t /*options*/) {
  return 0;
}
