#include "pkg/BasePkgEntry.h"

#include "pkg/BasePackage.h"
#include "pkg/PackageException.h"

namespace pkg {

BasePkgEntry::BasePkgEntry(const std::string& name, EntryType type, IPackage* package,
                           SPRefType<IPkgDirectory> parent)
    : m_name(name), m_entryType(type), m_parent(std::move(parent)), m_package(package) {}

BasePkgEntry::~BasePkgEntry() = default;

void BasePkgEntry::remove() {
  m_deleted = true;
  m_modified = true;
  if (auto* base = dynamic_cast<BasePackage*>(m_package)) base->setModified(true);
}

bool BasePkgEntry::isDeleted() {
  return m_deleted;
}
bool BasePkgEntry::isModified() {
  return m_modified;
}

void BasePkgEntry::setCompressionMethod(CompressionMethod method) {
  if (method != stored && method != deflate) throw PackageException(kPkgErrBadArgument);
  m_compressionMethod = method;
}

CompressionMethod BasePkgEntry::getCompressionMethod() {
  return m_compressionMethod;
}
const std::string& BasePkgEntry::getName() {
  return m_name;
}
SPRefType<IPkgDirectory> BasePkgEntry::getParent() {
  return m_parent;
}
IPackage* BasePkgEntry::getPackage() {
  return m_package;
}

void BasePkgEntry::addRef() {
  m_refCount.fetch_add(1);
}

void BasePkgEntry::release() {
  if (m_refCount.fetch_sub(1) == 1) delete this;
}

EntryType BasePkgEntry::getEntryType() {
  return m_entryType;
}

BasePkgFile::~BasePkgFile() = default;

namespace {

PkgPropertyMgr& propertiesOf(IPkgEntry& entry) {
  auto* package = dynamic_cast<BasePackage*>(entry.getPackage());
  if (!package) throw PackageException(kPkgErrIllegalState);
  return *package->getPropertyMgr();
}

}  // namespace

std::string BasePkgFile::getProperty(UCFPropertyName name) {
  return propertiesOf(*this).getGenericProperty(getName(), name);
}

void BasePkgFile::setProperty(UCFPropertyName name, const std::string& value) {
  propertiesOf(*this).setGenericProperty(getName(), name, value, false);
}

}  // namespace pkg
