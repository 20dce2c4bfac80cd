#include "products/CZorbEmberly.h"

#include <string>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/Logger.h"
#include "products/CZoltProductInfoFromArbor.h"
#include "products/CZorbCommonProduct.h"
#include "products/CZorbHostDiscovery.h"

namespace {

// The version table: major, name, executable, configuration folder, maker,
// messaging name.
constexpr CZorbEmberly::Version kEmberly3{3,           u"Emberly 3", u"Emberly 3",
                                          u"Settings", u"Quillory",  nullptr};
constexpr CZorbEmberly::Version kEmberly4{4,           u"Emberly 4", u"Emberly 4", u"Configuration",
                                          u"Quillory", nullptr};
constexpr CZorbEmberly::Version kEmberly6{
    6, u"Emberly QV", u"Emberly QV", u"Configuration", u"Quillory", nullptr};
constexpr CZorbEmberly::Version kEmberly7{
    7, u"Emberly QV 2004", u"Emberly QV 2004", u"Configuration", u"Quillory", nullptr};
constexpr CZorbEmberly::Version kEmberly8{8,           u"Emberly 8", u"Emberly 8", u"Configuration",
                                          u"Quillory", nullptr};
constexpr CZorbEmberly::Version kEmberly9{9,        u"Emberly WB3", u"Emberly 9", u"Configuration",
                                          u"Vesko", nullptr};
constexpr CZorbEmberly::Version kEmberly10{
    10, u"Emberly WB4", u"Emberly 10", u"Configuration", u"Vesko", u"emberly-10.0"};
constexpr CZorbEmberly::Version kEmberly11{
    11, u"Emberly WB5", u"Emberly 11", u"Configuration", u"Vesko", u"emberly-11.0"};

// The languages version 8 has folders for.
constexpr const char16_t* kVersion8Languages[] = {u"de", u"en", u"es", u"fr", u"it", u"ja"};
constexpr char16_t kDefaultLanguage[] = u"en";
// Version 6 may be found as the executable inside its bundle.
constexpr char16_t kVersion6Executable[] = u"Emberly QV:Contents:MacOS";
constexpr char16_t kScriptExtensionsFolder[] = u"JSExtensions";

void logDebug(const std::u16string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}

std::u16string text(const CString& s) {
  return std::u16string(s.Get(), static_cast<size_t>(s.GetLength()));
}

CString versionText(int major) {
  CString out;
  CZorbOS::ansiCharToCString((std::to_string(major) + ".0.0").c_str(), out);
  return out;
}

// Two letters, except for the two Chinese locales.
CString shortLocale(const CString& locale) {
  if (locale.CompareNoCase(u"zh_CN") == 0 || locale.CompareNoCase(u"zh_TW") == 0) return locale;
  return locale.Left(2);
}

}  // namespace

// ---------------------------------------------------------------------------
// The family
// ---------------------------------------------------------------------------

CZorbEmberly::CZorbEmberly(const Version& row)
    : m_row(row), m_name(row.name), m_executableFileName(row.executable) {}

CZorbEmberly::~CZorbEmberly() = default;

void CZorbEmberly::Initialize() {
  FindBySignature();
}

void CZorbEmberly::FindBySignature() {
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);
  CString appPath;
  if (hostdiscovery::FindApplication(kSignature, low, high, appPath) &&
      hostdiscovery::ReadVersion(appPath, kSignature, m_version)) {
    SetPaths(hostdiscovery::FolderOf(appPath), CString());
    return;
  }
  m_version = low;
}

void CZorbEmberly::FindBySignatureKeepingLanguage() {
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);
  CString appPath;
  CString folder;
  if (hostdiscovery::FindApplication(kSignature, low, high, appPath)) {
    CZorbVersionNumber found;
    if (hostdiscovery::ReadVersion(appPath, kSignature, found)) SetVersion(found);
    if (m_row.major >= 8) m_language = hostdiscovery::BundleLanguage(appPath);
    folder = hostdiscovery::FolderOf(appPath);
    if (m_row.major == 6) {
      const int32_t inside = CZorbString(folder).FindNoCase(kVersion6Executable);
      if (inside >= 0) folder = folder.Left(inside);
    }
  }
  SetPaths(folder, CString());
}

