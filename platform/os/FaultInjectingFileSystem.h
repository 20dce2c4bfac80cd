#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/os/FileSystem.h"

namespace platform {

// A file system for tests: passes every call to an inner one (the real file
// system by default) unless a rule says the call fails with a chosen errno.
// A failed call changes nothing, except close, which still releases the
// descriptor as Linux does. Calls on descriptors match rules by the path the
// descriptor was opened with. Thread-safe.
//
//   FaultInjectingFileSystem fs;
//   FileSystemOverride use(fs);
//   fs.failNth(3, ENOSPC);                      // the third mutating call
//   fs.failPath("._", EIO, kFsWrite);           // every write to a sidecar
class FaultInjectingFileSystem final : public IFileSystem {
 public:
  struct Rule {
    uint32_t ops = kFsMutatingOps;  // which kinds of calls the rule looks at
    std::string pathContains;       // empty: any path; else a substring of a path of the call
    int skip = 0;                   // matching calls that pass before the first failure
    int times = 1;                  // failures to inject; -1 for every later match
    int error = EIO;                // errno to report
  };

  struct Call {
    FsOp op;
    std::string path;  // the first path of the call (a rename's source)
    int result;        // the errno reported, 0 on success
  };

  FaultInjectingFileSystem();
  explicit FaultInjectingFileSystem(IFileSystem& inner);

  // Fails the n-th (1-based) call among those of the given kinds.
  void failNth(int n, int error, uint32_t ops = kFsMutatingOps);
  // Fails calls of the given kinds whose path contains the text.
  void failPath(const std::string& pathContains, int error, uint32_t ops = kFsMutatingOps,
                int times = -1);
  void addRule(const Rule& rule);
  // Drops every rule; the log and counters stay.
  void clearRules();

  // Calls seen of the given kinds, failed or not.
  int callCount(uint32_t ops = kFsAllOps) const;
  int injectedFailures() const;
  std::vector<Call> calls() const;

  // Makes volumeInfo report this many free blocks (the rest is the real answer).
  void setFreeBlocks(std::optional<uint64_t> freeBlocks);

  [[nodiscard]] int open(const std::string& path, int flags, mode_t mode, int& fd) override;
  [[nodiscard]] int close(int fd) override;
  [[nodiscard]] int read(int fd, void* buf, size_t n, off_t offset, size_t& got) override;
  [[nodiscard]] int write(int fd, const void* buf, size_t n, off_t offset,
                          size_t& written) override;
  [[nodiscard]] int fsync(int fd) override;
  [[nodiscard]] int truncate(int fd, off_t size) override;
  [[nodiscard]] int rename(const std::string& from, const std::string& to, bool noReplace) override;
  [[nodiscard]] int unlink(const std::string& path) override;
  [[nodiscard]] int mkdir(const std::string& path, mode_t mode) override;
  [[nodiscard]] int rmdir(const std::string& path) override;
  [[nodiscard]] int chmod(const std::string& path, mode_t mode) override;
  [[nodiscard]] int chown(const std::string& path, uid_t uid, gid_t gid) override;
  [[nodiscard]] int setXattr(const std::string& path, const std::string& name, const void* value,
                             size_t size) override;
  [[nodiscard]] int removeXattr(const std::string& path, const std::string& name) override;
  [[nodiscard]] int setTimes(const std::string& path, const timespec& access,
                             const timespec& modification) override;
  [[nodiscard]] int symlink(const std::string& target, const std::string& path) override;
  [[nodiscard]] int volumeInfo(const std::string& path, VolumeInfo& info) override;
  // A failure injected here reports the error after listing nothing.
  [[nodiscard]] int listDirectory(const std::string& path,
                                  std::vector<RawDirEntry>& entries) override;
  // Rules match these by the folder's path joined with the name.
  [[nodiscard]] int createAt(int folderFd, const std::string& name, mode_t mode, int& fd) override;
  [[nodiscard]] int statAt(int folderFd, const std::string& name, struct stat& st) override;
  [[nodiscard]] int setFileTimes(int fd, const timespec& access,
                                 const timespec& modification) override;

 private:
  struct ActiveRule {
    Rule rule;
    int seen = 0;
    int failed = 0;
  };

  // Records the call and returns the errno to inject, or 0 to let it through.
  [[nodiscard]] int intercept(FsOp op, const std::string& path, const std::string& other = {});
  void record(FsOp op, const std::string& path, int result);
  [[nodiscard]] int forward(FsOp op, const std::string& path, const std::function<int()>& call);
  std::string pathOf(int fd) const;

  IFileSystem& m_inner;
  mutable std::mutex m_mutex;
  std::vector<ActiveRule> m_rules;
  std::vector<Call> m_calls;
  std::unordered_map<int, std::string> m_fdPaths;
  int m_injected = 0;
  std::optional<uint64_t> m_freeBlocks;
};

}  // namespace platform
