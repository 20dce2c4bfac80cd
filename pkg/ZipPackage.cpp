#include "pkg/ZipPackage.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipPackageFactory.h"
#include "pkg/ZipPkgDirectory.h"
#include "pkg/ZipPkgEntryIteratorImpl.h"
#include "pkg/ZipPkgFile.h"
#include "platform/os/AccessProbe.h"

namespace pkg::zip {

namespace {

const std::string kRootName = "/";
const std::string kMimetypeName = "mimetype";
const openmode kIn = std::ios_base::in;
const openmode kOut = std::ios_base::out;
const openmode kTrunc = std::ios_base::trunc;

// A mimetype is a short word; reading no further keeps a huge or hostile
// entry from taking the time and memory of all its data.
constexpr size_t kMimetypeReadLimit = 64 * 1024;
// An archive comment must be shorter than this (its length field holds 16
// bits).
constexpr size_t kCommentLimit = kMaxFieldLength;

bool isWordSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The first whitespace-delimited word of the entry's data.
std::string firstWordOf(IPkgFile& file) {
  std::shared_ptr<IPkgStream> stream = file.open(kIn, false);
  std::string text(kMimetypeReadLimit, '\0');
  stream->read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(stream->gcount()));
  stream->close();
  auto begin = std::find_if_not(text.begin(), text.end(), isWordSpace);
  return std::string(begin, std::find_if(begin, text.end(), isWordSpace));
}

}  // namespace

ZipPackage::ZipPackage(std::shared_ptr<IPkgFSFileName> name, IPkgFileSystem* fileSystem,
                       IPkgPolicies* policies, IXMLParser* parser)
    : BasePackage(std::move(name), fileSystem, policies, parser) {}

ZipPackage::ZipPackage(std::shared_ptr<IPkgFSFile> file, IPkgPolicies* policies, IXMLParser* parser)
    : BasePackage(std::move(file), policies, parser) {
  if (!m_file) throw PackageException(kPkgErrBadArgument);
  try {
    initialise();
  } catch (...) {
    detachAllEntries();
    m_centralDir.reset();
    m_open = false;
    throw;
  }
}

ZipPackage::~ZipPackage() {
  try {
    if (m_open) closeWithoutSave();
  } catch (...) {
    // Nothing may leave a destructor.
  }
  detachAllEntries();
}

std::string ZipPackage::canonical(const std::string& path) const {
  return ZipPackageFactory::getInstance()->canonicalize(path, false);
}

int ZipPackage::mimetypePolicy() {
  return getPolicy(kPolicyMimetypeConformance);
}

// --- opening -------------------------------------------------------------

void ZipPackage::open(openmode mode) {
  if (m_file || m_open) throw PackageException(kPkgErrAlreadyOpen);
  if (!m_fileSystem || !m_fileName) throw PackageException(kPkgErrIllegalState);
  m_currentMode = mode;
  m_modeAtOpen = mode;
  try {
    m_file = m_fileSystem->openFile(m_fileName, mode);
    initialise();
  } catch (...) {
    detachAllEntries();
    m_centralDir.reset();
    m_open = false;
    if (m_file) {
      try {
        m_file->close();
      } catch (...) {
        // The failure that ended the opening is the one to report.
      }
    }
    m_file.reset();
    throw;
  }
}

