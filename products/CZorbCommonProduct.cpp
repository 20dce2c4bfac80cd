#include "products/CZorbCommonProduct.h"

#include <string>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "platform/os/ColonPath.h"
#include "products/CZoltProductInfoFromArbor.h"
#include "products/CZorbHostDiscovery.h"

namespace {

void logDebug(const std::u16string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}

std::u16string text(const CString& s) {
  return TSTRING(s);
}

// A POSIX path in colon form, or the text unchanged when it is none (the
// refusal is logged when log is set).
CString colonFormOf(const CString& value, bool log) {
  CString colon;
  if (!CZorbOS::convertPath(text(value), colon, log)) return value;
  return colon;
}

// The POSIX form of a folder given either way, without a final "/"; empty
// when a colon path names no place.
CString posixFolderOf(const CString& folder) {
  CString posix;
  if (folder.GetLength() > 0 && folder.GetAt(0) == u'/') {
    posix = folder;
  } else {
    const std::optional<std::string> converted = platform::colonToPosix(text(folder));
    if (!converted) return CString();
    StringUtil::convertStringToWide(*converted, posix);
  }
  while (posix.GetLength() > 1 && posix.GetAt(posix.GetLength() - 1) == u'/')
    posix = posix.Left(posix.GetLength() - 1);
  return posix;
}

void endWithSeparator(CString& path) {
  if (path.GetLength() > 0 && path.GetAt(path.GetLength() - 1) != u':') path += u':';
}

bool beginsWithNoCase(const char16_t* text, const CString& start) {
  if (text == nullptr) return false;
  const CString head = CString(text).Left(start.GetLength());
  return head.GetLength() == start.GetLength() && head.CompareNoCase(start) == 0;
}

}  // namespace

CZorbCommonProduct::CZorbCommonProduct(const CString& name, const CString& path) {
  m_arborName = name;
  MapSystemTokenToPrivateTokenReferrence(_SystemToken);

  m_productInfo =
      std::make_unique<CZoltProductInfoFromArbor>(name, &m_vornConfigTokens, &m_privateTokens);
  CString found;
  m_productInfo->GetInstallFolderName(found);
  if (found.GetLength() == 0) found = path;
  logDebug(u"Application path is " + text(found), __LINE__);
  if (found.GetLength() == 0) {
    m_initialized = false;
    return;
  }

  // The token is the POSIX form whichever way the folder came.
  const CString posix = posixFolderOf(found);
  m_privateTokens.SetAt(u"$installfolder", text(posix));
  CString colon;
  if (posix.GetLength() > 0 && CZorbOS::convertPath(text(posix), colon, true)) {
    m_installFolder = colon;
    endWithSeparator(m_installFolder);
  }
  if (m_installFolder.GetLength() == 0 || !CZorbOS::DirectoryExists(m_installFolder)) {
    logDebug(text(found) + u" does not exist", __LINE__);
    m_installFolder.Empty();
    return;
  }

  CString configFolder = m_installFolder;
  if (path.GetLength() > 0) {
    configFolder.Empty();
    const CString givenPosix = posixFolderOf(path);
    if (givenPosix.GetLength() > 0 && CZorbOS::convertPath(text(givenPosix), configFolder, true))
      endWithSeparator(configFolder);
  }
  if (configFolder.GetLength() > 0 &&
      m_productInfo->processTokenString(configFolder, m_vornConfigPath, false))
    return;
  // The message names the file that was refused, wherever it was found.
  const CString refused = CZorbPath(m_vornConfigPath).GetFolder();
  updateErrorMessageByCheckVornConfig(refused.GetLength() > 0 ? refused : configFolder);
  fail();
}

CZorbCommonProduct::~CZorbCommonProduct() = default;

void CZorbCommonProduct::fail() {
  m_installFolder.Empty();
  m_initialized = false;
}

bool CZorbCommonProduct::GetErrorString(CString& out) const {
  return CZorbProduct::GetErrorString(out);
}

void CZorbCommonProduct::Initialize() {
  processParams();
  evaluateAttributes();
}

bool CZorbCommonProduct::IsAKInitializeSuccess() const {
  return m_initialized;
}

void CZorbCommonProduct::Terminate() {}
void CZorbCommonProduct::Refresh() {}
void CZorbCommonProduct::GetExtensionsFolderFor(const CZorbPath&, CZorbPath&) const {}

