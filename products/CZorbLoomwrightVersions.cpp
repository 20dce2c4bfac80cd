#include "products/CZorbLoomwrightVersions.h"

#include <string>

#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "products/CZoltProductInfoFromArbor.h"
#include "products/CZorbHostDiscovery.h"

namespace {

constexpr char16_t kDefaultLocale[] = u"en_US";
constexpr char16_t kBinFolderParent[] = u"Vesko";
constexpr char kUseOldMarker[] = "Flag.useOld";

void logDebug(const std::u16string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}

std::u16string Key(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

void EndWithSeparator(CString& path) {
  if (path.GetLength() == 0 || path.GetAt(path.GetLength() - 1) != u':') path += u':';
}

void Range(CZorbVersionNumber& low, CZorbVersionNumber& high, const char16_t* from,
           const char16_t* to) {
  low = from;
  high = to;
}

// A POSIX folder in colon form ending with ":"; empty when it names no
// place.
CString ColonFolder(const CString& posix) {
  CString colon;
  if (posix.GetLength() == 0 || !CZorbOS::convertPath(Key(posix), colon, true)) return CString();
  EndWithSeparator(colon);
  return colon;
}

// Whether the program's folder holds the marker that retires versions 10
// and 11.
bool ProgramFolderHasUseOldMarker() {
  if (gAppPath.empty()) return false;
  std::string posix = gAppPath;
  if (posix.back() != '/') posix += '/';
  posix += kUseOldMarker;
  CString wide;
  StringUtil::convertStringToWide(posix, wide);
  CString colon;
  return CZorbOS::convertPath(Key(wide), colon, false) && CZorbOS::FileExists(colon);
}

}  // namespace

// ---- Version 3 and 4 ----

CZorbLoomwright3::CZorbLoomwright3() {
  m_name = u"Loomwright 3";
}
uint32_t CZorbLoomwright3::GetAppSignature() const {
  return kSignature;
}
void CZorbLoomwright3::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  Range(low, high, u"3.0.0", u"4.0.0");
}
void CZorbLoomwright3::GetExecutableFileName(CString& out) const {
  out = u"Loomwright";
}
void CZorbLoomwright3::MapTokens(const CString&, const CString&, TokenMap& out) const {
  out.SetAt(u"loomwright", Key(m_installFolder));
}

CZorbLoomwright4::CZorbLoomwright4() {
  m_name = u"Loomwright 4";
}
void CZorbLoomwright4::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  Range(low, high, u"4.0.0", u"5.0.0");
}
void CZorbLoomwright4::GetExecutableFileName(CString& out) const {
  out = u"Loomwright 4";
}

// ---- Version 6 ----

CZorbLoomwright6::CZorbLoomwright6() {
  m_name = u"Loomwright QV";
}
uint32_t CZorbLoomwright6::GetAppSignature() const {
  return kSignature;
}
void CZorbLoomwright6::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  Range(low, high, u"6.0.0", u"7.0.0");
}
void CZorbLoomwright6::GetExecutableFileName(CString& out) const {
  out = u"Loomwright QV";
}
void CZorbLoomwright6::GetDebugExecutableFileName(CString& out) const {
  out = u"Loomwright QVD";
}
bool CZorbLoomwright6::SupportsMultiUser() const {
  return true;
}
bool CZorbLoomwright6::SupportsMultiUserAdmin() const {
  return true;
}
void CZorbLoomwright6::MassageExtension(CZorbExtension* extension) {
  MassageExtension(extension, true);
}

// ---- Version 7 ----

CZorbLoomwright7::CZorbLoomwright7() {
  m_name = u"Loomwright QV 2004";
}
void CZorbLoomwright7::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  Range(low, high, u"7.0.0", u"8.0.0");
}
void CZorbLoomwright7::GetApplicationFolderName(CString& out) const {
  out = u"Quillory Loomwright QV 2004";
}
void CZorbLoomwright7::GetExecutablePackageName(CString& out) const {
  out = u"Loomwright QV 2004";
}
void CZorbLoomwright7::GetBinFolderName(CString& out) const {
  GetName(out);
}
void CZorbLoomwright7::GetExecutableFileName(CString& out) const {
  out = u"Loomwright";
}
void CZorbLoomwright7::GetDebugExecutableFileName(CString& out) const {
  out = u"LoomwrightD";
}
void CZorbLoomwright7::GetVersionAsString(CString& out) const {
  out = u"QV 2004";
}
const char16_t* CZorbLoomwright7::SourceControlYear() const {
  return u"2004";
}

