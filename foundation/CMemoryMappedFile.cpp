#include "foundation/CMemoryMappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"

CMemoryMappedFile::CMemoryMappedFile(const platform::FSRef& file, bool) {
  platform::IFileSystem& fs = platform::fileSystem();
  if (file.isNull() || fs.open(file.path, O_RDONLY, 0, m_fd) != 0) {
    m_fd = -1;
    throw platform::fnfErr;
  }
  struct stat st;
  if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    fs.close(m_fd);
    throw platform::fnfErr;
  }
  m_size = st.st_size;
  if (m_size > 0) {
    void* mapping = ::mmap(nullptr, static_cast<size_t>(m_size), PROT_READ, MAP_PRIVATE, m_fd, 0);
    if (mapping == MAP_FAILED) {
      const int32_t status = platform::macStatusFromErrno(errno);
      fs.close(m_fd);
      throw status;
    }
    m_base = static_cast<const uint8_t*>(mapping);
  }
}

CMemoryMappedFile::~CMemoryMappedFile() {
  if (m_base) ::munmap(const_cast<uint8_t*>(m_base), static_cast<size_t>(m_size));
  if (m_fd >= 0) platform::fileSystem().close(m_fd);
}

int32_t CMemoryMappedFile::Read(void* buf, int32_t n, int32_t* got) {
  if (n < 1) return platform::noErr;
  if (m_position < 0) return platform::posErr;
  if (!m_base || m_position >= m_size) return platform::eofErr;
  const int64_t left = m_size - m_position;
  const int64_t count = n < left ? n : left;
  std::memcpy(buf, m_base + m_position, static_cast<size_t>(count));
  if (got) *got = static_cast<int32_t>(count);
  m_position += count;
  return platform::noErr;
}

int32_t CMemoryMappedFile::Write(const void*, int32_t) { return platform::eofErr; }

int32_t CMemoryMappedFile::Flush() { return platform::noErr; }

int32_t CMemoryMappedFile::SetPosition(int64_t pos) {
  m_position = pos;
  return platform::noErr;
}

int32_t CMemoryMappedFile::GetPosition(int64_t& pos) const {
  pos = m_position;
  return platform::noErr;
}

int32_t CMemoryMappedFile::SetEof(int64_t) { return platform::paramErr; }

int32_t CMemoryMappedFile::GetEof(int64_t& size) const {
  size = m_size;
  return platform::noErr;
}

int32_t CMemoryMappedFile::AdvanceBy(int32_t delta) {
  m_position += delta;
  return platform::noErr;
}
