#include "platform/os/SymbolicLink.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/os/FileSystem.h"

namespace platform {

namespace {
// Room for a typical target first; twice as much while it does not fit, up
// to a target no file system gives.
constexpr size_t kFirstTargetGuess = 256;
constexpr size_t kLongestTarget = 1u << 20;
}  // namespace

int readSymbolicLink(const std::string& path, std::string& target) {
  std::vector<char> buf(kFirstTargetGuess);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) < buf.size()) {
      target.assign(buf.data(), static_cast<size_t>(n));
      return 0;
    }
    if (buf.size() >= kLongestTarget) return ENAMETOOLONG;
    buf.resize(buf.size() * 2);
  }
}

int copySymbolicLink(const std::string& from, const std::string& to) {
  std::string target;
  if (int err = readSymbolicLink(from, target)) return err;
  return fileSystem().symlink(target, to);
}

}  // namespace platform
