#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "pkg/IPkgFileSystem.h"
#include "pkg/PackageException.h"

namespace nimbreltest {

// A package file held in memory, read only: what the fuzz target checks,
// and what tests hand the validator in place of a file on disk.
class MemoryPackageFile : public pkg::IPkgFSFile {
 public:
  explicit MemoryPackageFile(std::string bytes) : m_bytes(std::move(bytes)) {}

  pkg::openmode getMode() override { return std::ios_base::in; }
  void close() override {}
  int read(void* buffer, int n) override {
    if (n <= 0 || m_position >= m_bytes.size()) return 0;
    const size_t count = std::min<size_t>(static_cast<size_t>(n), m_bytes.size() - m_position);
    std::memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += count;
    return static_cast<int>(count);
  }
  int write(const void*, int) override { throw pkg::PackageIOException("read only"); }
  int64_t seek(int64_t offset, int whence) override {
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? static_cast<int64_t>(m_position)
                                              : static_cast<int64_t>(m_bytes.size());
    if (base + offset < 0) throw pkg::PackageIOException("Invalid argument");
    m_position = static_cast<size_t>(base + offset);
    return base + offset;
  }
  int64_t tell() override { return static_cast<int64_t>(m_position); }
  void flush() override {}
  void truncate(int64_t) override { throw pkg::PackageIOException("read only"); }
  int getCapabilities() override { return pkg::kFSCapRead | pkg::kFSCapSeek | pkg::kFSCapTell; }
  pkg::IPkgFileSystem* getFileSystem() override { return nullptr; }
  std::string getName() override { return "memory.yxp"; }
  std::shared_ptr<pkg::IPkgFSFileName> getFileName() override { return nullptr; }

 private:
  std::string m_bytes;
  size_t m_position = 0;
};

}  // namespace nimbreltest
