#include "platform/os/FileRef.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utf8proc.h>

#include <cerrno>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Utf.h"
#include "platform/widechar/WideChar.h"

namespace platform {

namespace {

// Looks for a name in the folder that matches the wanted one (see
// nameMatchKey); the smallest such name wins so the choice does not depend
// on the directory order.
bool findCaseVariant(const std::string& folder, const std::string& wanted, std::string& found) {
  std::vector<RawDirEntry> entries;
  if (fileSystem().listDirectory(folder, entries) != 0) return false;
  const std::string key = nameMatchKey(wanted);
  bool any = false;
  for (const RawDirEntry& entry : entries) {
    const std::string& name = entry.name;
    if (nameMatchKey(name) != key) continue;
    if (!any || name < found) found = name;
    any = true;
  }
  return any;
}

}  // namespace

std::string nameMatchKey(const std::string& name) {
  // An ASCII name folds to its lower case and has nothing to compose.
  bool ascii = true;
  for (const char ch : name) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
  if (ascii) {
    std::string key = name;
    for (char& ch : key)
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return key;
  }
  // Case folding first, then the composed form, so that "Café" typed in a
  // description finds "cafe" plus a combining accent from a package made on
  // a Mac, whatever the case of either.
  utf8proc_uint8_t* mapped = nullptr;
  const utf8proc_ssize_t length = utf8proc_map(
      reinterpret_cast<const utf8proc_uint8_t*>(name.data()),
      static_cast<utf8proc_ssize_t>(name.size()), &mapped,
      static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD));
  if (length < 0) return name;  // not UTF-8: compared byte for byte
  std::string key(reinterpret_cast<const char*>(mapped), static_cast<size_t>(length));
  std::free(mapped);
  return key;
}

// Each folder listed in the scope: its node, and its names by match key
// (the smallest of several, as findCaseVariant picks it).
struct NameLookupScope::Folders {
  struct Listing {
    bool listed = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::unordered_map<std::string, std::string> names;
  };
  std::unordered_map<std::string, Listing> byPath;
};

namespace {

thread_local NameLookupScope::Folders* tActiveScope = nullptr;

// findCaseVariant through the scope's listing of the folder. known is the
// folder's lstat when the caller has it (a link is looked at again).
bool findCaseVariantInScope(NameLookupScope::Folders& scope, const std::string& folder,
                            const std::string& wanted, std::string& found,
                            const struct stat* known = nullptr) {
  struct stat st;
  if (known && !S_ISLNK(known->st_mode))
    st = *known;
  else if (::stat(folder.c_str(), &st) != 0)
    return false;
  NameLookupScope::Folders::Listing& listing = scope.byPath[folder];
  if (!listing.listed || listing.device != st.st_dev || listing.inode != st.st_ino) {
    std::vector<RawDirEntry> entries;
    if (fileSystem().listDirectory(folder, entries) != 0) return false;
    listing = NameLookupScope::Folders::Listing{true, st.st_dev, st.st_ino, {}};
    for (const RawDirEntry& entry : entries) {
      const std::string& name = entry.name;
      auto [at, added] = listing.names.emplace(nameMatchKey(name), name);
      if (!added && name < at->second) at->second = name;
    }
  }
  const std::string key = nameMatchKey(wanted);
  const auto at = listing.names.find(key);
  struct stat item;
  if (at == listing.names.end() || ::lstat(joinPath(folder, at->second).c_str(), &item) != 0) {
    // The caller may be about to create it.
    listing.names[key] = wanted;
    return false;
  }
  found = at->second;
  return true;
}

}  // namespace

NameLookupScope::NameLookupScope() {
  if (tActiveScope) return;
  m_folders = new Folders();
  tActiveScope = m_folders;
}

NameLookupScope::~NameLookupScope() {
  if (!m_folders) return;
  tActiveScope = nullptr;
  delete m_folders;
}

