// CZorbOS: existence tests, creating and deleting, attributes, permissions,
// access probes, temporary names and path <-> reference conversion.

#include <atomic>
#include <climits>
#include <random>

#include "foundation/CFile.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbOSFileHelpers.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTimer.h"
#include "foundation/FSRefCache.h"
#include "platform/os/AccessProbe.h"
#include "platform/os/Applications.h"
#include "platform/os/Catalog.h"
#include "platform/os/FileSystem.h"
#include "platform/os/FourCharCode.h"
#include "platform/os/MacStatus.h"
#include "platform/widechar/WideChar.h"

using namespace zorbos;

namespace {

constexpr uint32_t kUnknownCode = platform::fourCC("????");
// Of a temporary name's prefix only this much is used.
constexpr int32_t kTempPrefixUnits = 3;
constexpr int kBusyRetries = 3;
constexpr uint32_t kBusyWaitMs = 1000;

// Resolves a path for an existence test. A reference found in the cache is
// checked by reading its path back; when that differs from the tested path
// (ignoring case and, for folders, a final ":"), the path is looked up anew.
bool ResolveForTest(const CString& tested, platform::FSRef& ref, bool folderForm) {
  bool fromCache = false;
  if (!GetFSRefCached(tested, ref, &fromCache)) return false;
  if (!fromCache) return true;
  CString back = CZorbOS::GetFilePathFromFSRef(ref);
  if (folderForm) {
    if (EndsWithColon(tested) && !EndsWithColon(back))
      back += u':';
    else if (!EndsWithColon(tested) && EndsWithColon(back))
      back = WithoutColon(back);
  }
  if (back.CompareNoCase(tested) == 0) return true;
  return GetFSRefCached(tested, ref, nullptr, true);
}

// What an existence test found and its catalog information; false when
// there is nothing, or (with a debug line naming the test) when it cannot
// be read.
bool CatalogForTest(const CString& tested, bool folderForm, const char16_t* test,
                    const char16_t* path, platform::FSRef& ref, platform::CatalogInfo& info) {
  if (!ResolveForTest(tested, ref, folderForm)) return false;
  if (int32_t status = platform::getCatalogInfo(ref, info)) {
    CString message;
    message.Format(u"Judge %ls failed : %d for %ls", test, status, path);
    LogDebug(message, __FILE__, __LINE__);
    return false;
  }
  return true;
}

bool CatalogOf(const char16_t* path, platform::CatalogInfo& info) {
  platform::FSRef ref;
  if (IsBlank(path) || !GetFSRefCached(CString(path), ref)) return false;
  return platform::getCatalogInfo(ref, info) == platform::noErr;
}

// Numbers for temporary names: each one handed out once per process.
uint32_t NextTempNumber() {
  static std::atomic<uint32_t> next{[] {
    std::random_device seed;
    return static_cast<uint32_t>(seed());
  }()};
  return next.fetch_add(1);
}

bool CopyOut(const CString& text, char16_t* out, size_t capacity) {
  if (out == nullptr || capacity == 0) return false;
  if (static_cast<size_t>(text.GetLength()) >= capacity) {
    out[0] = 0;
    return false;
  }
  platform::wcscpy(out, text.Get());
  return true;
}

// Walks a folder for the access-probe family: every file must pass
// fileTest and every sub-folder the family's own test.
bool WalkFolder(const char16_t* path, bool (*fileTest)(const char16_t*),
                bool (*folderTest)(const char16_t*), bool (*linkTest)(const char16_t*)) {
  if (IsBlank(path)) return false;
  if (CZorbOS::IsDirectoryEmpty(path)) return true;
  const CString folder = WithColon(CString(path));
  std::vector<FolderItem> items;
  if (!ListFolder(folder, items)) return false;
  for (const auto& item : items) {
    const CString itemPath = folder + item.name;
    bool ok;
    if (item.isSymlink)
      ok = linkTest(itemPath);
    else if (item.isFolder)
      ok = folderTest(itemPath);
    else
      ok = fileTest(itemPath);
    if (!ok) return false;
  }
  return true;
}

bool AlwaysTrue(const char16_t*) {
  return true;
}

}  // namespace

// --- existence and kind ----------------------------------------------------

