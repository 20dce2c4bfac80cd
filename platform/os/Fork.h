#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/FileRef.h"

namespace platform {

// The data fork's name is empty; the resource fork's is "RESOURCE_FORK".
HFSUniStr255 dataForkName();
HFSUniStr255 resourceForkName();
bool isDataForkName(const HFSUniStr255& name);
bool isResourceForkName(const HFSUniStr255& name);

// One open fork of a file, with its own position. The data fork is the file
// itself (opening follows a final symbolic link); the resource fork lives in
// the file's sidecar, which appears with the first byte written and goes
// again when the fork is closed empty. Results are statuses; a read that
// reaches the end reports eofErr together with the bytes it delivered.
class Fork {
 public:
  enum class Kind { Data, Resource };

  [[nodiscard]] static int32_t open(const FSRef& file, Kind kind, bool write,
                                    std::unique_ptr<Fork>& fork);
  // errFSForkNotFound for a name other than the data or resource fork's.
  [[nodiscard]] static int32_t open(const FSRef& file, const HFSUniStr255& name, bool write,
                                    std::unique_ptr<Fork>& fork);

  ~Fork();
  Fork(const Fork&) = delete;
  Fork& operator=(const Fork&) = delete;

  // Makes a new, empty file named name in the folder open as folderFd (at
  // folderPath) and opens its data fork for writing: dupFNErr where any item
  // of that name, a link too, is already there, so nothing is written
  // through a link. The name is as stored on disk; no name is looked up.
  [[nodiscard]] static int32_t createNew(int folderFd, const std::string& folderPath,
                                         const std::string& name, std::unique_ptr<Fork>& fork);

  // Sets the modification time of the open data fork's file; written bytes
  // after it would change it again.
  [[nodiscard]] int32_t setModificationTime(const timespec& modification);

  // Closes now and reports the status; the destructor closes silently.
  [[nodiscard]] int32_t close();

  [[nodiscard]] int32_t read(void* buf, uint32_t n, uint32_t& got);
  [[nodiscard]] int32_t write(const void* buf, uint32_t n);
  // posErr for a position before the start.
  [[nodiscard]] int32_t setPosition(int64_t position);
  [[nodiscard]] int32_t movePosition(int64_t delta);
  int64_t position() const { return m_position; }
  [[nodiscard]] int32_t getSize(int64_t& size) const;
  // A position past the new end moves to the end.
  [[nodiscard]] int32_t setSize(int64_t size);
  [[nodiscard]] int32_t flush();
  // Asks the system not to keep what this fork reads in its cache.
  void setNoCache(bool noCache) { m_noCache = noCache; }

  Kind kind() const { return m_kind; }
  bool writable() const { return m_write; }

 private:
  Fork(Kind kind, bool write, std::string path);
  [[nodiscard]] int32_t openSidecar();
  [[nodiscard]] int32_t createSidecar();
  [[nodiscard]] int32_t storeLength(uint64_t length);

  Kind m_kind;
  bool m_write;
  std::string m_path;          // the file, or the sidecar for the resource fork
  int m_fd = -1;               // -1 while a resource fork has no sidecar
  uint64_t m_base = 0;         // resource fork: offset of its first byte in the sidecar
  uint64_t m_length = 0;       // resource fork: its length
  uint64_t m_lengthField = 0;  // resource fork: where the sidecar records the length
  int64_t m_position = 0;
  bool m_noCache = false;
};

// While one lives on a thread, flushing a written fork writes its bytes to
// the file but leaves making them durable to commit(), which does it for
// every such file and the folders holding them in one pass: a syscall that
// waits for the disk per file costs more than all the writing. Scopes may
// nest; the outermost one commits.
class DeferredSync {
 public:
  DeferredSync();
  ~DeferredSync();
  DeferredSync(const DeferredSync&) = delete;
  DeferredSync& operator=(const DeferredSync&) = delete;

  // Makes each file flushed so far, and its folder, durable: a sync of each
  // file and folder, or for many files one sync of each volume holding
  // them. The first failure's status (the others are still tried); noErr
  // in a nested scope.
  [[nodiscard]] int32_t commit();

  struct Pending;

 private:
  Pending* m_pending = nullptr;
};

}  // namespace platform
