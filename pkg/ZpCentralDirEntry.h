#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pkg/IPkgFileSystem.h"
#include "pkg/ZipRecords.h"

namespace pkg {
class PkgPropertyMgr;
}

namespace pkg::zip {

class ZpLocalFileEntry;

// One central-directory record with its name, extra field and comment, and
// the 64-bit sizes and offset after Zip64 resolution. The zip properties of
// the entry (date, time, Macintosh type and creator) are kept in the
// package's properties manager under the record's name; a null manager
// leaves them out.
class ZpCentralDirEntry {
 public:
  // Made by 2.0 on host 63, needs 2.0, everything else zero.
  ZpCentralDirEntry();
  ZpCentralDirEntry(const ZpCentralDirEntry&);
  ZpCentralDirEntry& operator=(const ZpCentralDirEntry&);
  ~ZpCentralDirEntry();

  // Reads one record at the file's position. Codes (PackageIOException):
  // 2 short header, 3 bad signature, 4 name, 5 extra field, 6 comment.
  void readCDH(IPkgFSFileCommon& file, PkgPropertyMgr* properties);
  // The same from a whole record in memory, whose lengths the caller has
  // checked against the bytes it holds.
  void readCDH(const uint8_t* bytes, PkgPropertyMgr* properties);
  // Writes the record with the properties applied; a Zip64 record only when
  // a value needs one, the extra length always that of what is written.
  void writeCDH(IPkgFSFileCommon& file, PkgPropertyMgr* properties);

  // A local entry for this record; with useDataDescriptor, flag bit 3 is
  // set in both headers.
  std::unique_ptr<ZpLocalFileEntry> createLocalEntry(bool useDataDescriptor,
                                                     PkgPropertyMgr* properties);
  // Reads the local entry at the record's local-header offset.
  std::unique_ptr<ZpLocalFileEntry> fetchLocalEntry(IPkgFSFileCommon& file) const;

  // 46 plus the name, extra and comment lengths.
  uint64_t getSize() const;
  // Code 22 for a name of 65536 bytes or more.
  void setFilename(const std::string& name);
  const std::string& getFilename() const { return m_name; }

  // Sets the sizes once the entry's data is written: both 0 make it stored;
  // values that do not fit 32 bits (and an offset that does not) go into a
  // Zip64 record, with versions 4.5.
  void updateSizes(uint64_t uncompressed, uint64_t compressed);
  void setLocalHeaderOffset(uint64_t offset);

  bool isEncrypted() const;
  bool isDirectory() const { return !m_name.empty() && m_name.back() == '/'; }

  CentralDirHeader header;
  std::vector<uint8_t> extra;
  std::vector<uint8_t> comment;
  uint64_t uncompressedSize = 0;
  uint64_t compressedSize = 0;
  uint64_t localHeaderOffset = 0;

 private:
  // The sizes and offset from the header and its Zip64 record; the
  // Macintosh type and creator into the properties.
  void resolveExtra(PkgPropertyMgr* properties);
  std::vector<uint8_t> buildExtraForWrite(PkgPropertyMgr* properties) const;
  std::string m_name;
};

}  // namespace pkg::zip
