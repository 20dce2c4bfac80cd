#include "pkg/ZipPkgEntryIteratorImpl.h"

#include "pkg/PackageException.h"
#include "pkg/ZipPackage.h"
#include "pkg/ZipPkgEntry.h"

namespace pkg::zip {

ZipPkgEntryIteratorImpl::ZipPkgEntryIteratorImpl(ZipPackage* package, const std::string& directory,
                                                 bool everyEntry)
    : m_package(package),
      m_directory(directory == "/" ? std::string() : directory),
      m_everyEntry(everyEntry),
      m_records(package->centralDir().records()) {
  for (ZipPkgEntry* entry : package->pendingEntries()) m_pending.push_back(makeSPRef(entry));
  settle();
}

ZipPkgEntryIteratorImpl::~ZipPkgEntryIteratorImpl() = default;

bool ZipPkgEntryIteratorImpl::take() {
  ZipPkgEntry* entry = nullptr;
  if (m_position < m_records.size()) {
    const std::shared_ptr<ZpCentralDirEntry> record = m_records.at(m_position);
    const bool known = m_package->findEntry(record->getFilename()) != nullptr;
    entry = m_package->getEntry(record);
    if (entry && !known) m_made = makeSPRef(entry);
    // A second record of one name, or a record whose entry was made anew,
    // is not listed again.
    if (!entry || entry->record() != record) return false;
  } else {
    entry = m_pending[m_position - m_records.size()].get();
  }
  if (entry->isDeleted()) return false;
  if (m_everyEntry) {
    m_current = makeSPRef<IPkgEntry>(entry);
    return true;
  }
  const std::string& name = entry->getName();
  if (name.size() <= m_directory.size() || name.compare(0, m_directory.size(), m_directory) != 0) {
    return false;
  }
  size_t separator = name.find('/', m_directory.size());
  if (separator == std::string::npos) {
    m_current = makeSPRef<IPkgEntry>(entry);
    return true;
  }
  std::string child = name.substr(0, separator + 1);
  if (!m_listedSubdirectories.insert(child).second) return false;
  try {
    SPRefType<IPkgDirectory> directory = m_package->getDirectory(child, false);
    m_subdirectory = directory;
  } catch (const PackageException& e) {
    // A file standing where the directory would be: nothing to list.
    if (e.getErrorCode() != kPkgErrUnsupportedOperation) throw;
    return false;
  }
  m_current = makeSPRef<IPkgEntry>(entry);
  return true;
}

void ZipPkgEntryIteratorImpl::settle() {
  const size_t end = m_records.size() + m_pending.size();
  while (m_position < end && !take()) {
    forgetMade();
    ++m_position;
  }
}

void ZipPkgEntryIteratorImpl::forgetMade() {
  if (!m_made) return;
  m_package->forgetIfUnused(m_made.get(), 1);
  m_made.reset();
}

SPRefType<IPkgEntry> ZipPkgEntryIteratorImpl::dereference() {
  if (!isValid()) throw PackageException(kPkgErrIllegalState);
  return m_subdirectory ? m_subdirectory : m_current;
}

void ZipPkgEntryIteratorImpl::increment() {
  if (!isValid()) throw PackageException(kPkgErrIllegalState);
  m_subdirectory.reset();
  m_current.reset();
  forgetMade();
  ++m_position;
  settle();
}

bool ZipPkgEntryIteratorImpl::isValid() {
  return m_position < m_records.size() + m_pending.size();
}

}  // namespace pkg::zip
