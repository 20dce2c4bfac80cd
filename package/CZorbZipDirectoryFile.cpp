// CZorbZipDirectory: reading an archive at a colon path, through the file
// layer's forks (so the file system's seam applies to it as to every other
// read).

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "package/CZorbZipDirectory.h"
#include "pkg/IPkgFileSystem.h"
#include "pkg/PackageException.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"

namespace {

// A data fork read as the package library reads its files, through a small
// window: the check reads records and headers of a few dozen bytes spread
// over the archive, and the data itself in large pieces.
class ReadOnlyFile : public pkg::IPkgFSFileCommon {
 public:
  explicit ReadOnlyFile(platform::Fork& fork) : m_fork(fork) {}

  pkg::openmode getMode() override { return std::ios_base::in; }
  void close() override {}
  int read(void* buffer, int n) override {
    if (n <= 0) return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    const auto wanted = static_cast<size_t>(n);
    size_t done = 0;
    while (done < wanted) {
      if (m_position >= m_windowStart && m_position < m_windowStart + m_windowLength) {
        const size_t offset = static_cast<size_t>(m_position - m_windowStart);
        const size_t k = std::min(wanted - done, m_windowLength - offset);
        std::memcpy(out + done, m_window + offset, k);
        done += k;
        m_position += k;
        continue;
      }
      if (wanted - done >= kWindow) {
        // Large reads go straight to the caller.
        const uint32_t got = ReadAt(m_position, out + done, wanted - done);
        done += got;
        m_position += got;
        break;
      }
      m_windowStart = m_position;
      m_windowLength = ReadAt(m_position, m_window, kWindow);
      if (m_windowLength == 0) break;
    }
    return static_cast<int>(done);
  }
  int write(const void*, int) override { throw pkg::PackageException(pkg::kPkgErrInputOnly); }
  int64_t seek(int64_t offset, int whence) override {
    int64_t base = 0;
    if (whence == SEEK_CUR) {
      base = static_cast<int64_t>(m_position);
    } else if (whence == SEEK_END) {
      if (m_fork.getSize(base) != platform::noErr)
        throw pkg::PackageIOException(pkg::kPkgErrSeeking);
    }
    if ((offset < 0 && -offset > base) || (offset > 0 && base > INT64_MAX - offset))
      throw pkg::PackageIOException(pkg::kPkgErrSeeking);
    m_position = static_cast<uint64_t>(base + offset);
    return base + offset;
  }
  int64_t tell() override { return static_cast<int64_t>(m_position); }
  void flush() override {}
  void truncate(int64_t) override { throw pkg::PackageException(pkg::kPkgErrInputOnly); }
  int getCapabilities() override { return pkg::kFSCapRead | pkg::kFSCapSeek | pkg::kFSCapTell; }

 private:
  static constexpr size_t kWindow = 8192;

  // Bytes read at the position; fewer at the end. A failed read throws,
  // as the package library's files do.
  uint32_t ReadAt(uint64_t position, unsigned char* out, size_t n) {
    if (position > static_cast<uint64_t>(INT64_MAX) ||
        m_fork.setPosition(static_cast<int64_t>(position)) != platform::noErr)
      throw pkg::PackageIOException(pkg::kPkgErrSeeking);
    uint32_t got = 0;
    const int32_t status =
        m_fork.read(out, static_cast<uint32_t>(std::min<size_t>(n, UINT32_MAX)), got);
    if (status != platform::noErr && status != platform::eofErr)
      throw pkg::PackageIOException(pkg::kPkgErrReadingFile);
    return got;
  }

  platform::Fork& m_fork;
  uint64_t m_position = 0;
  unsigned char m_window[kWindow];
  uint64_t m_windowStart = 0;
  size_t m_windowLength = 0;
};

}  // namespace

namespace {

std::unique_ptr<platform::Fork> OpenData(const char16_t* path) {
  const std::optional<std::string> posix =
      path ? platform::colonToPosix(std::u16string_view(path)) : std::nullopt;
  platform::FSRef ref;
  std::unique_ptr<platform::Fork> fork;
  if (!posix || platform::resolvePath(*posix, ref) != platform::noErr ||
      platform::Fork::open(ref, platform::Fork::Kind::Data, false, fork) != platform::noErr)
    return nullptr;
  return fork;
}

}  // namespace

bool CZorbZipDirectory::Read(const char16_t* path, const CZorbPackage::UnpackLimits& limits,
                             const CString& folder) {
  Clear();
  std::unique_ptr<platform::Fork> fork = OpenData(path);
  if (!fork) return Fail("cannot be opened");
  auto source = std::make_unique<ReadOnlyFile>(*fork);
  return Read(*source, limits, folder);
}

bool CZorbZipDirectory::ReadEndOnly(const char16_t* path,
                                    const CZorbPackage::UnpackLimits& limits) {
  Clear();
  std::unique_ptr<platform::Fork> fork = OpenData(path);
  if (!fork) return Fail("cannot be opened");
  auto source = std::make_unique<ReadOnlyFile>(*fork);
  return ReadEndOnly(*source, limits);
}
