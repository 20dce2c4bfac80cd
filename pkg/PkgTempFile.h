#pragma once

#include <memory>

#include "pkg/IPkgFileSystem.h"

namespace pkg {

// The temporary file of a file entry, holding its new contents until an
// update writes them: its name, and the opened file while it is open.
class PkgTempFile {
 public:
  explicit PkgTempFile(IPkgFileSystem* fileSystem);
  // Removes the file; never throws.
  ~PkgTempFile();
  PkgTempFile(const PkgTempFile&) = delete;
  PkgTempFile& operator=(const PkgTempFile&) = delete;

  // Asks the file system for a new temporary file (code 24 when there is
  // one already).
  void create();
  // The opened file, reopened for reading and writing when it was closed;
  // null when there is no temporary file.
  std::shared_ptr<IPkgFSFile> getTempFSFilePtr();
  // Closes the opened file; the name stays.
  void close();
  // Closes and deletes the file and drops its name.
  void remove();

  bool exists() const { return m_name != nullptr; }
  std::shared_ptr<IPkgFSFileName> getName() const { return m_name; }

 private:
  IPkgFileSystem* m_fileSystem;
  std::shared_ptr<IPkgFSFile> m_file;
  std::shared_ptr<IPkgFSFileName> m_name;
};

}  // namespace pkg
