#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pkg/IPkgFileSystem.h"
#include "pkg/ZipRecords.h"

namespace pkg {
class PkgPropertyMgr;
}

namespace pkg::zip {

class ZpCentralDirEntry;

// One local header with its name and extra field, and the data descriptor
// written behind the data when flag bit 3 is set.
class ZpLocalFileEntry {
 public:
  struct DataDescriptor {
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
  };

  ZpLocalFileEntry();
  ~ZpLocalFileEntry();

  // Reads the header at the file's position. Codes: 2 short header
  // (PackageIOException), 8 bad signature, 4 name, 5 extra field.
  void readLFH(IPkgFSFileCommon& file);
  // Writes header, name and extra records at the file's position (code 22
  // for an entry without a name). The extra length is that of what is
  // written.
  void writeLFH(IPkgFSFileCommon& file, PkgPropertyMgr* properties);
  // With the file at the header: writes the method, CRC-32 and sizes (and
  // those of the Zip64 record) into the header written before the data.
  void rewriteLFH(IPkgFSFileCommon& file);
  // The data descriptor: 16 bytes, 24 for a Zip64 entry.
  void writeDD(IPkgFSFileCommon& file);
  // Brings the header in line with the central record once the data is
  // known; true when something changed. Codes: 7 Zip64 sizes without Zip64,
  // 17 (with checkSizes) sizes differing from the central ones.
  bool updateFromCDEntry(bool checkSizes, const ZpCentralDirEntry& central);
  // After the data was written and the central record holds the final CRC
  // and sizes: updateFromCDEntry (size check on a file that cannot seek),
  // the data descriptor behind the data when flagged, and on a seekable file
  // the header rewritten in place. The file is left behind the entry.
  void finishEntry(IPkgFSFileCommon& file, const ZpCentralDirEntry& central);

  // Header, name and extra field as on disk: the data starts this far
  // behind the local-header offset.
  uint64_t getSize() const;
  uint64_t getUncompressedSize() const;
  uint64_t getCompressedSize() const;

  LocalFileHeader header;
  std::string name;
  std::vector<uint8_t> extra;
  bool zip64 = false;
  // Where the Zip64 record lies within the written extra field, or npos.
  size_t zip64ExtraPos = static_cast<size_t>(-1);
  uint64_t uncompressedSize64 = 0;  // meaningful for a Zip64 entry
  uint64_t compressedSize64 = 0;
  std::optional<DataDescriptor> dataDescriptor;
  // Where the header was written (set by writeLFH).
  int64_t headerPosition = -1;
};

}  // namespace pkg::zip
