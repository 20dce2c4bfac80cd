#include "transaction/StepFiles.h"

#include <filesystem>
#include <string>

#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"
#include "platform/os/FileRef.h"

namespace stepfiles {

CString WithColon(const CString& path) {
  const int32_t n = path.GetLength();
  return n > 0 && path.GetAt(n - 1) == u':' ? path : path + u":";
}

CString WithoutColon(const CString& path) {
  const int32_t n = path.GetLength();
  return n > 0 && path.GetAt(n - 1) == u':' ? path.Left(n - 1) : path;
}

CString FolderOf(const CString& path) {
  const CString item = WithoutColon(path);
  const int32_t colon = item.ReverseFind(u':');
  return colon < 0 ? CString() : item.Left(colon + 1);
}

CString NameOf(const CString& path) {
  const CString item = WithoutColon(path);
  const int32_t colon = item.ReverseFind(u':');
  return colon < 0 ? item : item.Mid(colon + 1);
}

Kind KindOf(const CString& path) {
  const CString item = WithoutColon(path);
  platform::FSRef ref;
  if (item.GetLength() == 0 || !CZorbOS::GetFSRefFromFilePath(item, ref)) return Kind::kNothing;
  // Only the item's own entry is asked: the file system's answer about its
  // forks or attributes does not change what it is.
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(ref.path, error);
  if (error) return Kind::kUnknown;
  switch (status.type()) {
    case std::filesystem::file_type::regular:
      return Kind::kFile;
    case std::filesystem::file_type::directory:
      return Kind::kFolder;
    case std::filesystem::file_type::symlink:
      return Kind::kLink;
    case std::filesystem::file_type::not_found:
      return Kind::kNothing;
    default:
      return Kind::kUnknown;
  }
}

bool ItemExists(const CString& path) {
  return KindOf(path) != Kind::kNothing;
}

CString TempFolder() {
  char16_t temp[kZorbMaxPath + 1];
  CZorbOS::GetTempPath(temp, kZorbMaxPath + 1);
  return WithoutColon(CString(temp));
}

CString NewTempName(const char16_t* prefix) {
  const CString temp = TempFolder();
  if (temp.GetLength() == 0) return CString();
  char16_t name[kZorbMaxPath + 1];
  if (!CZorbOS::GetTempFileName(temp, prefix, 0, name)) return CString();
  return CString(name);
}

bool NewFolderBackup(const char16_t* prefix, const CString& name, CString& fresh, CString& saved) {
  CZorbOS::getTempPathForFolderOperation(CString(prefix), fresh);
  if (fresh.GetLength() == 0) return false;
  saved = WithColon(fresh) + name;
  return true;
}

bool SaveFolder(const CString& folder, const CString& fresh) {
  const CString item = WithoutColon(folder);
  if (CZorbOS::CopyDirectory(item, fresh) &&
      MatchPermissions(item, WithColon(fresh) + NameOf(item)))
    return true;
  DiscardTree(fresh);
  return false;
}

bool SaveFile(const CString& file, const CString& backup) {
  if (CZorbOS::CopyFile(file, backup) && MatchPermissions(file, backup)) return true;
  // The name was new: whatever stands there now is a partial copy.
  DiscardFile(backup);
  return false;
}

bool BackUpFolder(const char16_t* prefix, const CString& folder, CString& fresh, CString& saved) {
  if (NewFolderBackup(prefix, NameOf(folder), fresh, saved) && SaveFolder(folder, fresh))
    return true;
  fresh.Empty();
  saved.Empty();
  return false;
}

bool BackUpFile(const char16_t* prefix, const CString& file, CString& backup) {
  backup = NewTempName(prefix);
  if (backup.GetLength() > 0 && SaveFile(file, backup)) return true;
  backup.Empty();
  return false;
}

bool RestoreFile(const CString& backup, const CString& item) {
  if (ItemExists(item)) Unlock(item);
  return CZorbOS::CopyFile(backup, item) && MatchPermissions(backup, item);
}

bool RestoreFolder(const CString& backup, const CString& parent) {
  // What stands in the way goes without a copy of its own: the saved folder
  // is the one to keep.
  const CString target = WithColon(parent) + NameOf(backup);
  if (ItemExists(target) && !DiscardTree(target)) return false;
  return CZorbOS::CopyDirectory(WithoutColon(backup), parent) &&
         MatchPermissions(backup, WithColon(parent) + NameOf(backup));
}

bool MatchPermissions(const CString& model, const CString& copy) {
  const CString from = WithoutColon(model);
  const CString to = WithoutColon(copy);
  PermissionInfo want, have;
  if (!CZorbOS::GetPermissionsImpl(from, &want) || !CZorbOS::GetPermissionsImpl(to, &have))
    return false;
  if (KindOf(from) == Kind::kFolder) {
    // A listing broken off would leave items unmatched.
    CZorbFileFinder finder;
    std::vector<CString> names;
    for (bool found = finder.FindFirst(WithColon(from) + u"*.*"); found; found = finder.FindNext())
      names.emplace_back(finder.GetFileName());
    if (finder.m_error) return false;
    for (const CString& name : names) {
      const CString entry = WithColon(from) + name;
      if (KindOf(entry) == Kind::kLink) continue;
      if (!MatchPermissions(entry, WithColon(to) + name)) return false;
    }
  }
  if ((want.mode & 07777) == (have.mode & 07777)) return true;
  have.mode = want.mode;
  return CZorbOS::SetPermissionsImpl(to, &have) && CZorbOS::GetPermissionsImpl(to, &have) &&
         (have.mode & 0777) == (want.mode & 0777);
}

bool RemoveSavedTree(const CString& folder, bool force) {
  return CZorbOS::DeleteDirectoryWithoutRollback(WithoutColon(folder), force);
}

void Unlock(const CString& path) {
  (void)CZorbOS::MakeFileWritable(path);
}

bool DiscardFile(const CString& path) {
  if (!ItemExists(path)) return true;
  Unlock(path);
  return CZorbOS::DeleteFile(path, true);
}

bool DiscardTree(const CString& path) {
  const CString item = WithoutColon(path);
  if (KindOf(item) == Kind::kFolder) return CZorbOS::DeleteDirectoryWithoutRollback(item, true);
  return DiscardFile(item);
}

std::vector<CString> MissingFolders(const CString& path) {
  std::vector<CString> missing;
  CString folder = WithoutColon(FolderOf(path));
  while (folder.Find(u':') >= 0 && KindOf(folder) == Kind::kNothing) {
    missing.push_back(folder);
    folder = WithoutColon(FolderOf(folder));
  }
  return missing;
}

void RemoveCreatedFolders(const std::vector<CString>& folders) {
  for (const CString& folder : folders) {
    if (KindOf(folder) != Kind::kFolder) continue;
    if (!CZorbOS::IsDirectoryEmpty(folder) || !CZorbOS::RemoveDirectory(folder)) return;
  }
}

void RemoveEmptiedParents(const CString& source) {
  const CString temp = TempFolder();
  CString folder = WithoutColon(FolderOf(source));
  // A folder without ":" is a volume.
  while (folder.Find(u':') >= 0) {
    if (temp.GetLength() > 0 && folder.CompareNoCase(temp) == 0) return;
    if (KindOf(folder) != Kind::kFolder || !CZorbOS::IsDirectoryEmpty(folder)) return;
    if (!CZorbOS::RemoveDirectory(folder)) return;
    folder = WithoutColon(FolderOf(folder));
  }
}

void LogStepError(const char16_t* what, const CString& path, const char* file, int line) {
  std::u16string message(what);
  message += path.Get() ? path.Get() : u"";
  Logger::write(Logger::kError, message, file, line);
}

}  // namespace stepfiles
