#include "platform/os/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/os/Catalog.h"
#include "platform/os/FileSystem.h"

namespace platform {

namespace {

// Links followed before giving up, as the kernel does (its MAXSYMLINKS).
constexpr int kMaxLinkDepth = 40;
// Room for a link's target when the link does not tell its length.
constexpr size_t kLinkTargetGuess = PATH_MAX;
// Random temporary names tried before a crowded folder is given up.
constexpr int kTempNameAttempts = 100;
// The part of the name kept in a temporary one, so that the dot, the
// ".plexar-" mark and the random suffix still fit the 255-byte name limit.
constexpr size_t kTempNameStem = 200;

// Follows a chain of symbolic links to the file they name, so that a save
// replaces the file and keeps the link.
std::string followLinks(const std::string& path) {
  std::string current = path;
  for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string target(st.st_size > 0 ? static_cast<size_t>(st.st_size) : kLinkTargetGuess, '\0');
    const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
    if (n < 0) return current;
    target.resize(static_cast<size_t>(n));
    if (target.empty()) return current;
    if (target[0] != '/') {
      const size_t slash = current.rfind('/');
      target = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + target;
    }
    current = target;
  }
  return current;
}

std::string randomSuffix() {
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[8] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    static unsigned counter = 0;
    const unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
    for (size_t i = 0; i < sizeof bytes; ++i)
      bytes[i] = static_cast<unsigned char>(seed >> (i * 4));
  }
  std::string out;
  for (unsigned char b : bytes) out += digits[b % (sizeof digits - 1)];
  return out;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : m_path(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
  abandon();
}

int AtomicFileWriter::begin() {
  abandon();
  m_error = 0;
  m_folderSyncError = 0;
  m_offset = 0;
  if (m_path.empty() || m_path.back() == '/') return m_error = EINVAL;
  m_target = followLinks(m_path);
  const size_t slash = m_target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : m_target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
  IFileSystem& fs = fileSystem();
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string temp = folder + "." + name.substr(0, kTempNameStem) + ".plexar-" + randomSuffix();
    int fd = -1;
    const int err = fs.open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666, fd);
    if (err == EEXIST) continue;
    if (err) return m_error = err;
    m_fd = fd;
    m_temp = std::move(temp);
    return 0;
  }
  return m_error = EEXIST;
}

int AtomicFileWriter::write(const void* data, size_t n) {
  if (m_fd < 0) return m_error ? m_error : EBADF;
  if (m_error) return m_error;
  if (int err = writeAll(fileSystem(), m_fd, data, n, static_cast<off_t>(m_offset)))
    return m_error = err;
  m_offset += static_cast<long long>(n);
  return 0;
}

int AtomicFileWriter::commit() {
  if (m_fd < 0) return m_error ? m_error : EBADF;
  if (m_error) {
    const int err = m_error;
    abandon();
    return err;
  }
  IFileSystem& fs = fileSystem();
  int err = fs.fsync(m_fd);
  const int closeErr = fs.close(m_fd);
  m_fd = -1;
  if (!err) err = closeErr;

  // Carry the old file's mode, Finder info and owner over to the new one.
  struct stat old;
  if (!err && ::lstat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    err = fs.chmod(m_temp, old.st_mode & 07777);
    uint8_t info[kFinderInfoSize];
    if (!err && readFinderInfo(m_target, info) == 0 && !finderInfoIsZero(info))
      err = fs.setXattr(m_temp, kFinderInfoXattr, info, sizeof info);
    if (!err && ::geteuid() == 0) {
      struct stat fresh;
      if (::lstat(m_temp.c_str(), &fresh) == 0 &&
          (fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid))
        err = fs.chown(m_temp, old.st_uid, old.st_gid);
    }
  }
  if (!err) err = fs.rename(m_temp, m_target, false);
  if (err) {
    // The failure is what the caller hears; the old file stands untouched.
    (void)fs.unlink(m_temp);
    m_temp.clear();
    return m_error = err;
  }
  m_temp.clear();

  // Make the rename itself durable. The new content is in place already, so
  // a failure here does not fail the commit; folderSyncError tells it.
  const size_t slash = m_target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : m_target.substr(0, slash));
  int dirFd = -1;
  m_folderSyncError = fs.open(folder, O_RDONLY | O_DIRECTORY, 0, dirFd);
  if (m_folderSyncError == 0) {
    m_folderSyncError = fs.fsync(dirFd);
    closeQuietly(fs, dirFd);
  }
  return 0;
}

void AtomicFileWriter::abandon() {
  IFileSystem& fs = fileSystem();
  // What is given up has nothing left to report.
  if (m_fd >= 0) {
    closeQuietly(fs, m_fd);
    m_fd = -1;
  }
  if (!m_temp.empty()) {
    (void)fs.unlink(m_temp);
    m_temp.clear();
  }
}

int atomicWriteFile(const std::string& path, const void* data, size_t n) {
  AtomicFileWriter writer(path);
  if (int err = writer.begin()) return err;
  if (int err = writer.write(data, n)) return err;
  return writer.commit();
}

}  // namespace platform
