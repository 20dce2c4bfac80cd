#pragma once

#include <string>

#include "foundation/CString.h"
#include "platform/os/FileRef.h"

// The process-wide path -> reference cache shared by CFile, the folder
// listing and the operating-system services. Keys are colon paths exactly as
// callers give them (case-sensitive); a cached reference is used only while
// the item at its path is still the same node, so deleted, replaced and
// moved items drop out by themselves. Safe to use from several threads.

// The hash of the cache's keys.
struct HashCString {
  size_t operator()(const CString& key) const { return key.Hash(); }
};

// Resolves a colon path ("Disk:a:b", a folder when it ends in ":"). With
// refresh the entry is dropped first; otherwise a valid entry answers and
// *foundInCache (when given) becomes true. A path that resolves is stored.
[[nodiscard]] bool GetFSRefCached(const CString& path, platform::FSRef& ref,
                                  bool* foundInCache = nullptr, bool refresh = false);

// The same for a POSIX path, cached under its colon form.
[[nodiscard]] bool GetFSRefCached(const std::string& posixPath, platform::FSRef& ref);

void EraseFSRefCache(const CString& path);
