#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pkg/IPkgFileSystem.h"

namespace pkg {

// One open file of the package file system. It keeps its own position and
// reads and writes through buffers at that position, so a seek is only
// arithmetic: moving between entries never throws buffered data away unless
// it has to. Failures throw PackageIOException with the system's text.
class BasePkgFSFile : public IPkgFSFile {
 public:
  // Opens the name: in "rb", out (and out with trunc) "wb", in with out
  // "r+b", in with out and trunc "w+b"; ate and binary are ignored, any other
  // mode (app among them) is code 23.
  BasePkgFSFile(IPkgFileSystem* fileSystem, std::shared_ptr<IPkgFSFileName> name, openmode mode);
  // Takes over a descriptor already open for reading and writing.
  BasePkgFSFile(IPkgFileSystem* fileSystem, std::shared_ptr<IPkgFSFileName> name, openmode mode,
                int descriptor);
  // Closes the file when open; a failure then is dropped.
  ~BasePkgFSFile() override;
  BasePkgFSFile(const BasePkgFSFile&) = delete;
  BasePkgFSFile& operator=(const BasePkgFSFile&) = delete;

  openmode getMode() override;
  void close() override;
  int read(void* buffer, int n) override;
  // Fewer bytes taken than asked is code 29.
  int write(const void* buffer, int n) override;
  int64_t seek(int64_t offset, int whence) override;
  int64_t tell() override;
  void flush() override;
  void truncate(int64_t length) override;
  // All five: read, write, seek, tell, truncate.
  int getCapabilities() override;

  IPkgFileSystem* getFileSystem() override;
  std::string getName() override;
  std::shared_ptr<IPkgFSFileName> getFileName() override;

  bool isOpen() const { return m_open; }

 private:
  static constexpr size_t kBufferSize = 64 * 1024;

  void checkOpen() const;
  void flushWrites();
  int64_t currentSize();
  [[noreturn]] void fail(int error) const;

  IPkgFileSystem* m_fileSystem;
  std::shared_ptr<IPkgFSFileName> m_name;
  openmode m_mode;
  int m_fd = -1;
  bool m_open = false;
  bool m_canRead = false;
  bool m_canWrite = false;
  int64_t m_position = 0;
  // Bytes of the file from m_readStart on.
  std::vector<uint8_t> m_readBuffer;
  int64_t m_readStart = 0;
  size_t m_readLength = 0;
  // Bytes to be written at m_writeStart.
  std::vector<uint8_t> m_writeBuffer;
  int64_t m_writeStart = 0;
};

}  // namespace pkg
