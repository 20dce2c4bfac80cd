#include "platform/os/AppleDouble.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/os/FileSystem.h"

namespace platform {

namespace {

int readExactly(int fd, void* buf, size_t n, off_t offset) {
  IFileSystem& fs = fileSystem();
  char* p = static_cast<char*>(buf);
  while (n > 0) {
    size_t got = 0;
    if (int err = fs.read(fd, p, n, offset, got)) return err;
    if (got == 0) return EINVAL;  // too short to be what the header says
    p += got;
    n -= got;
    offset += static_cast<off_t>(got);
  }
  return 0;
}

bool validMagic(const uint8_t* header) {
  if (readBigEndian32(header) != kAppleDoubleMagic) return false;
  const uint32_t version = readBigEndian32(header + 4);
  return version == kAppleDoubleVersion || version == kAppleDoubleVersion1;
}

}  // namespace

uint32_t readBigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void writeBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

std::string sidecarPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "._" + path;
  return path.substr(0, slash + 1) + "._" + path.substr(slash + 1);
}

int parseAppleDouble(int fd, AppleDoubleLayout& layout) {
  layout = AppleDoubleLayout();
  struct stat st;
  if (::fstat(fd, &st) != 0) return errno;
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  if (fileSize < kAppleDoubleHeaderSize) return EINVAL;
  uint8_t header[kAppleDoubleHeaderSize];
  if (int err = readExactly(fd, header, sizeof header, 0)) return err;
  if (!validMagic(header)) return EINVAL;
  const uint32_t count = (uint32_t(header[24]) << 8) | header[25];
  if (kAppleDoubleHeaderSize + uint64_t(count) * kAppleDoubleEntrySize > fileSize) return EINVAL;
  std::vector<uint8_t> entries(size_t(count) * kAppleDoubleEntrySize);
  if (count) {
    if (int err = readExactly(fd, entries.data(), entries.size(), kAppleDoubleHeaderSize))
      return err;
  }
  uint64_t furthestEnd = kAppleDoubleHeaderSize + uint64_t(count) * kAppleDoubleEntrySize;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = entries.data() + size_t(i) * kAppleDoubleEntrySize;
    const uint64_t offset = readBigEndian32(e + 4);
    const uint64_t length = readBigEndian32(e + 8);
    if (offset + length > fileSize) return EINVAL;
    if (offset + length > furthestEnd) furthestEnd = offset + length;
    if (readBigEndian32(e) == kAppleDoubleResourceForkId && !layout.hasFork) {
      layout.hasFork = true;
      layout.forkOffset = offset;
      layout.forkLength = length;
      layout.lengthFieldOffset = kAppleDoubleHeaderSize + uint64_t(i) * kAppleDoubleEntrySize + 8;
    }
  }
  // Only a fork that ends the file, with nothing after it, can grow in place.
  layout.forkRunsToEnd =
      layout.hasFork && layout.forkOffset + layout.forkLength == fileSize &&
      furthestEnd == fileSize &&
      layout.forkOffset >= kAppleDoubleHeaderSize + uint64_t(count) * kAppleDoubleEntrySize;
  if (layout.forkRunsToEnd) {
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = entries.data() + size_t(i) * kAppleDoubleEntrySize;
      if (readBigEndian32(e) == kAppleDoubleResourceForkId) continue;
      if (readBigEndian32(e + 4) + uint64_t(readBigEndian32(e + 8)) > layout.forkOffset)
        layout.forkRunsToEnd = false;
    }
  }
  return 0;
}

std::vector<uint8_t> appleDoubleHeader(uint32_t forkLength) {
  std::vector<uint8_t> header(kAppleDoubleForkOffset, 0);
  writeBigEndian32(header.data(), kAppleDoubleMagic);
  writeBigEndian32(header.data() + 4, kAppleDoubleVersion);
  header[25] = 1;
  writeBigEndian32(header.data() + kAppleDoubleHeaderSize, kAppleDoubleResourceForkId);
  writeBigEndian32(header.data() + kAppleDoubleHeaderSize + 4, kAppleDoubleForkOffset);
  writeBigEndian32(header.data() + kAppleDoubleLengthField, forkLength);
  return header;
}

int checkAppleDoubleMagic(const std::string& path, bool& valid) {
  valid = false;
  IFileSystem& fs = fileSystem();
  int fd = -1;
  if (int err = fs.open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0, fd))
    return err == ENOENT || err == ELOOP ? 0 : err;
  int err = 0;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (S_ISREG(st.st_mode)) {
    uint8_t header[8];
    err = readExactly(fd, header, sizeof header, 0);
    if (err == 0)
      valid = validMagic(header);
    else if (err == EINVAL)
      err = 0;  // shorter than a header
  }
  closeQuietly(fs, fd);
  return err;
}

bool hasAppleDoubleMagic(const std::string& path) {
  bool valid = false;
  return checkAppleDoubleMagic(path, valid) == 0 && valid;
}

bool isSidecar(const std::string& folder, const std::string& name) {
  if (name.size() <= 2 || name.compare(0, 2, "._") != 0) return false;
  const std::string base = name.substr(2);
  if (base == "." || base == "..") return false;
  struct stat st;
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  if (::lstat((prefix + base).c_str(), &st) != 0) return false;
  return hasAppleDoubleMagic(prefix + name);
}

int checkSidecar(const std::string& path, bool& present) {
  present = false;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return 0;
  const int err = checkAppleDoubleMagic(sidecarPath(path), present);
  // A name too long to take the "._" prefix can have no sidecar: its fork is
  // empty, and the file is as visible as any other.
  return err == ENAMETOOLONG ? 0 : err;
}

bool hasSidecar(const std::string& path) {
  bool present = false;
  return checkSidecar(path, present) == 0 && present;
}

}  // namespace platform
