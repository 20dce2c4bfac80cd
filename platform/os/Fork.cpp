#include "platform/os/Fork.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <vector>

#include "platform/os/AppleDouble.h"
#include "platform/os/AtomicFile.h"
#include "platform/os/Catalog.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"

namespace platform {

namespace {

const char16_t kResourceForkName[] = u"RESOURCE_FORK";

thread_local DeferredSync::Pending* tPending = nullptr;

// From this many files on, a commit syncs their volumes whole.
constexpr size_t kSyncVolumeFrom = 64;

int32_t status(int err) {
  return macStatusFromErrno(err);
}

HFSUniStr255 makeName(const char16_t* text) {
  HFSUniStr255 name;
  while (text[name.length] && name.length < kMaxNameUnits) {
    name.unicode[name.length] = text[name.length];
    ++name.length;
  }
  return name;
}

bool sameName(const HFSUniStr255& name, const char16_t* text) {
  uint16_t i = 0;
  for (; i < name.length && i < kMaxNameUnits; ++i)
    if (!text[i] || name.unicode[i] != text[i]) return false;
  return text[i] == 0;
}

}  // namespace

HFSUniStr255 dataForkName() {
  return HFSUniStr255();
}
HFSUniStr255 resourceForkName() {
  return makeName(kResourceForkName);
}
bool isDataForkName(const HFSUniStr255& name) {
  return name.length == 0;
}
bool isResourceForkName(const HFSUniStr255& name) {
  return sameName(name, kResourceForkName);
}

Fork::Fork(Kind kind, bool write, std::string path)
    : m_kind(kind), m_write(write), m_path(std::move(path)) {}

Fork::~Fork() {
  // A destructor has no one to tell; callers that must know call close().
  (void)close();
}

int32_t Fork::open(const FSRef& file, const HFSUniStr255& name, bool write,
                   std::unique_ptr<Fork>& fork) {
  if (isDataForkName(name)) return open(file, Kind::Data, write, fork);
  if (isResourceForkName(name)) return open(file, Kind::Resource, write, fork);
  return errFSForkNotFound;
}

int32_t Fork::open(const FSRef& file, Kind kind, bool write, std::unique_ptr<Fork>& fork) {
  fork.reset();
  if (!isRefValid(file)) return fnfErr;
  struct stat st;
  if (::stat(file.path.c_str(), &st) != 0) return status(errno);
  if (S_ISDIR(st.st_mode)) return notAFileErr;

  if (kind == Kind::Data) {
    std::unique_ptr<Fork> opened(new Fork(kind, write, file.path));
    int fd = -1;
    if (int err = fileSystem().open(file.path, write ? O_RDWR : O_RDONLY, 0, fd))
      return status(err);
    opened->m_fd = fd;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return notAFileErr;
    fork = std::move(opened);
    return noErr;
  }

  std::unique_ptr<Fork> opened(new Fork(kind, write, sidecarPath(file.path)));
  if (int32_t err = opened->openSidecar()) return err;
  fork = std::move(opened);
  return noErr;
}

int32_t Fork::createNew(int folderFd, const std::string& folderPath, const std::string& name,
                        std::unique_ptr<Fork>& fork) {
  fork.reset();
  if (!isValidItemName(name)) return bdNamErr;
  std::unique_ptr<Fork> made(new Fork(Kind::Data, true, joinPath(folderPath, name)));
  int fd = -1;
  if (int err = fileSystem().createAt(folderFd, name, 0666, fd)) return status(err);
  made->m_fd = fd;
  fork = std::move(made);
  return noErr;
}

int32_t Fork::setModificationTime(const timespec& modification) {
  if (m_fd < 0 || !m_write || m_kind != Kind::Data) return paramErr;
  timespec access{};
  access.tv_nsec = UTIME_OMIT;
  return status(fileSystem().setFileTimes(m_fd, access, modification));
}

int32_t Fork::openSidecar() {
  IFileSystem& fs = fileSystem();
  struct stat st;
  if (::lstat(m_path.c_str(), &st) != 0) {
    // No sidecar, or a name too long to have one: an empty fork. Writing to
    // it then fails when the sidecar is made.
    if (errno == ENOENT || errno == ENAMETOOLONG) return noErr;
    return status(errno);
  }
  bool magic = false;
  if (int err = checkAppleDoubleMagic(m_path, magic)) return status(err);
  if (!magic) {
    // An ordinary file of that name: reads see an empty fork, and writing
    // must not overwrite it.
    return m_write ? dupFNErr : noErr;
  }
  int fd = -1;
  if (int err = fs.open(m_path, (m_write ? O_RDWR : O_RDONLY) | O_NOFOLLOW, 0, fd))
    return status(err);
  AppleDoubleLayout layout;
  const int parseErr = parseAppleDouble(fd, layout);
  if (parseErr && parseErr != EINVAL) {
    closeQuietly(fs, fd);
    return status(parseErr);
  }
  const bool valid = parseErr == 0;
  if (!m_write || (valid && (layout.forkRunsToEnd || !layout.hasFork))) {
    if (valid && !layout.hasFork && m_write) {
      // A sidecar without a fork entry (Finder info only): start ours.
      closeQuietly(fs, fd);
      return createSidecar();
    }
    m_fd = fd;
    if (valid && layout.hasFork) {
      m_base = layout.forkOffset;
      m_length = layout.forkLength;
      m_lengthField = layout.lengthFieldOffset;
    } else {
      // A damaged sidecar reads as an empty fork.
      m_base = 0;
      m_length = 0;
    }
    return noErr;
  }

  // Writing a sidecar laid out elsewhere: rewrite it in our layout first.
  std::vector<uint8_t> data;
  if (valid && layout.hasFork) {
    data.resize(static_cast<size_t>(layout.forkLength));
    size_t done = 0;
    while (done < data.size()) {
      size_t got = 0;
      if (int err = fs.read(fd, data.data() + done, data.size() - done,
                            static_cast<off_t>(layout.forkOffset + done), got)) {
        closeQuietly(fs, fd);
        return status(err);
      }
      if (got == 0) break;
      done += got;
    }
    data.resize(done);
  }
  closeQuietly(fs, fd);
  std::vector<uint8_t> content = appleDoubleHeader(static_cast<uint32_t>(data.size()));
  content.insert(content.end(), data.begin(), data.end());
  if (int err = atomicWriteFile(m_path, content.data(), content.size())) return status(err);
  if (int err = fs.open(m_path, O_RDWR | O_NOFOLLOW, 0, fd)) return status(err);
  m_fd = fd;
  m_base = kAppleDoubleForkOffset;
  m_length = data.size();
  m_lengthField = kAppleDoubleLengthField;
  return noErr;
}

int32_t Fork::createSidecar() {
  IFileSystem& fs = fileSystem();
  int fd = -1;
  // Replaces a header-only sidecar; an absent one is created.
  if (int err = fs.open(m_path, O_RDWR | O_CREAT | O_NOFOLLOW, 0666, fd)) return status(err);
  const std::vector<uint8_t> header = appleDoubleHeader(0);
  int err = fs.truncate(fd, 0);
  if (!err) err = writeAll(fs, fd, header.data(), header.size(), 0);
  if (err) {
    closeQuietly(fs, fd);
    // The failure is what the caller hears; a sidecar without a header is
    // read as no sidecar.
    (void)fs.unlink(m_path);
    return status(err);
  }
  m_fd = fd;
  m_base = kAppleDoubleForkOffset;
  m_length = 0;
  m_lengthField = kAppleDoubleLengthField;
  return noErr;
}

int32_t Fork::storeLength(uint64_t length) {
  if (length > std::numeric_limits<uint32_t>::max()) return dskFulErr;
  uint8_t bytes[4];
  writeBigEndian32(bytes, static_cast<uint32_t>(length));
  if (int err =
          writeAll(fileSystem(), m_fd, bytes, sizeof bytes, static_cast<off_t>(m_lengthField)))
    return status(err);
  m_length = length;
  return noErr;
}

int32_t Fork::close() {
  if (m_fd < 0) return noErr;
  IFileSystem& fs = fileSystem();
  const int err = fs.close(m_fd);
  m_fd = -1;
  if (m_kind == Kind::Resource && m_write && m_length == 0) {
    // A fork closed empty leaves no sidecar behind.
    if (int unlinkErr = fs.unlink(m_path)) return status(unlinkErr);
  }
  return status(err);
}

int32_t Fork::read(void* buf, uint32_t n, uint32_t& got) {
  got = 0;
  if (n == 0) return noErr;
  if (m_fd < 0) return eofErr;
  uint64_t wanted = n;
  if (m_kind == Kind::Resource) {
    const uint64_t pos = static_cast<uint64_t>(m_position);
    wanted = pos >= m_length ? 0 : std::min<uint64_t>(n, m_length - pos);
  }
  IFileSystem& fs = fileSystem();
  char* out = static_cast<char*>(buf);
  const off_t start = static_cast<off_t>(m_base + static_cast<uint64_t>(m_position));
  uint64_t total = 0;
  while (total < wanted) {
    size_t chunk = 0;
    if (int err = fs.read(m_fd, out + total, static_cast<size_t>(wanted - total),
                          start + static_cast<off_t>(total), chunk)) {
      got = static_cast<uint32_t>(total);
      m_position += static_cast<int64_t>(total);
      return status(err);
    }
    if (chunk == 0) break;
    total += chunk;
  }
  if (m_noCache && total > 0)
    ::posix_fadvise(m_fd, start, static_cast<off_t>(total), POSIX_FADV_DONTNEED);
  got = static_cast<uint32_t>(total);
  m_position += static_cast<int64_t>(total);
  return total < n ? eofErr : noErr;
}

int32_t Fork::write(const void* buf, uint32_t n) {
  if (!m_write) return wrPermErr;
  if (n == 0) return noErr;
  if (m_fd < 0) {
    if (int32_t err = createSidecar()) return err;
  }
  const uint64_t end = static_cast<uint64_t>(m_position) + n;
  if (m_kind == Kind::Resource && end > std::numeric_limits<uint32_t>::max()) return dskFulErr;
  const off_t start = static_cast<off_t>(m_base + static_cast<uint64_t>(m_position));
  if (int err = writeAll(fileSystem(), m_fd, buf, n, start)) return status(err);
  m_position += n;
  if (m_kind == Kind::Resource && end > m_length) return storeLength(end);
  return noErr;
}

int32_t Fork::setPosition(int64_t position) {
  if (position < 0) return posErr;
  m_position = position;
  return noErr;
}

int32_t Fork::movePosition(int64_t delta) {
  if (delta < 0 && -delta > m_position) return posErr;
  return setPosition(m_position + delta);
}

int32_t Fork::getSize(int64_t& size) const {
  size = 0;
  if (m_kind == Kind::Resource) {
    size = static_cast<int64_t>(m_length);
    return noErr;
  }
  struct stat st;
  if (::fstat(m_fd, &st) != 0) return status(errno);
  size = st.st_size;
  return noErr;
}

int32_t Fork::setSize(int64_t size) {
  if (!m_write) return wrPermErr;
  if (size < 0) return paramErr;
  if (m_kind == Kind::Resource) {
    if (static_cast<uint64_t>(size) > std::numeric_limits<uint32_t>::max()) return dskFulErr;
    if (m_fd < 0) {
      if (size == 0) return noErr;
      if (int32_t err = createSidecar()) return err;
    }
  }
  if (int err =
          fileSystem().truncate(m_fd, static_cast<off_t>(m_base + static_cast<uint64_t>(size))))
    return status(err);
  if (m_kind == Kind::Resource) {
    if (int32_t err = storeLength(static_cast<uint64_t>(size))) return err;
  }
  if (m_position > size) m_position = size;
  return noErr;
}

struct DeferredSync::Pending {
  std::set<std::string> files;
  std::set<std::string> folders;
};

int32_t Fork::flush() {
  if (m_fd < 0 || !m_write) return noErr;
  if (tPending) {
    // Start writing the bytes out now, without waiting, so that the commit
    // finds them on their way and a journal commit covers many files.
    (void)::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    tPending->files.insert(m_path);
    const size_t slash = m_path.rfind('/');
    tPending->folders.insert(slash == 0 ? std::string("/") : m_path.substr(0, slash));
    return noErr;
  }
  return status(fileSystem().fsync(m_fd));
}

DeferredSync::DeferredSync() {
  if (tPending) return;
  m_pending = new Pending();
  tPending = m_pending;
}

DeferredSync::~DeferredSync() {
  if (!m_pending) return;
  tPending = nullptr;
  delete m_pending;
}

int32_t DeferredSync::commit() {
  if (!m_pending) return noErr;
  IFileSystem& fs = fileSystem();
  int first = 0;
  const auto note = [&](int err) {
    if (err && !first) first = err;
  };
  const auto sync = [&](const std::string& path, int flags, bool wholeVolume) {
    int fd = -1;
    int err = fs.open(path, flags, 0, fd);
    if (!err) {
      err = wholeVolume ? (::syncfs(fd) == 0 ? 0 : errno) : fs.fsync(fd);
      closeQuietly(fs, fd);
    }
    note(err);
  };
  if (m_pending->files.size() >= kSyncVolumeFrom) {
    // Many files: one sync of each volume holding them waits for the disk
    // once, where a sync of each file would wait once a file.
    std::map<dev_t, std::string> volumes;
    for (const std::string& folder : m_pending->folders) {
      struct stat st;
      if (::stat(folder.c_str(), &st) != 0) {
        note(errno);
        continue;
      }
      volumes.emplace(st.st_dev, folder);
    }
    for (const auto& volume : volumes) sync(volume.second, O_RDONLY | O_DIRECTORY, true);
  } else {
    for (const std::string& file : m_pending->files) sync(file, O_RDONLY, false);
    // The folders last: their names for the files are durable only now.
    for (const std::string& folder : m_pending->folders)
      sync(folder, O_RDONLY | O_DIRECTORY, false);
  }
  m_pending->files.clear();
  m_pending->folders.clear();
  return status(first);
}

}  // namespace platform
