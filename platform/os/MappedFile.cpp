#include "platform/os/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"

namespace platform {

MappedFile::~MappedFile() {
  close();
}

int32_t MappedFile::open(const std::string& path) {
  close();
  IFileSystem& fs = fileSystem();
  if (path.empty() || fs.open(path, O_RDONLY, 0, m_fd) != 0) {
    m_fd = -1;
    return fnfErr;
  }
  struct stat st;
  if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close();
    return fnfErr;
  }
  m_size = st.st_size;
  if (m_size > 0) {
    void* mapping = ::mmap(nullptr, static_cast<size_t>(m_size), PROT_READ, MAP_PRIVATE, m_fd, 0);
    // A failed mapping is MAP_FAILED, never null.
    if (mapping == MAP_FAILED) {
      const int32_t status = macStatusFromErrno(errno);
      close();
      return status;
    }
    m_base = static_cast<const uint8_t*>(mapping);
  }
  return noErr;
}

void MappedFile::close() {
  if (m_base != nullptr) ::munmap(const_cast<uint8_t*>(m_base), static_cast<size_t>(m_size));
  m_base = nullptr;
  m_size = 0;
  if (m_fd >= 0) closeQuietly(fileSystem(), m_fd);
  m_fd = -1;
}

}  // namespace platform
