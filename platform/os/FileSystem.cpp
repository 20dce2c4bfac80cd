#include "platform/os/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

IFileSystem::~IFileSystem() = default;

namespace {

int errnoOr(int result) {
  return result < 0 ? errno : 0;
}

// Makes the call again as long as a signal interrupts it.
template <class Call>
auto retryingOnSignal(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace

int IFileSystem::createAt(int folderFd, const std::string& name, mode_t mode, int& fd) {
  // A name that walks out of the folder is not a name in it.
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return EINVAL;
  const int r = retryingOnSignal([&] {
    return ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    mode);
  });
  if (r < 0) return errno;
  fd = r;
  return 0;
}

int IFileSystem::statAt(int folderFd, const std::string& name, struct stat& st) {
  if (name.empty() || name.find('/') != std::string::npos) return EINVAL;
  return errnoOr(::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW));
}

int IFileSystem::setFileTimes(int fd, const timespec& access, const timespec& modification) {
  const timespec times[2] = {access, modification};
  return errnoOr(::futimens(fd, times));
}

namespace {

class RealFileSystem final : public IFileSystem {
 public:
  int open(const std::string& path, int flags, mode_t mode, int& fd) override {
    const int r = retryingOnSignal([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
    if (r < 0) return errno;
    fd = r;
    return 0;
  }

  int close(int fd) override {
    // Linux releases the descriptor even when close reports an error, so it
    // must never be retried.
    return errnoOr(::close(fd));
  }

  int read(int fd, void* buf, size_t n, off_t offset, size_t& got) override {
    got = 0;
    const ssize_t r = retryingOnSignal([&] { return ::pread(fd, buf, n, offset); });
    if (r < 0) return errno;
    got = static_cast<size_t>(r);
    return 0;
  }

  int write(int fd, const void* buf, size_t n, off_t offset, size_t& written) override {
    written = 0;
    const ssize_t r = retryingOnSignal([&] { return ::pwrite(fd, buf, n, offset); });
    if (r < 0) return errno;
    written = static_cast<size_t>(r);
    return 0;
  }

  int fsync(int fd) override { return errnoOr(::fsync(fd)); }

  int truncate(int fd, off_t size) override {
    return errnoOr(retryingOnSignal([&] { return ::ftruncate(fd, size); }));
  }

  int rename(const std::string& from, const std::string& to, bool noReplace) override {
    if (!noReplace) return errnoOr(::rename(from.c_str(), to.c_str()));
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // The file system cannot refuse by itself; check first.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return errnoOr(::rename(from.c_str(), to.c_str()));
  }

  int unlink(const std::string& path) override { return errnoOr(::unlink(path.c_str())); }
  int mkdir(const std::string& path, mode_t mode) override {
    return errnoOr(::mkdir(path.c_str(), mode));
  }
  int rmdir(const std::string& path) override { return errnoOr(::rmdir(path.c_str())); }

  int chmod(const std::string& path, mode_t mode) override {
    return errnoOr(::fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW));
  }

  int chown(const std::string& path, uid_t uid, gid_t gid) override {
    return errnoOr(::lchown(path.c_str(), uid, gid));
  }

  int setXattr(const std::string& path, const std::string& name, const void* value,
               size_t size) override {
    return errnoOr(::lsetxattr(path.c_str(), name.c_str(), value, size, 0));
  }

  int removeXattr(const std::string& path, const std::string& name) override {
    if (::lremovexattr(path.c_str(), name.c_str()) == 0) return 0;
    return errno == ENODATA ? 0 : errno;
  }

  int setTimes(const std::string& path, const timespec& access,
               const timespec& modification) override {
    const timespec times[2] = {access, modification};
    return errnoOr(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW));
  }

  int symlink(const std::string& target, const std::string& path) override {
    return errnoOr(::symlink(target.c_str(), path.c_str()));
  }

  int volumeInfo(const std::string& path, VolumeInfo& info) override {
    struct statvfs sv;
    if (::statvfs(path.c_str(), &sv) != 0) return errno;
    info.blockSize = sv.f_frsize ? sv.f_frsize : sv.f_bsize;
    info.freeBlocks = sv.f_bavail;
    info.totalBlocks = sv.f_blocks;
    return 0;
  }

  int listDirectory(const std::string& path, std::vector<RawDirEntry>& entries) override {
    entries.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return errno;
    int err = 0;
    for (;;) {
      errno = 0;
      dirent* entry = ::readdir(dir);
      if (!entry) {
        err = errno;
        break;
      }
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      entries.push_back(RawDirEntry{entry->d_name, entry->d_type});
    }
    ::closedir(dir);
    return err;
  }
};

RealFileSystem& realInstance() {
  static RealFileSystem instance;
  return instance;
}

std::atomic<IFileSystem*> gCurrent{nullptr};

}  // namespace

IFileSystem& realFileSystem() {
  return realInstance();
}

IFileSystem& fileSystem() {
  IFileSystem* fs = gCurrent.load(std::memory_order_acquire);
  return fs ? *fs : realInstance();
}

FileSystemOverride::FileSystemOverride(IFileSystem& fs)
    : m_previous(gCurrent.exchange(&fs, std::memory_order_acq_rel)) {}

FileSystemOverride::~FileSystemOverride() {
  gCurrent.store(m_previous, std::memory_order_release);
}

int writeAll(IFileSystem& fs, int fd, const void* buf, size_t n, off_t offset) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    size_t written = 0;
    if (int err = fs.write(fd, p, n, offset, written)) return err;
    if (written == 0) return ENOSPC;
    p += written;
    n -= written;
    offset += static_cast<off_t>(written);
  }
  return 0;
}

void closeQuietly(IFileSystem& fs, int fd) {
  (void)fs.close(fd);
}

}  // namespace platform
