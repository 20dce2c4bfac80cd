#include "platform/os/Catalog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "platform/os/AppleDouble.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"

namespace platform {

namespace {

int32_t status(int err) {
  return macStatusFromErrno(err);
}

// Reads the attribute, following a final link when `follow` is set.
int32_t readFinderInfoAt(const std::string& path, bool follow, uint8_t info[kFinderInfoSize]) {
  std::memset(info, 0, kFinderInfoSize);
  uint8_t buffer[kFinderInfoSize];
  const ssize_t n = follow ? ::getxattr(path.c_str(), kFinderInfoXattr, buffer, sizeof buffer)
                           : ::lgetxattr(path.c_str(), kFinderInfoXattr, buffer, sizeof buffer);
  if (n >= 0) {
    std::memcpy(info, buffer, static_cast<size_t>(n));
    return noErr;
  }
  // No attribute, an oversized one, or a file system without attributes: zero.
  if (errno == ENODATA || errno == ERANGE || errno == ENOTSUP) return noErr;
  return status(errno);
}

int32_t resourceForkLength(const std::string& path, uint64_t& length) {
  length = 0;
  bool present = false;
  if (int err = checkSidecar(path, present)) return status(err);
  if (!present) return noErr;
  IFileSystem& fs = fileSystem();
  int fd = -1;
  if (int err = fs.open(sidecarPath(path), O_RDONLY | O_NOFOLLOW, 0, fd)) return status(err);
  AppleDoubleLayout layout;
  const int err = parseAppleDouble(fd, layout);
  closeQuietly(fs, fd);
  if (err == 0 && layout.hasFork) length = layout.forkLength;
  return err == 0 || err == EINVAL ? noErr : status(err);
}

bool folderExists(const FSRef& folder) {
  if (!isRefValid(folder)) return false;
  struct stat st;
  return ::stat(folder.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool isValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    char32_t c;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      c = b & 0x07;
    } else {
      return false;
    }
    if (i + len > text.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      const unsigned char cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      c = (c << 6) | (cont & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF))) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    i += len;
  }
  return true;
}

bool isValidItemName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

int32_t readFinderInfo(const std::string& path, uint8_t info[kFinderInfoSize]) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    std::memset(info, 0, kFinderInfoSize);
    return status(errno);
  }
  return readFinderInfoAt(path, false, info);
}

int32_t writeFinderInfo(const std::string& path, const uint8_t info[kFinderInfoSize]) {
  IFileSystem& fs = fileSystem();
  const int err = finderInfoIsZero(info)
                      ? fs.removeXattr(path, kFinderInfoXattr)
                      : fs.setXattr(path, kFinderInfoXattr, info, kFinderInfoSize);
  return status(err);
}

bool finderInfoIsZero(const uint8_t info[kFinderInfoSize]) {
  return std::all_of(info, info + kFinderInfoSize, [](uint8_t b) { return b == 0; });
}

uint32_t finderInfoType(const uint8_t info[kFinderInfoSize]) {
  return readBigEndian32(info);
}
uint32_t finderInfoCreator(const uint8_t info[kFinderInfoSize]) {
  return readBigEndian32(info + 4);
}
uint16_t finderInfoFlags(const uint8_t info[kFinderInfoSize]) {
  return uint16_t((info[8] << 8) | info[9]);
}
void setFinderInfoType(uint8_t info[kFinderInfoSize], uint32_t type) {
  writeBigEndian32(info, type);
}
void setFinderInfoCreator(uint8_t info[kFinderInfoSize], uint32_t creator) {
  writeBigEndian32(info + 4, creator);
}
void setFinderInfoFlags(uint8_t info[kFinderInfoSize], uint16_t flags) {
  info[8] = uint8_t(flags >> 8);
  info[9] = uint8_t(flags);
}

