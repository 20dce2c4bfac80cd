#pragma once

#include <cstddef>

namespace platform {

// Fills out with n bytes from the kernel's random source, waiting until the
// source is ready. False when the system refuses; out is then unspecified.
[[nodiscard]] bool randomBytes(void* out, size_t n);

}  // namespace platform
