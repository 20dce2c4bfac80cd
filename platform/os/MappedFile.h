#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A read-only mapping of a whole regular file. The file is opened through
// the file-system seam, so opening can be made to fail in tests.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the file at path (following a final link); 0, fnfErr when it
  // cannot be opened or is not a regular file, else the mapping's status.
  [[nodiscard]] int32_t open(const std::string& path);
  void close();

  // Null for an empty file.
  const uint8_t* data() const { return m_base; }
  int64_t size() const { return m_size; }

 private:
  int m_fd = -1;
  int64_t m_size = 0;
  const uint8_t* m_base = nullptr;
};

}  // namespace platform
