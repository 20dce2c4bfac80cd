#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/Catalog.h"

// Lists the items of one folder whose names match a simple wildcard pattern,
// one item per call. The pattern is a colon path whose last component is the
// file pattern ("Disk:Folder:*.*", "Disk:Folder:*.txt", "Disk:Folder:name.*").
// Names are compared ignoring case. Resource-fork sidecars and names that are
// not valid UTF-8 are never listed.
class CZorbFileFinder {
 public:
  static constexpr int kMaxName = 255;

  CZorbFileFinder();
  virtual ~CZorbFileFinder();
  CZorbFileFinder(const CZorbFileFinder&) = delete;
  CZorbFileFinder& operator=(const CZorbFileFinder&) = delete;

  // Starts a new listing; true when a first item matches. False for a null
  // pattern or a folder that does not resolve (m_error stays false).
  bool FindFirst(const char16_t* pattern);
  // The next matching item; false when the listing is over.
  bool FindNext();
  // The current item's name, without its folder; valid until the next call.
  const char16_t* GetFileName() const { return m_currentName; }
  bool IsFolder() const { return m_isFolder; }

  // The folder could not be read completely; callers test it after the walk.
  bool m_error = false;

 private:
  void Reset();
  bool Matches(const char16_t* name) const;

  // The listing in progress, read when it starts.
  std::vector<platform::DirEntry> m_entries;
  size_t m_next = 0;
  bool m_active = false;
  int32_t m_listStatus = 0;

  bool m_isFolder = false;
  char16_t m_currentName[2049] = {};
  char16_t m_patternBase[kMaxName + 1] = {};
  char16_t m_patternExtension[kMaxName + 1] = {};
  char16_t m_patternName[kMaxName + 1] = {};
  bool m_hasExtension = false;
};
