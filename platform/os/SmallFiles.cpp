#include "platform/os/SmallFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/os/FileSystem.h"
#include "platform/os/RandomBytes.h"

namespace platform {

namespace {

constexpr size_t kReadChunk = 4096;
constexpr int kTempAttempts = 16;

std::string temporarySibling(const std::string& path) {
  unsigned char bytes[8] = {};
  if (!randomBytes(bytes, sizeof bytes)) {
    // Only a name: the exclusive open below still refuses a taken one.
    static unsigned counter = 0;
    const unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
    for (size_t i = 0; i < sizeof bytes; ++i)
      bytes[i] = static_cast<unsigned char>(seed >> (i * 4));
  }
  char hex[2 * sizeof bytes + 1];
  for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(hex + 2 * i, 3, "%02x", bytes[i]);
  return path + ".tmp-" + hex;
}

}  // namespace

bool pathExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

int readWholeFile(const std::string& path, std::string& out, size_t limit) {
  out.clear();
  IFileSystem& fs = fileSystem();
  int fd = -1;
  if (int err = fs.open(path, O_RDONLY, 0, fd)) return err;
  int err = 0;
  char buffer[kReadChunk];
  for (;;) {
    size_t got = 0;
    err = fs.read(fd, buffer, sizeof buffer, static_cast<off_t>(out.size()), got);
    if (err || got == 0) break;
    if (got > limit - out.size()) {
      err = EFBIG;
      break;
    }
    out.append(buffer, got);
  }
  // Nothing was written, so a failing close loses nothing.
  (void)fs.close(fd);
  if (err) out.clear();
  return err;
}

int writeWholeFile(const std::string& path, const void* data, size_t n, mode_t mode) {
  IFileSystem& fs = fileSystem();
  int fd = -1;
  if (int err = fs.open(path, O_WRONLY | O_CREAT | O_TRUNC, mode, fd)) return err;
  int err = writeAll(fs, fd, data, n, 0);
  const int closeErr = fs.close(fd);
  return err ? err : closeErr;
}

int createFileExclusively(const std::string& path, const void* data, size_t n, mode_t mode) {
  if (path.empty()) return EINVAL;
  if (pathExists(path)) return EEXIST;
  IFileSystem& fs = fileSystem();
  std::string temp;
  int fd = -1;
  int err = EEXIST;
  for (int attempt = 0; attempt < kTempAttempts && err == EEXIST; ++attempt) {
    temp = temporarySibling(path);
    err = fs.open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode, fd);
  }
  if (err) return err;
  err = writeAll(fs, fd, data, n, 0);
  if (!err) err = fs.fsync(fd);
  const int closeErr = fs.close(fd);
  if (!err) err = closeErr;
  if (!err) err = fs.rename(temp, path, true);
  // Gone after a rename; left behind by any failure.
  if (err) (void)fs.unlink(temp);
  return err;
}

}  // namespace platform
