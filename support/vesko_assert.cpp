#include "support/vesko_assert.h"

#include <cstdio>
#include <cstdlib>

namespace vesko::implementation {

void assertion_failed(char const* text, char const* file, int line) noexcept {
  std::fprintf(stderr, "vesko assertion failed: %s (%s:%d)\n", text, file, line);
  std::fflush(stderr);
  std::abort();
}

}  // namespace vesko::implementation
