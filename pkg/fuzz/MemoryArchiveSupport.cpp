// The system services of the package library (platform/os/ArchiveSupport.h)
// over files held in memory, for the fuzz targets: no disk, no clock, the
// same answer for the same input. Files live until clearMemoryFiles.
#include "pkg/fuzz/MemoryArchiveSupport.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "platform/os/AccessProbe.h"
#include "platform/os/ArchiveSupport.h"

namespace {

struct OpenFile {
  std::string path;
  bool canRead = false;
  bool canWrite = false;
};

std::map<std::string, std::vector<uint8_t>>& Files() {
  static std::map<std::string, std::vector<uint8_t>> files;
  return files;
}

std::map<int, OpenFile>& Open() {
  static std::map<int, OpenFile> open;
  return open;
}

int Descriptor(const std::string& path, bool canRead, bool canWrite, int& fd) {
  static int next = 3;
  fd = next++;
  Open()[fd] = OpenFile{path, canRead, canWrite};
  return 0;
}

std::vector<uint8_t>* FileOf(int fd) {
  const auto open = Open().find(fd);
  if (open == Open().end()) return nullptr;
  const auto file = Files().find(open->second.path);
  return file == Files().end() ? nullptr : &file->second;
}

}  // namespace

namespace pkgfuzz {

void putMemoryFile(const std::string& path, const uint8_t* data, size_t size) {
  Files()[path].assign(data, data + size);
}

void clearMemoryFiles() {
  Files().clear();
  Open().clear();
}

}  // namespace pkgfuzz

namespace platform {

int openArchiveFile(const std::string& path, ArchiveOpenMode mode, int& fd) {
  const bool exists = Files().count(path) != 0;
  switch (mode) {
    case ArchiveOpenMode::kRead:
      if (!exists) return ENOENT;
      return Descriptor(path, true, false, fd);
    case ArchiveOpenMode::kReadWrite:
      if (!exists) return ENOENT;
      return Descriptor(path, true, true, fd);
    case ArchiveOpenMode::kWriteTruncate:
      Files()[path].clear();
      return Descriptor(path, false, true, fd);
    case ArchiveOpenMode::kReadWriteTruncate:
      Files()[path].clear();
      return Descriptor(path, true, true, fd);
  }
  return EINVAL;
}

int createPrivateFile(const std::string& path, int& fd) {
  if (Files().count(path)) return EEXIST;
  Files()[path];
  return Descriptor(path, true, true, fd);
}

int readArchiveFile(int fd, void* buffer, size_t n, int64_t offset, size_t& got) {
  got = 0;
  const std::vector<uint8_t>* file = FileOf(fd);
  if (!file || !Open()[fd].canRead) return EBADF;
  if (offset < 0) return EINVAL;
  if (static_cast<uint64_t>(offset) >= file->size()) return 0;
  got = std::min(n, file->size() - static_cast<size_t>(offset));
  std::memcpy(buffer, file->data() + offset, got);
  return 0;
}

int writeArchiveFile(int fd, const void* buffer, size_t n, int64_t offset) {
  std::vector<uint8_t>* file = FileOf(fd);
  if (!file || !Open()[fd].canWrite) return EBADF;
  // Memory is the limit here; a fuzz input never needs this much.
  if (offset < 0 || static_cast<uint64_t>(offset) + n > (64u << 20)) return EFBIG;
  if (file->size() < static_cast<size_t>(offset) + n) file->resize(static_cast<size_t>(offset) + n);
  std::memcpy(file->data() + offset, buffer, n);
  return 0;
}

int truncateArchiveFile(int fd, int64_t length) {
  std::vector<uint8_t>* file = FileOf(fd);
  if (!file || !Open()[fd].canWrite) return EBADF;
  if (length < 0 || length > (64 << 20)) return EFBIG;
  file->resize(static_cast<size_t>(length));
  return 0;
}

int closeArchiveFile(int fd) {
  return Open().erase(fd) ? 0 : EBADF;
}

int archiveFileSize(int fd, int64_t& size) {
  const std::vector<uint8_t>* file = FileOf(fd);
  if (!file) return EBADF;
  size = static_cast<int64_t>(file->size());
  return 0;
}

int removeArchiveFile(const std::string& path) {
  return Files().erase(path) ? 0 : ENOENT;
}

bool isAlreadyExists(int error) {
  return error == EEXIST;
}

std::string archiveErrorText(int error) {
  return "error " + std::to_string(error);
}

std::string temporaryItemsFolder() {
  return "/memory/TemporaryItems";
}

int64_t wallClockSeconds() {
  return 1700000000;  // a fixed time: the same input gives the same run
}

bool localTimeOf(int64_t, LocalTimeParts& out) {
  out = LocalTimeParts{2023, 11, 14, 22, 13, 20};
  return true;
}

uint32_t processId() {
  return 1;
}

uint64_t processorClock() {
  static uint64_t ticks = 0;
  return ++ticks;
}

bool sameNode(const std::string& a, const std::string& b) {
  return a == b;
}

}  // namespace platform
