// CZorbOS: copying and moving files and folder trees, and deleting a tree
// with a way back.

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/CZorbOS.h"
#include "foundation/CZorbOSFileHelpers.h"
#include "foundation/CZorbPath.h"
#include "foundation/FSRefCache.h"
#include "foundation/FSRefCopyFile.h"
#include "foundation/Logger.h"
#include "platform/os/AccessProbe.h"
#include "platform/os/AppleDouble.h"
#include "platform/os/Catalog.h"
#include "platform/os/FileRef.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/SymbolicLink.h"

using namespace zorbos;

namespace {

// The trash folder's path must fit in this many units, its terminator
// included.
constexpr uint32_t kTrashPathUnits = 255;

void LogCopyFailure(const char16_t* src, const char16_t* dst, int32_t status, int line) {
  CString message;
  message.Format(u"Copy %ls to %ls failed : %d", src, dst, status);
  LogDebug(message, __FILE__, line);
}

// A free name beside an item, for keeping the item while its replacement
// is made.
std::string AsideName(const std::string& folder) {
  static std::atomic<uint32_t> counter{0};
  for (;;) {
    char buf[32];
    snprintf(buf, sizeof buf, ".plexar-old-%08x", counter.fetch_add(1));
    const std::string path = platform::joinPath(folder, buf);
    // Only a name that is taken is passed over; any other answer ends the
    // search, and the move to the name reports what is wrong.
    platform::FSRef probe;
    if (platform::makeRef(path, probe) != platform::noErr) return path;
  }
}

// The POSIX path of an item given by colon path, resolved; empty when it
// does not resolve.
std::string ResolvedPosix(const CString& path) {
  platform::FSRef ref;
  return GetFSRefCached(path, ref) ? ref.path : std::string();
}

// The POSIX path of the deepest item of the path that exists; empty when
// not even the volume resolves.
std::string NearestExisting(CString path) {
  while (path.GetLength() > 0) {
    const std::string found = ResolvedPosix(path);
    if (!found.empty()) return found;
    path = ParentOf(path);
  }
  return std::string();
}

// Tells where the old item of dst stands now.
void LogKeptAside(Logger::Level level, const char16_t* dst, const platform::FSRef& aside,
                  const char16_t* what, int32_t status, int line) {
  CString where = PosixToColon(aside.path);
  if (where.GetLength() == 0) CZorbOS::ansiCharToCString(aside.path.c_str(), where);
  CString message;
  message.Format(u"The old %ls %ls (%d); it is kept as %ls", dst, what, status, where.Get());
  Logger::write(level, ToU16(message), __FILE__, line);
}

// Removes an old item kept aside, its fork's sidecar with it; noErr when
// nothing of it is left.
int32_t RemoveAside(const std::string& path) {
  platform::FSRef ref;
  if (platform::makeRef(path, ref) == platform::noErr) return platform::deleteObject(ref);
  // The item went but its sidecar may not have; the name is ours alone.
  const std::string sidecar = platform::sidecarPath(path);
  if (!platform::hasAppleDoubleMagic(sidecar)) return platform::noErr;
  const int error = platform::fileSystem().unlink(sidecar);
  return error == 0 || error == ENOENT ? platform::noErr : platform::macStatusFromErrno(error);
}

// Old items that copies kept aside and could not remove at once, for
// CZorbOS::RemoveCopyLeftovers.
std::mutex g_leftoversMutex;
std::vector<std::string> g_leftovers;

// Puts the old item of dst, kept aside while its replacement was made, back
// under its own name after a failed copy. When that fails too, the log says
// where the item is, since the caller only learns that the copy failed.
void PutBack(platform::FSRef& aside, const std::string& oldPath, const char16_t* dst) {
  const int32_t status = platform::moveObject(aside, oldPath);
  if (status != platform::noErr)
    LogKeptAside(Logger::kError, dst, aside, u"could not be put back", status, __LINE__);
}

// Removes a tree of the program's own making that is no longer needed
// (a backup, an incomplete copy); what stays only takes room.
void RemoveScratchTree(const CString& path) {
  if (CZorbOS::DeleteDirectoryWithoutRollback(path, true)) return;
  CString message;
  message.Format(u"Could not remove %ls", path.Get());
  LogDebug(message, __FILE__, __LINE__);
}

// Copies a symbolic link as a link, replacing a file or link at dst.
bool CopyLink(const CString& src, const CString& dst) {
  platform::FSRef from;
  if (!GetFSRefCached(src, from)) return false;
  const auto to = ColonToPosix(dst);
  if (!to) return false;
  platform::FSRef existing;
  if (platform::makeRef(*to, existing) == platform::noErr) {
    platform::CatalogInfo info;
    if (platform::getCatalogInfo(existing, info) == platform::noErr && !info.isSymlink &&
        (info.nodeFlags & platform::kNodeIsDirectory))
      return false;
    if (platform::deleteObject(existing) != platform::noErr) return false;
  }
  EraseFSRefCache(dst);
  return platform::copySymbolicLink(from.path, *to) == 0;
}

// Copies one item of a walk into the folder dst (ending in ":"); sub-folders
// go through folderCopy.
bool CopyItem(const CString& srcFolder, const FolderItem& item, const CString& dst,
              bool (*folderCopy)(const char16_t*, const char16_t*)) {
  const CString from = srcFolder + item.name;
  if (item.isSymlink) return CopyLink(from, dst + item.name);
  if (item.isFolder) return folderCopy(from, dst);
  return CZorbOS::CopyFile(from, dst + item.name);
}

bool CopyInto(const char16_t* src, const char16_t* dst) {
  return CZorbOS::copyDirectoryImpl(src, dst, false);
}

// Removes whatever stands at target before a folder is copied there.
bool ClearTarget(const CString& target) {
  if (CZorbOS::IsFileSymbolicLink(target)) return CZorbOS::DeleteFile(target, false);
  if (CZorbOS::DirectoryExists(target)) return CZorbOS::DeleteDirectory(target, false);
  if (CZorbOS::FileExists(target)) return CZorbOS::DeleteFile(target, false);
  return true;
}

// A copy of src to dstParent:<name> must neither replace src nor anything
// holding it, nor go into src itself.
bool TargetIsSafe(const CString& src, const CString& dstParent, const CString& target) {
  const std::string from = ResolvedPosix(src);
  if (from.empty()) return false;
  const std::string parent = NearestExisting(dstParent);
  if (!parent.empty() && platform::liesWithin(parent, from)) return false;
  const std::string to = ResolvedPosix(target);
  if (!to.empty() && platform::liesWithin(from, to)) return false;
  return true;
}

}  // namespace