void CZorbLoomwright7::SetPaths(const CString& installFolder, const CString& userName) {
  CZorbLoomwright::SetPaths(installFolder, userName);
  CZorbOS::UserType type = CZorbOS::kStandardUser;
  if (MultiUserApplies() && userName.GetLength() == 0 && CZorbOS::GetCurrentUserType(type) &&
      type == CZorbOS::kRootUser) {
    CZorbPath shared;
    if (GetSharedBinPath(shared)) m_userFolder = shared;
  }
}

void CZorbLoomwright7::MassageDestination(CString& path) const {
  CZorbString marked = path;
  marked.Replace(u":", u"~!");
  if (marked.FindNoCase(u"CONFIGURATION~!SOURCECONTROL", 0) < 0) return;
  CString bin;
  GetBinFolderName(bin);
  if (bin.GetLength() > 0) path.Replace(bin.Get(), u"Common");
  path.Replace(u"Configuration", SourceControlYear());
}

void CZorbLoomwright7::MassageExtension(CZorbExtension* extension) {
  CZorbLoomwright6::MassageExtension(extension, false);
}

// ---- Version 8 ----

CZorbLoomwright8::CZorbLoomwright8() {
  m_name = u"Loomwright 8";
}
uint32_t CZorbLoomwright8::GetAppSignatureVersion() const {
  return 8;
}
void CZorbLoomwright8::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  Range(low, high, u"8.0.0", u"9.0.0");
}
void CZorbLoomwright8::GetApplicationFolderName(CString& out) const {
  out = u"Quillory Loomwright 8";
}
void CZorbLoomwright8::GetExecutablePackageName(CString& out) const {
  out = u"Loomwright 8";
}
void CZorbLoomwright8::GetBinFolderName(CString& out) const {
  out = u"Loomwright 8";
}
void CZorbLoomwright8::GetVersionAsString(CString& out) const {
  out = u"8";
}
const char16_t* CZorbLoomwright8::SourceControlYear() const {
  return u"2005";
}

// ---- Version 9 ----

CZorbLoomwright9::CZorbLoomwright9() {
  MapSystemTokenToPrivateTokenReferrence(_SystemToken);
  m_name = u"Loomwright WB3";
  if (!CZorbOS::IsSupportedMultiUserSystem()) return;
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
      m_privateTokens.SetAt(folder.token, Key(posix));
  }
}
uint32_t CZorbLoomwright9::GetAppSignatureVersion() const {
  return 9;
}
void CZorbLoomwright9::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  Range(low, high, u"9.0.0", u"10.0.0");
}
void CZorbLoomwright9::GetApplicationFolderName(CString& out) const {
  out = u"Vesko Loomwright WB3";
}
void CZorbLoomwright9::GetExecutablePackageName(CString& out) const {
  out = u"Loomwright.app";
}
void CZorbLoomwright9::GetBinFolderName(CString& out) const {
  out = u"Loomwright 9";
}
void CZorbLoomwright9::GetVersionAsString(CString& out) const {
  out = u"9";
}
bool CZorbLoomwright9::IsAKInitializeSuccess() const {
  return m_akInitialized;
}
bool CZorbLoomwright9::IsProductReservedTokenString(const CString&) const {
  return false;
}

void CZorbLoomwright9::fail() {
  m_installFolder.Empty();
  m_akInitialized = false;
}

void CZorbLoomwright9::Initialize() {
  if (getProductInfo() != nullptr) {
    processPhysicalParam();
    processPXStorePath();
  } else if (m_akInitialized) {
    // A version the constructor retired is not searched for again.
    FindInstallation();
  }
  // The attribute readers need the configuration file's parameters: a host
  // found by its folder or signature has none, and is not broken for it.
  if (getProductInfo() == nullptr) return;
  evaluateAttributes();
}

void CZorbLoomwright9::GetLanguageCode(CString& out) const {
  if (hostdiscovery::ConfiguredLanguage(_defaultLocale, m_privateTokens, out) ==
      hostdiscovery::LanguageSource::kNone)
    out = kDefaultLocale;
}

