#include "platform/os/FileRef.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/os/MacStatus.h"
#include "platform/os/Utf.h"

namespace platform {

namespace {

char32_t foldCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x178) return 0xFF;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddUpper) return (c & 1) ? c + 1 : c;
    return (c & 1) ? c : c + 1;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Looks for a name in the folder that equals the wanted one ignoring case;
// the smallest such name wins so the choice does not depend on the directory
// order.
bool findCaseVariant(const std::string& folder, const std::string& wanted, std::string& found) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return false;
  const std::string key = foldCase(wanted);
  bool any = false;
  while (dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (foldCase(name) != key) continue;
    if (!any || name < found) found = name;
    any = true;
  }
  return any;
}

}  // namespace

std::string foldCase(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  size_t i = 0;
  while (i < name.size()) {
    const unsigned char b = static_cast<unsigned char>(name[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    bool ok = len != 0 && i + len <= name.size();
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; ok && k < len; ++k) {
      const unsigned char cont = static_cast<unsigned char>(name[i + k]);
      if ((cont & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (cont & 0x3F);
    }
    if (!ok) {
      // Not UTF-8: compare the byte as it is.
      out += name[i++];
      continue;
    }
    appendUtf8(out, foldCodePoint(c));
    i += len;
  }
  return out;
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool hfsNameToPosix(const HFSUniStr255& name, std::string& posix) {
  const uint16_t length = name.length > 255 ? 255 : name.length;
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
    if (name.length == 255 || (name.length == 254 && c >= 0xD800 && c <= 0xDBFF)) break;
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

int32_t resolvePath(const std::string& posixPath, FSRef& ref) {
  if (posixPath.empty() || posixPath[0] != '/') return paramErr;
  if (posixPath.find('\0') != std::string::npos) return paramErr;
  const bool wantFolder = posixPath.size() > 1 && posixPath.back() == '/';

  std::string current;
  size_t pos = 1;
  while (pos <= posixPath.size()) {
    size_t end = posixPath.find('/', pos);
    if (end == std::string::npos) end = posixPath.size();
    const std::string component = posixPath.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    std::string candidate = current + "/" + component;
    struct stat st;
    if (::lstat(candidate.c_str(), &st) != 0) {
      if (errno == ENOTDIR) return fnfErr;
      if (errno != ENOENT) return macStatusFromErrno(errno);
      if (component == "." || component == "..") return fnfErr;
      std::string match;
      if (!findCaseVariant(current.empty() ? "/" : current, component, match)) return fnfErr;
      candidate = current + "/" + match;
    }
    current = std::move(candidate);
  }
  if (current.empty()) current = "/";

  struct stat st;
  if (::lstat(current.c_str(), &st) != 0) return macStatusFromErrno(errno);
  if (wantFolder) {
    struct stat target;
    if (::stat(current.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) return dirNFErr;
  }
  ref.path = std::move(current);
  ref.device = st.st_dev;
  ref.inode = st.st_ino;
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