bool CZorbOS::FileExists(const char16_t* path) {
  if (IsBlank(path)) return false;
  CString tested(path);
  if (tested.GetLength() >= 8 && platform::wcsncmp(tested.Get(), u"file:///", 8) == 0) {
    tested = tested.Mid(8);
    tested.Replace(u'/', u':');
  }
  platform::FSRef ref;
  platform::CatalogInfo info;
  if (!CatalogForTest(tested, false, u"FileExists", path, ref, info)) return false;
  if (!(info.nodeFlags & platform::kNodeIsDirectory)) return true;
  return platform::isBundleFolder(ref.path);
}

bool CZorbOS::DirectoryExists(const char16_t* path) {
  if (IsBlank(path)) return false;
  platform::FSRef ref;
  platform::CatalogInfo info;
  if (!CatalogForTest(CString(path), true, u"DirectoryExists", path, ref, info)) return false;
  return (info.nodeFlags & platform::kNodeIsDirectory) != 0;
}

bool CZorbOS::isFolder(const char16_t* path) {
  return DirectoryExists(path);
}

bool CZorbOS::IsDirectoryEmpty(const char16_t* path) {
  if (IsBlank(path)) return true;
  CZorbFileFinder finder;
  return !finder.FindFirst(WithColon(CString(path)) + u"*.*");
}

bool CZorbOS::IsDirectoryEmptyExceptFor(const CString& folder,
                                        const CZorbTypedList<CZorbString>& names, bool& sawListed) {
  sawListed = false;
  if (names.empty()) return IsDirectoryEmpty(folder);
  CZorbFileFinder finder;
  for (bool found = finder.FindFirst(WithColon(folder) + u"*.*"); found;
       found = finder.FindNext()) {
    const char16_t* name = finder.GetFileName();
    if (platform::wcscmp(name, u".DS_Store") == 0) continue;
    if (!finder.IsFolder()) return false;
    bool listed = false;
    for (const auto& n : names)
      if (n.CompareNoCase(name) == 0) listed = true;
    if (!listed) return false;
    sawListed = true;
  }
  return true;
}

bool CZorbOS::IsFileReadOnly(const char16_t* path) {
  platform::CatalogInfo info;
  return CatalogOf(path, info) && (info.nodeFlags & platform::kNodeLocked) != 0;
}

bool CZorbOS::IsFileSymbolicLink(const char16_t* path) {
  platform::CatalogInfo info;
  return CatalogOf(path, info) && info.isSymlink;
}

uint32_t CZorbOS::GetFileSize(const char16_t* path) {
  platform::CatalogInfo info;
  return CatalogOf(path, info) ? static_cast<uint32_t>(info.dataLogicalSize) : 0;
}

uint32_t CZorbOS::GetFileType(const char16_t* path) {
  platform::CatalogInfo info;
  return CatalogOf(path, info) ? platform::finderInfoType(info.finderInfo) : kUnknownCode;
}

uint32_t CZorbOS::GetFileCreator(const char16_t* path) {
  platform::CatalogInfo info;
  return CatalogOf(path, info) ? platform::finderInfoCreator(info.finderInfo) : kUnknownCode;
}

// --- creating and removing -------------------------------------------------

bool CZorbOS::CreateDirectory(const char16_t* path, bool withParents) {
  if (IsBlank(path)) return false;
  const CString p = WithoutColon(CString(path));
  return withParents ? EnsureDirectoryExists(p) : CreateDirectoryImpl(p);
}

bool CZorbOS::EnsureDirectoryExists(const char16_t* path) {
  if (IsBlank(path)) return false;
  const CString p = WithoutColon(CString(path));
  // A path the file system will refuse in the end makes no folders on the way.
  if (!ColonToPosix(p)) return false;
  if (DirectoryExists(p)) return true;
  const int32_t colon = p.ReverseFind(u':');
  if (colon < 0) return false;
  if (!EnsureDirectoryExists(p.Left(colon))) return false;
  return CreateDirectory(p, false);
}

bool CZorbOS::CreateDirectoryImpl(const CString& path) {
  platform::FSRef parent;
  platform::HFSUniStr255 name;
  if (!GetFSRefFromFilePath(path, parent, name)) return false;
  std::string posixName;
  if (!platform::hfsNameToPosix(name, posixName)) return false;
  platform::FSRef created;
  if (platform::createFolder(parent, posixName, created) != platform::noErr) return false;
  return SetPermissions(path);
}

