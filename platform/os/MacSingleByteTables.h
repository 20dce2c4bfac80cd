#pragma once

#include <cstdint>

namespace platform {

// The upper half (bytes 0x80-0xFF) of a Mac single-byte encoding that the
// system's iconv lacks or has only in an older form, by Mac encoding base; 0
// marks an unmapped byte.
// Bytes below 0x80 are ASCII. Null for any other base.
const char16_t* macSingleByteTable(uint32_t base);

}  // namespace platform