void ZipPackage::initialise() {
  // A package opened again starts from what its file says.
  m_propertyMgr = std::make_unique<PkgPropertyMgr>(this);
  m_centralDir = std::make_unique<ZpCentralDir>();
  m_conformance = 0;
  m_mimetypeWritten = false;
  m_mimetypeRepair = false;
  m_modified = false;
  const bool isNew = (m_currentMode & kTrunc) || !(m_currentMode & kIn);
  // A new package has something to write at its first update, even empty.
  m_unwritten = isNew;
  if (!isNew) {
    if (!ZipPackageFactory::getInstance()->acceptPackage(m_file)) {
      throw PackageException(kPkgErrNotValidPackage);
    }
    m_centralDir->readECD(*m_file, m_propertyMgr.get());
    m_centralDir->readZip64Data(*m_file);
    m_centralDir->readCDEntries(*m_file, m_propertyMgr.get(), true);
  }
  // The package's current records: those read, or those an update wrote.
  m_propertyMgr->setRecordDates([this](const std::string& path, uint16_t& date, uint16_t& time) {
    if (!m_centralDir) return false;
    std::shared_ptr<ZpCentralDirEntry> record = m_centralDir->getCDirEntry(path);
    if (!record) return false;
    date = record->header.date;
    time = record->header.time;
    return true;
  });
  m_open = true;
  auto* root = new ZipPkgDirectory(kRootName, this, std::shared_ptr<ZpCentralDirEntry>());
  m_entries[kRootName] = makeSPRef<ZipPkgEntry>(root);
  m_root = makeSPRef<IPkgDirectory>(root);
  m_rootEntry = root;
  if (!isNew) checkMimetypeConformance();
}

void ZipPackage::checkMimetypeConformance() {
  const int policy = mimetypePolicy();
  std::shared_ptr<ZpCentralDirEntry> record = m_centralDir->getCDirEntry(kMimetypeName);
  if (!record) {
    if (policy & kMimetypePolicyReject) throw PackageException(kPkgErrMissingMimetype);
    m_conformance = kPkgErrMissingMimetype;
    if (policy & kMimetypePolicyRepair) m_mimetypeRepair = true;
    return;
  }
  bool conforms = record->header.method == stored && record->localHeaderOffset == 0;
  if (conforms) {
    try {
      conforms = record->fetchLocalEntry(*m_file)->header.method == stored;
    } catch (const PackageException&) {
      conforms = false;
    }
  }
  if (conforms) {
    m_mimetypeWritten = true;
    return;
  }
  if (policy & kMimetypePolicyReject) throw PackageException(kPkgErrInvalidMimetype);
  if (!(policy & kMimetypePolicyRepair)) {
    m_conformance = kPkgErrInvalidMimetype;
    return;
  }
  // Repair: the text is kept and written again as a conforming entry.
  const std::string text = firstWordOf(*getFile(kMimetypeName, true));
  ZipPkgEntry* entry = findEntry(kMimetypeName);
  if (!entry || entry->record() != record) throw PackageException(kPkgErrIllegalState);
  dropEntry(entry);
  if (!m_centralDir->deleteCDirEntry(kMimetypeName)) throw PackageException(kPkgErrIllegalState);
  setMIMEType(text);
  m_mimetypeRepair = true;
}

// --- closing -------------------------------------------------------------

void ZipPackage::detachAllEntries() {
  m_root.reset();
  m_rootEntry = nullptr;
  m_directEntry = nullptr;
  for (ZipPkgEntry* entry : m_pending) entry->setPending(false);
  m_pending.clear();
  for (ZipPkgEntry* entry : m_updateList) entry->setListed(false);
  m_updateList.clear();
  std::map<std::string, SPRefType<ZipPkgEntry>> entries;
  entries.swap(m_entries);
  for (auto& item : entries) {
    item.second->closeEntry();
    item.second->detachFromPackage();
  }
}

