#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/CZorbPackage.h"

namespace pkg {
class IPkgFSFileCommon;
}
namespace pkg::zip {
class ZpCentralDir;
class ZpCentralDirEntry;
}  // namespace pkg::zip

// The central directory of a zip archive, read with the package library's
// record reader, and checked so that the unpacking tool, which reads the
// records its own way, can only find the same ones: one end record, the
// directory where both look for it, no record beyond its count, and local
// headers that agree with the directory (method, and without a data
// descriptor the sizes and the CRC). Used to refuse an archive before it is
// unpacked: links, encrypted entries, unsafe, clashing or too long names,
// and more entries or bytes than the unpack limits allow.
//
// The tool writes whatever an entry's data inflates to, whatever size the
// records announce; the unpacker holds each file to the largest size
// announced. Where the files could still come to more than the limits
// allow, the data of the files that could hide the most is inflated here
// (to nowhere) and must give exactly its announced size, until the others
// cannot pass the limits. Compression methods other than stored and
// deflated cannot be bounded so and are refused.
class CZorbZipDirectory {
 public:
  struct Entry {
    std::string name;  // UTF-8, "/"-separated, as the tool takes it
    bool isFolder = false;
    uint64_t size = 0;    // uncompressed
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint64_t compressedSize = 0;
    uint64_t localOffset = 0;
  };

  // Reads the archive at the colon path and checks it; with a folder (a
  // colon path), its names must also fit below that folder. False with a
  // reason (English, for the log) when it cannot be read or is refused.
  bool Read(const char16_t* path, const CZorbPackage::UnpackLimits& limits,
            const CString& folder = CString());
  // The same for an archive open as a file of the package library.
  bool Read(pkg::IPkgFSFileCommon& file, const CZorbPackage::UnpackLimits& limits,
            const CString& folder = CString());
  // Only the end records of the archive at the colon path: a cheap look
  // that tells a file that is no archive at all without reading it whole.
  bool ReadEndOnly(const char16_t* path, const CZorbPackage::UnpackLimits& limits);
  bool ReadEndOnly(pkg::IPkgFSFileCommon& file, const CZorbPackage::UnpackLimits& limits);

  const std::vector<Entry>& GetEntries() const { return m_entries; }
  uint64_t GetExpandedBytes() const { return m_expandedBytes; }
  const std::string& GetReason() const { return m_reason; }
  // Whether the last Read inflated any data to check the sizes.
  bool DataWasInflated() const { return m_dataInflated; }

  // The name as a relative colon path ("a/b/" gives "a:b"); false for a
  // name that would leave the folder it is unpacked into.
  static bool ToColonName(const std::string& name, CString& colonName);

 private:
  bool Fail(const std::string& reason);
  bool Clear();
  // The end records, as the tool finds them too.
  bool ReadEnd(pkg::IPkgFSFileCommon& file, pkg::zip::ZpCentralDir& directory,
               const CZorbPackage::UnpackLimits& limits);
  // Where the tool looks for the directory is where the records were read,
  // and it finds no record beyond them.
  bool CheckDirectoryPlace(pkg::IPkgFSFileCommon& file, const pkg::zip::ZpCentralDir& directory);
  // One record: what it holds may be unpacked, and its name is new.
  bool AddEntry(const pkg::zip::ZpCentralDirEntry& record, const CZorbPackage::UnpackLimits& limits,
                const CString& folder, class CZorbPackageNameSet& names);
  // Which files to inflate so that the others, each held to the largest
  // announced size, cannot come to more than the limits allow.
  std::vector<bool> ToInflate(const CZorbPackage::UnpackLimits& limits) const;
  // The entry's local header agrees with its record and its data lies
  // within the file; with inflateData, the data also gives exactly the
  // entry's size.
  bool CheckData(pkg::IPkgFSFileCommon& file, const pkg::zip::ZpCentralDirEntry& record,
                 const Entry& entry, bool inflateData);
  bool Inflates(pkg::IPkgFSFileCommon& file, uint64_t start, const Entry& entry);

  std::vector<Entry> m_entries;
  uint64_t m_expandedBytes = 0;
  uint64_t m_length = 0;
  std::string m_reason;
  bool m_dataInflated = false;
  std::vector<unsigned char> m_buffer;  // input and output while inflating
};