bool CZorbOS::RemoveDirectory(const char16_t* path) {
  if (IsBlank(path)) return false;
  const CString p(path);
  EraseFSRefCache(p);
  platform::FSRef ref;
  if (!GetFSRefCached(p, ref)) return false;
  EraseFSRefCache(p);
  platform::CatalogInfo info;
  if (platform::getCatalogInfo(ref, info) != platform::noErr) return false;
  // Never a file, nor a link to a folder.
  if (info.isSymlink || !(info.nodeFlags & platform::kNodeIsDirectory)) return false;
  return platform::deleteObject(ref) == platform::noErr;
}

bool CZorbOS::DeleteFile(const char16_t* path, bool force) {
  if (IsBlank(path)) return false;
  const CString p(path);
  platform::FSRef ref;
  if (!GetFSRefCached(p, ref)) return false;
  EraseFSRefCache(p);
  int32_t status = platform::deleteObject(ref);
  if (status == platform::fBsyErr) {
    if (force) {
      // Unlinking is what deleting does here; one more try without waiting.
      status = platform::deleteObject(ref);
    } else {
      for (int i = 0; i < kBusyRetries && status == platform::fBsyErr; ++i) {
        CZorbTimer timer(kBusyWaitMs);
        timer.Start();
        timer.Wait();
        status = platform::deleteObject(ref);
      }
    }
  }
  if (status == platform::noErr) return true;
  CString message;
  message.Format(u"Deleting file: %ls with error: %d", path, status);
  LogDebug(message, __FILE__, __LINE__);
  return false;
}

void CZorbOS::ConstructSubFolderAndFileList(const char16_t* path, std::vector<PATH_INFO>& out) {
  if (IsBlank(path)) return;
  const CString folder = WithColon(CString(path));
  CZorbFileFinder finder;
  for (bool found = finder.FindFirst(folder + u"*.*"); found; found = finder.FindNext()) {
    CZorbPath item(folder);
    item.Append(finder.GetFileName());
    PATH_INFO info;
    info.path = item;
    info.isFolder = finder.IsFolder();
    out.push_back(info);
  }
}

bool CZorbOS::DeleteDirectoryWithoutRollback(const char16_t* path, bool force) {
  if (IsBlank(path)) return false;
  // A link to a folder goes as a link: what it leads to is not part of the tree.
  const CString posixPath = WithoutColon(CString(path));
  if (IsFileSymbolicLink(posixPath)) return DeleteFile(posixPath, force);
  std::vector<PATH_INFO> items;
  ConstructSubFolderAndFileList(path, items);
  for (const auto& item : items) {
    const bool ok = item.isFolder ? DeleteDirectoryWithoutRollback(item.path, force)
                                  : DeleteFile(item.path, force);
    if (!ok) return false;
  }
  return RemoveDirectory(path);
}

// --- access probes ---------------------------------------------------------

bool CZorbOS::CanReadFile(const char16_t* path) {
  CFile file;
  const bool ok = !IsBlank(path) && file.Open(path, 0);
  file.Close();
  return ok;
}

bool CZorbOS::CanUpdateFile(const char16_t* path) {
  CFile file;
  const bool ok = !IsBlank(path) && file.Open(path, CFile::kWriteAccess);
  file.Close();
  return ok;
}

bool CZorbOS::CanDeleteFile(const char16_t* path) {
  platform::FSRef ref;
  if (IsBlank(path) || !GetFSRefCached(CString(path), ref)) return false;
  return platform::canDeleteItem(ref.path);
}

bool CZorbOS::CanReadFolder(const char16_t* path) {
  return WalkFolder(path, &CanReadFile, &CanReadFolder, &AlwaysTrue);
}

bool CZorbOS::CanUpdateDirectory(const char16_t* path) {
  return WalkFolder(path, &CanUpdateFile, &CanUpdateDirectory, &AlwaysTrue);
}

bool CZorbOS::CanDeleteDirectory(const char16_t* path) {
  return WalkFolder(path, &CanDeleteFile, &CanDeleteDirectory, &CanDeleteFile);
}

