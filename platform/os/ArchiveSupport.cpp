#include "platform/os/ArchiveSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/os/FileSystem.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/SpecialFolders.h"

namespace platform {

int openArchiveFile(const std::string& path, ArchiveOpenMode mode, int& fd) {
  int flags = 0;
  switch (mode) {
    case ArchiveOpenMode::kRead:
      flags = O_RDONLY;
      break;
    case ArchiveOpenMode::kWriteTruncate:
      flags = O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case ArchiveOpenMode::kReadWrite:
      flags = O_RDWR;
      break;
    case ArchiveOpenMode::kReadWriteTruncate:
      flags = O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  return fileSystem().open(path, flags, 0666, fd);
}

int createPrivateFile(const std::string& path, int& fd) {
  return fileSystem().open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600, fd);
}

int readArchiveFile(int fd, void* buffer, size_t n, int64_t offset, size_t& got) {
  return fileSystem().read(fd, buffer, n, static_cast<off_t>(offset), got);
}

int writeArchiveFile(int fd, const void* buffer, size_t n, int64_t offset) {
  return writeAll(fileSystem(), fd, buffer, n, static_cast<off_t>(offset));
}

int truncateArchiveFile(int fd, int64_t length) {
  return fileSystem().truncate(fd, static_cast<off_t>(length));
}

int closeArchiveFile(int fd) {
  return fileSystem().close(fd);
}

int archiveFileSize(int fd, int64_t& size) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return errno;
  size = static_cast<int64_t>(st.st_size);
  return 0;
}

int removeArchiveFile(const std::string& path) {
  return fileSystem().unlink(path);
}

bool isAlreadyExists(int error) {
  return error == EEXIST;
}

std::string archiveErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r may return a static text instead of filling buffer.
  const char* text = strerror_r(error, buffer, sizeof(buffer));
  return text ? std::string(text) : std::string("error ") + std::to_string(error);
}

std::string temporaryItemsFolder() {
  std::string caches = PlatformConfig::current().userCachesFolder();
  while (caches.size() > 1 && caches.back() == '/') caches.pop_back();
  if (caches.empty()) return std::string();
  std::string folder = caches + "/TemporaryItems";
  return makeFolders(folder, 0700) == 0 ? folder : std::string();
}

int64_t wallClockSeconds() {
  struct timespec ts;
  if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return 0;
  return static_cast<int64_t>(ts.tv_sec);
}

bool localTimeOf(int64_t epochSeconds, LocalTimeParts& out) {
  time_t t = static_cast<time_t>(epochSeconds);
  struct tm parts;
  if (!localtime_r(&t, &parts)) return false;
  out.year = parts.tm_year + 1900;
  out.month = parts.tm_mon + 1;
  out.day = parts.tm_mday;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  return true;
}

uint32_t processId() {
  return static_cast<uint32_t>(getpid());
}

uint64_t processorClock() {
  struct timespec ts;
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0;
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

}  // namespace platform
