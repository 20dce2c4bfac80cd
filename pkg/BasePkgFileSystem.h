#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "pkg/IPkgFileSystem.h"
#include "pkg/PkgMutualExclusion.h"

namespace pkg {

// The library's default file system (a process-wide singleton): files by
// POSIX path, and uniquely named temporary files in the user's private
// temporary-items folder.
class BasePkgFileSystem : public IPkgFileSystem {
 public:
  static BasePkgFileSystem* getInstance();

  std::shared_ptr<IPkgFSFile> openFile(std::shared_ptr<IPkgFSFileName> name,
                                       openmode mode) override;
  // Made exclusively with permissions 0600; code 48 when no name is free or
  // there is no temporary folder.
  std::shared_ptr<IPkgFSFile> createTempFile() override;
  std::shared_ptr<IPkgFSFile> reopenTempFileByName(std::shared_ptr<IPkgFSFileName> name,
                                                   openmode mode) override;
  // Removes the file, ignoring the result.
  void deleteTempFileByName(std::shared_ptr<IPkgFSFileName> name) override;
  std::shared_ptr<IPkgFSFileName> getFSFileName(const std::string& name) override;

  // The temporary-items folder with a trailing "/", or "" when there is none.
  // Looked up (and made when missing) at each call, so that a folder
  // removed while the program runs comes back.
  std::string getTempDir();
  // The next candidate name: folder, "ucf", the process id as at least five
  // hex digits, four hex digits from the name counter; "" without a folder.
  std::string getTempFilePath();

  BasePkgFileSystem();
  ~BasePkgFileSystem() override;
  BasePkgFileSystem(const BasePkgFileSystem&) = delete;
  BasePkgFileSystem& operator=(const BasePkgFileSystem&) = delete;

 private:
  static std::atomic<BasePkgFileSystem*> s_instance;
  static PkgMutualExclusion s_mutex;

  uint32_t m_processId;
  uint16_t m_nameCounter;
  uint16_t m_nameMask;
  std::string m_tempDir;
};

}  // namespace pkg