void CZorbLoomwright9::processPhysicalParam() {
  CString code;
  GetLanguageCode(code);
  m_privateTokens.SetAt(u"$locale", Key(code));
  logDebug(u"Language code for " + Key(m_name) + u" is " + Key(code), __LINE__);
  if (m_installFolder.GetLength() == 0) {
    m_akInitialized = false;
    return;
  }
  if (!CZorbOS::DirectoryExists(m_installFolder)) m_installFolder.Empty();

  // Each folder from its token when the configuration file gives one.
  auto fromToken = [this](const char16_t* key, CZorbPath& folder) {
    const auto it = m_privateTokens.find(key);
    if (it == m_privateTokens.end()) return;
    CString value = it->second.c_str();
    (void)processTokenString(key, value);  // an unresolved value is refused below
    folder = value;
  };
  m_userFolder = m_installFolder;
  fromToken(u"$userextensionfolder", m_userExtensionsFolder);
  logDebug(u"User extension folder for " + Key(m_name) + u" is " + Key(m_userExtensionsFolder),
           __LINE__);
  fromToken(u"$sharedextensionfolder", m_sharedExtensionsFolder);
  logDebug(u"Shared extension folder for " + Key(m_name) + u" is " + Key(m_sharedExtensionsFolder),
           __LINE__);
  fromToken(u"$userbinfolder", m_userFolder);
  logDebug(u"User bin folder for " + Key(m_name) + u" is " + Key(m_userFolder), __LINE__);
  CString config;
  GetConfigurationFolderName(config);
  m_appConfigFolder = m_installFolder;
  m_appConfigFolder.Append(config);
  logDebug(u"App configuration folder for " + Key(m_name) + u" is " + Key(m_appConfigFolder),
           __LINE__);

  CZorbPath* const folders[] = {&m_userExtensionsFolder, &m_sharedExtensionsFolder, &m_userFolder,
                                &m_appConfigFolder};
  for (CZorbPath* folder : folders) {
    CString value = *folder;
    // Values given as POSIX paths become colon paths; colon paths stay.
    if (value.GetLength() > 0 && value.GetAt(0) == u'/') value = ColonFolder(value);
    EndWithSeparator(value);
    if (value.GetLength() <= 1 || value.Find(u'$') >= 0) {
      fail();
      return;
    }
    *folder = value;
  }
  // Configuration files are edited in the user's folder.
  m_userConfigFolder = m_userFolder;
  m_userConfigFolder.Append(config);
  m_userConfigFolder.TerminateWithSeparator();
  m_helpFolder = m_installFolder;
  m_helpFolder.Append(u"Help");
  m_helpFolder.TerminateWithSeparator();
  if (!canBeSupportedByCurPlexo()) m_installFolder.Empty();
}

void CZorbLoomwright9::MapTokens(const CString& destination, const CString& userFolder,
                                 TokenMap& out) const {
  auto* self = const_cast<CZorbLoomwright9*>(this);
  if (self->getProductInfo() == nullptr) {
    MapFamilyTokens(destination, userFolder, out);
    return;
  }
  mapUserDefinedMappedToken(out);
  CString config;
  GetConfigurationFolderName(config);
  CZorbString key = u"$loomwright";
  const CZorbString text = destination;
  const bool inConfiguration =
      MultiUserApplies() && (text.FindNoCase((CString(u"$loomwright:") + config).Get(), 0) >= 0 ||
                             text.FindNoCase((CString(u"$farstage:") + config).Get(), 0) >= 0);
  if (inConfiguration) {
    key += u":";
    key += config;
  }
  key.MakeLower();
  CString value;
  const auto it = m_privateTokens.find(Key(key));
  if (it != m_privateTokens.end()) value = it->second.c_str();
  (void)processTokenString(key, value);  // a partial value is still handed on
  if (value.GetLength() > 0 && value.GetAt(0) == u'/') {
    CString colon;
    if (CZorbOS::convertPath(Key(value), colon, true)) value = colon;
  }
  // That value names the configuration folder itself, which the
  // destination names again after the token: the token stands for the
  // folder holding it.
  if (inConfiguration && config.GetLength() > 0) {
    CString folder = value;
    if (folder.GetLength() > 0 && folder.GetAt(folder.GetLength() - 1) == u':')
      folder.Delete(folder.GetLength() - 1, 1);
    const CString last = CString(u":") + config;
    if (folder.GetLength() > last.GetLength() &&
        folder.Right(last.GetLength()).CompareNoCase(last.Get()) == 0)
      value = folder.Left(folder.GetLength() - config.GetLength());
  }
  out.SetAt(u"loomwright", Key(value));
  out.SetAt(u"farstage", Key(value));
}

