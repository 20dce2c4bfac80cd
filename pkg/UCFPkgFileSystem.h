#pragma once

#include <memory>
#include <string>

#include "pkg/BasePkgFSFile.h"
#include "pkg/BasePkgFSFileName.h"
#include "pkg/IPkgFileSystem.h"

namespace pkg {

// The plain front of the package file system: every operation goes to the
// library's own file system (the process-wide one unless another is given).
// Names it makes belong to it.
class UCFPkgFileSystem : public IPkgFileSystem {
 public:
  UCFPkgFileSystem();
  explicit UCFPkgFileSystem(IPkgFileSystem* inner);
  ~UCFPkgFileSystem() override;

  std::shared_ptr<IPkgFSFile> openFile(std::shared_ptr<IPkgFSFileName> name,
                                       openmode mode) override;
  std::shared_ptr<IPkgFSFile> createTempFile() override;
  std::shared_ptr<IPkgFSFile> reopenTempFileByName(std::shared_ptr<IPkgFSFileName> name,
                                                   openmode mode) override;
  void deleteTempFileByName(std::shared_ptr<IPkgFSFileName> name) override;
  std::shared_ptr<IPkgFSFileName> getFSFileName(const std::string& name) override;

 private:
  IPkgFileSystem* m_inner;
};

// A file of the package file system opened by path.
class UCFPkgFSFile : public BasePkgFSFile {
 public:
  using BasePkgFSFile::BasePkgFSFile;
  ~UCFPkgFSFile() override;
};

// A path bound to its file system.
class UCFPkgFSFileName : public BasePkgFSFileName {
 public:
  using BasePkgFSFileName::BasePkgFSFileName;
  ~UCFPkgFSFileName() override;
};

}  // namespace pkg