void CZorbEmberly::Terminate() {}
void CZorbEmberly::Refresh() {}

void CZorbEmberly::SetPaths(const CString& installFolder, const CString&) {
  m_installFolder = installFolder;
  // No install folder: no folders below it either.
  if (m_installFolder.GetLength() == 0) {
    m_configurationFolder.Empty();
    m_extensionsFolder.Empty();
    return;
  }
  m_configurationFolder = m_installFolder;
  m_configurationFolder.Append(m_row.configFolder);
  m_configurationFolder.Append(u":");
  GetExtensionsFolderFor(m_installFolder, m_extensionsFolder);
}

void CZorbEmberly::GetName(CString& out) const {
  out = m_name;
}
void CZorbEmberly::GetConfigurationFolderName(CString& out) const {
  out = m_row.configFolder;
}

void CZorbEmberly::GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const {
  out = base;
  out.Append(m_row.configFolder);
  out.Append(u"Extensions");
  out.Append(u":");
  if (m_row.major < 8) return;
  CString language;
  GetLanguageCode(language);
  // A language from a configuration file is a single folder name or none.
  if (!hostdiscovery::IsPlainName(language)) return;
  out.Append(language);
  out.Append(u":");
}

bool CZorbEmberly::IsInstalled() const {
  return m_installFolder.GetLength() > 0;
}

bool CZorbEmberly::IsRunning() const {
  if (m_arborName.GetLength() > 0 && CZorbProduct::IsRunning()) return true;
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);
  return CZorbOS::IsAppRunning(kSignature, low, high, nullptr);
}

void CZorbEmberly::GetInstallFolder(CString& out) const {
  out = m_installFolder;
}
void CZorbEmberly::GetExtensionsFolder(CString& out) const {
  out = m_extensionsFolder;
}

bool CZorbEmberly::BelongsTo(const char16_t* path) const {
  return m_installFolder.GetLength() > 0 &&
         hostdiscovery::BeginsWithNoCase(path, m_installFolder.Get());
}

bool CZorbEmberly::CanDelete(const char16_t*) const {
  return true;
}

bool CZorbEmberly::RequiresRestart(CZorbExtension* extension, bool) const {
  return extension == nullptr || extension->m_type != CZorbCommonProduct::kCommandExtensionType;
}

bool CZorbEmberly::RequiresRestart(const char16_t* path, bool flag) const {
  return path != nullptr && flag && CZorbString(path).FindNoCase(kScriptExtensionsFolder) >= 0;
}

void CZorbEmberly::GetBazaarName(CString& out) const {
  out = u"emberly";
}
bool CZorbEmberly::IsSupported() const {
  return true;
}
void CZorbEmberly::GetVersion(CZorbVersionNumber& out) const {
  out = m_version;
}

bool CZorbEmberly::Supports(const char16_t* product, const char16_t* version,
                            const char16_t*) const {
  // A version no field holds can't be judged: the requirement is unmet.
  const CZorbVersionNumber minimum(version != nullptr ? version : u"");
  return hostdiscovery::BeginsWithNoCase(product, u"emberly") && !minimum.IsOutOfRange() &&
         !m_version.IsOutOfRange() && m_version >= minimum;
}

void CZorbEmberly::GetProductFamily(CString& out) const {
  out = u"Emberly";
}
uint32_t CZorbEmberly::GetAppSignature() const {
  return kSignature;
}

void CZorbEmberly::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  low = versionText(m_row.major).Get();
  high = versionText(m_row.major + 1).Get();
}

void CZorbEmberly::GetAppRegKey(CString& out) const {
  CString major;
  CZorbOS::ansiCharToCString(std::to_string(m_row.major).c_str(), major);
  out = hostdiscovery::RegistryKey(m_row.maker, u"Emberly", major);
}

