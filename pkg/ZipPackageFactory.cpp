#include "pkg/ZipPackageFactory.h"

#include <cassert>
#include <cstdio>

#include "pkg/BasePkgFileSystem.h"
#include "pkg/PackageException.h"
#include "pkg/ZipIO.h"
#include "pkg/ZipPackage.h"
#include "pkg/ZipRecords.h"

namespace pkg::zip {

std::atomic<ZipPackageFactory*> ZipPackageFactory::s_instance{nullptr};
PkgMutualExclusion ZipPackageFactory::s_mutex;

ZipPackageFactory* ZipPackageFactory::getInstance() {
  return guardedSingleton(s_instance, s_mutex);
}

ZipPackageFactory::ZipPackageFactory() : m_fileSystem(BasePkgFileSystem::getInstance()) {
  assert(s_instance.load() == nullptr);
  s_instance.store(this, std::memory_order_release);
}

ZipPackageFactory::~ZipPackageFactory() {
  ZipPackageFactory* self = this;
  s_instance.compare_exchange_strong(self, nullptr);
}

std::shared_ptr<IPackage> ZipPackageFactory::openPackage(const std::string& path, openmode mode,
                                                         IPkgFileSystem* fileSystem,
                                                         IPkgPolicies* policies,
                                                         IXMLParser* parser) {
  IPkgFileSystem* fs = fileSystem ? fileSystem : m_fileSystem;
  if (!fs) throw PackageException(kPkgErrIllegalState);
  return openPackage(fs->getFSFileName(path), mode, policies, parser);
}

std::shared_ptr<IPackage> ZipPackageFactory::openPackage(std::shared_ptr<IPkgFSFileName> name,
                                                         openmode mode, IPkgPolicies* policies,
                                                         IXMLParser* parser) {
  if (!name) throw PackageException(kPkgErrBadArgument);
  IPkgFileSystem* fs = name->getFileSystem() ? name->getFileSystem() : m_fileSystem;
  auto package =
      std::make_shared<ZipPackage>(std::move(name), fs, policies, parser ? parser : m_parser);
  package->open(mode);
  return package;
}

std::shared_ptr<IPackage> ZipPackageFactory::openPackage(std::shared_ptr<IPkgFSFile> file,
                                                         IPkgPolicies* policies,
                                                         IXMLParser* parser) {
  if (!file) throw PackageException(kPkgErrBadArgument);
  return std::make_shared<ZipPackage>(std::move(file), policies, parser ? parser : m_parser);
}

std::shared_ptr<IPackage> ZipPackageFactory::createConformingPackage(
    const std::string& path, const std::string& mimeType, bool beginUpdate,
    IPkgFileSystem* fileSystem, IPkgPolicies* policies, IXMLParser* parser) {
  std::shared_ptr<IPackage> package =
      openPackage(path, std::ios_base::out | std::ios_base::trunc, fileSystem, policies, parser);
  if (beginUpdate) package->beginUpdate();
  package->setMIMEType(mimeType);
  return package;
}

bool ZipPackageFactory::acceptPackage(const std::string& path, IPkgFileSystem* fileSystem) {
  IPkgFileSystem* fs = fileSystem ? fileSystem : m_fileSystem;
  if (!fs) throw PackageException(kPkgErrIllegalState);
  return acceptPackage(fs->getFSFileName(path));
}

bool ZipPackageFactory::acceptPackage(std::shared_ptr<IPkgFSFileName> name) {
  if (!name) throw PackageException(kPkgErrBadArgument);
  IPkgFileSystem* fs = name->getFileSystem() ? name->getFileSystem() : m_fileSystem;
  std::shared_ptr<IPkgFSFile> file = fs->openFile(name, std::ios_base::in);
  bool accepted = false;
  try {
    accepted = acceptPackage(file);
  } catch (...) {
    try {
      file->close();
    } catch (...) {
      // The first failure is the one to report.
    }
    throw;
  }
  file->close();
  return accepted;
}

bool ZipPackageFactory::acceptPackage(std::shared_ptr<IPkgFSFile> file) {
  if (!file) throw PackageException(kPkgErrBadArgument);
  if (file->isSeekable()) file->seek(0, SEEK_SET);
  uint8_t bytes[4];
  if (readFully(*file, bytes, sizeof(bytes)) < sizeof(bytes)) return false;
  uint32_t signature = getLE32(bytes);
  if (signature == kSplitArchiveMarker) throw PackageException(kPkgErrSplitZip);
  // An archive without entries is nothing but its end record; the library
  // writes such archives, so it must read them back.
  return signature == kLocalFileHeaderSignature || signature == kEndCentralDirectorySignature;
}

void ZipPackageFactory::setDefaultFileSystem(IPkgFileSystem* fileSystem) {
  m_fileSystem = fileSystem ? fileSystem : BasePkgFileSystem::getInstance();
}

void ZipPackageFactory::setPackageXMLParser(IXMLParser* parser) {
  m_parser = parser;
}

}  // namespace pkg::zip
