// CZorbOS: the special folders and the per-user folders.

#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbOSFileHelpers.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "platform/os/MacStatus.h"
#include "platform/os/SpecialFolders.h"
#include "platform/widechar/WideChar.h"

using namespace zorbos;

namespace {

// The folder's colon path (no final ":" except for a volume's root); empty
// when it is not found or lies on no volume.
CString FindFolder(platform::SpecialFolder which, bool create) {
  std::string posix;
  if (platform::findSpecialFolder(which, create, posix) != platform::noErr) return CString();
  return PosixToColon(posix);
}

// A path that does not fit the buffer counts as not found: a cut path
// would name another folder.
bool Fits(const CString& path, uint32_t size) {
  return path.GetLength() > 0 && static_cast<uint32_t>(path.GetLength()) < size;
}

bool ToBuffer(const CString& path, char16_t* buf, uint32_t size) {
  if (buf == nullptr || !Fits(path, size)) return false;
  platform::wcscpy(buf, path.Get());
  return true;
}

// The home folder as the per-user getters use it: root's lies in
// Users:Root rather than in the system's private folder.
bool HomeForUserFolders(CZorbPath& home) {
  if (!CZorbOS::IsSupportedMultiUserSystem()) return false;
  const CString found = FindFolder(platform::SpecialFolder::Home, false);
  if (found.GetLength() == 0) return false;
  home = found;
  CZorbOS::UserType type = CZorbOS::kStandardUser;
  CZorbOS::GetCurrentUserType(type);
  if (type == CZorbOS::kRootUser) {
    const int32_t at = home.Find(u":private:var:root");
    if (at >= 0) {
      home = home.Left(at);
      home.Append(u"Users");
      home.Append(u"Root");
    }
  }
  return true;
}

}  // namespace

void CZorbOS::GetTempPath(char16_t* buf, uint32_t size) {
  if (buf == nullptr || size == 0) return;
  if (!ToBuffer(FindFolder(platform::SpecialFolder::TemporaryItems, true), buf, size)) buf[0] = 0;
}

uint32_t CZorbOS::GetTrashDirectory(char16_t* buf, uint32_t size) {
  const CString path = FindFolder(platform::SpecialFolder::Trash, true);
  if (!ToBuffer(path, buf, size)) {
    if (buf != nullptr && size > 0) buf[0] = 0;
    return 0;
  }
  return static_cast<uint32_t>(path.GetLength());
}

bool CZorbOS::GetFontsFolder(char16_t* buf, uint32_t size) {
  return ToBuffer(FindFolder(platform::SpecialFolder::Fonts, true), buf, size);
}

bool CZorbOS::GetSystemFolder(char16_t* buf, uint32_t size) {
  return ToBuffer(FindFolder(platform::SpecialFolder::System, true), buf, size);
}

bool CZorbOS::GetAppPath(char16_t* buf, uint32_t size) {
  return ToBuffer(FindFolder(platform::SpecialFolder::Applications, false), buf, size);
}

bool CZorbOS::GetApplicationSupportFolder(CZorbPath& out) {
  const CString path = FindFolder(platform::SpecialFolder::ApplicationSupport, false);
  if (path.GetLength() == 0) return false;
  out = WithColon(path);
  return true;
}

bool CZorbOS::GetCommonAppPath(CZorbPath& out) {
  const CString path = FindFolder(platform::SpecialFolder::ApplicationSupport, false);
  if (path.GetLength() == 0) return false;
  out = WithoutColon(path);
  return true;
}

bool CZorbOS::GetSharedAppDataPath(CZorbPath& out) {
  if (!IsSupportedMultiUserSystem()) return false;
  const CString path = FindFolder(platform::SpecialFolder::SharedUser, false);
  if (path.GetLength() == 0) return false;
  BuildAppDataPath(path, out);
  return true;
}

bool CZorbOS::GetUserFoldersPath(CZorbPath& out) {
  const CString path = FindFolder(platform::SpecialFolder::Users, false);
  if (path.GetLength() == 0) return false;
  out = WithoutColon(path);
  return true;
}

bool CZorbOS::GetUserHomePath(CZorbPath& out) {
  CZorbPath home;
  if (!HomeForUserFolders(home)) return false;
  out = WithColon(home);
  return true;
}

bool CZorbOS::GetCurrentUserLibraryPath(CZorbPath& out) {
  CZorbPath home;
  if (!HomeForUserFolders(home)) return false;
  BuildAppLibraryPath(home, out);
  return true;
}

bool CZorbOS::GetCurrentUserAppDataPath(CZorbPath& out) {
  CZorbPath home;
  if (!HomeForUserFolders(home)) return false;
  BuildAppDataPath(home, out);
  return true;
}

bool CZorbOS::GetCurrentUserRoamingDataPath(CZorbPath& out) {
  return GetCurrentUserAppDataPath(out);
}

bool CZorbOS::GetAppDataPathFor(const CZorbString& user, CZorbPath& out) {
  CZorbPath users;
  if (!GetUserFoldersPath(users)) return false;
  users.Append(user);
  BuildAppDataPath(users, out);
  return true;
}

bool CZorbOS::GetAllUserAppDataPaths(CZorbTypedList<CZorbString>& list) {
  CZorbPath users;
  if (!GetUserFoldersPath(users)) return false;
  CZorbFileFinder finder;
  for (bool found = finder.FindFirst(WithColon(users) + u"*.*"); found; found = finder.FindNext()) {
    if (!finder.IsFolder()) continue;
    CZorbPath user(users);
    user.Append(finder.GetFileName());
    CZorbPath appData;
    BuildAppDataPath(user, appData);
    list.push_back(appData);
  }
  return true;
}

void CZorbOS::BuildAppDataPath(const CZorbString& in, CZorbPath& out) {
  CZorbPath path(in);
  path.Append(m_appDataFolderName);
  path.TerminateWithSeparator();
  out = path;
}

void CZorbOS::BuildAppLibraryPath(const CZorbString& in, CZorbPath& out) {
  CZorbPath path(in);
  path.Append(m_appLibraryFolderName);
  path.TerminateWithSeparator();
  out = path;
}

bool CZorbOS::ExtractUserName(const CString& appDataPath, CString& user) {
  if (appDataPath.GetLength() == 0 || m_appDataFolderName.GetLength() == 0) return false;
  const int32_t at = appDataPath.Find(m_appDataFolderName.Get());
  if (at < 0) return false;
  // The text before it, less the ":" in front of it.
  CString before = appDataPath.Left(at);
  before = WithoutColon(before);
  const int32_t colon = before.ReverseFind(u':');
  if (colon < 0) return false;
  user = before.Mid(colon + 1);
  return true;
}
