#pragma once

#include <cstdint>

namespace platform {

// The system's four-byte version record as it lies in memory on a
// little-endian machine: byte 3 the major revision, byte 2 the minor (high
// nibble) and bug-fix (low nibble) revisions.
struct NumVersion {
  uint8_t nonRelRev = 0;
  uint8_t stage = 0;
  uint8_t minorAndBugRev = 0;
  uint8_t majorRev = 0;
};

}  // namespace platform
