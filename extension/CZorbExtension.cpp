#include "extension/CZorbExtension.h"

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "config/CZorbConfigChange.h"
#include "config/CZorbConfigChanges.h"
#include "config/CZorbHelpChange.h"
#include "config/CZorbHelpChanges.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbStandardHelpChanges.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/CZorbExtensionXMLParser.h"
#include "extension/ExtensionXml.h"
#include "extension/KxiChanges.h"
#include "extension/KxiFormat.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"
#include "package/CZorbPackageUtility.h"
#include "platform/os/Catalog.h"
#include "platform/widechar/WideChar.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

constexpr uint32_t kCreatorQqXm = 0x5171586D;  // 'QqXm'

// Where the shared copies of resource folders lie, below the folder for
// data shared by all users.
constexpr char16_t kResourcesHome[] = u"Vesko:Plexar WB5";
constexpr char16_t kResourcesSuffix[] = u"_Resources";

std::atomic<CZorbExtension::ProductNamesReader> g_productNamesReader{nullptr};

// String table ids of the load's messages.
constexpr unsigned int kNotForWbxs = 4196;              // attribute
constexpr unsigned int kMissingAttribute = 4206;        // attribute, element
constexpr unsigned int kSeveralPrimaryProducts = 4227;  // none
constexpr unsigned int kDescriptionBreaksOff = 4234;    // line, column, reason

CString Number(long long value) {
  const std::string digits = std::to_string(value);
  return CString(std::u16string(digits.begin(), digits.end()).c_str());
}

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
  m_descriptionHref = other.m_descriptionHref;
  m_descriptionSource = other.m_descriptionSource;
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
  m_installLevel = other.m_installLevel;
  m_installTime = other.m_installTime;
  m_installTimeSet = other.m_installTimeSet;
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

int CZorbExtension::LoadWithLoadResourceFlagAndCheck(const char16_t* path, bool loadResources,
                                                     CZorbTypedList<CZorbString>* errors,
                                                     CZorbTypedList<CZorbString>* warnings) {
  CZorbExtensionXMLParser reader(this);
  m_path = path;
  menuMap.clear();
  m_buttonMap.clear();

  int result = reader.ParseDescription(path);
  if (result == CZorbXMLParser::kMalformedDocument) {
    // What was read stays: a description that breaks off loads as far as it
    // goes, and an error keeps it from being installed as if it were whole.
    result = 0;
    if (reader.RootSeen() && !reader.RootClosed()) {
      const CString error =
          extxml::FormatMessage(kDescriptionBreaksOff, Number(reader.GetErrorLine()),
                                Number(reader.GetErrorColumn()), reader.GetErrorText());
      reader.m_errors.push_front(CZorbString(error));
    }
  }
  // The elements still open belong to the tree; the stack only borrowed them.
  m_openElements.clear();

  if (loadResources) updateResourceFile(m_path);
  menuMap.clear();
  m_buttonMap.clear();

  if (result == 0) {
    m_xmlDecl = reader.m_xmlDecl;
    m_encoding = reader.m_encoding;
    m_windowsCharset = reader.m_convertToWindows;
    if (!reader.RootSeen()) result = -2;
  }
  if (result == 0) result = Check(errors);

  if (errors && !reader.m_errors.empty()) errors->push_back(reader.m_errors.front());
  if (warnings)
    warnings->insert(warnings->end(), reader.m_warnings.begin(), reader.m_warnings.end());
  return result;
}

