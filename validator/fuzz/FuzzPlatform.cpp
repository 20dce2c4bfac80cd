// The few system services the package library names, for the fuzz target:
// it reads only from memory, so every file operation fails and the clock
// stands still.
#include <cerrno>
#include <string>

#include "platform/os/AccessProbe.h"
#include "platform/os/ArchiveSupport.h"

namespace platform {

int openArchiveFile(const std::string&, ArchiveOpenMode, int&) {
  return ENOENT;
}
int createPrivateFile(const std::string&, int&) {
  return EACCES;
}
int readArchiveFile(int, void*, size_t, int64_t, size_t&) {
  return EBADF;
}
int writeArchiveFile(int, const void*, size_t, int64_t) {
  return EBADF;
}
int truncateArchiveFile(int, int64_t) {
  return EBADF;
}
int closeArchiveFile(int) {
  return EBADF;
}
int archiveFileSize(int, int64_t&) {
  return EBADF;
}
int removeArchiveFile(const std::string&) {
  return ENOENT;
}
bool isAlreadyExists(int error) {
  return error == EEXIST;
}
std::string archiveErrorText(int) {
  return "not available while fuzzing";
}
std::string temporaryItemsFolder() {
  return "/nonexistent";
}
int64_t wallClockSeconds() {
  return 0;
}
bool localTimeOf(int64_t, LocalTimeParts&) {
  return false;
}
uint32_t processId() {
  return 1;
}
uint64_t processorClock() {
  return 0;
}
bool sameNode(const std::string&, const std::string&) {
  return false;
}

}  // namespace platform
