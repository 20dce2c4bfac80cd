#include "platform/os/AppleDouble.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/os/FileSystem.h"

namespace platform {

namespace {

uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void putBe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

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
  if (be32(header) != kAppleDoubleMagic) return false;
  const uint32_t version = be32(header + 4);
  return version == kAppleDoubleVersion || version == 0x00010000;
}

}  // namespace

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
  if (count && readExactly(fd, entries.data(), entries.size(), kAppleDoubleHeaderSize) != 0)
    return EINVAL;
  uint64_t furthestEnd = kAppleDoubleHeaderSize + uint64_t(count) * kAppleDoubleEntrySize;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = entries.data() + size_t(i) * kAppleDoubleEntrySize;
    const uint64_t offset = be32(e + 4);
    const uint64_t length = be32(e + 8);
    if (offset + length > fileSize) return EINVAL;
    if (offset + length > furthestEnd) furthestEnd = offset + length;
    if (be32(e) == kAppleDoubleResourceForkId && !layout.hasFork) {
      layout.hasFork = true;
      layout.forkOffset = offset;
      layout.forkLength = length;
      layout.lengthFieldOffset = kAppleDoubleHeaderSize + uint64_t(i) * kAppleDoubleEntrySize + 8;
    }
  }
  // Only a fork that ends the file, with nothing after it, can grow in place.
  layout.forkRunsToEnd = layout.hasFork && layout.forkOffset + layout.forkLength == fileSize &&
                         furthestEnd == fileSize &&
                         layout.forkOffset >= kAppleDoubleHeaderSize + uint64_t(count) * kAppleDoubleEntrySize;
  if (layout.forkRunsToEnd) {
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = entries.data() + size_t(i) * kAppleDoubleEntrySize;
      if (be32(e) == kAppleDoubleResourceForkId) continue;
      if (be32(e + 4) + uint64_t(be32(e + 8)) > layout.forkOffset) layout.forkRunsToEnd = false;
    }
  }
  return 0;
}

std::vector<uint8_t> appleDoubleHeader(uint32_t forkLength) {
  std::vector<uint8_t> header(kAppleDoubleForkOffset, 0);
  putBe32(header.data(), kAppleDoubleMagic);
  putBe32(header.data() + 4, kAppleDoubleVersion);
  header[25] = 1;
  putBe32(header.data() + kAppleDoubleHeaderSize, kAppleDoubleResourceForkId);
  putBe32(header.data() + kAppleDoubleHeaderSize + 4, kAppleDoubleForkOffset);
  putBe32(header.data() + kAppleDoubleLengthField, forkLength);
  return header;
}

bool hasAppleDoubleMagic(const std::string& path) {
  IFileSystem& fs = fileSystem();
  int fd = -1;
  if (fs.open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0, fd) != 0) return false;
  struct stat st;
  uint8_t header[8];
  const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                  readExactly(fd, header, sizeof header, 0) == 0 && validMagic(header);
  fs.close(fd);
  return ok;
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

bool hasSidecar(const std::string& path) {
  const std::string sidecar = sidecarPath(path);
  const size_t slash = sidecar.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : sidecar.substr(0, slash);
  const std::string name = slash == std::string::npos ? sidecar : sidecar.substr(slash + 1);
  return isSidecar(folder.empty() && slash == 0 ? "/" : folder, name);
}

}  // namespace platform