bool CZorbOS::CanWriteToDirectory(const char16_t* path) {
  if (IsBlank(path)) return false;
  const CString folder = WithColon(CString(path));
  char16_t name[kZorbMaxPath + 1];
  if (!DeriveUniqueFileName(folder, u"temp", u"tmp", kZorbMaxPath, name)) return false;
  const CString probe = folder + name + u".tmp";
  CFile file;
  const bool opened = file.Open(probe, CFile::kCreate | CFile::kWriteAccess);
  file.Close();
  // A probe left behind would be a stray file in the user's folder. The name
  // was free, so whatever stands there is the probe, also after an open that
  // failed part-way; one more try when the first removal fails.
  file.Remove(probe);
  if (FileExists(probe)) file.Remove(probe);
  return opened;
}

// --- attributes and permissions --------------------------------------------

int32_t CZorbOS::SetFileTypeAndCreator(const char16_t* path, uint32_t type, uint32_t creator) {
  platform::FSRef ref;
  if (IsBlank(path) || !GetFSRefCached(CString(path), ref)) return platform::fnfErr;
  platform::CatalogInfo info;
  if (int32_t status = platform::getCatalogInfo(ref, info)) return status;
  platform::setFinderInfoType(info.finderInfo, type);
  platform::setFinderInfoCreator(info.finderInfo, creator);
  return platform::setCatalogInfo(ref, platform::kCatFinderInfo, info);
}

bool CZorbOS::MakeFileWritable(const char16_t* path) {
  platform::FSRef ref;
  if (IsBlank(path) || !GetFSRefCached(CString(path), ref)) return false;
  platform::CatalogInfo info;
  if (platform::getCatalogInfo(ref, info) != platform::noErr) return false;
  if (!(info.nodeFlags & platform::kNodeLocked)) return true;
  return platform::setLocked(ref, false) == platform::noErr;
}

bool CZorbOS::GetFileDateTime(const char16_t* path, CZorbDateTime& out) {
  platform::CatalogInfo info;
  if (!CatalogOf(path, info)) return false;
  out.SetTime(info.contentModDate.tv_sec);
  return true;
}

bool CZorbOS::GetFileStamp(const char16_t* path, FileStamp& out) {
  platform::CatalogInfo info;
  if (!CatalogOf(path, info)) return false;
  out.size = info.dataLogicalSize;
  out.seconds = info.contentModDate.tv_sec;
  out.nanoseconds = static_cast<int32_t>(info.contentModDate.tv_nsec);
  return true;
}

bool CZorbOS::SetFileDateTime(const char16_t* path, const CZorbDateTime& date) {
  // The owner may date a file that stays locked; setting the date below
  // reports what fails.
  (void)MakeFileWritable(path);
  platform::FSRef ref;
  if (IsBlank(path) || !GetFSRefCached(CString(path), ref)) return false;
  platform::CatalogInfo info;
  info.contentModDate.tv_sec = date.GetTime();
  info.contentModDate.tv_nsec = 0;
  return platform::setCatalogInfo(ref, platform::kCatContentModDate, info) == platform::noErr;
}

bool CZorbOS::GetPermissionsImpl(const char16_t* path, PermissionInfo* info) {
  if (info == nullptr) return false;
  platform::CatalogInfo catalog;
  if (!CatalogOf(path, catalog)) return false;
  info->owner = catalog.uid;
  info->group = catalog.gid;
  info->mode = static_cast<uint16_t>(catalog.mode);
  return true;
}

bool CZorbOS::SetPermissionsImpl(const char16_t* path, PermissionInfo* info) {
  if (info == nullptr) return false;
  platform::FSRef ref;
  if (IsBlank(path) || !GetFSRefCached(CString(path), ref)) return false;
  platform::CatalogInfo catalog;
  if (platform::getCatalogInfo(ref, catalog) != platform::noErr) return false;
  // A file takes the folder's permission bits only: a set-group-id or
  // sticky folder must not make a set-group-id file.
  mode_t mode = info->mode & 07777;
  if (!(catalog.nodeFlags & platform::kNodeIsDirectory)) mode &= 0777;
  // Changing the owner needs privileges an administrator may lack; that is
  // no failure. The mode only follows the folder's where it can: the item
  // stands either way.
  platform::IFileSystem& fs = platform::fileSystem();
  (void)fs.chown(ref.path, info->owner, info->group);
  (void)fs.chmod(ref.path, mode);
  return true;
}