int32_t getCatalogInfo(const FSRef& ref, CatalogInfo& info) {
  info = CatalogInfo();
  if (!isRefValid(ref)) return fnfErr;
  struct stat st;
  if (::lstat(ref.path.c_str(), &st) != 0) return status(errno);
  bool follow = false;
  if (S_ISLNK(st.st_mode)) {
    info.isSymlink = true;
    struct stat target;
    if (::stat(ref.path.c_str(), &target) == 0) {
      st = target;
      follow = true;
    }
  }
  if (S_ISDIR(st.st_mode)) info.nodeFlags |= kNodeIsDirectory;
  if (!(st.st_mode & S_IWUSR)) info.nodeFlags |= kNodeLocked;
  info.dataLogicalSize = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  info.contentModDate = st.st_mtim;
  info.accessDate = st.st_atim;
  info.attributeModDate = st.st_ctim;
  info.uid = st.st_uid;
  info.gid = st.st_gid;
  info.mode = st.st_mode & 07777;
  if (int32_t err = readFinderInfoAt(ref.path, follow, info.finderInfo)) return err;
  return resourceForkLength(ref.path, info.rsrcLogicalSize);
}

int32_t setCatalogInfo(const FSRef& ref, uint32_t which, const CatalogInfo& info) {
  if (!isRefValid(ref)) return fnfErr;
  IFileSystem& fs = fileSystem();
  struct stat st;
  if (::lstat(ref.path.c_str(), &st) != 0) return status(errno);

  const mode_t oldMode = st.st_mode & 07777;
  mode_t newMode = oldMode;
  if (which & kCatPermissions) newMode = info.mode & 07777;
  if (which & kCatNodeFlags) {
    // Given with a mode, the flag decides the owner-write bit only; alone,
    // locking takes every write bit away.
    if (!(info.nodeFlags & kNodeLocked))
      newMode |= S_IWUSR;
    else if (which & kCatPermissions)
      newMode &= ~mode_t(S_IWUSR);
    else
      newMode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
  }
  const bool changeMode = newMode != oldMode;

  if ((which & kCatPermissions) && ::geteuid() == 0 &&
      (info.uid != st.st_uid || info.gid != st.st_gid)) {
    if (int err = fs.chown(ref.path, info.uid, info.gid)) return status(err);
  }
  // Unlock before writing the other attributes, lock after them.
  if (changeMode && (newMode & S_IWUSR)) {
    if (int err = fs.chmod(ref.path, newMode)) return status(err);
  }
  if (which & kCatFinderInfo) {
    if (int32_t err = writeFinderInfo(ref.path, info.finderInfo)) return err;
  }
  if (which & (kCatContentModDate | kCatAccessDate)) {
    timespec omit{};
    omit.tv_nsec = UTIME_OMIT;
    const timespec access = (which & kCatAccessDate) ? info.accessDate : omit;
    const timespec modification = (which & kCatContentModDate) ? info.contentModDate : omit;
    if (int err = fs.setTimes(ref.path, access, modification)) return status(err);
  }
  if (changeMode && !(newMode & S_IWUSR)) {
    if (int err = fs.chmod(ref.path, newMode)) return status(err);
  }
  return noErr;
}

int32_t setLocked(const FSRef& ref, bool locked) {
  CatalogInfo info;
  info.nodeFlags = locked ? kNodeLocked : 0;
  return setCatalogInfo(ref, kCatNodeFlags, info);
}

int32_t createFile(const FSRef& folder, const std::string& name, const uint8_t* finderInfo,
                   FSRef& created) {
  if (!isValidItemName(name)) return bdNamErr;
  if (!folderExists(folder)) return dirNFErr;
  IFileSystem& fs = fileSystem();
  const std::string path = joinPath(folder.path, name);
  int fd = -1;
  if (int err = fs.open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666, fd))
    return status(err);
  const int closeErr = fs.close(fd);
  int32_t err = status(closeErr);
  if (!err && finderInfo && !finderInfoIsZero(finderInfo)) err = writeFinderInfo(path, finderInfo);
  if (!err) err = makeRef(path, created);
  // The failure is what the caller hears; an empty file left over is
  // harmless.
  if (err) (void)fs.unlink(path);
  return err;
}

