#include "pkg/BasePkgEntryIterator.h"

#include "pkg/PackageException.h"

namespace pkg {

BasePkgEntryIterator::BasePkgEntryIterator() = default;

BasePkgEntryIterator::BasePkgEntryIterator(std::shared_ptr<IPackage> package,
                                           const std::string& filter)
    : m_package(std::move(package)) {
  if (m_package) m_package->initIterator(m_impl, SPRefType<IPkgDirectory>(), filter);
}

bool BasePkgEntryIterator::isValid() const {
  return m_impl && m_impl->isValid();
}

SPRefType<IPkgEntry> BasePkgEntryIterator::operator*() const {
  if (!isValid()) throw PackageException(kPkgErrIllegalState);
  return m_impl->dereference();
}

BasePkgEntryIterator& BasePkgEntryIterator::operator++() {
  if (!isValid()) throw PackageException(kPkgErrIllegalState);
  m_impl->increment();
  return *this;
}

bool BasePkgEntryIterator::operator==(const BasePkgEntryIterator& other) const {
  bool valid = isValid();
  if (valid != other.isValid()) return false;
  return !valid || m_impl == other.m_impl;
}

}  // namespace pkg
