#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// System services of the package library: its files (opened, read, written
// and truncated through the file-system seam, so tests can make any call
// fail), its private temporary folder, the wall clock in local time, the
// process id and a seed for temporary names. Functions return 0 or an
// errno value.
namespace platform {

enum class ArchiveOpenMode {
  kRead,               // existing file, read only
  kWriteTruncate,      // created or emptied, write only
  kReadWrite,          // existing file
  kReadWriteTruncate,  // created or emptied
};

[[nodiscard]] int openArchiveFile(const std::string& path, ArchiveOpenMode mode, int& fd);
// A new file, read-write, made exclusively (EEXIST when the name is taken)
// with permissions 0600.
[[nodiscard]] int createPrivateFile(const std::string& path, int& fd);
// Reads up to n bytes at offset; got 0 at the end of the file.
[[nodiscard]] int readArchiveFile(int fd, void* buffer, size_t n, int64_t offset, size_t& got);
// Writes all n bytes at offset.
[[nodiscard]] int writeArchiveFile(int fd, const void* buffer, size_t n, int64_t offset);
[[nodiscard]] int truncateArchiveFile(int fd, int64_t length);
[[nodiscard]] int closeArchiveFile(int fd);
[[nodiscard]] int archiveFileSize(int fd, int64_t& size);
[[nodiscard]] int removeArchiveFile(const std::string& path);
bool isAlreadyExists(int error);
// The system's description of an errno value.
std::string archiveErrorText(int error);

// "TemporaryItems" in the user's caches folder (from the settings), made
// with permissions 0700 (and its missing parents) when it does not exist;
// "" when it can be neither found nor made.
std::string temporaryItemsFolder();

struct LocalTimeParts {
  int year = 0;   // e.g. 2024
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;  // 0..60
};

// Seconds since the epoch, from the system's real-time clock.
int64_t wallClockSeconds();
// The local time of an epoch time; false when it cannot be represented.
[[nodiscard]] bool localTimeOf(int64_t epochSeconds, LocalTimeParts& out);

uint32_t processId();
// The processor time used so far, in nanoseconds; only a seed.
uint64_t processorClock();

}  // namespace platform