void CZorbEmberly::GetAppRegValName(CString& out) const {
  out = u"InstallPath";
}

void CZorbEmberly::MassageDestination(CString& path) const {
  // Version 3 keeps its settings in "Settings", every later one in
  // "Configuration": a destination written for the other naming is moved.
  const char16_t* other = m_row.major == 3 ? kEmberly4.configFolder : kEmberly3.configFolder;
  const CString from = CString(u":") + other + u":";
  const CString to = CString(u":") + m_row.configFolder + u":";
  CZorbString rewritten(path);
  if (rewritten.ReplaceNoCase(from, to) > 0) path = rewritten;
}

void CZorbEmberly::DetermineExecutableFileName(const CString& folder) {
  CZorbPath candidate = folder;
  candidate.Append(m_row.executable);
  if (CZorbOS::FileExists(candidate)) {
    m_executableFileName = m_row.executable;
    return;
  }
  // The Japanese editions of versions 3 and 4 carry a "J".
  if (m_row.major > 4) return;
  const CString japanese = CString(m_row.executable) + u"J";
  candidate = folder;
  candidate.Append(japanese);
  if (CZorbOS::FileExists(candidate)) m_executableFileName = japanese;
}

void CZorbEmberly::GetExecutableFileName(CString& out) const {
  out = m_executableFileName;
}

void CZorbEmberly::MapTokens(const CString&, const CString&, TokenMap& out) const {
  out.SetAt(u"emberly", text(m_installFolder));
}

void CZorbEmberly::SetVersion(const CZorbVersionNumber& version) {
  m_version = version;
}

void CZorbEmberly::GetLanguageCode(CString& out) const {
  if (m_row.major < 8) {
    out.Empty();
    return;
  }
  for (const char16_t* known : kVersion8Languages) {
    if (m_language == known) {
      out = known;
      return;
    }
  }
  out = kDefaultLanguage;
}

// ---------------------------------------------------------------------------
// Versions 3 to 8
// ---------------------------------------------------------------------------

CZorbEmberly3::CZorbEmberly3() : CZorbEmberly(kEmberly3) {}
bool CZorbEmberly3::IsSupported() const {
  return false;
}

CZorbEmberly4::CZorbEmberly4() : CZorbEmberly(kEmberly4) {}

CZorbEmberly6::CZorbEmberly6() : CZorbEmberly(kEmberly6) {}
void CZorbEmberly6::Initialize() {
  FindBySignatureKeepingLanguage();
}

CZorbEmberly7::CZorbEmberly7() : CZorbEmberly(kEmberly7) {}
void CZorbEmberly7::Initialize() {
  FindBySignatureKeepingLanguage();
}

CZorbEmberly8::CZorbEmberly8() : CZorbEmberly(kEmberly8) {}
void CZorbEmberly8::Initialize() {
  FindBySignatureKeepingLanguage();
}

// ---------------------------------------------------------------------------
// Versions 9 to 11
// ---------------------------------------------------------------------------

CZorbEmberly9::CZorbEmberly9() : CZorbEmberly9(kEmberly9) {}

CZorbEmberly9::CZorbEmberly9(const Version& row) : CZorbEmberly(row) {
  MapSystemTokenToPrivateTokenReferrence(_SystemToken);
  if (!CZorbOS::IsSupportedMultiUserSystem()) return;
  const struct {
    bool (*get)(CZorbPath&);
    const char16_t* token;
  } folders[] = {{&CZorbOS::GetCurrentUserAppDataPath, u"$userdatafolder"},
                 {&CZorbOS::GetSharedAppDataPath, u"$shareddatafolder"}};
  for (const auto& folder : folders) {
    CZorbPath path;
    if (!folder.get(path)) continue;
    const CString posix = hostdiscovery::PosixFolder(path);
    if (posix.GetLength() > 0) m_privateTokens.SetAt(folder.token, text(posix));
  }
}

CZorbEmberly9::~CZorbEmberly9() = default;

