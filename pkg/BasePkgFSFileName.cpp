#include "pkg/BasePkgFSFileName.h"

namespace pkg {

BasePkgFSFileName::BasePkgFSFileName(IPkgFileSystem* fileSystem, const std::string& name)
    : m_fileSystem(fileSystem), m_name(name) {}

BasePkgFSFileName::~BasePkgFSFileName() = default;

IPkgFileSystem* BasePkgFSFileName::getFileSystem() {
  return m_fileSystem;
}

const std::string& BasePkgFSFileName::getName() {
  return m_name;
}

}  // namespace pkg