int32_t createFolder(const FSRef& folder, const std::string& name, FSRef& created) {
  if (!isValidItemName(name)) return bdNamErr;
  if (!folderExists(folder)) return dirNFErr;
  const std::string path = joinPath(folder.path, name);
  if (int err = fileSystem().mkdir(path, 0777)) return status(err);
  return makeRef(path, created);
}

int32_t deleteObject(const FSRef& ref) {
  if (!isRefValid(ref)) return fnfErr;
  struct stat st;
  if (::lstat(ref.path.c_str(), &st) != 0) return status(errno);
  IFileSystem& fs = fileSystem();
  const bool sidecar = hasSidecar(ref.path);
  const int err = S_ISDIR(st.st_mode) ? fs.rmdir(ref.path) : fs.unlink(ref.path);
  if (err) return status(err == EEXIST ? ENOTEMPTY : err);
  // The item is gone; a sidecar left behind would surface as an ordinary file.
  if (sidecar) return status(fs.unlink(sidecarPath(ref.path)));
  return noErr;
}

int32_t moveObject(FSRef& ref, const std::string& newPath) {
  if (newPath.empty() || newPath[0] != '/') return paramErr;
  if (!isRefValid(ref)) return fnfErr;
  IFileSystem& fs = fileSystem();
  const bool sidecar = hasSidecar(ref.path);
  struct stat st;
  if (sidecar && ::lstat(sidecarPath(newPath).c_str(), &st) == 0) return dupFNErr;
  if (int err = fs.rename(ref.path, newPath, true)) return status(err);
  if (sidecar) {
    if (int err = fs.rename(sidecarPath(ref.path), sidecarPath(newPath), true)) {
      // Put the item back so it keeps its fork; where that fails too, the
      // reference follows the item to its new name.
      if (fs.rename(newPath, ref.path, true) != 0) {
        FSRef moved;
        if (makeRef(newPath, moved) == noErr) ref = std::move(moved);
      }
      return status(err);
    }
  }
  FSRef moved;
  if (int32_t err = makeRef(newPath, moved)) return err;
  ref = std::move(moved);
  return noErr;
}

int32_t listFolder(const std::string& folderPath, std::vector<DirEntry>& entries, size_t* unnamed) {
  entries.clear();
  if (unnamed != nullptr) *unnamed = 0;
  std::vector<RawDirEntry> raw;
  const int readError = fileSystem().listDirectory(folderPath, raw);

  std::unordered_set<std::string> names;
  for (const RawDirEntry& item : raw) names.insert(item.name);
  for (const RawDirEntry& item : raw) {
    if (!isValidUtf8(item.name)) {
      if (unnamed != nullptr) ++*unnamed;
      continue;
    }
    unsigned char type = item.type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (::lstat(joinPath(folderPath, item.name).c_str(), &st) == 0)
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    DirEntry entry;
    entry.name = item.name;
    entry.isFolder = type == DT_DIR;
    entry.isSymlink = type == DT_LNK;
    if (!entry.isFolder && entry.name.size() > 2 && entry.name.compare(0, 2, "._") == 0 &&
        names.count(entry.name.substr(2)) && hasAppleDoubleMagic(joinPath(folderPath, entry.name)))
      continue;
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return status(readError);
}

int32_t getUserPrivileges(const FSRef& folder, uint8_t& privileges) {
  privileges = 0;
  if (!isRefValid(folder)) return fnfErr;
  const char* path = folder.path.c_str();
  if (::faccessat(AT_FDCWD, path, R_OK, AT_EACCESS) != 0) privileges |= kNoSeeFolders | kNoSeeFiles;
  if (::faccessat(AT_FDCWD, path, W_OK | X_OK, AT_EACCESS) != 0) privileges |= kNoMakeChanges;
  return noErr;
}

int32_t getVolumeSizes(const FSRef& ref, uint64_t& blockSize, uint64_t& freeBlocks) {
  blockSize = 0;
  freeBlocks = 0;
  if (!isRefValid(ref)) return fnfErr;
  VolumeInfo info;
  if (int err = fileSystem().volumeInfo(ref.path, info)) return status(err);
  blockSize = info.blockSize;
  freeBlocks = info.freeBlocks;
  return noErr;
}

}  // namespace platform
