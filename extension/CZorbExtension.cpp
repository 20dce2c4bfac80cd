#include "extension/CZorbExtension.h"

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/CZorbConfigChanges.h"
#include "config/CZorbHelpChanges.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/ExtensionXml.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"
#include "platform/os/Catalog.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

constexpr uint32_t kCreatorQqXm = 0x5171586D;  // 'QqXm'

// Where the shared copies of resource folders lie, below the folder for
// data shared by all users.
constexpr char16_t kResourcesHome[] = u"Vesko:Plexar WB5";
constexpr char16_t kResourcesSuffix[] = u"_Resources";

std::atomic<CZorbExtension::ProductNamesReader> g_productNamesReader{nullptr};

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

// Clones of the sets that are of the class Set; null entries and clones of
// another class are left out.
template <class Set>
CZorbTypedVector<Set*> CloneSets(const CZorbTypedVector<Set*>& sets) {
  std::vector<std::unique_ptr<Set>> clones;
  for (const Set* set : sets) {
    if (!set) continue;
    std::unique_ptr<CZorbXmlObject> copy(set->Clone());
    if (auto* typed = dynamic_cast<Set*>(copy.get())) {
      copy.release();
      clones.emplace_back(typed);
    }
  }
  CZorbTypedVector<Set*> out;
  for (auto& clone : clones) out.push_back(clone.release());
  return out;
}

// Deletes each set once, except those that keep still holds.
void DeleteSets(const CZorbTypedVector<CZorbConfigChanges*>& configs,
                const CZorbTypedVector<CZorbHelpChanges*>& helps, const CZorbExtension* keep) {
  std::set<const CZorbXmlObject*> spared;
  if (keep) {
    spared.insert(keep->m_configChanges.begin(), keep->m_configChanges.end());
    spared.insert(keep->m_helpChanges.begin(), keep->m_helpChanges.end());
  }
  for (CZorbConfigChanges* set : configs)
    if (set && spared.insert(set).second) delete set;
  for (CZorbHelpChanges* set : helps)
    if (set && spared.insert(set).second) delete set;
}

void LogRegistriesInUse(const CString& name) {
  Logger::write(
      Logger::kDebug,
      u"CZorbExtension::operator=: menuMap|m_buttonMap is not empty. Extension Name: " + Text(name),
      __FILE__, __LINE__);
}

// The folder that holds the shared copies of resource folders.
bool ResourcesHome(CZorbPath& folder) {
  if (!CZorbOS::GetCommonAppPath(folder)) return false;
  folder.Append(kResourcesHome);
  return true;
}

}  // namespace

void CZorbExtension::SetProductNamesReader(ProductNamesReader reader) {
  g_productNamesReader.store(reader);
}

CZorbExtension::CZorbExtension() = default;

CZorbExtension::CZorbExtension(const CZorbExtension& other) : CZorbXmlFile() {
  *this = other;
}

