#include "platform/os/SymbolicLink.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/os/FileSystem.h"

namespace platform {

int readSymbolicLink(const std::string& path, std::string& target) {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) < buf.size()) {
      target.assign(buf.data(), static_cast<size_t>(n));
      return 0;
    }
    if (buf.size() >= (1u << 20)) return ENAMETOOLONG;
    buf.resize(buf.size() * 2);
  }
}

int copySymbolicLink(const std::string& from, const std::string& to) {
  std::string target;
  if (int err = readSymbolicLink(from, target)) return err;
  return fileSystem().symlink(target, to);
}

}  // namespace platform