void CZorbEmberly9::ReadProductInformation(const CString& folder) {
  m_arborName = m_row.arborName;
  if (hostdiscovery::ProgramMarkerExists("Flag.useOld")) {
    m_installFolder.Empty();
    m_akInitialized = false;
    return;
  }
  m_version = versionText(m_row.major).Get();
  m_productInfo = std::make_unique<CZoltProductInfoFromArbor>(m_arborName, &m_vornConfigTokens,
                                                              &m_privateTokens);
  if (!readInstallation(*m_productInfo, folder, m_installFolder)) m_akInitialized = false;
}

void CZorbEmberly9::Initialize() {
  if (!m_productInfo) {
    // Without product information the host is found as version 8 is, so
    // that every version of the host is found.
    FindBySignatureKeepingLanguage();
    return;
  }
  processPhysicalParam();
  processPXStorePath();
  evaluateAttributes();
}

void CZorbEmberly9::processPhysicalParam() {
  CString code;
  GetLanguageCode(code);
  m_privateTokens.SetAt(u"$locale", text(code));
  logDebug(u"Language code for " + text(m_name) + u" is " + text(code), __LINE__);
  if (m_installFolder.GetLength() == 0) {
    m_akInitialized = false;
    return;
  }
  if (!CZorbOS::DirectoryExists(m_installFolder)) m_installFolder.Empty();
  processUserDefinedMappedToken(m_userDefinedTokens);

  CString extensions = m_extensionsFolder;
  const auto it = m_privateTokens.find(u"$userextensionfolder");
  if (it != m_privateTokens.end()) {
    extensions = it->second.c_str();
    // A partly resolved folder keeps its "$" and is refused below.
    (void)processTokenString(u"$userextensionfolder", extensions);
  }
  logDebug(u"User extension folder for " + text(m_name) + u" is " + text(extensions), __LINE__);
  if (extensions.GetLength() > 0 && extensions.Find(u'$') < 0)
    m_extensionsFolder = hostdiscovery::ColonFolder(extensions);
  else
    m_extensionsFolder.Empty();
  if (m_extensionsFolder.GetLength() == 0) {
    m_installFolder.Empty();
    m_akInitialized = false;
    return;
  }
  if (!canBeSupportedByCurPlexo()) m_installFolder.Empty();
}

bool CZorbEmberly9::IsAKInitializeSuccess() const {
  return m_akInitialized;
}
bool CZorbEmberly9::IsProductReservedTokenString(const CString&) const {
  return false;
}
bool CZorbEmberly9::SupportsMultiUser() const {
  return true;
}

void CZorbEmberly9::BuildBinPath(const CString& base, CZorbPath& out) const {
  CString name;
  GetBinFolderName(name);
  out = base;
  out.Append(u"Vesko");
  out.Append(name);
  out.Append(u":");
}

CZorbProductInfo* CZorbEmberly9::getProductInfo() {
  return m_productInfo.get();
}

void CZorbEmberly9::MapTokens(const CString& first, const CString& second, TokenMap& out) const {
  if (m_productInfo)
    mapUserDefinedMappedToken(out);
  else
    CZorbEmberly::MapTokens(first, second, out);
}

void CZorbEmberly9::GetLanguageCode(CString& out) const {
  if (_defaultLocale.GetLength() > 0) {
    out = shortLocale(_defaultLocale);
    return;
  }
  const auto it = m_privateTokens.find(u"defaultlocale");
  if (it != m_privateTokens.end() && !it->second.empty()) {
    out = it->second.c_str();
    return;
  }
  CString preferred;
  CZorbOS::ansiCharToCString(CZorbOS::GetUserPreferredLanguageCode().c_str(), preferred);
  out = shortLocale(preferred);
}

CZorbEmberly10::CZorbEmberly10(const CString& folder) : CZorbEmberly9(kEmberly10) {
  ReadProductInformation(folder);
}

CZorbEmberly11::CZorbEmberly11(const CString& folder) : CZorbEmberly9(kEmberly11) {
  ReadProductInformation(folder);
}
