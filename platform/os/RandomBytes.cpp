#include "platform/os/RandomBytes.h"

#include <sys/random.h>

#include <cerrno>

namespace platform {

bool randomBytes(void* out, size_t n) {
  unsigned char* p = static_cast<unsigned char*>(out);
  // Large requests may come back in parts, and a signal may interrupt one.
  while (n > 0) {
    const ssize_t got = ::getrandom(p, n, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace platform