int CZorbExtension::Check(CZorbTypedList<CZorbString>* errors) {
  int result = 0;
  const auto addError = [errors](const CString& text) {
    if (errors) errors->push_back(CZorbString(text));
  };

  CleanUpText(m_description);
  CleanUpText(m_uiAccess);
  CleanUpText(m_licenseAgreement);
  CleanUpText(m_defaultLanguage);

  // Products: a WBXS extension, and the primary product.
  bool wbxs = false;
  CZorbExtensionProduct* first = nullptr;
  CZorbExtensionProduct* primary = nullptr;
  for (CZorbXmlObject* child : m_products.m_children) {
    auto* product = dynamic_cast<CZorbExtensionProduct*>(child);
    if (!product) continue;
    if (!first) first = product;
    if (product->m_name.CompareNoCase(u"WBXS") == 0) wbxs = true;
    if (!product->m_primary) continue;
    if (primary)
      m_severalPrimaryProducts = true;
    else
      primary = product;
  }
  if (wbxs && m_files.m_defaultTypeGiven)
    addError(extxml::FormatMessage(kNotForWbxs, CString(u"default-file-type")));
  if (!primary && first) first->m_primary = true;

  // Files: their languages and types.
  for (CZorbXmlObject* child : m_files.m_children) {
    auto* file = dynamic_cast<CZorbExtensionFile*>(child);
    if (!file) continue;
    if (!file->m_isResourceFile && file->m_language.GetLength() > 0)
      m_localesWithFiles.SetAt(file->m_language, CString());
    if (!wbxs) {
      if (file->m_fileType == extcode::kFileTypeNone) file->m_fileType = extcode::kFileTypeOrdinary;
    } else if (file->m_fileType == extcode::kFileTypeNone) {
      file->m_fileType = extcode::kFileTypeWbxs;
      file->m_typeImplied = true;
    } else {
      addError(extxml::FormatMessage(kNotForWbxs, CString(u"file-type")));
      file->m_fileType = extcode::kFileTypeInvalid;
    }
    m_fileTypes |= file->m_fileType;
    if (file->m_source.Find(u"..") >= 0 || file->m_destination.Find(u"..") >= 0) {
      result = -5;
      break;
    }
  }

  // The languages of the changes.
  const auto addLocale = [this](const CZorbXmlObject* change) {
    CString locale;
    if (const auto* config = dynamic_cast<const CZorbConfigChange*>(change))
      locale = config->m_locale;
    else if (const auto* help = dynamic_cast<const CZorbHelpChange*>(change))
      locale = help->m_locale;
    else if (change)
      change->GetAttribute(u"xml:lang", locale);
    if (locale.GetLength() > 0) m_localesWithFiles.SetAt(locale, CString());
  };
  for (const CZorbConfigChanges* set : m_configChanges)
    if (set)
      for (const CZorbXmlObject* change : set->m_children) addLocale(change);
  for (const CZorbHelpChanges* set : m_helpChanges)
    if (set)
      for (const CZorbXmlObject* change : set->m_children) addLocale(change);

  if (m_severalPrimaryProducts && (m_pluginManagerType == 0 || m_pluginManagerType == 1))
    addError(extxml::FormatMessage(kSeveralPrimaryProducts));

  if (m_updateInfo.m_urlGiven && m_updateInfo.m_method == extcode::kUpdateMethodNone)
    m_updateInfo.m_method = extcode::kUpdateMethodDirectLink;
  if (m_updateInfo.m_method == extcode::kUpdateMethodDirectLink && !m_updateInfo.m_urlGiven)
    addError(extxml::FormatMessage(kMissingAttribute, CString(u"url"), CString(u"update")));

  m_filesForDefaultLanguage =
      m_defaultLanguage.GetLength() > 0 && filesExistForLocale(m_defaultLanguage);
  return result;
}

bool CZorbExtension::GetUserDefinedTokens(
    CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan>& tokens) const {
  tokens.clear();
  for (const CZorbXmlObject* child : m_tokens.m_children) {
    const auto* token = dynamic_cast<const CZorbExtensionToken*>(child);
    if (!token || token->m_name.GetLength() == 0 || token->m_definition.GetLength() == 0) continue;
    tokens.SetAt(Text(token->m_name), Text(token->m_definition));
  }
  return !tokens.empty();
}

bool CZorbExtension::filesExistForLocale(const CString& locale) const {
  if (locale.GetLength() == 0) return true;
  for (const auto& [known, unused] : m_localesWithFiles)
    if (known.CompareNoCase(locale) == 0) return true;
  return false;
}

bool CZorbExtension::GetDeclaredEncoding(uint32_t& encoding) const {
  return m_xmlDecl.GetLength() > 0 &&
         CZorbUnicodeConverter::GetEncodingFromCharsetName(
             m_xmlDecl.Get(), static_cast<uint32_t>(m_xmlDecl.GetLength()), encoding);
}