CZorbExtension& CZorbExtension::operator=(const CZorbExtension& other) {
  if (this == &other) return *this;

  CZorbTypedVector<CZorbConfigChanges*> configs = CloneSets(other.m_configChanges);
  CZorbTypedVector<CZorbHelpChanges*> helps = CloneSets(other.m_helpChanges);

  if (!menuMap.empty()) LogRegistriesInUse(m_name);
  if (!other.menuMap.empty() || !other.m_buttonMap.empty()) LogRegistriesInUse(other.m_name);
  // The registries point into the change sets that go now.
  menuMap.clear();
  m_buttonMap.clear();

  // The old sets are this extension's own: a set it handed on left its
  // vectors through RemoveAllConfigChanges.
  DeleteSets(m_configChanges, m_helpChanges, &other);
  m_configChanges.swap(configs);
  m_helpChanges.swap(helps);

  m_localesWithFiles.clear();
  for (const auto& [locale, unused] : other.m_localesWithFiles)
    m_localesWithFiles.SetAt(locale, CString());

  m_xmlDecl = other.m_xmlDecl;
  m_encoding = other.m_encoding;
  m_id = other.m_id;
  m_name = other.m_name;
  m_icon = other.m_icon;
  m_version = other.m_version;
  m_description = other.m_description;
  m_uiAccess = other.m_uiAccess;
  m_licenseAgreement = other.m_licenseAgreement;
  m_type = other.m_type;
  m_typeText = other.m_typeText;
  m_requiresRestart = other.m_requiresRestart;
  m_authorName = other.m_authorName;
  m_path = other.m_path;
  m_enabled = other.m_enabled;
  m_allUsers = other.m_allUsers;
  m_severalPrimaryProducts = other.m_severalPrimaryProducts;
  m_windowsCharset = other.m_windowsCharset;
  m_tokens = other.m_tokens;
  m_files = other.m_files;
  m_products = other.m_products;
  m_updateInfo = other.m_updateInfo;
  m_signInfos = other.m_signInfos;
  m_plexoVersion = other.m_plexoVersion;
  m_kxiVersion = other.m_kxiVersion;
  m_forceCheck = other.m_forceCheck;
  m_defaultLanguage = other.m_defaultLanguage;
  m_defaultLanguageGiven = other.m_defaultLanguageGiven;
  m_multilingual = other.m_multilingual;
  m_nameResId = other.m_nameResId;
  m_authorResId = other.m_authorResId;
  m_uiAccessResId = other.m_uiAccessResId;
  m_descriptionResId = other.m_descriptionResId;
  m_licenseResId = other.m_licenseResId;
  m_resources = other.m_resources;
  m_filesForDefaultLanguage = other.m_filesForDefaultLanguage;
  m_fileTypes = other.m_fileTypes;
  m_writePackageType = other.m_writePackageType;
  m_packageType = other.m_packageType;
  m_forceQuit = other.m_forceQuit;
  m_locked = other.m_locked;
  m_showFiles = other.m_showFiles;
  m_pluginManagerType = other.m_pluginManagerType;
  m_enabledForEnableAll = other.m_enabledForEnableAll;
  m_timeStamp = other.m_timeStamp;
  return *this;
}

CZorbExtension::~CZorbExtension() {
  DeleteSets(m_configChanges, m_helpChanges, nullptr);
}

CZorbExtension* CZorbExtension::Clone() const {
  return new CZorbExtension(*this);
}

void CZorbExtension::GetTag(CString& tag) const {
  tag = u"quillory-extension";
}

int CZorbExtension::Save(const char16_t* path) {
  const uint32_t encoding = m_encoding;
  m_encoding = CZorbUnicodeConverter::kUTF8;
  const CString target = path && *path ? CString(path) : m_path;
  const int result = CZorbXmlFile::Save(target);
  m_encoding = encoding;
  // The own path, also when the text went elsewhere.
  if (CZorbOS::SetFileTypeAndCreator(m_path, platform::kTextFileType, kCreatorQqXm) != 0)
    Logger::write(Logger::kDebug, u"cannot set the type and creator of " + Text(m_path), __FILE__,
                  __LINE__);
  return result;
}

int CZorbExtension::Load(const char16_t* path, CZorbTypedList<CZorbString>* messages) {
  return LoadWithLoadResourceFlagAndCheck(path, true, nullptr, messages);
}

int CZorbExtension::LoadWithLoadResourceFlagAndCheck(const char16_t* path, bool /*loadResources*/,
                                                     CZorbTypedList<CZorbString>* /*errors*/,
                                                     CZorbTypedList<CZorbString>* /*warnings*/) {
  m_path = path;
  menuMap.clear();
  m_buttonMap.clear();
  // No description reader is linked into this library yet: nothing is read.
  return -1;
}

void CZorbExtension::SetVersion(const char16_t* text) {
  m_version = text;
}

void CZorbExtension::SetPlexoVersion(const char16_t* text) {
  m_plexoVersion = text;
}

void CZorbExtension::SetKXIVersion(const char16_t* text) {
  m_kxiVersion = text;
}

CString& CZorbExtension::GetName(CString& out) const {
  if (m_multilingual) return getDisplayName(out);
  out = m_name;
  return out;
}