void CZorbCommonProduct::GetName(CString& out) const {
  out = m_displayName;
}
void CZorbCommonProduct::GetInstallFolder(CString& out) const {
  out = m_installFolder;
}
void CZorbCommonProduct::GetExtensionsFolder(CString& out) const {
  out = m_extensionsFolder;
}
void CZorbCommonProduct::GetProductFamily(CString& out) const {
  out = m_productName;
}
void CZorbCommonProduct::GetBazaarName(CString& out) const {
  out = m_productName;
}
void CZorbCommonProduct::GetGroupName(CString& out) const {
  out = m_groupName;
}
void CZorbCommonProduct::GetExecutableFileName(CString& out) const {
  out = m_executableFileName;
}
void CZorbCommonProduct::GetProductIconPath(CString& out) const {
  out = m_iconPath;
}
void CZorbCommonProduct::GetVersion(CZorbVersionNumber& out) const {
  out = m_version;
}

bool CZorbCommonProduct::IsInstalled() const {
  return m_installFolder.GetLength() > 0;
}

bool CZorbCommonProduct::IsRunning() const {
  return m_arborName.GetLength() > 0 && CZorbProduct::IsRunning();
}

bool CZorbCommonProduct::BelongsTo(const char16_t* path) const {
  return m_installFolder.GetLength() > 0 && beginsWithNoCase(path, m_installFolder);
}

bool CZorbCommonProduct::CanDelete(const char16_t*) const {
  return true;
}
bool CZorbCommonProduct::IsSupported() const {
  return true;
}
bool CZorbCommonProduct::IsNeededNoCaseSensitiveTokens() const {
  return false;
}

bool CZorbCommonProduct::RequiresRestart(CZorbExtension* extension, bool) const {
  return extension == nullptr || extension->m_type != kCommandExtensionType;
}

bool CZorbCommonProduct::RequiresRestart(const char16_t* path, bool flag) const {
  return path != nullptr && flag && CZorbString(path).FindNoCase(kScriptExtensionsFolder, 0) >= 0;
}

bool CZorbCommonProduct::Supports(const char16_t* product, const char16_t*, const char16_t*) const {
  return m_productName.GetLength() > 0 && beginsWithNoCase(product, m_productName);
}

void CZorbCommonProduct::GetAppVersionRange(CZorbVersionNumber& low,
                                            CZorbVersionNumber& high) const {
  if (m_version.IsEmpty()) {
    low = u"0.0.0";
    high = u"0.0.0";
    return;
  }
  low = m_version;
  CString next;
  CZorbOS::ansiCharToCString((std::to_string(m_version.GetMajor() + 1) + ".0.0").c_str(), next);
  high = next.Get();
}

void CZorbCommonProduct::MapTokens(const CString&, const CString&, TokenMap& out) const {
  mapUserDefinedMappedToken(out);
}

void CZorbCommonProduct::SetVersion(const CZorbVersionNumber& version) {
  m_version = version;
}

void CZorbCommonProduct::GetLanguageCode(CString& out) const {
  using hostdiscovery::LanguageSource;
  const LanguageSource source =
      hostdiscovery::ConfiguredLanguage(_defaultLocale, m_privateTokens, out);
  if (source == LanguageSource::kUserPreference)
    logDebug(u"The User perferred language code is " + text(out), __LINE__);
  if (source != LanguageSource::kNone) return;
  out = kDefaultLocale;
  logDebug(u"No valid preferred lanuage code found,use default as en_US", __LINE__);
}

void CZorbCommonProduct::processDestTokenName() {
  const auto it = m_privateTokens.find(u"desttokenname");
  if (it != m_privateTokens.end()) {
    m_displayName = it->second.c_str();
    (void)processTokenString(u"desttokenname", m_displayName);  // a partial name is still logged
    if (m_displayName.GetLength() > 0) m_displayName = colonFormOf(m_displayName, true);
  }
  logDebug(u"Dest token Name for " + text(m_arborName) + u" is " + text(m_displayName), __LINE__);
}

void CZorbCommonProduct::processParams() {
  if (m_installFolder.GetLength() == 0) {
    m_initialized = false;
    return;
  }
  if (!CZorbOS::DirectoryExists(m_installFolder)) {
    m_installFolder.Empty();
    return;
  }
  processUserFolderName();

  CString version;
  CString extensionsFolder;
  const bool complete =
      processTextParam(u"productname", m_productName, u"Product Name for ", m_arborName, true) &&
      processTextParam(u"displayname", m_displayName, u"Display Name for ", m_arborName, true) &&
      processTextParam(u"productversion", version, u"Product version for", m_displayName, true);
  if (complete) m_version = version;
  bool ok = complete;
  if (ok) {
    processLanguageCode();
    ok = processTextParam(u"userextensionfolder", extensionsFolder, u"User extension folder for",
                          m_displayName, true);
    // Every extensions folder ends with the separator.
    endWithSeparator(extensionsFolder);
    m_extensionsFolder = extensionsFolder;
  }
  if (ok) processIconPath();
  if (!ok) {
    fail();
    return;
  }

  processTextParam(u"familyname", m_groupName, u"Product Family Name for ", m_arborName, false);
  processPXStorePath();
  processExecutable();
  if (!processMappedToken()) {
    fail();
    return;
  }
  if (!canBeSupportedByCurPlexo()) m_installFolder.Empty();
}

