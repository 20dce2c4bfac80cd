#pragma once

#include <string>

#include "pkg/IPkgFileSystem.h"

namespace pkg {

// A POSIX path bound to the file system it belongs to.
class BasePkgFSFileName : public IPkgFSFileName {
 public:
  BasePkgFSFileName(IPkgFileSystem* fileSystem, const std::string& name);
  ~BasePkgFSFileName() override;
  IPkgFileSystem* getFileSystem() override;
  const std::string& getName() override;

 private:
  IPkgFileSystem* m_fileSystem;
  std::string m_name;
};

}  // namespace pkg
