#include "platform/os/SpecialFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/PlatformConfig.h"

namespace platform {

namespace {

std::string configured(SpecialFolder which) {
  const PlatformConfig& c = PlatformConfig::current();
  switch (which) {
    case SpecialFolder::TemporaryItems:
      return c.tempRootFolder();
    case SpecialFolder::Trash:
      return c.trashFolder();
    case SpecialFolder::Fonts:
      return c.fontsFolder();
    case SpecialFolder::System:
      return c.systemFolder();
    case SpecialFolder::Applications:
      return c.applicationsFolder();
    case SpecialFolder::UserApplications:
      return c.userApplicationsFolder();
    case SpecialFolder::ApplicationSupport:
      return c.sharedAppDataFolder();
    case SpecialFolder::Users:
      return c.usersFolder();
    case SpecialFolder::SharedUser:
      return c.sharedUserFolder();
    case SpecialFolder::Home:
      return c.homeFolder();
  }
  return "";
}

std::string withoutTrailingSlash(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

bool isFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The temporary folder must be ours alone.
int32_t checkPrivateFolder(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return macStatusFromErrno(errno);
  if (!S_ISDIR(st.st_mode)) return afpAccessDenied;
  if (st.st_uid != ::geteuid()) return afpAccessDenied;
  if ((st.st_mode & 0077) != 0) {
    if (int err = fileSystem().chmod(path, 0700)) return macStatusFromErrno(err);
  }
  return noErr;
}

}  // namespace

int32_t makeFolders(const std::string& path, uint32_t lastMode) {
  const std::string target = withoutTrailingSlash(path);
  if (target.empty() || target[0] != '/') return paramErr;
  if (isFolder(target)) return noErr;
  // Each missing component in turn, from the top.
  size_t pos = 1;
  for (;;) {
    const size_t slash = target.find('/', pos);
    const bool last = slash == std::string::npos;
    const std::string part = last ? target : target.substr(0, slash);
    if (!part.empty() && part != "/" && !isFolder(part)) {
      const int err = fileSystem().mkdir(part, last ? static_cast<mode_t>(lastMode) : 0777);
      if (err != 0 && !(err == EEXIST && isFolder(part))) return macStatusFromErrno(err);
    }
    if (last) return noErr;
    pos = slash + 1;
  }
}

int32_t findSpecialFolder(SpecialFolder which, bool create, std::string& path) {
  const std::string folder = withoutTrailingSlash(configured(which));
  if (folder.empty() || folder[0] != '/') return fnfErr;
  const bool temporary = which == SpecialFolder::TemporaryItems;
  if (!isFolder(folder)) {
    if (!create) return fnfErr;
    if (int32_t err = makeFolders(folder, temporary ? 0700 : 0777)) return err;
  }
  if (temporary) {
    if (int32_t err = checkPrivateFolder(folder)) return err;
  }
  path = folder;
  return noErr;
}

}  // namespace platform