void CZorbExtension::updateResourceFile(const CString& path) {
  if (m_multilingual) {
    GenerateResourceBundle(path);
    mapResourceID(path);
  }
  getResourceValueForMenuAndButton();
}

void CZorbExtension::getResourceValueForMenuAndButton() {
  for (CZorbExtensionMenuBase* menu : menuMap) {
    if (!menu || menu->m_resourceName.GetLength() == 0) continue;
    CString text;
    if (getStringValueByResID(menu->m_resourceName, text)) menu->m_resolvedName = text;
  }
  for (CZorbExtensionButton* button : m_buttonMap) {
    if (!button || button->m_labelResId.GetLength() == 0) continue;
    CString text;
    if (getStringValueByResID(button->m_labelResId, text)) button->m_labelText = text;
  }
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
  const char16_t* units = text.Get();
  const size_t length = static_cast<size_t>(text.GetLength());
  if (!units ||
      std::u16string_view(units, length).find_first_of(u"&<>'") == std::u16string_view::npos)
    return;
  std::u16string out;
  AppendBadXmlEscaped(units, length, out);
  text = CString(out.data(), static_cast<uint32_t>(out.size()));
}

void CZorbExtension::AppendBadXmlEscaped(const char16_t* text, size_t length, std::u16string& out) {
  // One pass: no escape makes a unit that another escape looks for, so
  // each unit is decided by its neighbours in the text as given.
  for (size_t i = 0; i < length; ++i)
    AppendBadXmlUnit(i > 0 ? text[i - 1] : 0, text[i], i + 1 < length ? text[i + 1] : 0, out);
}

