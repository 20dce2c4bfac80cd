#include "pkg/UCFPackage.h"

#include "pkg/PackageException.h"

namespace pkg {

UCFPackage::UCFPackage(std::shared_ptr<IPackage> package) : m_package(std::move(package)) {}

IPackage& UCFPackage::package() const {
  if (!m_package) throw PackageException(kPkgErrIllegalState);
  return *m_package;
}

openmode UCFPackage::getOpenMode(bool current) {
  return package().getOpenMode(current);
}
void UCFPackage::setDefaultCompressionMethod(CompressionMethod method) {
  package().setDefaultCompressionMethod(method);
}
CompressionMethod UCFPackage::getDefaultCompressionMethod() {
  return package().getDefaultCompressionMethod();
}
bool UCFPackage::isModified() {
  return package().isModified();
}
void UCFPackage::beginUpdate() {
  package().beginUpdate();
}
void UCFPackage::beginUpdate(const std::string& newName, openmode mode) {
  package().beginUpdate(newName, mode);
}
void UCFPackage::beginUpdate(std::shared_ptr<IPkgFSFileName> newName, openmode mode) {
  package().beginUpdate(std::move(newName), mode);
}
void UCFPackage::doUNSAFEUpdateInPlace() {
  package().doUNSAFEUpdateInPlace();
}
void UCFPackage::endUpdate() {
  package().endUpdate();
}
void UCFPackage::cancelUpdate() {
  package().cancelUpdate();
}
void UCFPackage::saveAs(const std::string& newName, openmode mode) {
  package().saveAs(newName, mode);
}
void UCFPackage::saveAs(std::shared_ptr<IPkgFSFileName> newName, openmode mode) {
  package().saveAs(std::move(newName), mode);
}
void UCFPackage::close() {
  package().close();
}
void UCFPackage::closeWithoutSave() {
  package().closeWithoutSave();
}
int UCFPackage::entryExists(const std::string& path) {
  return package().entryExists(path);
}
int UCFPackage::entryExists(const std::string& path, const UCFPkgDirectory& base) {
  return package().entryExists(path, base.directoryHandle());
}
UCFPkgFile UCFPackage::getFile(const std::string& path, bool mustExist) {
  return UCFPkgFile(package().getFile(path, mustExist));
}
UCFPkgFile UCFPackage::getFile(const std::string& path, const UCFPkgDirectory& base) {
  return UCFPkgFile(package().getFile(path, base.directoryHandle()));
}
UCFPkgDirectory UCFPackage::getDirectory(const std::string& path, bool mustExist) {
  return UCFPkgDirectory(package().getDirectory(path, mustExist));
}
UCFPkgDirectory UCFPackage::getDirectory(const std::string& path, const UCFPkgDirectory& base) {
  return UCFPkgDirectory(package().getDirectory(path, base.directoryHandle()));
}
UCFPkgDirectory UCFPackage::getRootDirectory() {
  return UCFPkgDirectory(package().getRootDirectory());
}
std::string UCFPackage::getName() {
  return package().getName();
}
std::shared_ptr<IPkgFSFile> UCFPackage::getFSFile() {
  return package().getFSFile();
}
void UCFPackage::setMIMEType(const std::string& mimeType) {
  package().setMIMEType(mimeType);
}
std::string UCFPackage::getMIMEType() {
  return package().getMIMEType();
}
std::string UCFPackage::getProperty(UCFPropertyName name) {
  return package().getProperty(name);
}
void UCFPackage::setProperty(UCFPropertyName name, const std::string& value) {
  package().setProperty(name, value);
}
int UCFPackage::checkConformance() {
  return package().checkConformance();
}
IPkgPolicies* UCFPackage::getPolicies() {
  return package().getPolicies();
}
int UCFPackage::getPolicy(Policies policy) {
  return package().getPolicy(policy);
}

UCFPkgEntryIterator::UCFPkgEntryIterator(const UCFPackage& package) : m_iterator(package.handle()) {
  if (!package.handle()) throw PackageException(kPkgErrIllegalState);
}

bool UCFPkgEntryIterator::isValid() const {
  return m_iterator.isValid();
}

bool UCFPkgEntryIterator::equal(const UCFPkgEntryIterator& other) const {
  return m_iterator == other.m_iterator;
}

UCFPkgEntry UCFPkgEntryIterator::operator*() const {
  return UCFPkgEntry(*m_iterator);
}

UCFPkgEntryIterator& UCFPkgEntryIterator::operator++() {
  ++m_iterator;
  return *this;
}

}  // namespace pkg
