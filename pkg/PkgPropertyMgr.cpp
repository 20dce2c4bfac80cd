#include "pkg/PkgPropertyMgr.h"

#include "pkg/BasePackage.h"
#include "pkg/BasePkgHexStrings.h"
#include "pkg/PackageException.h"

namespace pkg {

const std::string PkgPropertyMgr::s_packagePath;
const std::string PkgPropertyMgr::s_propertiesFilePath = "/META-INF/pkgproperties.xml";

PkgPropertyMgr::PkgPropertyMgr(BasePackage* owner) : m_owner(owner) {}

const PkgPropertyMgr::Value* PkgPropertyMgr::PropertyMap::find(int name) const {
  for (const auto& item : m_items) {
    if (item.first == name) return &item.second;
  }
  return nullptr;
}

PkgPropertyMgr::Value& PkgPropertyMgr::PropertyMap::operator[](int name) {
  for (auto& item : m_items) {
    if (item.first == name) return item.second;
  }
  if (m_items.empty()) m_items.reserve(2);
  m_items.emplace_back(name, Value());
  return m_items.back().second;
}

PkgPropertyMgr::~PkgPropertyMgr() = default;

namespace {

// The key a zip property is kept under, or throws code 22.
const std::string& zipKey(const std::string& path, UCFPropertyName name) {
  if (name == kZipPropArchiveComment) return PkgPropertyMgr::s_packagePath;
  bool entryName =
      name == kZipPropDOSDate || name == kZipPropDOSTime || name == kZipPropMacTypeCreator;
  if (!entryName || path == PkgPropertyMgr::s_packagePath) {
    throw PackageException(kPkgErrBadArgument);
  }
  return path;
}

}  // namespace

std::string PkgPropertyMgr::getZipProperty(const std::string& path, UCFPropertyName name,
                                           bool* changed) {
  return lookUp(zipKey(path, name), name, changed);
}

void PkgPropertyMgr::setZipProperty(const std::string& path, UCFPropertyName name,
                                    const std::string& text, bool fromRecord) {
  const std::string& key = zipKey(path, name);
  m_table[key][name] = Value(!fromRecord, text);
}

bool PkgPropertyMgr::isGenericName(UCFPropertyName name) {
  return name == kGenPropDateTime || name == kGenPropMacType || name == kGenPropMacCreator;
}

std::string PkgPropertyMgr::lookUp(const std::string& key, UCFPropertyName name,
                                   bool* changed) const {
  if (changed) *changed = false;
  auto entry = m_table.find(key);
  if (entry != m_table.end()) {
    if (const Value* value = entry->second.find(name)) {
      if (changed) *changed = value->first;
      return value->second;
    }
    if (entry->second.forgotten()) return std::string();
  }
  // Not set since reading: as the entry's record says.
  if ((name == kZipPropDOSDate || name == kZipPropDOSTime) && m_recordDates && !key.empty()) {
    uint16_t date = 0;
    uint16_t time = 0;
    if (m_recordDates(key, date, time))
      return BasePkgHexStrings::getInstance()->iToHexString(name == kZipPropDOSDate ? date : time);
  }
  return std::string();
}

bool PkgPropertyMgr::hasParser() const {
  return m_owner && m_owner->getXMLParser();
}

std::string PkgPropertyMgr::getGenericProperty(const std::string& path, UCFPropertyName name,
                                               bool* changed) {
  if (!hasParser()) throw PackageException(kPkgErrUnsupportedOperation);
  if (!isGenericName(name) || path == s_packagePath) throw PackageException(kPkgErrBadArgument);
  if (!m_loaded) readGenericProperties();
  return lookUp(path, name, changed);
}

void PkgPropertyMgr::setGenericProperty(const std::string& path, UCFPropertyName name,
                                        const std::string& text, bool fromFile) {
  if (!hasParser()) throw PackageException(kPkgErrUnsupportedOperation);
  if (!m_inUpdate && !fromFile) throw PackageException(kPkgErrNotInUpdate);
  if (!isGenericName(name) || path == s_packagePath) throw PackageException(kPkgErrBadArgument);
  // What the properties file cannot hold is refused here rather than
  // making the file unreadable later.
  if (!isXmlText(path) || !isXmlText(text)) throw PackageException(kPkgErrBadArgument);
  if (!fromFile && !m_loaded) readGenericProperties();
  m_table[path][name] = Value(true, text);
}

int PkgPropertyMgr::getPkgLevelGenPropCount() const {
  auto entry = m_table.find(s_packagePath);
  return entry == m_table.end() ? 0 : static_cast<int>(entry->second.size());
}

int PkgPropertyMgr::getFileLevelGenPropCount(const std::string& path) const {
  if (path == s_packagePath) return 0;
  auto entry = m_table.find(path);
  if (entry == m_table.end()) return 0;
  int count = 0;
  for (const auto& property : entry->second.items()) {
    if (isGenericName(static_cast<UCFPropertyName>(property.first))) ++count;
  }
  return count;
}

int PkgPropertyMgr::getAllFileLevelGenPropCount() const {
  int count = 0;
  for (const auto& entry : m_table) count += getFileLevelGenPropCount(entry.first);
  return count;
}

void PkgPropertyMgr::beginUpdate() {
  if (m_inUpdate) throw PackageException(kPkgErrUpdateInProgress);
  m_saved = m_table;
  m_loadedAtBegin = m_loaded;
  m_inUpdate = true;
}

void PkgPropertyMgr::endUpdate() {
  if (!m_inUpdate) return;
  writeGenericProperties();
  m_saved.clear();
  m_inUpdate = false;
}

void PkgPropertyMgr::cancelUpdate() {
  if (!m_inUpdate) throw PackageException(kPkgErrUpdateNotInProgress);
  m_table.swap(m_saved);
  m_saved.clear();
  m_loaded = m_loadedAtBegin;
  m_inUpdate = false;
}

}  // namespace pkg
