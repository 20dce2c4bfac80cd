#include "pkg/ZipPkgEntry.h"

#include <cstdio>

#include "pkg/BasePkgHexStrings.h"
#include "pkg/PackageException.h"
#include "pkg/ZipPackage.h"

namespace pkg::zip {

ZipPkgEntry::ZipPkgEntry(const std::string& name, EntryType type, ZipPackage* package,
                         std::shared_ptr<ZpCentralDirEntry> record)
    : BasePkgEntry(name, type, package), m_zipPackage(package), m_record(std::move(record)) {
  if (type == kEntryDirectory) {
    m_compressionMethod = stored;
  } else if (m_record) {
    // The record's own method, whatever it is: an entry of a method the
    // library cannot decode is still listed and copied as it stands, and
    // refused only when its data is to be decoded.
    m_compressionMethod = static_cast<CompressionMethod>(m_record->header.method);
  } else {
    m_compressionMethod = package->getDefaultCompressionMethod();
  }
}

ZipPkgEntry::~ZipPkgEntry() = default;

bool ZipPkgEntry::isPristine() const {
  if (!m_record || m_modified || m_deleted || m_pending || m_listed || m_detaching) return false;
  if (m_updateRecord || m_updateLocal || m_deletedInUpdate) return false;
  const CompressionMethod recorded = m_entryType == kEntryDirectory
                                         ? stored
                                         : static_cast<CompressionMethod>(m_record->header.method);
  return m_compressionMethod == recorded;
}

ZipPackage& ZipPkgEntry::zipPackage() const {
  if (!m_zipPackage) throw PackageException(kPkgErrIllegalState);
  return *m_zipPackage;
}

void ZipPkgEntry::detachFromPackage() {
  m_zipPackage = nullptr;
  m_package = nullptr;
}

void ZipPkgEntry::setRecord(std::shared_ptr<ZpCentralDirEntry> record) {
  m_record = std::move(record);
  m_local.reset();
}

void ZipPkgEntry::revive() {
  m_deleted = false;
  m_deletedInUpdate = false;
}

void ZipPkgEntry::remove() {
  ZipPackage& package = zipPackage();
  if (m_name == "/") throw PackageException(kPkgErrUnsupportedOperation);
  if (m_entryType == kEntryFile && m_name == "mimetype" &&
      (package.mimetypePolicy() & kMimetypePolicyRepair)) {
    throw PackageException(kPkgErrConformance);
  }
  if (package.isInUpdate()) {
    if (!m_deleted) m_deletedInUpdate = true;
    // Whatever the update listed for the entry goes with it.
    if (ZpCentralDir* dir = package.updateDir()) {
      while (dir->deleteCDirEntry(m_name)) {
      }
    }
  } else {
    const openmode both = std::ios_base::in | std::ios_base::out;
    if ((package.getOpenMode(true) & both) == both && m_record) {
      package.centralDir().deleteCDirEntry(m_name);
    }
  }
  BasePkgEntry::remove();
}

SPRefType<IPkgDirectory> ZipPkgEntry::getParent() {
  if (m_name == "/") return SPRefType<IPkgDirectory>();
  ZipPackage& package = zipPackage();
  std::string name = m_name;
  if (!name.empty() && name.back() == '/') name.pop_back();
  size_t slash = name.rfind('/');
  if (slash == std::string::npos) return package.getRootDirectory();
  return package.getDirectory(name.substr(0, slash + 1), false);
}

void ZipPkgEntry::endUpdate() {
  if (m_updateRecord) {
    m_record = std::move(m_updateRecord);
    m_local = std::move(m_updateLocal);
  }
  m_updateRecord.reset();
  m_updateLocal.reset();
  m_modified = false;
  m_listed = false;
  m_deletedInUpdate = false;
}

void ZipPkgEntry::cancelUpdate() {
  m_updateRecord.reset();
  m_updateLocal.reset();
  m_listed = false;
  if (m_deletedInUpdate) {
    m_deleted = false;
    m_deletedInUpdate = false;
  }
}

void ZipPkgEntry::closeEntry() {}

ZpLocalFileEntry& ZipPkgEntry::localHeader() {
  if (!m_record) throw PackageException(kPkgErrEntryNotFound);
  if (!m_local) {
    ZipPackage& package = zipPackage();
    if (!package.packageFile()) throw PackageException(kPkgErrIllegalState);
    m_local = m_record->fetchLocalEntry(*package.packageFile());
  }
  return *m_local;
}

uint64_t ZipPkgEntry::getZipFileStart(bool forWriting) {
  if (forWriting) {
    if (!m_updateRecord || !m_updateLocal) throw PackageException(kPkgErrIllegalState);
    return m_updateRecord->localHeaderOffset + m_updateLocal->getSize();
  }
  ZpLocalFileEntry& local = localHeader();
  return m_record->localHeaderOffset + local.getSize();
}

void ZipPkgEntry::createZipData(bool raw) {
  ZipPackage& package = zipPackage();
  const std::shared_ptr<IPkgFSFile>& target = package.updateTarget();
  ZpCentralDir* dir = package.updateDir();
  if (!target || !dir) throw PackageException(kPkgErrNotInUpdate);
  PkgPropertyMgr* properties = package.getPropertyMgr();

  if (target->isSeekable()) target->seek(0, SEEK_END);
  const uint64_t offset = static_cast<uint64_t>(target->tell());

  std::shared_ptr<ZpCentralDirEntry> record;
  if (raw) {
    record = std::make_shared<ZpCentralDirEntry>(*m_record);
  } else {
    record = std::make_shared<ZpCentralDirEntry>();
    record->setFilename(m_name);
    record->header.method = m_entryType == kEntryDirectory
                                ? static_cast<uint16_t>(stored)
                                : static_cast<uint16_t>(m_compressionMethod);
    if (m_entryType == kEntryDirectory) record->header.externalAttributes = 0x10;
    auto* hex = BasePkgHexStrings::getInstance();
    std::string dateText = properties->getZipProperty(m_name, kZipPropDOSDate);
    std::string timeText = properties->getZipProperty(m_name, kZipPropDOSTime);
    uint16_t date = 0;
    uint16_t time = 0;
    if (dateText.empty() || timeText.empty()) {
      DOSTime now = getDOSTime();
      date = static_cast<uint16_t>(now >> 16);
      time = static_cast<uint16_t>(now);
      if (dateText.empty())
        properties->setZipProperty(m_name, kZipPropDOSDate, hex->iToHexString(date), false);
      if (timeText.empty())
        properties->setZipProperty(m_name, kZipPropDOSTime, hex->iToHexString(time), false);
    }
    if (!dateText.empty()) hex->hexStringToI(dateText, date);
    if (!timeText.empty()) hex->hexStringToI(timeText, time);
    record->header.date = date;
    record->header.time = time;
  }
  // A seekable target gets its sizes written into the header afterwards.
  record->header.flags &= static_cast<uint16_t>(~kFlagDataDescriptor);
  record->setLocalHeaderOffset(offset);

  while (dir->deleteCDirEntry(m_name)) {
  }
  dir->addCDirEntry(record);
  m_updateRecord = record;
  m_updateLocal = record->createLocalEntry(!target->isSeekable(), properties);
}

void ZipPkgEntry::writeUpdateLocalHeader() {
  ZipPackage& package = zipPackage();
  const std::shared_ptr<IPkgFSFile>& target = package.updateTarget();
  if (!target || !m_updateRecord || !m_updateLocal) throw PackageException(kPkgErrIllegalState);
  if (target->isSeekable())
    target->seek(static_cast<int64_t>(m_updateRecord->localHeaderOffset), SEEK_SET);
  m_updateLocal->writeLFH(*target, package.getPropertyMgr());
}

void ZipPkgEntry::finishUpdateData() {
  ZipPackage& package = zipPackage();
  const std::shared_ptr<IPkgFSFile>& target = package.updateTarget();
  if (!target || !m_updateRecord || !m_updateLocal) throw PackageException(kPkgErrIllegalState);
  m_updateLocal->finishEntry(*target, *m_updateRecord);
  package.setChanged();
}

}  // namespace pkg::zip
