#pragma once

#include <cstdint>

// The crash reporter the program starts first. Linux writes its own core
// files; the stand-in does nothing and reports success.
int32_t VeskoCrashReporterInitialize(const void* settings, uint32_t options);