bool CZorbOS::SetPermissions(const char16_t* path) {
  if (!m_IsSupportedMultiUserSystem) return true;
  UserType type = kStandardUser;
  GetCurrentUserType(type);
  if (type == kStandardUser) return true;
  if (IsBlank(path)) return false;
  const CString p = WithoutColon(CString(path));
  const int32_t colon = p.ReverseFind(u':');
  if (colon < 0) return false;
  PermissionInfo info;
  if (!GetPermissionsImpl(p.Left(colon), &info)) return false;
  return SetPermissionsImpl(p, &info);
}

// --- temporary names -------------------------------------------------------

bool CZorbOS::GetTempFileName(const char16_t* folder, const char16_t* prefix, uint32_t unique,
                              char16_t* out) {
  if (out == nullptr) return false;
  CString base(folder);
  if (base.GetLength() > 0 && !EndsWithColon(base)) base += u':';
  if (prefix != nullptr) base += CString(prefix).Left(kTempPrefixUnits);
  CString name;
  for (;;) {
    const uint32_t number = unique != 0 ? unique : NextTempNumber();
    CString digits;
    digits.Format(u"%08x.TMP", number);
    name = base + digits;
    if (unique != 0 || (!FileExists(name) && !DirectoryExists(name))) break;
  }
  return CopyOut(name, out, kZorbMaxPath + 1);
}

void CZorbOS::getTempPathForFolderOperation(const CString& prefix, CString& out) {
  char16_t temp[kZorbMaxPath + 1];
  GetTempPath(temp, kZorbMaxPath + 1);
  char16_t name[kZorbMaxPath + 1];
  if (temp[0] == 0 || !GetTempFileName(temp, prefix, 0, name)) {
    out.Empty();
    return;
  }
  // The name is new and names nothing on disk; this only makes sure.
  (void)DeleteFile(name, false);
  out = name;
}

bool CZorbOS::DeriveUniqueFileName(const char16_t* folder, const char16_t* base,
                                   const char16_t* ext, int maxLen, char16_t* out) {
  if (base == nullptr || out == nullptr) return false;
  CString prefix(folder);
  if (!EndsWithColon(prefix)) prefix += u':';
  const CString baseName(base);
  const CString dotExt = CString(u".") + CString(ext);
  CString name = baseName;
  for (int n = 2;; ++n) {
    const CString test = prefix + name + dotExt;
    // A folder of that name would be as much in the way as a file.
    if (!FileExists(test) && !DirectoryExists(test)) return CopyOut(name, out, kZorbMaxPath + 1);
    if (n == INT_MAX) return false;
    CString number;
    number.Format(u"%d", n);
    if (baseName.GetLength() > number.GetLength())
      name = baseName.Left(baseName.GetLength() - number.GetLength()) + number;
    else if (number.GetLength() > maxLen)
      return false;
    else
      name = number;
  }
}

// --- path <-> reference ----------------------------------------------------

bool CZorbOS::GetFSRefFromFilePath(const char16_t* path, platform::FSRef& ref, bool* foundInCache,
                                   bool refresh) {
  if (IsBlank(path)) return false;
  return GetFSRefCached(CString(path), ref, foundInCache, refresh);
}

bool CZorbOS::GetFSRefFromFilePath(const char16_t* path, platform::FSRef& parent,
                                   platform::HFSUniStr255& name) {
  if (IsBlank(path)) return false;
  const CString p = WithoutColon(CString(path));
  const int32_t colon = p.ReverseFind(u':');
  if (colon < 0) return false;
  const CString last = p.Mid(colon + 1);
  // A longer name would be cut and so name another item.
  if (last.GetLength() == 0 || last.GetLength() > platform::kMaxNameUnits) return false;
  if (!GetFSRefCached(p.Left(colon + 1), parent)) return false;
  name.length = static_cast<uint16_t>(last.GetLength());
  for (int32_t i = 0; i < last.GetLength(); ++i) name.unicode[i] = last.GetAt(i);
  return true;
}

void CZorbOS::GetFilePathFromFSRef(const platform::FSRef& ref, char16_t* buf, uint32_t size) {
  if (buf == nullptr || size == 0) return;
  CopyOut(GetFilePathFromFSRef(ref), buf, size);
}

CString CZorbOS::GetFilePathFromFSRef(const platform::FSRef& ref) {
  if (ref.isNull()) return CString();
  return PosixToColon(ref.path);
}
