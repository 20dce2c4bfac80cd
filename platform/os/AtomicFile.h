#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Replaces a file as one step: the new content goes to a temporary sibling,
// which is flushed to disk and renamed over the target. Until commit succeeds
// the target is untouched; a writer destroyed without a commit removes its
// temporary file. The new file keeps the old one's mode, Finder info and (for
// root) owner. A target that is a symbolic link is written through the link.
// All calls go through the current IFileSystem and return 0 or an errno.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  [[nodiscard]] int begin();
  [[nodiscard]] int write(const void* data, size_t n);
  [[nodiscard]] int commit();
  // Removes the temporary file; the target stays as it was.
  void abandon();

  const std::string& targetPath() const { return m_target; }
  const std::string& tempPath() const { return m_temp; }
  // The flush of the folder after the last commit's rename: 0 or an errno.
  // The new content is in place either way; commit does not count it, so a
  // caller that must know the rename will last asks here.
  int folderSyncError() const { return m_folderSyncError; }

 private:
  std::string m_path;
  std::string m_target;
  std::string m_temp;
  int m_fd = -1;
  long long m_offset = 0;
  int m_error = 0;
  int m_folderSyncError = 0;
};

// The whole save in one call.
[[nodiscard]] int atomicWriteFile(const std::string& path, const void* data, size_t n);

}  // namespace platform
