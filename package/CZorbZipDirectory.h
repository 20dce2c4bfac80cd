#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/CZorbPackage.h"

// The central directory of a zip archive, read the way the unpacking tool
// reads it (the last end record, the directory found before it, every
// directory record up to the first other signature), so that a check made
// here holds for what the tool will do. Used to refuse an archive before it
// is unpacked: links, encrypted entries, unsafe or clashing names, and more
// entries or bytes than the unpack limits allow.
class CZorbZipDirectory {
 public:
  struct Entry {
    std::string name;     // UTF-8, "/"-separated, as stored
    bool isFolder = false;
    uint64_t size = 0;    // uncompressed
  };

  // Reads the archive at the colon path and checks it. False with a reason
  // (English, for the log) when it cannot be read or is refused.
  bool Read(const char16_t* path, const CZorbPackage::UnpackLimits& limits);

  const std::vector<Entry>& GetEntries() const { return m_entries; }
  uint64_t GetExpandedBytes() const { return m_expandedBytes; }
  const std::string& GetReason() const { return m_reason; }

  // The name as a relative colon path ("a/b/" gives "a:b"); false for a
  // name that would leave the folder it is unpacked into.
  static bool ToColonName(const std::string& name, CString& colonName);

 private:
  bool Fail(const std::string& reason);

  std::vector<Entry> m_entries;
  uint64_t m_expandedBytes = 0;
  std::string m_reason;
};
