#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/CZorbPackage.h"

class CFile;

// The central directory of a zip archive, read the way the unpacking tool
// reads it (the last end record, the directory found before it, every
// directory record up to the first other signature), so that a check made
// here holds for what the tool will do. Used to refuse an archive before it
// is unpacked: links, encrypted entries, unsafe or clashing names, and more
// entries or bytes than the unpack limits allow.
//
// The tool writes whatever an entry's data inflates to, whatever size the
// records announce; the unpacker holds each file to the largest size
// announced. Where the files could still come to more than the limits
// allow, each file's data is inflated here (to nowhere) and must give
// exactly its announced size. Compression methods other than stored and
// deflated cannot be bounded so and are refused.
class CZorbZipDirectory {
 public:
  struct Entry {
    std::string name;  // UTF-8, "/"-separated, as stored
    bool isFolder = false;
    uint64_t size = 0;    // uncompressed
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint64_t compressedSize = 0;
    uint64_t localOffset = 0;  // as recorded, before any leading data
  };

  // Reads the archive at the colon path and checks it. False with a reason
  // (English, for the log) when it cannot be read or is refused.
  bool Read(const char16_t* path, const CZorbPackage::UnpackLimits& limits);

  const std::vector<Entry>& GetEntries() const { return m_entries; }
  uint64_t GetExpandedBytes() const { return m_expandedBytes; }
  const std::string& GetReason() const { return m_reason; }
  // Whether the last Read inflated the data to check the sizes.
  bool DataWasInflated() const { return m_dataInflated; }

  // The name as a relative colon path ("a/b/" gives "a:b"); false for a
  // name that would leave the folder it is unpacked into.
  static bool ToColonName(const std::string& name, CString& colonName);

 private:
  bool Fail(const std::string& reason);
  // The entry's local header, found as the tool finds it (the offset moved
  // by any bytes that precede the archive), agrees with the directory and
  // its data lies within the file; with inflateData, the data also gives
  // exactly the entry's size.
  bool CheckData(CFile& file, int64_t length, const Entry& entry, int64_t shift, bool inflateData);

  std::vector<Entry> m_entries;
  uint64_t m_expandedBytes = 0;
  std::string m_reason;
  bool m_dataInflated = false;
  std::vector<unsigned char> m_buffer;  // input and output while inflating
};
