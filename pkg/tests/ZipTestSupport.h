#pragma once

// Helpers shared by the package library's tests, its fuzz target and its
// benchmark: an in-memory file, and a small archive writer and reader built
// from the record and stream classes the way the zip package drives them.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pkg/IPkgFileSystem.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipPkgStream.h"
#include "pkg/ZipPkgStreamData.h"
#include "pkg/ZpCentralDir.h"
#include "pkg/ZpLocalFileEntry.h"

namespace pkgtest {

// The code of the PackageException that fn throws, or -1.
template <class Fn>
int codeOf(Fn fn) {
  try {
    fn();
  } catch (const pkg::PackageException& e) {
    return e.getErrorCode();
  }
  return -1;
}

// A file held in memory. It can pretend not to be seekable, and counts the
// calls a test may want to bound.
class MemoryFile : public pkg::IPkgFSFileCommon {
 public:
  MemoryFile() = default;
  explicit MemoryFile(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
  explicit MemoryFile(const std::string& bytes) : m_bytes(bytes.begin(), bytes.end()) {}
  MemoryFile(const uint8_t* data, size_t size) : m_bytes(data, data + size) {}

  pkg::openmode getMode() override { return std::ios_base::in | std::ios_base::out; }
  void close() override {}
  int read(void* buffer, int n) override {
    ++reads;
    if (n <= 0 || m_position >= m_bytes.size()) return 0;
    size_t count = std::min<size_t>(static_cast<size_t>(n), m_bytes.size() - m_position);
    std::memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += count;
    bytesRead += count;
    return static_cast<int>(count);
  }
  int write(const void* buffer, int n) override {
    if (n <= 0) return 0;
    if (failWritesAfter >= 0 &&
        bytesWritten + static_cast<size_t>(n) > static_cast<size_t>(failWritesAfter)) {
      throw pkg::PackageIOException("No space left on device");
    }
    size_t end = m_position + static_cast<size_t>(n);
    if (end > m_bytes.size()) m_bytes.resize(end);
    std::memcpy(m_bytes.data() + m_position, buffer, static_cast<size_t>(n));
    m_position = end;
    bytesWritten += static_cast<size_t>(n);
    return n;
  }
  int64_t seek(int64_t offset, int whence) override {
    ++seeks;
    if (!seekable) throw pkg::PackageIOException("Illegal seek");
    int64_t base = whence == SEEK_SET   ? 0
                   : whence == SEEK_CUR ? static_cast<int64_t>(m_position)
                                        : static_cast<int64_t>(m_bytes.size());
    if (base + offset < 0) throw pkg::PackageIOException("Invalid argument");
    m_position = static_cast<size_t>(base + offset);
    return base + offset;
  }
  int64_t tell() override { return static_cast<int64_t>(m_position); }
  void flush() override {}
  void truncate(int64_t length) override { m_bytes.resize(static_cast<size_t>(length)); }
  int getCapabilities() override {
    return seekable ? 31 : (pkg::kFSCapRead | pkg::kFSCapWrite | pkg::kFSCapTell);
  }

  std::vector<uint8_t>& bytes() { return m_bytes; }
  std::string str() const { return std::string(m_bytes.begin(), m_bytes.end()); }

  bool seekable = true;
  int failWritesAfter = -1;
  int reads = 0;
  int seeks = 0;
  size_t bytesRead = 0;
  size_t bytesWritten = 0;

 private:
  std::vector<uint8_t> m_bytes;
  size_t m_position = 0;
};

// Writes an archive entry by entry, as the zip package's update does.
class ArchiveWriter {
 public:
  explicit ArchiveWriter(std::shared_ptr<pkg::IPkgFSFileCommon> file,
                         pkg::PkgPropertyMgr* properties = nullptr, bool dataDescriptor = false)
      : m_file(std::move(file)), m_properties(properties), m_dataDescriptor(dataDescriptor) {}