CString& CZorbExtension::GetDesc(CString& out) const {
  if (m_multilingual) return getDisplayDescription(out);
  out = m_description;
  return out;
}

CString& CZorbExtension::GetUIAccess(CString& out) const {
  if (m_multilingual) return getDisplayUiAccess(out);
  out = m_uiAccess;
  return out;
}

CString& CZorbExtension::GetLicenseAgreement(CString& out) const {
  if (m_multilingual) return getDisplayLicense(out);
  out = m_licenseAgreement;
  return out;
}

CString& CZorbExtension::GetAuthorName(CString& out) const {
  if (m_multilingual) return getDisplayAuthorName(out);
  out = m_authorName;
  return out;
}

CString& CZorbExtension::getDisplayName(CString& out) const {
  if (!getStringValueByResID(m_nameResId, out)) out = m_name;
  return out;
}

CString& CZorbExtension::getDisplayDescription(CString& out) const {
  if (!getStringValueByResID(m_descriptionResId, out)) out = m_description;
  return out;
}

CString& CZorbExtension::getDisplayUiAccess(CString& out) const {
  if (!getStringValueByResID(m_uiAccessResId, out)) out = m_uiAccess;
  return out;
}

CString& CZorbExtension::getDisplayLicense(CString& out) const {
  if (!getStringValueByResID(m_licenseResId, out)) out = m_licenseAgreement;
  return out;
}

CString& CZorbExtension::getDisplayAuthorName(CString& out) const {
  if (!getStringValueByResID(m_authorResId, out)) out = m_authorName;
  return out;
}

bool CZorbExtension::getStringValueByResID(const CString& resid, CString& out) const {
  CString text;
  if (!m_resources.Lookup(CString(kResourceKeyPrefix) + resid, text) || text.GetLength() == 0)
    return false;
  out = text;
  return true;
}

int CZorbExtension::Compare(const CZorbExtension& other) const {
  CString mine, theirs;
  GetName(mine);
  other.GetName(theirs);
  const int byName = mine.Compare(theirs);
  return byName != 0 ? byName : m_version.Compare(other.m_version);
}

CZorbExtensionProduct* CZorbExtension::GetPrimaryProduct(CZorbPlexarUI* ui,
                                                         const CZorbProduct* product) const {
  if (!product) return GetPrimaryProductFor(ui, nullptr);
  const ProductNamesReader reader = g_productNamesReader.load();
  ProductNames names;
  if (!reader || !reader(product, names)) return nullptr;
  return GetPrimaryProductFor(ui, &names);
}

CZorbExtensionProduct* CZorbExtension::GetPrimaryProductFor(CZorbPlexarUI* ui,
                                                            const ProductNames* names) const {
  for (CZorbXmlObject* child : m_products.m_children) {
    // Comments and unknown elements may stand between the products.
    auto* element = dynamic_cast<CZorbExtensionProduct*>(child);
    if (!element || !element->m_primary) continue;
    if (!names) return element;

    CString name = element->m_name;
    if (name.GetLength() == 0 && element->m_familyName.CompareNoCase(names->groupName) == 0)
      name = names->family;
    if (name.GetLength() == 0) continue;
    if (element->m_platform != extcode::kPlatformNone &&
        element->m_platform != extcode::kPlatformMac)
      continue;
    if (ui && ui->Supports(names->name, name, element->m_version, element->m_maxVersion,
                           element->m_minVersionOpen, element->m_maxVersionOpen, element->m_bit))
      return element;
  }
  return nullptr;
}

bool CZorbExtension::HasMenuChanges() const {
  return GetMasterConfigChanges() != nullptr;
}

bool CZorbExtension::HasInsertbarConfigChanges() const {
  for (CZorbConfigChanges* set : m_configChanges)
    if (dynamic_cast<CZorbInsertbarConfigChanges*>(set)) return true;
  return false;
}

