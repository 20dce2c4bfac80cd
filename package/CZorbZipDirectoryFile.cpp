// CZorbZipDirectory: reading an archive at a colon path, through the file
// layer (so the file system's seam applies to it as to every other read).

#include <cstdio>

#include "foundation/CFile.h"
#include "package/CZorbZipDirectory.h"
#include "pkg/IPkgFileSystem.h"
#include "pkg/PackageException.h"

namespace {

// A file of the file layer, read as the package library reads its files.
class ReadOnlyFile : public pkg::IPkgFSFileCommon {
 public:
  explicit ReadOnlyFile(CFile& file) : m_file(file) {}

  pkg::openmode getMode() override { return std::ios_base::in; }
  void close() override {}
  int read(void* buffer, int n) override {
    if (n <= 0) return 0;
    return static_cast<int>(m_file.Read(buffer, static_cast<unsigned int>(n)));
  }
  int write(const void*, int) override { throw pkg::PackageException(pkg::kPkgErrInputOnly); }
  int64_t seek(int64_t offset, int whence) override {
    const unsigned int origin = whence == SEEK_SET   ? CFile::kFromStart
                                : whence == SEEK_CUR ? CFile::kFromCurrent
                                                     : CFile::kFromEnd;
    const int64_t position = m_file.Seek(offset, origin);
    if (position < 0) throw pkg::PackageIOException(pkg::kPkgErrSeeking);
    return position;
  }
  int64_t tell() override { return m_file.GetPosition(); }
  void flush() override {}
  void truncate(int64_t) override { throw pkg::PackageException(pkg::kPkgErrInputOnly); }
  int getCapabilities() override { return pkg::kFSCapRead | pkg::kFSCapSeek | pkg::kFSCapTell; }

 private:
  CFile& m_file;
};

}  // namespace

bool CZorbZipDirectory::Read(const char16_t* path, const CZorbPackage::UnpackLimits& limits,
                             const CString& folder) {
  Clear();
  CFile file;
  if (!file.Open(path, 0)) return Fail("cannot be opened");
  ReadOnlyFile source(file);
  return Read(source, limits, folder);
}