void CZorbCommonProduct::processUserFolderName() {
  const struct {
    bool (*get)(CZorbPath&);
    const char16_t* token;
  } folders[] = {{&CZorbOS::GetCurrentUserAppDataPath, u"$userdatafolder"},
                 {&CZorbOS::GetSharedAppDataPath, u"$shareddatafolder"}};
  for (const auto& folder : folders) {
    CZorbPath path;
    if (!folder.get(path) || path.GetLength() == 0) continue;
    CString posix;
    if (CZorbOS::convertPath(path.Left(path.GetLength() - 1), posix))
      m_privateTokens.SetAt(folder.token, text(posix));
  }
}

bool CZorbCommonProduct::processTextParam(const char16_t* key, CString& field,
                                          const char16_t* logPrefix, const CString& logName,
                                          bool canFail) {
  const auto it = m_privateTokens.find(key);
  if (it != m_privateTokens.end()) field = it->second.c_str();
  // An unresolved value keeps its "$" and is refused below.
  (void)processTokenString(key, field);
  if (field.GetLength() > 0) field = colonFormOf(field, true);
  logDebug(logPrefix + text(logName) + u" is " + text(field), __LINE__);
  if (!canFail) return true;
  return field.GetLength() > 0 && field.Find(u'$') < 0;
}

void CZorbCommonProduct::processLanguageCode() {
  CString code;
  GetLanguageCode(code);
  m_privateTokens.SetAt(u"$locale", text(code));
  logDebug(u"Language code for " + text(m_displayName) + u" is " + text(code), __LINE__);
}

void CZorbCommonProduct::processIconPath() {
  const auto it = m_privateTokens.find(u"iconpath");
  CString posix;
  if (it != m_privateTokens.end() && !it->second.empty() &&
      CZorbOS::convertPath(m_installFolder, posix)) {
    if (posix.GetLength() == 0 || posix.GetAt(posix.GetLength() - 1) != u'/') posix += u'/';
    m_iconPath = posix + it->second.c_str();
    logDebug(u"Icon Path for " + text(m_displayName) + u" is " + text(m_iconPath), __LINE__);
    return;
  }
  m_iconPath = kNoIcon;
  logDebug(u"Icon Path for " + text(m_displayName) + u" is not defined.", __LINE__);
}

void CZorbCommonProduct::processExecutable() {
  const auto it = m_privateTokens.find(u"binaryname");
  CZorbPath tried;
  if (it != m_privateTokens.end() && !it->second.empty()) {
    CZorbPath name = CString(it->second.c_str());
    name.LocalizePathSeparators();
    name.SetExtension(u"app");
    tried = m_installFolder;
    tried.Append(name);
    if (CZorbOS::FileExists(tried)) {
      m_executableFileName = name;
      return;
    }
  }
  m_executableFileName.Empty();
  const std::u16string where = tried.GetLength() > 0 ? u": " + text(tried) : u"";
  logDebug(u"Executable file name for " + text(m_displayName) + where + u" is not defined.",
           __LINE__);
}

bool CZorbCommonProduct::processMappedToken() {
  // A copy: resolving reads the map while the loop walks it.
  const TokenMap tokens = m_privateTokens;
  for (const auto& [key, stored] : tokens) {
    if (key.empty() || key[0] != u'$') continue;
    const std::u16string name = key.substr(1);
    CString value = stored.c_str();
    // The key as stored names the token; the result goes under the plain name.
    const bool resolved = processTokenString(key.c_str(), value);
    if (resolved && value.GetLength() > 0) value = colonFormOf(value, true);
    if (!resolved) {
      logDebug(u"Token " + name + u" has unresolved value, contains $,the invalid value is " +
                   text(value),
               __LINE__);
      m_errorString = FormatMessage(kMsgTokenUnresolved, m_displayName, name.c_str(), value);
      return false;
    }
    m_userDefinedTokens.SetAt(name, text(value));
  }
  return true;
}
