#pragma once

#include <cstdint>

namespace platform {

// A Mac four-character code from its literal: fourCC("APPL") == 0x4150504C.
// (Multi-character constants would draw compiler warnings.)
constexpr uint32_t fourCC(const char (&text)[5]) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

}  // namespace platform