bool CZorbExtension::AppendBadXmlUnit(char16_t before, char16_t unit, char16_t after,
                                      std::u16string& out) {
  switch (unit) {
    case u'&':
      out += u"&amp;";
      return true;
    case u'\'':
      out += u"&apos;";
      return true;
    case u'<':
      if (after == u'%' || before == u'+') {
        out += u"&lt;";
        return true;
      }
      break;
    case u'>':
      if (before == u'%' || before == u'+') {
        out += u"&gt;";
        return true;
      }
      break;
    default:
      break;
  }
  out += unit;
  return false;
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

// ---------------------------------------------------------------------------
// Writing

namespace {

CString Tabs(int level) {
  CString out;
  for (int i = 0; i < level; ++i) out += u'\t';
  return out;
}

// A root attribute on its own line; the blank before it is part of the
// attribute text (some are written without).
void AppendRootAttribute(CString& out, const CString& indent, const char16_t* name,
                         const CString& value, bool blank = true) {
  out += u'\r';
  out += indent;
  CString attribute;
  kxi::AppendAttribute(attribute, name, value);
  out += blank ? attribute : attribute.Mid(1);
}

const char16_t* TrueFalse(bool flag) {
  return flag ? u"true" : u"false";
}

}  // namespace

void CZorbExtension::BuildXml(int level, CString& out) const {
  DoBuildXml(level, out, true);
}

void CZorbExtension::BuildDescription(int level, CString& out) const {
  const CString indent = Tabs(level);
  const CString inner = Tabs(level + 1);
  CString resolved;

  if (m_xmlDecl.GetLength() > 0) {
    out += m_xmlDecl;
    out += u'\r';
  }
  out += indent;
  out += u"<quillory-extension";
  AppendRootAttribute(out, inner, u"name", m_name);
  if (m_nameResId.GetLength() > 0) {
    AppendRootAttribute(out, inner, u"name_resid", m_nameResId);
    if (getStringValueByResID(m_nameResId, resolved))
      AppendRootAttribute(out, inner, u"localize-name", resolved);
  }
  AppendRootAttribute(out, inner, u"version", m_version);
  if (m_id.GetLength() > 0) AppendRootAttribute(out, inner, u"id", m_id);
  AppendRootAttribute(out, inner, u"type", m_typeText);
  if (m_icon.GetLength() > 0) AppendRootAttribute(out, inner, u"icon", m_icon);
  if (m_requiresRestart) AppendRootAttribute(out, inner, u"requires-restart", u"true");
  if (m_forceQuit) AppendRootAttribute(out, inner, u"force-quit", u"true");
  AppendRootAttribute(out, inner, u"locked", TrueFalse(m_locked));
  if (!m_showFiles) AppendRootAttribute(out, inner, u"show-files", u"false");
  if (m_multilingual) AppendRootAttribute(out, inner, u"ismultilingual", u"true");
  if (m_forceCheck) AppendRootAttribute(out, inner, u"forcecheck", u"true");
  if (!m_kxiVersion.IsEmpty()) AppendRootAttribute(out, inner, u"kxiversion", m_kxiVersion);
  if (!m_plexoVersion.IsEmpty()) AppendRootAttribute(out, inner, u"vornversion", m_plexoVersion);
  if (m_writePackageType)
    AppendRootAttribute(out, inner, u"pkgtype",
                        CZorbPackageUtility::getStringTraslationForPackageType(m_packageType));
  if (m_pluginManagerType == 0) {
    AppendRootAttribute(out, inner, u"plugin-manager-type", u"all-users", false);
    AppendRootAttribute(out, inner, u"time-stamp", m_timeStamp, false);
    AppendRootAttribute(out, inner, u"enabled-for-enabled-all", TrueFalse(m_enabledForEnableAll),
                        false);
  } else if (m_pluginManagerType == 1) {
    AppendRootAttribute(out, inner, u"plugin-manager-type", u"current-user", false);
  }
  out += u">\r";

  if (m_defaultLanguage.GetLength() > 0) {
    out += u'\r';
    out += inner;
    out += u"<defaultLanguage>";
    // A locale stands bare; any text that markup would break goes into a
    // section, so the rest of the description still reads.
    if (kxi::NeedsCData(m_defaultLanguage)) {
      out += u"<![CDATA[";
      out += kxi::CDataText(m_defaultLanguage);
      out += u"]]>";
    } else {
      out += m_defaultLanguage;
    }
    out += u"</defaultLanguage>\r";
  }
  if (m_authorName.GetLength() > 0) {
    out += u'\r';
    out += inner;
    out += u"<author";
    kxi::AppendAttribute(out, u"name", m_authorName);
    if (m_authorResId.GetLength() > 0) {
      kxi::AppendAttribute(out, u"author_resid", m_authorResId);
      if (getStringValueByResID(m_authorResId, resolved))
        kxi::AppendAttribute(out, u"localize-author", resolved);
    }
    out += u" />\r";
  }

  out += u'\r';
  kxi::AppendNode(m_products, level + 1, out);
  out += u'\r';
  kxi::AppendNode(m_updateInfo, level + 1, out);

  struct TextElement {
    const CString& text;
    const CString& resid;
    const char16_t* tag;
    const char16_t* localized;
  };
  const TextElement texts[] = {
      {m_description, m_descriptionResId, u"description", u"localize-description"},
      {m_uiAccess, m_uiAccessResId, u"ui-access", u"localize-ui-access"},
      {m_licenseAgreement, m_licenseResId, u"license-agreement", u"localize-license-agreement"},
  };
  for (const TextElement& element : texts) {
    OutputText(element.text, element.tag, inner, element.resid, out);
    if (element.resid.GetLength() > 0 && getStringValueByResID(element.resid, resolved))
      OutputText(resolved, element.localized, inner, element.resid, out);
  }

  if (!m_tokens.m_children.empty()) {
    out += u'\r';
    kxi::AppendNode(m_tokens, level + 1, out);
  }
  if (!m_files.m_children.empty()) {
    out += u'\r';
    kxi::AppendNode(m_files, level + 1, out);
  }
}

namespace {

// A change section. Its first set, when it is the section's own kind, gives
// only its changes; every other set is written whole inside it. When the
// first set is of another kind, the sets are written side by side without
// the section, so a reader gets the same list back (it would otherwise
// make a set of the section's own kind first).
template <class Own, class Set>
void AppendSection(const CZorbTypedVector<Set*>& sets, const char16_t* section, int level,
                   CString& out) {
  if (sets.empty()) return;
  const CString inner = Tabs(level + 1);
  const bool wrapped = dynamic_cast<const Own*>(sets.front()) != nullptr;
  if (!wrapped) {
    for (const Set* set : sets) {
      if (!set) continue;
      out += u'\r';
      kxi::AppendNode(*set, level + 1, out);
    }
    return;
  }
  out += u'\r';
  out += inner;
  out += u'<';
  out += section;
  out += u">\r";
  bool first = true;
  for (const Set* set : sets) {
    if (set) {
      if (first)
        kxi::AppendChildren(*set, level + 1, out);
      else
        kxi::AppendNode(*set, level + 2, out);
    }
    first = false;
  }
  out += inner;
  out += u"</";
  out += section;
  out += u">\r";
}

}  // namespace

void CZorbExtension::DoBuildXml(int level, CString& text, bool withChanges) const {
  CString out;
  BuildDescription(level, out);
  if (m_windowsCharset && out.GetLength() > 0) {
    const int32_t length = out.GetLength();
    CZorbString::MacToWin(out.GetBuffer(length));
    out.ReleaseBuffer(length);
  }
  if (withChanges)
    AppendSection<CZorbMasterConfigChanges>(m_configChanges, u"configuration-changes", level, out);
  AppendSection<CZorbStandardHelpChanges>(m_helpChanges, u"help-changes", level, out);
  out += u'\r';
  kxi::AppendNode(m_signInfos, level + 1, out);
  out += u'\r';
  out += Tabs(level);
  out += u"</quillory-extension>\r";
  text += out;
}

void CZorbExtension::OutputText(const CString& text, const char16_t* tag, const CString& indent,
                                const CString& resid, CString& out) const {
  CString body(text);
  body.Replace(u"<br>", u"<br>\r");
  out += u'\r';
  out += indent;
  out += u'<';
  out += tag;
  if (platform::wcscmp(tag, u"description") == 0) {
    if (m_descriptionHref.GetLength() > 0) kxi::AppendAttribute(out, u"href", m_descriptionHref);
    if (m_descriptionSource.GetLength() > 0)
      kxi::AppendAttribute(out, u"source", m_descriptionSource);
  }
  if (resid.GetLength() > 0) {
    kxi::AppendAttribute(out, u"resid", resid);
    body.Replace(u"&lt;", u"<");
    body.Replace(u"&gt;", u">");
  }
  out += u">\r";
  if (body.GetLength() > 0) {
    out += indent;
    out += u"<![CDATA[\r";
    out += indent;
    out += kxi::CDataText(body);
    out += u'\r';
    out += indent;
    out += u"]]>\r";
  }
  out += indent;
  out += u"</";
  out += tag;
  out += u">\r";
}

int CZorbExtension::SaveWithoutConfigChangeSection(const char16_t* path) {
  CString text;
  DoBuildXml(0, text, false);
  const uint32_t encoding = m_encoding;
  m_encoding = CZorbUnicodeConverter::kUTF8;
  const CString target = path && *path ? CString(path) : m_path;
  const int result = DoSave(target, CZorbString(text));
  m_encoding = encoding;
  // The own path, also when the text went elsewhere.
  if (CZorbOS::SetFileTypeAndCreator(m_path, platform::kTextFileType, kCreatorQqXm) != 0)
    Logger::write(Logger::kDebug, u"cannot set the type and creator of " + Text(m_path), __FILE__,
                  __LINE__);
  return result;
}

int CZorbExtension::createZIRForEnableALL(const CZorbPath& folder, bool enabledForAll) {
  CZorbPath target(folder);
  target.Append(CZorbPath(m_path).GetFileName());

  const bool writePackageType = m_writePackageType;
  const bool enabledForEnableAll = m_enabledForEnableAll;
  const CString ownPath = m_path;
  m_writePackageType = true;
  m_enabledForEnableAll = enabledForAll;
  m_path = target;
  const int result = SaveWithoutConfigChangeSection(nullptr);
  m_writePackageType = writePackageType;
  m_enabledForEnableAll = enabledForEnableAll;
  m_path = ownPath;
  if (result != 0)
    Logger::write(Logger::kDebug, u"Failed to save flag kxi " + Text(target), __FILE__, __LINE__);
  return result;
}