bool CZorbOS::CopyFile(const char16_t* src, const char16_t* dst) {
  if (IsBlank(src) || IsBlank(dst)) return false;
  const CString dstPath(dst);
  // A folder path names no file to copy to.
  if (EndsWithColon(dstPath)) return false;
  if (!EnsureDirectoryExists(CZorbPath(dstPath).GetFolder())) return false;
  platform::FSRef source;
  if (!GetFSRefFromFilePath(src, source)) return false;
  platform::FSRef folder;
  platform::HFSUniStr255 name;
  if (!GetFSRefFromFilePath(dst, folder, name)) return false;
  std::string posixName;
  if (!platform::hfsNameToPosix(name, posixName)) return false;
  const std::string target = platform::joinPath(folder.path, posixName);

  platform::FSRef existing;
  const bool exists = GetFSRefCached(dstPath, existing);
  // Deleting the destination would destroy the source.
  if (platform::sameNode(source.path, target) ||
      (exists && platform::sameNode(source.path, existing.path))) {
    LogCopyFailure(src, dst, platform::dupFNErr, __LINE__);
    return false;
  }
  EraseFSRefCache(dstPath);

  // The old item is kept aside until the copy stands, so a failed copy
  // loses nothing. A folder in the way is only removed when empty.
  platform::FSRef aside;
  bool haveAside = false;
  if (exists) {
    platform::CatalogInfo info;
    const bool isFolder = platform::getCatalogInfo(existing, info) == platform::noErr &&
                          !info.isSymlink && (info.nodeFlags & platform::kNodeIsDirectory);
    aside = existing;
    const int32_t cleared =
        isFolder ? platform::deleteObject(existing)
                 : platform::moveObject(aside, AsideName(platform::refFolderPath(existing)));
    if (cleared != platform::noErr) {
      LogCopyFailure(src, dst, cleared, __LINE__);
      return false;
    }
    haveAside = !isFolder;
  }

  const int32_t status = FSRefCopyFile(source, folder, name);
  if (status != platform::noErr) {
    LogCopyFailure(src, dst, status, __LINE__);
    if (haveAside) PutBack(aside, existing.path, dst);
    return false;
  }
  if (haveAside) {
    // The copy stands. Beside it the old item is a stray file: one more try
    // now, and one when the operation ends (RemoveCopyLeftovers).
    int32_t removed = RemoveAside(aside.path);
    if (removed != platform::noErr) removed = RemoveAside(aside.path);
    if (removed != platform::noErr) {
      LogKeptAside(Logger::kDebug, dst, aside, u"could not be removed yet", removed, __LINE__);
      std::lock_guard<std::mutex> lock(g_leftoversMutex);
      g_leftovers.push_back(aside.path);
    }
  }
  return SetPermissions(dst);
}