CZorbMasterConfigChanges* CZorbExtension::GetMasterConfigChanges() const {
  for (CZorbConfigChanges* set : m_configChanges)
    if (auto* master = dynamic_cast<CZorbMasterConfigChanges*>(set)) return master;
  return nullptr;
}

bool CZorbExtension::HasUserDefinedTokens() const {
  for (const CZorbXmlObject* child : m_tokens.m_children) {
    const auto* token = dynamic_cast<const CZorbExtensionToken*>(child);
    if (token && token->m_prompt.GetLength() > 0) return true;
  }
  return false;
}

void CZorbExtension::RemoveAllConfigChanges() {
  m_configChanges.clear();
  m_helpChanges.clear();
}

void CZorbExtension::addSignInfo(const CString& name, bool isSigned, const CString& certificateType,
                                 const CString& publisher, const CString& extensionType) {
  auto* info = new CZorbExtensionSignInfo();
  info->m_name = name;
  info->m_signed = isSigned;
  info->m_certificateType = certificateType;
  info->m_publisher = publisher;
  info->m_extensionType = extensionType;
  m_signInfos.m_children.push_back(info);
}

void CZorbExtension::clearSigInfoEntry() {
  m_signInfos = CZorbExtensionSignInfos();
}

void CZorbExtension::CleanUpText(CString& text) {
  text.TrimLeft();
  text.TrimRight();
  static constexpr const char16_t* kSteps[][2] = {
      {u"&amp;", u"&"},
      {u"&apos;", u"'"},
      {u"+&lt;", u"+<"},
      {u"+&gt;", u"+>"},
      {u"  ", u" "},
      {u"\r\n\r\n", u"\r\n"},
      {u"\r\r", u"\r"},
      {u"\n\n", u"\n"},
      {u"<BR>", u"<br>"},
      {u" <br>", u"<br>"},
      {u"<br> ", u"<br>"},
      {u"<br>\r\n", u"<br>"},
      {u"<br>\r", u"<br>"},
      {u"<br>\n", u"<br>"},
      // A CR LF pair is one line end, not two.
      {u"\r\n", u"<br>"},
      {u"\r", u"<br>"},
      {u"\n", u"<br>"},
  };
  for (const auto& step : kSteps) text.Replace(step[0], step[1]);
}

void CZorbExtension::ConvertBadXml(CString& text) {
  text.Replace(u"&", u"&amp;");
  text.Replace(u"<%", u"&lt;%");
  text.Replace(u"%>", u"%&gt;");
  text.Replace(u"+<", u"+&lt;");
  text.Replace(u"+>", u"+&gt;");
  text.Replace(u"'", u"&apos;");
}

void CZorbExtension::RevertBadXml(CString& text) {
  text.Replace(u"&amp;", u"&");
  text.Replace(u"&lt;%", u"<%");
  text.Replace(u"%&gt;", u"%>");
  text.Replace(u"+&lt;", u"+<");
  text.Replace(u"+&gt;", u"+>");
  text.Replace(u"&apos;", u"'");
}

void CZorbExtension::GenerateResourceBundle(const CString& kxiPath) {
  const CString source = kxiPath + kResourcesSuffix;
  if (!CZorbOS::DirectoryExists(source)) return;
  CZorbPath home;
  if (!ResourcesHome(home) || !CZorbOS::CopyDirectory(source, home))
    Logger::write(Logger::kDebug, u"cannot copy the resource folder " + Text(source), __FILE__,
                  __LINE__);
}

void CZorbExtension::mapResourceID(const CString& kxiPath) {
  CZorbPath folder;
  if (!ResourcesHome(folder)) return;
  const CZorbPath description(kxiPath);
  folder.Append(description.GetFileName() + kResourcesSuffix);
  if (!CZorbOS::DirectoryExists(folder)) return;
  CString posix;
  if (!CZorbOS::convertPath(folder, posix)) return;
  CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance();
  if (!proxy) return;
  proxy->getXMLinfoFromBareString(CString(u"file://") + posix, CString(kResourceDataPrefix));
  for (const auto& [key, value] : proxy->GetResults()) m_resources.SetAt(key, value);
}