void CZorbLoomwright9::BuildBinPath(const CString& base, CZorbPath& out) const {
  CString bin;
  GetBinFolderName(bin);
  out = base;
  out.Append(kBinFolderParent);
  out.Append(bin);
  out.TerminateWithSeparator();
}

int32_t CZorbLoomwright9::ProcessHelpChanges(StepVector*, CZorbPlexarUI*, const CZorbExtension*,
                                             CString&, CZorbPlexarUI::OperationType) {
  return 0;
}

// ---- Versions 10 and 11 ----

CZorbLoomwright10::CZorbLoomwright10(const CString& folder)
    : CZorbLoomwright10(folder, Names{u"loomwright-10.0", u"Loomwright WB4", u"10.0.0"}) {}

CZorbLoomwright10::CZorbLoomwright10(const CString& folder, const Names& names) {
  m_arborName = names.messagingName;
  m_name = names.name;
  if (ProgramFolderHasUseOldMarker()) {
    fail();
    return;
  }
  m_version = names.version;
  m_productInfo = std::make_unique<CZoltProductInfoFromArbor>(m_arborName, &m_vornConfigTokens,
                                                              &m_privateTokens);
  CString path;
  m_productInfo->GetInstallFolderName(path);
  logDebug(u"Application path is " + Key(path), __LINE__);
  if (path.GetLength() == 0) {
    fail();
    return;
  }
  m_privateTokens.SetAt(u"$installfolder", Key(path));
  m_installFolder = ColonFolder(path);
  if (m_installFolder.GetLength() == 0 || !CZorbOS::DirectoryExists(m_installFolder)) {
    logDebug(Key(path) + u" does not exist", __LINE__);
    m_installFolder.Empty();
    return;
  }
  const CString configFolder =
      folder.GetLength() > 0 ? ColonFolder(folder) : CString(m_installFolder);
  if (configFolder.GetLength() > 0 &&
      m_productInfo->processTokenString(configFolder, m_vornConfigPath, false))
    return;
  updateErrorMessageByCheckVornConfig(configFolder);
}

CZorbLoomwright10::~CZorbLoomwright10() = default;

uint32_t CZorbLoomwright10::GetAppSignatureVersion() const {
  return 10;
}
void CZorbLoomwright10::GetAppVersionRange(CZorbVersionNumber& low,
                                           CZorbVersionNumber& high) const {
  Range(low, high, u"10.0.0", u"11.0.0");
}
void CZorbLoomwright10::GetApplicationFolderName(CString& out) const {
  out = u"Vesko Loomwright Marlin";
}
void CZorbLoomwright10::GetBinFolderName(CString& out) const {
  out = u"Loomwright Marlin A0";
}
void CZorbLoomwright10::GetVersionAsString(CString& out) const {
  out = u"10";
}
CZorbProductInfo* CZorbLoomwright10::getProductInfo() {
  return m_productInfo.get();
}
void CZorbLoomwright10::BuildBinPath(const CString& base, CZorbPath& out) const {
  CZorbLoomwright9::BuildBinPath(base, out);
  out.Append(kDefaultLocale);
  out.TerminateWithSeparator();
}

CZorbLoomwright11::CZorbLoomwright11(const CString& folder)
    : CZorbLoomwright10(folder, Names{u"loomwright-11.0", u"Loomwright WB5", u"11.0.0"}) {}

uint32_t CZorbLoomwright11::GetAppSignatureVersion() const {
  return 11;
}
void CZorbLoomwright11::GetAppVersionRange(CZorbVersionNumber& low,
                                           CZorbVersionNumber& high) const {
  Range(low, high, u"11.0.0", u"12.0.0");
}
void CZorbLoomwright11::GetExecutablePackageName(CString& out) const {
  out = u"Vesko Loomwright WB5.app";
}
void CZorbLoomwright11::GetExecutableFileName(CString& out) const {
  out = u"Vesko Loomwright WB5";
}
void CZorbLoomwright11::GetVersionAsString(CString& out) const {
  out = u"11";
}