bool CZorbOS::RemoveCopyLeftovers() {
  std::vector<std::string> pending;
  {
    std::lock_guard<std::mutex> lock(g_leftoversMutex);
    pending.swap(g_leftovers);
  }
  bool removed = true;
  for (const std::string& path : pending) {
    const int32_t status = RemoveAside(path);
    if (status == platform::noErr) continue;
    removed = false;
    // The last try: the person who reads the log learns where it is.
    CString where = PosixToColon(path);
    if (where.GetLength() == 0) CZorbOS::ansiCharToCString(path.c_str(), where);
    CString message;
    message.Format(u"The old bytes of a replaced file could not be removed (%d); they stay as %ls",
                   status, where.Get());
    Logger::write(Logger::kError, ToU16(message), __FILE__, __LINE__);
  }
  return removed;
}

bool CZorbOS::MoveFile(const char16_t* src, const char16_t* dst) {
  if (!CopyFile(src, dst)) return false;
  // The copy is the result; a source that cannot be deleted stays (and
  // DeleteFile logs it).
  (void)DeleteFile(src, false);
  return true;
}

bool CZorbOS::MoveFileToTrash(const char16_t* path) {
  if (!FileExists(path)) return false;
  char16_t trash[kTrashPathUnits];
  if (GetTrashDirectory(trash, kTrashPathUnits) == 0) return false;
  const CString target = CString(trash) + u":" + LastComponent(CString(path));
  if (MoveFile(path, target)) return true;
  // An older item of the name in the trash goes; the second move tells
  // whether that helped.
  (void)DeleteFile(target, false);
  return MoveFile(path, target);
}

bool CZorbOS::RenameFile(const char16_t* path, const char16_t* newPath) {
  if (IsBlank(path) || IsBlank(newPath)) return false;
  const CString name = LastComponent(CString(newPath));
  if (name.GetLength() == 0 || name.GetLength() > platform::kMaxNameUnits) return false;
  platform::HFSUniStr255 hfs;
  hfs.length = static_cast<uint16_t>(name.GetLength());
  for (int32_t i = 0; i < name.GetLength(); ++i) hfs.unicode[i] = name.GetAt(i);
  std::string posixName;
  if (!platform::hfsNameToPosix(hfs, posixName)) return false;
  platform::FSRef ref;
  if (!GetFSRefCached(CString(path), ref)) return false;
  EraseFSRefCache(CString(path));
  return platform::moveObject(ref, platform::joinPath(platform::refFolderPath(ref), posixName)) ==
         platform::noErr;
}

bool CZorbOS::copyDirectoryImpl(const char16_t* src, const char16_t* dst, bool contentsOnly) {
  if (IsBlank(src) || IsBlank(dst)) return false;
  const CString from = WithColon(CString(src));
  CString to = WithColon(CString(dst));
  if (!contentsOnly) to = to + LastComponent(CString(src)) + u":";
  // A copy into the source itself would never end.
  const std::string fromPosix = ResolvedPosix(from);
  if (fromPosix.empty()) return false;
  const std::string parentPosix = NearestExisting(CString(dst));
  if (!parentPosix.empty() && platform::liesWithin(parentPosix, fromPosix)) return false;

  // Every copied name is new to its folder: look each folder up once.
  platform::NameLookupScope lookups;
  if (!CreateDirectory(to, true)) return false;
  std::vector<FolderItem> items;
  bool ok = ListFolder(from, items);
  // Single failures do not stop the walk, but they are reported.
  for (const auto& item : items)
    if (!CopyItem(from, item, to, &CopyInto)) ok = false;
  return ok;
}

