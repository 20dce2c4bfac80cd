#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace platform {

// Every call that changes the file system goes through IFileSystem, so tests
// can make any of them fail (see FaultInjectingFileSystem). Reads and opens
// for reading pass through it as well, so a test may also target them.
//
// Every operation returns 0 on success or an errno value; none sets errno.
// Paths are POSIX paths in UTF-8. Nothing here follows a final symbolic link
// except open (and so read/write through the descriptor) and volumeInfo.

// The kinds of calls, as bits, for selecting calls to fail.
enum FsOp : uint32_t {
  kFsOpenRead = 1u << 0,   // open without write access or creation
  kFsOpenWrite = 1u << 1,  // open with write access, O_CREAT or O_TRUNC
  kFsRead = 1u << 2,
  kFsWrite = 1u << 3,
  kFsSync = 1u << 4,
  kFsTruncate = 1u << 5,
  kFsClose = 1u << 6,
  kFsRename = 1u << 7,
  kFsUnlink = 1u << 8,
  kFsMkdir = 1u << 9,
  kFsRmdir = 1u << 10,
  kFsChmod = 1u << 11,
  kFsChown = 1u << 12,
  kFsSetXattr = 1u << 13,
  kFsRemoveXattr = 1u << 14,
  kFsSetTimes = 1u << 15,
  kFsSymlink = 1u << 16,
  kFsVolumeInfo = 1u << 17,
  kFsList = 1u << 18,
  kFsStat = 1u << 19,  // statAt
};

// The calls that change something on disk.
inline constexpr uint32_t kFsMutatingOps =
    kFsOpenWrite | kFsWrite | kFsSync | kFsTruncate | kFsRename | kFsUnlink | kFsMkdir | kFsRmdir |
    kFsChmod | kFsChown | kFsSetXattr | kFsRemoveXattr | kFsSetTimes | kFsSymlink;
inline constexpr uint32_t kFsAllOps = (1u << 20) - 1;

// One name of a folder as the system lists it.
struct RawDirEntry {
  std::string name;
  unsigned char type = 0;  // DT_DIR, DT_REG, DT_LNK, ... or DT_UNKNOWN
};

// Sizes of the volume that holds a path, in bytes and blocks.
struct VolumeInfo {
  uint64_t blockSize = 0;
  uint64_t freeBlocks = 0;  // blocks available to the caller
  uint64_t totalBlocks = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem();

  // open(2) with the given flags; O_CLOEXEC is always added. On success fd
  // holds the new descriptor.
  [[nodiscard]] virtual int open(const std::string& path, int flags, mode_t mode, int& fd) = 0;
  [[nodiscard]] virtual int close(int fd) = 0;
  // Positioned transfers; a short count is not an error (0 read = end of file).
  [[nodiscard]] virtual int read(int fd, void* buf, size_t n, off_t offset, size_t& got) = 0;
  [[nodiscard]] virtual int write(int fd, const void* buf, size_t n, off_t offset,
                                  size_t& written) = 0;
  [[nodiscard]] virtual int fsync(int fd) = 0;
  [[nodiscard]] virtual int truncate(int fd, off_t size) = 0;

  // With noReplace an existing target gives EEXIST; without, it is replaced.
  [[nodiscard]] virtual int rename(const std::string& from, const std::string& to,
                                   bool noReplace) = 0;
  [[nodiscard]] virtual int unlink(const std::string& path) = 0;
  [[nodiscard]] virtual int mkdir(const std::string& path, mode_t mode) = 0;
  [[nodiscard]] virtual int rmdir(const std::string& path) = 0;
  [[nodiscard]] virtual int chmod(const std::string& path, mode_t mode) = 0;
  [[nodiscard]] virtual int chown(const std::string& path, uid_t uid, gid_t gid) = 0;
  [[nodiscard]] virtual int setXattr(const std::string& path, const std::string& name,
                                     const void* value, size_t size) = 0;
  // Removing an attribute that is not there succeeds.
  [[nodiscard]] virtual int removeXattr(const std::string& path, const std::string& name) = 0;
  // Access and modification times; a tv_nsec of UTIME_OMIT leaves one alone.
  [[nodiscard]] virtual int setTimes(const std::string& path, const timespec& access,
                                     const timespec& modification) = 0;
  [[nodiscard]] virtual int symlink(const std::string& target, const std::string& path) = 0;
  [[nodiscard]] virtual int volumeInfo(const std::string& path, VolumeInfo& info) = 0;
  // The names of a folder except "." and "..", in the system's order. On an
  // error part-way, entries holds what was read before it.
  [[nodiscard]] virtual int listDirectory(const std::string& path,
                                          std::vector<RawDirEntry>& entries) = 0;

  // Calls relative to an open folder, for making many files in one folder
  // without walking its path for each. Their defaults make the system's
  // call directly; a file system for tests overrides them.
  //
  // Makes a new file named name in the open folder and opens it for
  // writing: EEXIST where any item, a link too, has that name.
  [[nodiscard]] virtual int createAt(int folderFd, const std::string& name, mode_t mode, int& fd);
  // lstat of a name in the open folder (a final link is not followed).
  [[nodiscard]] virtual int statAt(int folderFd, const std::string& name, struct stat& st);
  // Access and modification times of an open file.
  [[nodiscard]] virtual int setFileTimes(int fd, const timespec& access,
                                         const timespec& modification);
};

// The file system of the machine.
IFileSystem& realFileSystem();

// The process-wide instance every caller uses: the real one unless a test
// installed another with FileSystemOverride.
IFileSystem& fileSystem();

// Installs a file system for its lifetime and restores the previous one after.
class FileSystemOverride {
 public:
  explicit FileSystemOverride(IFileSystem& fs);
  ~FileSystemOverride();
  FileSystemOverride(const FileSystemOverride&) = delete;
  FileSystemOverride& operator=(const FileSystemOverride&) = delete;

 private:
  IFileSystem* m_previous;
};

// Writes all n bytes at offset, retrying short writes; ENOSPC when the file
// system accepts nothing more.
[[nodiscard]] int writeAll(IFileSystem& fs, int fd, const void* buf, size_t n, off_t offset);

// Closes a descriptor whose close cannot lose anything the caller still
// needs: one opened only for reading, or one whose file has failed or been
// given up already, with that failure reported. Linux releases it either way.
void closeQuietly(IFileSystem& fs, int fd);

}  // namespace platform