void ZipPackage::closeWithoutSave() {
  checkOpen();
  std::exception_ptr first;
  if (m_inUpdate) {
    try {
      cancelUpdate();
    } catch (...) {
      first = std::current_exception();
    }
  }
  detachAllEntries();
  m_centralDir.reset();
  m_updateDir.reset();
  m_target.reset();
  m_inUpdate = false;
  m_open = false;
  std::shared_ptr<IPkgFSFile> file = std::move(m_file);
  if (file) {
    try {
      file->close();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

// --- entries -------------------------------------------------------------

ZipPkgEntry* ZipPackage::findEntry(const std::string& name) const {
  auto found = m_entries.find(name);
  return found == m_entries.end() ? nullptr : found->second.get();
}

ZipPkgEntry* ZipPackage::getEntry(const std::shared_ptr<ZpCentralDirEntry>& record) {
  checkOpen();
  const std::string& name = record->getFilename();
  if (ZipPkgEntry* entry = findEntry(name)) return entry;
  // A record without a name cannot stand for an entry.
  if (name.empty()) return nullptr;
  ZipPkgEntry* entry;
  if (name.back() == '/') {
    entry = new ZipPkgDirectory(name, this, record);
  } else {
    entry = new ZipPkgFile(name, this, record);
  }
  m_entries[name] = makeSPRef(entry);
  return entry;
}

void ZipPackage::forgetIfUnused(ZipPkgEntry* entry, int32_t held) {
  if (!entry->isAttached() || m_inUpdate || !m_centralDir || !m_centralDir->hasUniqueNames()) {
    return;
  }
  if (entry == m_rootEntry || entry == m_directEntry || entry->getRefCount() != held + 1) return;
  if (!entry->isPristine() || findEntry(entry->getName()) != entry) return;
  dropEntry(entry);
}

void ZipPackage::dropEntry(ZipPkgEntry* entry) {
  dropEntries({entry});
}

void ZipPackage::dropEntries(const std::vector<ZipPkgEntry*>& entries) {
  bool pending = false;
  bool listed = false;
  for (ZipPkgEntry* entry : entries) {
    pending = pending || entry->isPending();
    listed = listed || entry->isListed();
  }
  // One pass over each list, however many entries go.
  auto leaving = [](ZipPkgEntry* entry) { return entry->isDetaching(); };
  for (ZipPkgEntry* entry : entries) {
    if (entry != m_rootEntry) entry->setDetaching(true);
  }
  if (pending)
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(), leaving), m_pending.end());
  if (listed) {
    m_updateList.erase(std::remove_if(m_updateList.begin(), m_updateList.end(), leaving),
                       m_updateList.end());
  }
  for (ZipPkgEntry* entry : entries) {
    if (entry == m_rootEntry) continue;
    entry->setDetaching(false);
    entry->setPending(false);
    entry->setListed(false);
    if (m_directEntry && static_cast<ZipPkgEntry*>(m_directEntry) == entry) m_directEntry = nullptr;
    entry->closeEntry();
    entry->detachFromPackage();
    auto found = m_entries.find(entry->getName());
    // Erased last: the table's handle may be the entry's last one.
    if (found != m_entries.end() && found->second.get() == entry) m_entries.erase(found);
  }
}

void ZipPackage::addNewEntry(ZipPkgEntry* entry) {
  if (m_inUpdate) {
    listForUpdate(entry);
    return;
  }
  if (!entry->isPending()) {
    m_pending.push_back(entry);
    entry->setPending(true);
  }
  entry->setModified(true);
  m_modified = true;
}

void ZipPackage::listForUpdate(ZipPkgEntry* entry) {
  if (entry->isListed()) return;
  m_updateList.push_back(entry);
  entry->setListed(true);
}

void ZipPackage::unlistForUpdate(ZipPkgEntry* entry) {
  if (!entry->isListed()) return;
  m_updateList.erase(std::remove(m_updateList.begin(), m_updateList.end(), entry),
                     m_updateList.end());
  entry->setListed(false);
}

std::string ZipPackage::resolve(const std::string& path,
                                const SPRefType<IPkgDirectory>& base) const {
  if (!path.empty() && path[0] == '/') return path;
  if (!base) return path;
  std::string resolved = base->getName();
  if (resolved.empty() || resolved.back() != '/') resolved += '/';
  return resolved + path;
}

bool ZipPackage::isBeingBuilt() const {
  if (m_mimetypeWritten || m_centralDir->recordCount() > 0) return false;
  ZipPkgEntry* mimetype = findEntry(kMimetypeName);
  return !mimetype || mimetype->isDeleted();
}

void ZipPackage::applyMimetypeRules(const std::string& name, bool isFile, bool mustExist) {
  if (!(mimetypePolicy() & kMimetypePolicyRepair)) return;
  const bool isMimetype = isFile && name == kMimetypeName;
  if (!m_inUpdate && m_conformance == kPkgErrMissingMimetype) {
    if (isMimetype && !mustExist) {
      m_conformance = 0;
      return;
    }
    throw PackageException(kPkgErrConformance);
  }
  if (!isMimetype && isBeingBuilt()) throw PackageException(kPkgErrConformance);
}

int ZipPackage::entryExists(const std::string& path) {
  checkOpen();
  const std::string name = canonical(path);
  if (name == kRootName) return kEntryDirectory;
  auto answer = [this](const std::string& n) -> int {
    if (ZipPkgEntry* entry = findEntry(n)) {
      if (entry->isDeleted()) return kEntryNone;
      if (entry->getEntryType() == kEntryDirectory) {
        return static_cast<ZipPkgDirectory*>(entry)->exists() ? kEntryDirectory : kEntryNone;
      }
      return kEntryFile;
    }
    if (m_centralDir->getCDirEntry(n)) return n.back() == '/' ? kEntryDirectory : kEntryFile;
    return kEntryNone;
  };
  int type = answer(name);
  // "META-INF" names the directory "META-INF/" when there is no such file.
  if (type == kEntryNone && name.back() != '/' && answer(name + '/') == kEntryDirectory) {
    type = kEntryDirectory;
  }
  return type;
}

int ZipPackage::entryExists(const std::string& path, SPRefType<IPkgDirectory> base) {
  checkOpen();
  return entryExists(resolve(path, base));
}

SPRefType<IPkgFile> ZipPackage::getFile(const std::string& path, bool mustExist) {
  checkOpen();
  const std::string name = canonical(path);
  ZipPkgEntry* entry = findEntry(name);
  if (entry && entry->getEntryType() != kEntryFile) {
    throw PackageException(kPkgErrUnsupportedOperation);
  }
  if (name.back() == '/') throw PackageException(kPkgErrBadArgument);
  applyMimetypeRules(name, true, mustExist);
  bool revived = false;
  if (entry) {
    if (!entry->isDeleted()) return makeSPRef<IPkgFile>(static_cast<ZipPkgFile*>(entry));
    if (mustExist) throw PackageException(kPkgErrEntryNotFound);
    // A removed file asked for again starts anew, empty, without the old
    // one's properties (read first, so that the file cannot bring them back).
    m_propertyMgr->readGenericProperties();
    dropEntry(entry);
    revived = true;
  }
  ZipPkgFile* file = revived ? new ZipPkgFile(name, this, std::shared_ptr<ZpCentralDirEntry>())
                             : new ZipPkgFile(name, mustExist, this);
  m_entries[name] = makeSPRef<ZipPkgEntry>(file);
  if (!file->record()) {
    // What a removed entry of that name had is not the new one's.
    if (revived) m_propertyMgr->forgetPath(name);
    addNewEntry(file);
  }
  return makeSPRef<IPkgFile>(file);
}

SPRefType<IPkgFile> ZipPackage::getFile(const std::string& path, SPRefType<IPkgDirectory> base) {
  checkOpen();
  return getFile(resolve(path, base), false);
}

SPRefType<IPkgDirectory> ZipPackage::getDirectory(const std::string& path, bool mustExist) {
  checkOpen();
  if (path.empty()) throw PackageException(kPkgErrBadArgument);
  const std::string name = canonical(path.back() == '/' ? path : path + '/');
  if (name == kRootName) return m_root;
  applyMimetypeRules(name, false, mustExist);
  if (ZipPkgEntry* entry = findEntry(name)) {
    if (entry->getEntryType() != kEntryDirectory)
      throw PackageException(kPkgErrUnsupportedOperation);
    auto* directory = static_cast<ZipPkgDirectory*>(entry);
    if (mustExist && !directory->exists()) throw PackageException(kPkgErrEntryNotFound);
    return makeSPRef<IPkgDirectory>(directory);
  }
  const std::string fileName = name.substr(0, name.size() - 1);
  ZipPkgEntry* file = findEntry(fileName);
  if ((file && !file->isDeleted()) || (!file && m_centralDir->getCDirEntry(fileName))) {
    throw PackageException(kPkgErrUnsupportedOperation);
  }
  auto* directory = new ZipPkgDirectory(name, mustExist, this);
  m_entries[name] = makeSPRef<ZipPkgEntry>(directory);
  return makeSPRef<IPkgDirectory>(directory);
}

SPRefType<IPkgDirectory> ZipPackage::getDirectory(const std::string& path,
                                                  SPRefType<IPkgDirectory> base) {
  checkOpen();
  return getDirectory(resolve(path, base), false);
}

SPRefType<IPkgDirectory> ZipPackage::getRootDirectory() {
  checkOpen();
  return m_root;
}

// --- mimetype and properties --------------------------------------------

void ZipPackage::setMIMEType(const std::string& mimeType) {
  checkOpen();
  SPRefType<IPkgFile> file = getFile(kMimetypeName, false);
  file->setCompressionMethod(stored);
  std::shared_ptr<IPkgStream> stream = file->open(kOut, false);
  stream->write(mimeType.data(), static_cast<std::streamsize>(mimeType.size()));
  stream->close();
}

std::string ZipPackage::getMIMEType() {
  checkOpen();
  if (entryExists(kMimetypeName) != kEntryFile) return std::string();
  return firstWordOf(*getFile(kMimetypeName, true));
}

std::string ZipPackage::getProperty(UCFPropertyName name) {
  checkOpen();
  if (name == kZipPropArchiveComment) {
    return m_propertyMgr->getZipProperty(PkgPropertyMgr::s_packagePath, name);
  }
  return BasePackage::getProperty(name);
}

void ZipPackage::setProperty(UCFPropertyName name, const std::string& value) {
  checkOpen();
  if (name == kZipPropArchiveComment) {
    if (value.size() >= kCommentLimit) throw PackageException(kPkgErrBadArgument);
    m_propertyMgr->setZipProperty(PkgPropertyMgr::s_packagePath, name, value, false);
    return;
  }
  BasePackage::setProperty(name, value);
}

int ZipPackage::checkConformance() {
  checkOpen();
  return m_conformance;
}

void ZipPackage::initIterator(std::shared_ptr<IPkgEntryIteratorImpl>& impl,
                              SPRefType<IPkgDirectory> directory, const std::string& filter) {
  checkOpen();
  if (!filter.empty()) throw PackageException(kPkgErrNotImplemented);
  if (directory) {
    impl = std::make_shared<ZipPkgEntryIteratorImpl>(this, directory->getName(), false);
  } else {
    impl = std::make_shared<ZipPkgEntryIteratorImpl>(this, std::string(), true);
  }
}

// --- updates -------------------------------------------------------------

void ZipPackage::checkUpdatable() const {
  if (!(m_currentMode & kOut)) throw PackageException(kPkgErrUpdateRequiresWrite);
}

void ZipPackage::startUpdate(std::shared_ptr<IPkgFSFile> target, openmode mode, bool toOtherFile,
                             int64_t lengthAtBegin) {
  m_modeBeforeUpdate = m_modeAtOpen;
  m_target = std::move(target);
  m_modeAtOpen = mode;
  m_updateToOtherFile = toOtherFile;
  m_lengthAtBegin = lengthAtBegin;
  m_updateDir = std::make_unique<ZpCentralDir>();
  m_inUpdate = true;
  m_changed = false;
  m_directEntry = nullptr;
  m_modifiedBeforeUpdate = m_modified;
}

void ZipPackage::writeOldEntries(bool sameFile) {
  // The records as they stand; writing may not change the old directory.
  std::vector<std::shared_ptr<ZpCentralDirEntry>> records = m_centralDir->getEntries();
  for (const auto& record : records) {
    ZipPkgEntry* entry = findEntry(record->getFilename());
    if (!entry && !sameFile) entry = getEntry(record);
    if (entry) {
      // Removed, or replaced by a new entry of that name (which the pending
      // list writes), or a second record of one name: not written again.
      if (entry->record() != record || entry->isDeleted()) continue;
      if (!sameFile || entry->isModified()) {
        entry->write();
        continue;
      }
    } else if (!sameFile) {
      continue;  // a record that cannot stand for an entry
    }
    // Unchanged and already in the file: its record is listed again.
    m_updateDir->addCDirEntry(record);
  }
}

void ZipPackage::writePendingEntries() {
  std::vector<ZipPkgEntry*> pending = m_pending;
  for (ZipPkgEntry* entry : pending) {
    if (entry->isDeleted() || entry->updateRecord()) continue;
    entry->write();
  }
}

void ZipPackage::beginUpdate() {
  checkOpen();
  if (m_inUpdate) throw PackageException(kPkgErrUpdateInProgress);
  checkUpdatable();
  startUpdate(m_file, m_currentMode, false, m_file->isSeekable() ? m_file->seek(0, SEEK_END) : -1);
  writeOldEntries(true);
  writePendingEntries();
  m_propertyMgr->beginUpdate();
}

void ZipPackage::beginUpdate(const std::string& newName, openmode mode) {
  checkOpen();
  if (!m_fileSystem) throw PackageException(kPkgErrIllegalState);
  beginUpdate(m_fileSystem->getFSFileName(newName), mode);
}

void ZipPackage::beginUpdate(std::shared_ptr<IPkgFSFileName> newName, openmode mode) {
  checkOpen();
  if (m_inUpdate) throw PackageException(kPkgErrUpdateInProgress);
  if (!(mode & kOut)) throw PackageException(kPkgErrUpdateRequiresWrite);
  if (!newName) throw PackageException(kPkgErrBadArgument);
  // Opening the package's own file as the copy would destroy what is to be
  // copied.
  if (m_fileName && (newName->getName() == m_fileName->getName() ||
                     platform::sameNode(m_fileName->getName(), newName->getName()))) {
    throw PackageException(kPkgErrBadArgument);
  }
  IPkgFileSystem* fileSystem = newName->getFileSystem() ? newName->getFileSystem() : m_fileSystem;
  if (!fileSystem) throw PackageException(kPkgErrIllegalState);
  std::shared_ptr<IPkgFSFile> target = fileSystem->openFile(newName, mode);
  // A file opened for reading and writing without trunc keeps what it held;
  // a cancelled update gives it back rather than removing it.
  const bool keepsContents = (mode & kIn) && !(mode & kTrunc);
  const int64_t lengthAtBegin =
      keepsContents && target->isSeekable() ? target->seek(0, SEEK_END) : -1;
  startUpdate(target, mode, true, lengthAtBegin);
  if (m_mimetypeRepair) {
    ZipPkgEntry* first = m_pending.empty() ? nullptr : m_pending.front();
    if (!first || first->getName() != kMimetypeName || first->getEntryType() != kEntryFile) {
      throw PackageException(kPkgErrMissingMimetype);
    }
    first->write();
  }
  writeOldEntries(false);
  writePendingEntries();
  m_propertyMgr->beginUpdate();
}

void ZipPackage::doUNSAFEUpdateInPlace() {
  checkOpen();
  if (m_inUpdate) throw PackageException(kPkgErrUpdateInProgress);
  checkUpdatable();
  // The old directory is cut off: nothing to go back to.
  startUpdate(m_file, m_currentMode, false, -1);

  const uint64_t cut = m_centralDir->getCDOffset();
  bool canCut = m_file->isSeekable();
  std::vector<ZipPkgEntry*> changed;
  std::vector<std::shared_ptr<ZpCentralDirEntry>> records = m_centralDir->getEntries();
  for (const auto& record : records) {
    ZipPkgEntry* entry = findEntry(record->getFilename());
    if (entry) {
      if (entry->record() != record || entry->isDeleted()) continue;
      if (entry->isModified()) {
        // Its new contents must not lie in the part that is cut off.
        if (entry->getEntryType() == kEntryFile) {
          auto* file = static_cast<ZipPkgFile*>(entry);
          if (!file->hasTempFile()) file->createTempFile();
        }
        changed.push_back(entry);
        continue;
      }
    }
    // Data the directory says lies behind it would be cut away with it.
    if (record->localHeaderOffset >= cut) canCut = false;
    m_updateDir->addCDirEntry(record);
  }
  if (canCut) {
    m_file->truncate(static_cast<int64_t>(cut));
    // The old directory is gone: a new one must be written even when
    // nothing else changed.
    m_changed = true;
  }
  for (ZipPkgEntry* entry : changed) entry->write();
  writePendingEntries();
  m_propertyMgr->beginUpdate();
  endUpdate();
}

bool ZipPackage::hasChanges() const {
  if (m_changed || m_updateToOtherFile || m_modified || m_unwritten) return true;
  bool changed = false;
  m_propertyMgr->getZipProperty(PkgPropertyMgr::s_packagePath, kZipPropArchiveComment, &changed);
  if (changed) return true;
  for (const auto& item : m_entries) {
    ZipPkgEntry* entry = item.second.get();
    if (entry->getEntryType() != kEntryFile || entry->isDeleted()) continue;
    for (UCFPropertyName name : {kZipPropDOSDate, kZipPropDOSTime, kZipPropMacTypeCreator}) {
      m_propertyMgr->getZipProperty(entry->getName(), name, &changed);
      if (changed) return true;
    }
  }
  return false;
}

void ZipPackage::resetUpdateState() {
  for (ZipPkgEntry* entry : m_updateList) entry->setListed(false);
  m_updateList.clear();
  m_updateDir.reset();
  m_target.reset();
  m_inUpdate = false;
  m_updateToOtherFile = false;
  m_directEntry = nullptr;
  m_changed = false;
  m_lengthAtBegin = -1;
}

void ZipPackage::endUpdate() {
  checkOpen();
  if (!m_inUpdate) throw PackageException(kPkgErrUpdateNotInProgress);
  // Written before the entries, so that the properties file goes out with
  // them.
  if (m_propertyMgr->isInUpdate()) m_propertyMgr->endUpdate();
  if (m_directEntry) m_directEntry->closeDirectStream();
  std::vector<ZipPkgEntry*> listed = m_updateList;
  for (ZipPkgEntry* entry : listed) {
    if (!entry->isDeleted() && entry->isListed()) entry->write();
  }

  if (!m_target || !hasChanges()) {
    for (auto& item : m_entries) item.second->cancelUpdate();
    m_modeAtOpen = m_currentMode;
    resetUpdateState();
    return;
  }

  if (m_target->isSeekable()) m_target->seek(0, SEEK_END);
  m_updateDir->writeCDEntries(*m_target, m_propertyMgr.get());
  m_updateDir->writeECD(*m_target, m_propertyMgr.get());
  m_target->flush();

  // Committed: the target is the package now.
  if (m_updateToOtherFile) {
    std::shared_ptr<IPkgFSFile> old = std::move(m_file);
    m_file = m_target;
    m_fileName = m_target->getFileName();
    if (m_target->getFileSystem()) m_fileSystem = m_target->getFileSystem();
    if (old) {
      try {
        old->close();
      } catch (...) {
        // Only read from; the new file is complete.
      }
    }
    m_mimetypeRepair = false;
  }
  m_modified = false;
  m_unwritten = false;
  m_currentMode = m_modeAtOpen;
  m_centralDir = std::move(m_updateDir);
  for (ZipPkgEntry* entry : m_pending) entry->setPending(false);
  m_pending.clear();
  std::vector<ZipPkgEntry*> dropped;
  for (auto& item : m_entries) {
    ZipPkgEntry* entry = item.second.get();
    if (entry->isDeleted()) {
      dropped.push_back(entry);
    } else {
      entry->endUpdate();
    }
  }
  // A removed entry's properties go with it, so that a new entry of its
  // name starts without them.
  for (ZipPkgEntry* entry : dropped) m_propertyMgr->forgetPath(entry->getName());
  dropEntries(dropped);
  // What was written now stands in the records.
  const std::string& packagePath = PkgPropertyMgr::s_packagePath;
  m_propertyMgr->setZipProperty(packagePath, kZipPropArchiveComment,
                                m_propertyMgr->getZipProperty(packagePath, kZipPropArchiveComment),
                                true);
  for (auto& item : m_entries) {
    ZipPkgEntry* entry = item.second.get();
    if (entry->getEntryType() != kEntryFile) continue;
    for (UCFPropertyName name : {kZipPropDOSDate, kZipPropDOSTime, kZipPropMacTypeCreator}) {
      bool changed = false;
      std::string text = m_propertyMgr->getZipProperty(entry->getName(), name, &changed);
      if (changed) m_propertyMgr->setZipProperty(entry->getName(), name, text, true);
    }
  }
  resetUpdateState();
}

void ZipPackage::cancelUpdate() {
  checkOpen();
  if (!m_inUpdate) throw PackageException(kPkgErrUpdateNotInProgress);
  std::exception_ptr first;
  const bool otherFile = m_updateToOtherFile;
  if (m_directEntry) {
    try {
      m_directEntry->closeDirectStream();
    } catch (...) {
      // The data goes with the update.
    }
  }
  m_inUpdate = false;
  m_updateToOtherFile = false;

  std::vector<ZipPkgEntry*> leaving = m_updateList;
  for (auto& item : m_entries) {
    ZipPkgEntry* entry = item.second.get();
    if (entry == m_rootEntry || entry->isListed()) continue;
    // Made during the update: it goes with it.
    if (entry->updateRecord() && !entry->record() && !entry->isPending()) leaving.push_back(entry);
  }
  dropEntries(leaving);
  for (auto& item : m_entries) item.second->cancelUpdate();
  m_updateList.clear();
  m_updateDir.reset();
  if (m_propertyMgr->isInUpdate()) {
    try {
      m_propertyMgr->cancelUpdate();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  m_modified = m_modifiedBeforeUpdate;

  // The package's file as it was, or no copy at all.
  std::shared_ptr<IPkgFSFile> target = std::move(m_target);
  try {
    if (target && m_lengthAtBegin >= 0) {
      target->truncate(m_lengthAtBegin);
      target->flush();
      if (otherFile) target->close();
    } else if (otherFile && target) {
      std::shared_ptr<IPkgFSFileName> name = target->getFileName();
      IPkgFileSystem* fileSystem = target->getFileSystem() ? target->getFileSystem() : m_fileSystem;
      target->close();
      if (name && fileSystem) fileSystem->deleteTempFileByName(name);
    }
  } catch (...) {
    if (!first) first = std::current_exception();
  }
  m_modeAtOpen = m_modeBeforeUpdate;
  resetUpdateState();
  if (first) std::rethrow_exception(first);
}

}  // namespace pkg::zip