bool CZorbOS::ForceCopyDirectory(const char16_t* src, const char16_t* dstParent) {
  if (IsBlank(src) || IsBlank(dstParent)) return false;
  const CString from = WithColon(CString(src));
  const CString target = WithColon(CString(dstParent)) + LastComponent(CString(src)) + u":";
  if (!TargetIsSafe(from, WithColon(CString(dstParent)), target)) return false;
  if (!DirectoryExists(target) && !CreateDirectory(target, true)) return false;
  std::vector<FolderItem> items;
  bool ok = ListFolder(from, items);
  for (const auto& item : items)
    if (!CopyItem(from, item, target, &ForceCopyDirectory)) ok = false;
  return ok;
}

bool CZorbOS::CopyDirectory(const char16_t* src, const char16_t* dstParent) {
  if (IsBlank(src) || IsBlank(dstParent)) return false;
  const CString target = WithColon(CString(dstParent)) + LastComponent(CString(src));
  if (!TargetIsSafe(CString(src), CString(dstParent), target)) return false;
  if (!EnsureDirectoryExists(dstParent) || !CanWriteToDirectory(dstParent) || !CanReadFolder(src))
    return false;
  if (!ClearTarget(target)) return false;
  return copyDirectoryImpl(src, dstParent, false);
}

bool CZorbOS::MoveDirectory(const char16_t* src, const char16_t* dstParent) {
  if (IsBlank(src) || IsBlank(dstParent)) return false;
  const CString target = WithColon(CString(dstParent)) + LastComponent(CString(src));
  if (!TargetIsSafe(CString(src), CString(dstParent), target)) return false;
  if (!EnsureDirectoryExists(dstParent) || !CanWriteToDirectory(dstParent) ||
      !CanUpdateDirectory(src))
    return false;
  if (!ClearTarget(target)) return false;
  if (!copyDirectoryImpl(src, dstParent, false)) {
    // The source stays; the incomplete copy goes.
    if (DirectoryExists(target)) RemoveScratchTree(target);
    return false;
  }
  return DeleteDirectory(src, false);
}

bool CZorbOS::CopyDirectoryToEmptyFolder(const char16_t* src, const char16_t* dst) {
  if (IsBlank(src) || IsBlank(dst)) return false;
  if (!EnsureDirectoryExists(dst) || !CanWriteToDirectory(dst) || !CanReadFolder(src) ||
      !IsDirectoryEmpty(dst))
    return false;
  return copyDirectoryImpl(src, dst, true);
}

bool CZorbOS::DeleteDirectory(const char16_t* path, bool force) {
  if (IsBlank(path)) return false;
  if (IsFileSymbolicLink(WithoutColon(CString(path))))
    return DeleteDirectoryWithoutRollback(path, force);
  const CString folder(path);
  char16_t temp[kZorbMaxPath + 1];
  GetTempPath(temp, kZorbMaxPath + 1);
  char16_t backup[kZorbMaxPath + 1];
  if (temp[0] == 0 || !GetTempFileName(temp, u"delFolder", 0, backup)) return false;
  // The name is new and names nothing on disk; a file there would only
  // make the backup fail below.
  (void)DeleteFile(backup, force);

  // Without a complete copy there is no way back: delete nothing.
  if (!copyDirectoryImpl(folder, backup, false)) {
    if (DirectoryExists(backup)) RemoveScratchTree(backup);
    return false;
  }
  if (DeleteDirectoryWithoutRollback(folder, force)) {
    RemoveScratchTree(backup);
    return true;
  }
  const CString saved = WithColon(CString(backup)) + LastComponent(folder);
  if (ForceCopyDirectory(saved, ParentOf(folder))) {
    RemoveScratchTree(backup);
  } else {
    // The copy is all that is left of some items: keep it.
    CString message;
    message.Format(u"Restoring %ls failed; its copy stays in %ls", path, backup);
    LogDebug(message, __FILE__, __LINE__);
  }
  return false;
}
