#include "platform/os/AccessProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace platform {

namespace {

struct Node {
  uint32_t uid = 0;
  mode_t mode = 0;
  bool immutable = false;
  bool appendOnly = false;
};

bool statNode(const std::string& path, Node& node) {
  struct statx sx;
  if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &sx) != 0)
    return false;
  node.uid = sx.stx_uid;
  node.mode = sx.stx_mode;
  const uint64_t known = sx.stx_attributes_mask;
  node.immutable = (known & STATX_ATTR_IMMUTABLE) && (sx.stx_attributes & STATX_ATTR_IMMUTABLE);
  node.appendOnly = (known & STATX_ATTR_APPEND) && (sx.stx_attributes & STATX_ATTR_APPEND);
  return true;
}

std::string folderOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  if (slash == std::string::npos || p == "/") return "";
  return slash == 0 ? "/" : p.substr(0, slash);
}

}  // namespace

bool deletePermitted(const DeleteFacts& f) {
  if (f.itemImmutable || f.folderAppendOnly) return false;
  if (!f.folderWritable) return false;
  if (f.folderSticky && f.callerUid != 0 && f.callerUid != f.itemUid && f.callerUid != f.folderUid)
    return false;
  return true;
}

bool canDeleteItem(const std::string& path) {
  const std::string folder = folderOf(path);
  if (folder.empty()) return false;
  Node item, parent;
  if (!statNode(path, item) || !statNode(folder, parent)) return false;
  DeleteFacts f;
  f.callerUid = static_cast<uint32_t>(::geteuid());
  f.itemUid = item.uid;
  f.itemImmutable = item.immutable || item.appendOnly;
  f.folderUid = parent.uid;
  f.folderSticky = (parent.mode & S_ISVTX) != 0;
  f.folderAppendOnly = parent.appendOnly || parent.immutable;
  f.folderWritable = ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  return deletePermitted(f);
}

bool sameNode(const std::string& a, const std::string& b) {
  struct stat sb;
  if (::lstat(b.c_str(), &sb) != 0) return false;
  struct stat sa;
  if (::lstat(a.c_str(), &sa) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
  if (::stat(a.c_str(), &sa) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
  return false;
}

bool liesWithin(const std::string& path, const std::string& folder) {
  std::unique_ptr<char, decltype(&std::free)> inner(::realpath(path.c_str(), nullptr), &std::free);
  std::unique_ptr<char, decltype(&std::free)> outer(::realpath(folder.c_str(), nullptr),
                                                    &std::free);
  if (!inner || !outer) return false;
  const std::string in(inner.get()), out(outer.get());
  if (in == out) return true;
  if (out == "/") return true;
  return in.size() > out.size() && in.compare(0, out.size(), out) == 0 && in[out.size()] == '/';
}

}  // namespace platform
