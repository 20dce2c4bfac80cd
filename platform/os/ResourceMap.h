#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os/FileRef.h"

namespace platform {

// Reading single resources out of a classic resource fork (header, data
// area and map, all big-endian).

inline constexpr int32_t resNotFound = -192;
inline constexpr int32_t mapReadErr = -199;

// Finds the resource of this type and id in the bytes of a resource fork.
// noErr with its bytes, resNotFound, or mapReadErr for bytes that are not a
// well-formed fork (every offset is checked against the size).
[[nodiscard]] int32_t findResource(std::string_view fork, uint32_t type, int16_t id,
                                   std::string& data);

// The same, read from the file's resource fork (eofErr-free: an empty or
// missing fork gives resNotFound).
[[nodiscard]] int32_t readResource(const FSRef& file, uint32_t type, int16_t id, std::string& data);

}  // namespace platform