  // Adds a file (or, for a name ending in "/", a directory) with its data.
  std::shared_ptr<pkg::zip::ZpCentralDirEntry> add(const std::string& name, const std::string& data,
                                                   uint16_t method = pkg::deflate,
                                                   pkg::zip::DOSTime time = 0x58A16C20) {
    auto central = std::make_shared<pkg::zip::ZpCentralDirEntry>();
    central->setFilename(name);
    central->header.method = method;
    central->header.setDateTime(time);
    if (!name.empty() && name.back() == '/') central->header.externalAttributes = 0x10;
    if (m_file->isSeekable()) m_file->seek(0, SEEK_END);
    central->setLocalHeaderOffset(static_cast<uint64_t>(m_file->tell()));
    auto local = central->createLocalEntry(m_dataDescriptor, m_properties);
    local->writeLFH(*m_file, m_properties);
    pkg::zip::ZipPkgStreamData stream;
    stream.init(m_file, static_cast<uint64_t>(m_file->tell()), 0, method, std::ios_base::out);
    // In pieces, as a caller's stream would hand them over.
    for (size_t pos = 0; pos < data.size(); pos += 10000) {
      size_t n = std::min<size_t>(10000, data.size() - pos);
      stream.write(data.data() + pos, static_cast<int>(n));
    }
    stream.close();
    central->header.crc32 = stream.getCRC32();
    central->updateSizes(stream.getUncompressedCount(), stream.getCompressedCount());
    local->finishEntry(*m_file, *central);
    m_directory.addCDirEntry(central);
    return central;
  }

  // Writes the central directory and the end records.
  void finish(const std::string& comment = std::string()) {
    if (m_file->isSeekable()) m_file->seek(0, SEEK_END);
    if (!m_properties) m_directory.setComment(std::vector<uint8_t>(comment.begin(), comment.end()));
    m_directory.writeCDEntries(*m_file, m_properties);
    m_directory.writeECD(*m_file, m_properties);
    m_file->flush();
  }

  pkg::zip::ZpCentralDir& directory() { return m_directory; }

 private:
  std::shared_ptr<pkg::IPkgFSFileCommon> m_file;
  pkg::PkgPropertyMgr* m_properties;
  bool m_dataDescriptor;
  pkg::zip::ZpCentralDir m_directory;
};

// Opens an archive and reads its entries, checking each against its record.
class ArchiveReader {
 public:
  explicit ArchiveReader(std::shared_ptr<pkg::IPkgFSFileCommon> file,
                         pkg::PkgPropertyMgr* properties = nullptr)
      : m_file(std::move(file)) {
    m_directory.readECD(*m_file, properties);
    m_directory.readZip64Data(*m_file);
    m_directory.readCDEntries(*m_file, properties);
  }

  const std::vector<std::shared_ptr<pkg::zip::ZpCentralDirEntry>>& entries() const {
    return m_directory.getEntries();
  }
  pkg::zip::ZpCentralDir& directory() { return m_directory; }

  // The entry's data through an entry stream; raw gives the stored bytes.
  std::string read(const pkg::zip::ZpCentralDirEntry& record, bool raw = false) {
    auto local = record.fetchLocalEntry(*m_file);
    pkg::zip::ZipPkgStream stream(nullptr);
    stream.buffer().openPackageRead(m_file, record.localHeaderOffset + local->getSize(), record,
                                    raw);
    std::string out;
    char piece[16384];
    for (;;) {
      stream.read(piece, sizeof(piece));
      std::streamsize got = stream.gcount();
      if (got <= 0) break;
      out.append(piece, static_cast<size_t>(got));
    }
    stream.close();
    return out;
  }

  // Reads every entry (directories included), discarding the data.
  void readAll() {
    for (const auto& record : entries()) read(*record);
  }

 private:
  std::shared_ptr<pkg::IPkgFSFileCommon> m_file;
  pkg::zip::ZpCentralDir m_directory;
};

}  // namespace pkgtest
