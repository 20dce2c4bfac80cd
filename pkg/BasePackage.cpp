#include "pkg/BasePackage.h"

#include "pkg/PackageException.h"

namespace pkg {

BasePackage::BasePackage(std::shared_ptr<IPkgFSFile> file, IPkgPolicies* policies,
                         IXMLParser* parser)
    : m_currentMode(file ? file->getMode() : openmode()),
      m_modeAtOpen(m_currentMode),
      m_file(file),
      m_fileName(file ? file->getFileName() : nullptr),
      m_fileSystem(file ? file->getFileSystem() : nullptr),
      m_xmlParser(parser),
      m_propertyMgr(std::make_unique<PkgPropertyMgr>(this)),
      m_policies(policies) {}

BasePackage::BasePackage(std::shared_ptr<IPkgFSFileName> name, IPkgFileSystem* fileSystem,
                         IPkgPolicies* policies, IXMLParser* parser)
    : m_currentMode(),
      m_modeAtOpen(),
      m_fileName(std::move(name)),
      m_fileSystem(fileSystem),
      m_xmlParser(parser),
      m_propertyMgr(std::make_unique<PkgPropertyMgr>(this)),
      m_policies(policies) {}

BasePackage::~BasePackage() = default;

void BasePackage::checkOpen() const {
  if (!m_open) throw PackageException(kPkgErrIllegalState);
}

openmode BasePackage::getOpenMode(bool current) {
  checkOpen();
  return current ? m_currentMode : m_modeAtOpen;
}

void BasePackage::setDefaultCompressionMethod(CompressionMethod method) {
  checkOpen();
  if (method != stored && method != deflate) throw PackageException(kPkgErrBadArgument);
  m_defaultMethod = method;
}

CompressionMethod BasePackage::getDefaultCompressionMethod() {
  checkOpen();
  return m_defaultMethod;
}

bool BasePackage::isModified() {
  checkOpen();
  return m_modified;
}

void BasePackage::saveAs(const std::string& newName, openmode mode) {
  checkOpen();
  if (!m_fileSystem) throw PackageException(kPkgErrIllegalState);
  saveAs(m_fileSystem->getFSFileName(newName), mode);
}

void BasePackage::saveAs(std::shared_ptr<IPkgFSFileName> newName, openmode mode) {
  checkOpen();
  beginUpdate(std::move(newName), mode);
  endUpdate();
}

void BasePackage::close() {
  checkOpen();
  closeWithoutSave();
}

std::string BasePackage::getName() {
  checkOpen();
  return m_fileName ? m_fileName->getName() : std::string();
}

std::shared_ptr<IPkgFSFile> BasePackage::getFSFile() {
  checkOpen();
  return m_file;
}

std::string BasePackage::getProperty(UCFPropertyName name) {
  checkOpen();
  return m_propertyMgr->getGenericProperty(PkgPropertyMgr::s_packagePath, name);
}

void BasePackage::setProperty(UCFPropertyName name, const std::string& value) {
  checkOpen();
  m_propertyMgr->setGenericProperty(PkgPropertyMgr::s_packagePath, name, value, false);
}

IPkgPolicies* BasePackage::getPolicies() {
  checkOpen();
  return m_policies;
}

int BasePackage::getPolicy(Policies policy) {
  checkOpen();
  return m_policies ? m_policies->getPolicy(policy) : 0;
}

}  // namespace pkg