std::string foldCase(const std::string& name) {
  // The same case table as every other comparison of names in the program.
  auto utf16 = utf8ToUtf16(name);
  if (!utf16) return name;  // not UTF-8: compared byte for byte
  for (char16_t& c : *utf16) c = towlower(c);
  auto folded = utf16ToUtf8(*utf16);
  return folded ? *folded : name;
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool hfsNameToPosix(const HFSUniStr255& name, std::string& posix) {
  const uint16_t length = name.length > kMaxNameUnits ? kMaxNameUnits : name.length;
  std::u16string text(name.unicode, name.unicode + length);
  for (char16_t& c : text) {
    if (c == u'/')
      c = u':';
    else if (c == 0)
      return false;
  }
  auto utf8 = utf16ToUtf8(text);
  if (!utf8 || utf8->empty() || *utf8 == "." || *utf8 == "..") return false;
  posix = std::move(*utf8);
  return true;
}

bool posixNameToHfs(const std::string& posix, HFSUniStr255& name) {
  auto utf16 = utf8ToUtf16(posix);
  if (!utf16) return false;
  name = HFSUniStr255();
  for (char16_t c : *utf16) {
    // Never cut a surrogate pair in two.
    // A surrogate pair goes whole or not at all.
    if (name.length == kMaxNameUnits ||
        (name.length == kMaxNameUnits - 1 && c >= 0xD800 && c <= 0xDBFF))
      break;
    name.unicode[name.length++] = c == u':' ? u'/' : c;
  }
  return true;
}

int32_t makeRef(const std::string& posixPath, FSRef& ref) {
  if (posixPath.empty() || posixPath[0] != '/') return paramErr;
  struct stat st;
  if (::lstat(posixPath.c_str(), &st) != 0) return macStatusFromErrno(errno);
  ref.path = posixPath;
  ref.device = st.st_dev;
  ref.inode = st.st_ino;
  return noErr;
}

namespace {

// Closes a folder handle of the walk on every way out.
struct FolderHandle {
  int fd = -1;
  ~FolderHandle() {
    if (fd >= 0) ::close(fd);
  }
};

int32_t finishRef(const std::string& path, const struct stat& st, bool wantFolder, FSRef& ref) {
  if (wantFolder && !S_ISDIR(st.st_mode)) {
    struct stat target;
    if (!S_ISLNK(st.st_mode) || ::stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode))
      return dirNFErr;
  }
  ref.path = path;
  ref.device = st.st_dev;
  ref.inode = st.st_ino;
  return noErr;
}

}  // namespace

