#include "pkg/BasePkgFSFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "pkg/PackageException.h"
#include "platform/os/ArchiveSupport.h"

namespace pkg {

namespace {

platform::ArchiveOpenMode archiveModeFor(openmode mode) {
  const bool in = (mode & std::ios_base::in) != 0;
  const bool out = (mode & std::ios_base::out) != 0;
  const bool trunc = (mode & std::ios_base::trunc) != 0;
  if ((mode & std::ios_base::app) == 0) {
    if (in && !out && !trunc) return platform::ArchiveOpenMode::kRead;
    if (out && !in) return platform::ArchiveOpenMode::kWriteTruncate;
    if (in && out) {
      return trunc ? platform::ArchiveOpenMode::kReadWriteTruncate
                   : platform::ArchiveOpenMode::kReadWrite;
    }
  }
  throw PackageIOException(kPkgErrUnsupportedOperation);
}

}  // namespace

BasePkgFSFile::BasePkgFSFile(IPkgFileSystem* fileSystem, std::shared_ptr<IPkgFSFileName> name,
                             openmode mode)
    : m_fileSystem(fileSystem), m_name(std::move(name)), m_mode(mode) {
  if (!m_name) throw PackageException(kPkgErrBadArgument);
  platform::ArchiveOpenMode archiveMode = archiveModeFor(mode);
  int error = platform::openArchiveFile(m_name->getName(), archiveMode, m_fd);
  if (error) fail(error);
  m_open = true;
  m_canRead = archiveMode != platform::ArchiveOpenMode::kWriteTruncate;
  m_canWrite = archiveMode != platform::ArchiveOpenMode::kRead;
}

BasePkgFSFile::BasePkgFSFile(IPkgFileSystem* fileSystem, std::shared_ptr<IPkgFSFileName> name,
                             openmode mode, int descriptor)
    : m_fileSystem(fileSystem),
      m_name(std::move(name)),
      m_mode(mode),
      m_fd(descriptor),
      m_open(descriptor >= 0),
      m_canRead(true),
      m_canWrite(true) {}

BasePkgFSFile::~BasePkgFSFile() {
  try {
    close();
  } catch (...) {
    // A destructor must not throw; the descriptor is released either way.
  }
}

void BasePkgFSFile::fail(int error) const {
  throw PackageIOException(platform::archiveErrorText(error));
}

void BasePkgFSFile::checkOpen() const {
  if (!m_open) fail(EBADF);
}

openmode BasePkgFSFile::getMode() {
  return m_mode;
}

void BasePkgFSFile::close() {
  if (!m_open) return;
  int flushError = 0;
  if (!m_writeBuffer.empty()) {
    flushError =
        platform::writeArchiveFile(m_fd, m_writeBuffer.data(), m_writeBuffer.size(), m_writeStart);
    m_writeBuffer.clear();
  }
  int closeError = platform::closeArchiveFile(m_fd);
  m_fd = -1;
  m_open = false;
  m_readLength = 0;
  if (flushError) fail(flushError);
  if (closeError) fail(closeError);
}

void BasePkgFSFile::flushWrites() {
  if (m_writeBuffer.empty()) return;
  int error =
      platform::writeArchiveFile(m_fd, m_writeBuffer.data(), m_writeBuffer.size(), m_writeStart);
  m_writeBuffer.clear();
  if (error) fail(error);
}

int BasePkgFSFile::read(void* buffer, int n) {
  checkOpen();
  if (!m_canRead) fail(EBADF);
  if (n <= 0) return 0;
  flushWrites();
  auto* out = static_cast<uint8_t*>(buffer);
  const size_t want = static_cast<size_t>(n);
  size_t done = 0;
  while (done < want) {
    if (m_position >= m_readStart &&
        m_position < m_readStart + static_cast<int64_t>(m_readLength)) {
      size_t offset = static_cast<size_t>(m_position - m_readStart);
      size_t take = std::min(want - done, m_readLength - offset);
      std::memcpy(out + done, m_readBuffer.data() + offset, take);
      done += take;
      m_position += static_cast<int64_t>(take);
      continue;
    }
    size_t left = want - done;
    size_t got = 0;
    if (left >= kBufferSize) {
      // Large reads go straight into the caller's buffer.
      int error = platform::readArchiveFile(m_fd, out + done, left, m_position, got);
      if (error) fail(error);
      if (got == 0) break;
      done += got;
      m_position += static_cast<int64_t>(got);
      continue;
    }
    m_readBuffer.resize(kBufferSize);
    int error = platform::readArchiveFile(m_fd, m_readBuffer.data(), kBufferSize, m_position, got);
    if (error) {
      m_readLength = 0;
      fail(error);
    }
    m_readStart = m_position;
    m_readLength = got;
    if (got == 0) break;
  }
  return static_cast<int>(done);
}

int BasePkgFSFile::write(const void* buffer, int n) {
  checkOpen();
  if (!m_canWrite) fail(EBADF);
  if (n <= 0) return 0;
  const size_t count = static_cast<size_t>(n);
  const auto* in = static_cast<const uint8_t*>(buffer);
  // Buffered bytes that the write covers would be stale.
  if (m_readLength > 0 && m_position < m_readStart + static_cast<int64_t>(m_readLength) &&
      m_position + static_cast<int64_t>(count) > m_readStart) {
    m_readLength = 0;
  }
  if (!m_writeBuffer.empty() &&
      m_position != m_writeStart + static_cast<int64_t>(m_writeBuffer.size())) {
    flushWrites();
  }
  if (m_writeBuffer.size() + count > kBufferSize) flushWrites();
  if (m_writeBuffer.empty()) m_writeStart = m_position;
  if (count >= kBufferSize) {
    int error = platform::writeArchiveFile(m_fd, in, count, m_position);
    if (error) fail(error);
  } else {
    m_writeBuffer.insert(m_writeBuffer.end(), in, in + count);
  }
  m_position += static_cast<int64_t>(count);
  return n;
}

int64_t BasePkgFSFile::currentSize() {
  int64_t size = 0;
  int error = platform::archiveFileSize(m_fd, size);
  if (error) fail(error);
  if (!m_writeBuffer.empty()) {
    size = std::max(size, m_writeStart + static_cast<int64_t>(m_writeBuffer.size()));
  }
  return size;
}

int64_t BasePkgFSFile::seek(int64_t offset, int whence) {
  checkOpen();
  int64_t base;
  switch (whence) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = m_position;
      break;
    case SEEK_END:
      base = currentSize();
      break;
    default:
      fail(EINVAL);
  }
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) fail(EINVAL);
  m_position = base + offset;
  return m_position;
}

int64_t BasePkgFSFile::tell() {
  checkOpen();
  return m_position;
}

void BasePkgFSFile::flush() {
  checkOpen();
  flushWrites();
}

void BasePkgFSFile::truncate(int64_t length) {
  checkOpen();
  if (length < 0) fail(EINVAL);
  flushWrites();
  m_readLength = 0;
  int error = platform::truncateArchiveFile(m_fd, length);
  if (error) fail(error);
}

int BasePkgFSFile::getCapabilities() {
  return kFSCapRead | kFSCapWrite | kFSCapSeek | kFSCapTell | kFSCapTruncate;
}

IPkgFileSystem* BasePkgFSFile::getFileSystem() {
  return m_fileSystem;
}

std::string BasePkgFSFile::getName() {
  return m_name ? m_name->getName() : std::string();
}

std::shared_ptr<IPkgFSFileName> BasePkgFSFile::getFileName() {
  return m_name;
}

}  // namespace pkg
