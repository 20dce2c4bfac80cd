#include "pkg/UCFPkgFileSystem.h"

#include "pkg/BasePkgFileSystem.h"
#include "pkg/PackageException.h"

namespace pkg {

UCFPkgFileSystem::UCFPkgFileSystem() : m_inner(BasePkgFileSystem::getInstance()) {}

UCFPkgFileSystem::UCFPkgFileSystem(IPkgFileSystem* inner)
    : m_inner(inner ? inner : BasePkgFileSystem::getInstance()) {}

UCFPkgFileSystem::~UCFPkgFileSystem() = default;

std::shared_ptr<IPkgFSFile> UCFPkgFileSystem::openFile(std::shared_ptr<IPkgFSFileName> name,
                                                       openmode mode) {
  return m_inner->openFile(std::move(name), mode);
}

std::shared_ptr<IPkgFSFile> UCFPkgFileSystem::createTempFile() {
  return m_inner->createTempFile();
}

std::shared_ptr<IPkgFSFile> UCFPkgFileSystem::reopenTempFileByName(
    std::shared_ptr<IPkgFSFileName> name, openmode mode) {
  return m_inner->reopenTempFileByName(std::move(name), mode);
}

void UCFPkgFileSystem::deleteTempFileByName(std::shared_ptr<IPkgFSFileName> name) {
  m_inner->deleteTempFileByName(std::move(name));
}

std::shared_ptr<IPkgFSFileName> UCFPkgFileSystem::getFSFileName(const std::string& name) {
  return std::make_shared<UCFPkgFSFileName>(this, name);
}

UCFPkgFSFile::~UCFPkgFSFile() = default;
UCFPkgFSFileName::~UCFPkgFSFileName() = default;

}  // namespace pkg
