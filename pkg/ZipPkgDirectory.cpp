#include "pkg/ZipPkgDirectory.h"

#include "pkg/PackageException.h"
#include "pkg/ZipPackage.h"

namespace pkg::zip {

const std::string& ZipPkgDirectory::checkedName(const std::string& name) {
  if (name.empty() || name.back() != '/') throw PackageException(kPkgErrBadArgument);
  return name;
}

ZipPkgDirectory::ZipPkgDirectory(const std::string& name, bool mustExist, ZipPackage* package)
    : ZipPkgEntry(checkedName(name), kEntryDirectory, package,
                  package->centralDir().getCDirEntry(name)) {
  if (mustExist && !m_record) throw PackageException(kPkgErrEntryNotFound);
}

ZipPkgDirectory::ZipPkgDirectory(const std::string& name, ZipPackage* package,
                                 std::shared_ptr<ZpCentralDirEntry> record)
    : ZipPkgEntry(checkedName(name), kEntryDirectory, package, std::move(record)) {
  // The root stands without a record.
  if (name == "/") m_created = true;
}

ZipPkgDirectory::~ZipPkgDirectory() = default;

bool ZipPkgDirectory::isPristine() const {
  return ZipPkgEntry::isPristine() && !m_created && !m_createdInUpdate;
}

SPRefType<IPkgFile> ZipPkgDirectory::toFile() {
  throw PackageException(kPkgErrUnsupportedOperation);
}

SPRefType<IPkgDirectory> ZipPkgDirectory::toDirectory() {
  return makeSPRef<IPkgDirectory>(this);
}

void ZipPkgDirectory::create() {
  ZipPackage& package = zipPackage();
  if (!package.isOpen()) throw PackageException(kPkgErrIllegalState);
  if (m_deleted) {
    revive();
    m_modified = true;
  } else if (m_record || m_created) {
    throw PackageException(kPkgErrDirectoryExists);
  }
  m_created = true;
  if (package.isInUpdate() && !package.directEntry()) {
    m_createdInUpdate = true;
    write();
  } else {
    package.addNewEntry(this);
  }
}

void ZipPkgDirectory::write() {
  const bool raw = !m_modified && !m_listed && m_record;
  createZipData(raw);
  writeUpdateLocalHeader();
  // A directory has no data, whatever its old record claimed.
  m_updateRecord->header.crc32 = 0;
  m_updateRecord->updateSizes(0, 0);
  finishUpdateData();
}

void ZipPkgDirectory::endUpdate() {
  ZipPkgEntry::endUpdate();
  m_createdInUpdate = false;
}

void ZipPkgDirectory::cancelUpdate() {
  ZipPkgEntry::cancelUpdate();
  if (m_createdInUpdate) {
    m_created = false;
    m_createdInUpdate = false;
  }
}

}  // namespace pkg::zip