int32_t resolvePath(const std::string& posixPath, FSRef& ref) {
  if (posixPath.empty() || posixPath[0] != '/') return paramErr;
  if (posixPath.find('\0') != std::string::npos) return paramErr;
  const bool wantFolder = posixPath.size() > 1 && posixPath.back() == '/';

  // The path as given, in one look-up: when it names an item, every name on
  // the way is spelled as stored. Repeated and trailing slashes go, as the
  // walk below drops them.
  std::string given;
  given.reserve(posixPath.size());
  for (size_t i = 0; i < posixPath.size(); ++i)
    if (posixPath[i] != '/' || (i + 1 < posixPath.size() && posixPath[i + 1] != '/'))
      given += posixPath[i];
  if (given.empty()) given = "/";
  struct stat st;
  if (::lstat(given.c_str(), &st) == 0) return finishRef(given, st, wantFolder, ref);
  const int missing = errno;
  if (missing != ENOENT && missing != ENOTDIR) return macStatusFromErrno(missing);

  // Most often only the last name is missing (an item about to be made):
  // its folder is then found as given, and only that folder is searched.
  const size_t slash = given.rfind('/');
  const std::string last = given.substr(slash + 1);
  const std::string parent = slash == 0 ? std::string("/") : given.substr(0, slash);
  const bool parentFound = ::lstat(parent.c_str(), &st) == 0;
  const int parentMissing = parentFound ? 0 : errno;
  if (missing == ENOENT && last != "." && last != ".." && parentFound) {
    std::string match;
    if (!(tActiveScope ? findCaseVariantInScope(*tActiveScope, parent, last, match, &st)
                       : findCaseVariant(parent, last, match)))
      return fnfErr;
    const std::string found = joinPath(parent, match);
    if (::lstat(found.c_str(), &st) != 0)
      return errno == ENOENT || errno == ENOTDIR ? fnfErr : macStatusFromErrno(errno);
    return finishRef(found, st, wantFolder, ref);
  }

  // Some name on the way differs: walk from one open folder to the next, so that each
  // step looks up one name rather than the whole path again. The walk starts at the
  // deepest folder found as given, whose names are all spelled as stored.
  std::string current;
  size_t pos = 1;
  if (slash > 0) {
    std::string start = parent;
    int error = parentMissing;
    while (error != 0) {
      const size_t up = start.rfind('/');
      if ((error != ENOENT && error != ENOTDIR) || up == 0 || up == std::string::npos) {
        start.clear();
        break;
      }
      start.resize(up);
      error = ::lstat(start.c_str(), &st) == 0 ? 0 : errno;
    }
    if (!start.empty()) {
      current = start;
      pos = start.size() + 1;
    }
  }
  FolderHandle folder;
  folder.fd = ::open(current.empty() ? "/" : current.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder.fd < 0) {
    if (!current.empty() && (errno == ENOTDIR || errno == ENOENT)) return fnfErr;
    return macStatusFromErrno(errno);
  }
  std::string pending;  // the last name found, entered before the next look-up
  while (pos <= given.size()) {
    size_t end = given.find('/', pos);
    if (end == std::string::npos) end = given.size();
    const std::string component = given.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    if (!pending.empty()) {
      // Follows a link on the way, as a path look-up does.
      const int next = ::openat(folder.fd, pending.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (next < 0) return errno == ENOTDIR || errno == ENOENT ? fnfErr : macStatusFromErrno(errno);
      ::close(folder.fd);
      folder.fd = next;
    }
    std::string name = component;
    if (::fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOTDIR) return fnfErr;
      if (errno != ENOENT) return macStatusFromErrno(errno);
      if (component == "." || component == "..") return fnfErr;
      std::string match;
      const std::string folderPath = current.empty() ? "/" : current;
      if (!(tActiveScope ? findCaseVariantInScope(*tActiveScope, folderPath, component, match)
                         : findCaseVariant(folderPath, component, match)))
        return fnfErr;
      name = std::move(match);
      if (::fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT || errno == ENOTDIR ? fnfErr : macStatusFromErrno(errno);
    }
    current += "/";
    current += name;
    pending = std::move(name);
  }
  if (current.empty()) {
    current = "/";
    if (::lstat("/", &st) != 0) return macStatusFromErrno(errno);
  }
  return finishRef(current, st, wantFolder, ref);
}

int32_t getItemInfo(const std::string& posixPath, ItemInfo& info) {
  if (posixPath.empty() || posixPath[0] != '/') return paramErr;
  struct stat st;
  if (::lstat(posixPath.c_str(), &st) != 0) return macStatusFromErrno(errno);
  info.isFolder = S_ISDIR(st.st_mode);
  info.isSymlink = S_ISLNK(st.st_mode);
  info.size = static_cast<uint64_t>(st.st_size);
  info.mode = static_cast<uint32_t>(st.st_mode & 07777);
  return noErr;
}

bool isRefValid(const FSRef& ref) {
  if (ref.isNull()) return false;
  struct stat st;
  if (::lstat(ref.path.c_str(), &st) != 0) return false;
  return st.st_dev == ref.device && st.st_ino == ref.inode;
}

std::string refName(const FSRef& ref) {
  const size_t slash = ref.path.rfind('/');
  return slash == std::string::npos ? ref.path : ref.path.substr(slash + 1);
}

std::string refFolderPath(const FSRef& ref) {
  const size_t slash = ref.path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : ref.path.substr(0, slash);
}

}  // namespace platform
