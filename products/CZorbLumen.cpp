#include "products/CZorbLumen.h"

#include <string>
#include <vector>

#include "config/CZorbConfigChanges.h"
#include "config/CZorbGenericXmlFile.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/Logger.h"
#include "platform/os/ScriptManager.h"
#include "products/CInstallTemporaryBackup.h"
#include "products/CZoltProductInfoFromArbor.h"
#include "products/CZorbHostDiscovery.h"

namespace {

// major, name, display name, executable, application folder, package,
// preference file, bin folder, maker, messaging name.
constexpr CZorbLumen::Version kLumen6{6,       u"Lumen QV", u"Lumen QV", u"Lumen QV", nullptr,
                                      nullptr, nullptr,     u"Lumen QV", u"Quillory", nullptr};
constexpr CZorbLumen::Version kLumen7{
    7,       u"Lumen QV 2004",       u"Lumen QV 2004", u"Lumen QV 2004", nullptr,
    nullptr, u"Lumen 7 Preferences", u"Lumen QV 2004", u"Quillory",      nullptr};
constexpr CZorbLumen::Version kLumen8{8,
                                      u"Lumen 8",
                                      u"Lumen 8",
                                      u"Lumen 8",
                                      u"Quillory Lumen 8",
                                      u"Lumen 8.app",
                                      u"Lumen 8 Preferences",
                                      u"Lumen 8",
                                      u"Quillory",
                                      nullptr};
constexpr CZorbLumen::Version kLumen9{9,
                                      u"Lumen WB3",
                                      u"Lumen WB3",
                                      u"Vesko Lumen WB3",
                                      u"Vesko Lumen WB3",
                                      u"Vesko Lumen WB3.app",
                                      u"Lumen WB3 Preferences",
                                      u"Lumen WB3",
                                      u"Vesko",
                                      nullptr};
// Version 10's application carries its own names, not version 9's.
constexpr CZorbLumen::Version kLumen10{10,
                                       u"Lumen WB4",
                                       u"Lumen WB4",
                                       u"Vesko Lumen WB4",
                                       u"Vesko Cobalt",
                                       u"Vesko Lumen WB4.app",
                                       u"Lumen WB3 Preferences",
                                       u"Lumen 10",
                                       u"Vesko",
                                       u"lumen-10.0"};
constexpr CZorbLumen::Version kLumen11{11,
                                       u"Lumen WB5",
                                       u"Lumen WB5",
                                       u"Vesko Lumen WB5",
                                       u"Vesko Cobalt",
                                       u"Vesko Lumen WB5.app",
                                       u"Lumen WB4 Preferences",
                                       u"Lumen 11",
                                       u"Vesko",
                                       u"lumen-11.0"};

// Extension types the host no longer takes, and the help panel it warns of.
constexpr int32_t kObsoleteTypes[] = {22, 24, 26, 33};
constexpr int32_t kHelpPanelType = 55;

constexpr char16_t kToolTag[] = u"tool";
constexpr char16_t kSeparatorTag[] = u"separator";
constexpr char16_t kChangeTag[] = u"toolpanel-item-insert";
constexpr uint16_t kNeverMatches = 65535;

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

CString loadText(unsigned int id) {
  CString out;
  out.LoadString(id);
  return out;
}

void endWithColon(CString& path) {
  if (path.GetLength() > 0 && path.GetAt(path.GetLength() - 1) != u':') path += u':';
}

// Creates a folder that is missing; a folder that cannot be made shows
// later, when something is written into it.
void makeFolder(const CString& folder) {
  if (folder.GetLength() == 0 || CZorbOS::DirectoryExists(folder)) return;
  (void)CZorbOS::CreateDirectory(folder, true);
}

// The integer a text starts with, as the classic conversion reads it:
// leading blanks, an optional sign, digits; 0 when there are none.
int64_t leadingInteger(const CString& value) {
  int32_t i = 0;
  const int32_t n = value.GetLength();
  while (i < n && (value.GetAt(i) == u' ' || value.GetAt(i) == u'\t')) ++i;
  bool negative = false;
  if (i < n && (value.GetAt(i) == u'-' || value.GetAt(i) == u'+'))
    negative = value.GetAt(i++) == u'-';
  int64_t result = 0;
  // Saturates: a long row of digits still means "a large number".
  for (; i < n && value.GetAt(i) >= u'0' && value.GetAt(i) <= u'9'; ++i)
    if (result < (int64_t{1} << 40)) result = result * 10 + (value.GetAt(i) - u'0');
  return negative ? -result : result;
}

CString nameOf(const CZorbXmlObject* tool) {
  CString name;
  if (tool) tool->GetAttribute(u"name", name);
  return name;
}

bool isTag(const CZorbXmlObject* node, const char16_t* tag) {
  if (node == nullptr) return false;
  CString actual;
  node->GetTag(actual);
  return actual.CompareNoCase(tag) == 0;
}

// The slot element for names: the first on the element, the rest as
// children.
CZorbXmlObject* buildSlot(const std::vector<CString>& names) {
  auto* slot = new CZorbXmlObject(kToolTag);
  for (size_t i = 0; i < names.size(); ++i) {
    if (i == 0) {
      slot->SetAttribute(u"name", names[0]);
      continue;
    }
    auto* child = new CZorbXmlObject(kToolTag);
    child->SetAttribute(u"name", names[i]);
    slot->m_children.push_back(child);
  }
  return slot;
}

// The tools of a rebuilt slot written as the host wrote the tools of the
// same names ("<tool/>", "<tool />" or "<tool></tool>"), so that an edit and
// its undo give the host its bytes back.
void keepEmptyForms(const CZorbXmlObject* slot, CZorbXmlObject& rebuilt) {
  if (slot == nullptr) return;
  std::vector<const CZorbXmlObject*> tools{slot};
  for (const CZorbXmlObject* child : slot->m_children)
    if (isTag(child, kToolTag)) tools.push_back(child);
  const auto take = [&tools](CZorbXmlObject& tool) {
    const CString name = nameOf(&tool);
    for (const CZorbXmlObject* old : tools)
      if (nameOf(old) == name) {
        tool.m_emptyForm = old->m_emptyForm;
        return;
      }
  };
  take(rebuilt);
  for (CZorbXmlObject* child : rebuilt.m_children)
    if (child != nullptr) take(*child);
}

// The attribute of an element, its name compared without regard to case.
CString attributeNoCase(const CZorbXmlObject* element, const char16_t* name) {
  for (const auto& [key, value] : element->m_attributes)
    if (CString(key.c_str()).CompareNoCase(name) == 0) return CString(value.c_str());
  return CString();
}

}  // namespace

const CZorbLumen::LocaleCode CZorbLumen::kRegionLocales[24] = {
    {0, u"en"},  {1, u"fr"},  {91, u"fr"}, {11, u"fr"}, {18, u"fr"}, {2, u"en"},
    {3, u"de"},  {70, u"de"}, {92, u"de"}, {19, u"de"}, {4, u"it"},  {36, u"it"},
    {10, u"pt"}, {71, u"pt"}, {5, u"nl"},  {8, u"es"},  {86, u"es"}, {73, u"es"},
    {7, u"sv"},  {12, u"no"}, {56, u"cs"}, {42, u"pl"}, {49, u"ru"}, {24, u"tr"},
};

// The scripts the host has a language for; the rows of scripts it has none
// for never match.
const CZorbLumen::LocaleCode CZorbLumen::kScriptLocales[71] = {
    {0, u"en"},
    {1, u"ja"},
    {3, u"ko"},
    {25, u"zh_cn"},
    {2, u"zh_tw"},
    {4, u"ar"},
    {24, u"hy"},
    {13, u"bn"},
    {29, u"cs"},
    {23, u"ka"},
    {6, u"el"},
    {11, u"gu"},
    {5, u"he"},
    {16, u"kn"},
    {17, u"ml"},
    {12, u"or"},
    {29, u"pl"},
    {7, u"ru"},
    {14, u"ta"},
    {15, u"te"},
    {21, u"th"},
    {29, u"uk"},
    {30, u"vi"},
    // 48 rows of languages without a script of their own.
    {kNeverMatches, u"af"},
    {kNeverMatches, u"sq"},
    {kNeverMatches, u"eu"},
    {kNeverMatches, u"be"},
    {kNeverMatches, u"bg"},
    {kNeverMatches, u"ca"},
    {kNeverMatches, u"hr"},
    {kNeverMatches, u"da"},
    {kNeverMatches, u"nl"},
    {kNeverMatches, u"et"},
    {kNeverMatches, u"fo"},
    {kNeverMatches, u"fa"},
    {kNeverMatches, u"fi"},
    {kNeverMatches, u"fr"},
    {kNeverMatches, u"gd"},
    {kNeverMatches, u"de"},
    {kNeverMatches, u"hi"},
    {kNeverMatches, u"hu"},
    {kNeverMatches, u"is"},
    {kNeverMatches, u"id"},
    {kNeverMatches, u"ga"},
    {kNeverMatches, u"it"},
    {kNeverMatches, u"lv"},
    {kNeverMatches, u"lt"},
    {kNeverMatches, u"mk"},
    {kNeverMatches, u"ms"},
    {kNeverMatches, u"mt"},
    {kNeverMatches, u"mr"},
    {kNeverMatches, u"ne"},
    {kNeverMatches, u"no"},
    {kNeverMatches, u"pt"},
    {kNeverMatches, u"pa"},
    {kNeverMatches, u"ro"},
    {kNeverMatches, u"sa"},
    {kNeverMatches, u"sr"},
    {kNeverMatches, u"sk"},
    {kNeverMatches, u"sl"},
    {kNeverMatches, u"es"},
    {kNeverMatches, u"sw"},
    {kNeverMatches, u"sv"},
    {kNeverMatches, u"tl"},
    {kNeverMatches, u"tt"},
    {kNeverMatches, u"tr"},
    {kNeverMatches, u"ur"},
    {kNeverMatches, u"uz"},
    {kNeverMatches, u"cy"},
    {kNeverMatches, u"xh"},
    {kNeverMatches, u"zu"},
};

// ---------------------------------------------------------------------------
// Object and discovery
// ---------------------------------------------------------------------------

CZorbLumen::CZorbLumen(const Version& row)
    : m_row(row), m_name(row.name), m_displayName(row.displayName) {}

CZorbLumen::~CZorbLumen() = default;

void CZorbLumen::SetUpMessagingVersion() {
  MapSystemTokenToPrivateTokenReferrence(_SystemToken);
  CString userPath;
  if (!GetCurrentUserPath(userPath, kUserSupportToo)) return;
  makeFolder(userPath);
  const CString posix = hostdiscovery::PosixFolder(userPath);
  if (posix.GetLength() > 0) m_privateTokens.SetAt(u"$userdatafolder", text(posix));
}

void CZorbLumen::ReadProductInformation(const CString& folder) {
  m_arborName = m_row.arborName;
  if (hostdiscovery::ProgramMarkerExists("Flag.useOld")) return;  // found by signature instead
  m_version = versionText(m_row.major).Get();
  CString code;
  GetLanguageCode(code);
  logDebug(u"The present language code for " + text(m_name) + u" is " + text(code), __LINE__);
  m_productInfo = std::make_unique<CZoltProductInfoFromArbor>(m_arborName, &m_vornConfigTokens,
                                                              &m_privateTokens);
  if (!readInstallation(*m_productInfo, folder, m_applicationFolder)) m_akInitialized = false;
}

void CZorbLumen::FindApplication() {
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);
  CString appPath;
  if (m_row.applicationFolder != nullptr && m_row.package != nullptr) {
    char16_t applications[kZorbMaxPath] = u"";
    if (CZorbOS::GetAppPath(applications, kZorbMaxPath)) {
      CZorbPath folder = CString(applications);
      folder.Append(m_row.applicationFolder);
      folder.Append(u":");
      CZorbPath package = folder;
      package.Append(m_row.package);
      if (CZorbOS::DirectoryExists(folder) && CZorbOS::FileExists(package)) appPath = package;
    }
  }
  if (appPath.GetLength() == 0) hostdiscovery::FindApplication(kSignature, low, high, appPath);
  if (hostdiscovery::ReadVersion(appPath, kSignature, m_version)) {
    SetPaths(hostdiscovery::FolderOf(appPath), CString());
    return;
  }
  m_version = low;
}

void CZorbLumen::Initialize() {
  if (m_productInfo) {
    processPhysicalParam();
    processPXStorePath();
  } else {
    FindApplication();
  }
  // The attribute readers need the configuration file's parameters: a host
  // found by signature has none, and is not broken for it.
  if (!m_productInfo) return;
  evaluateAttributes();
}

void CZorbLumen::processPhysicalParam() {
  CString code;
  GetLanguageCode(code);
  m_privateTokens.SetAt(u"$locale", text(code));
  logDebug(u"Language code for " + text(m_name) + u" is " + text(code), __LINE__);
  if (m_applicationFolder.GetLength() == 0) {
    m_akInitialized = false;
    return;
  }
  if (!CZorbOS::DirectoryExists(m_applicationFolder)) {
    m_applicationFolder.Empty();
    return;
  }
  processUserDefinedMappedToken(m_userDefinedTokens);
  if (m_privateTokens.find(u"$userextensionfolder") != m_privateTokens.end()) {
    CString folder = m_privateTokens[u"$userextensionfolder"].c_str();
    (void)processTokenString(u"$userextensionfolder", folder);  // a "$" left is refused below
    m_extensionsFolder = folder.Find(u'$') < 0 ? hostdiscovery::ColonFolder(folder) : CString();
    logDebug(u"User extension folder for " + text(m_name) + u" is " + text(m_extensionsFolder),
             __LINE__);
  }
  if (m_extensionsFolder.GetLength() == 0) {
    m_applicationFolder.Empty();
    m_akInitialized = false;
    return;
  }
  if (m_privateTokens.find(u"$userbinfolder") == m_privateTokens.end()) {
    m_installFolder = m_applicationFolder;
    m_configurationFolder = m_installFolder;
    return;
  }
  CString bin = m_privateTokens[u"$userbinfolder"].c_str();
  (void)processTokenString(u"$userbinfolder", bin);
  logDebug(u"User bin folder for " + text(m_name) + u" is " + text(bin), __LINE__);
  m_installFolder = bin.Find(u'$') < 0 ? hostdiscovery::ColonFolder(bin) : CString();
  m_configurationFolder = m_installFolder;
  if (m_installFolder.GetLength() > 0 && canBeSupportedByCurPlexo()) return;
  m_applicationFolder.Empty();
}

bool CZorbLumen::IsAKInitializeSuccess() const {
  return m_akInitialized;
}
void CZorbLumen::Terminate() {}
void CZorbLumen::Refresh() {}

void CZorbLumen::SetPaths(const CString& folder, const CString&) {
  m_applicationFolder = folder;
  CString install;
  if (m_row.major == 6)
    GetConfigurationPath(install, true, kUserSupport, 0);
  else
    GetConfigurationPath(install, true, kUserSupportToo, 1);
  m_installFolder = install;
  m_configurationFolder = m_installFolder;
  GetExtensionsFolderFor(m_installFolder, m_extensionsFolder);
}

void CZorbLumen::GetName(CString& out) const {
  out = m_name;
}

void CZorbLumen::GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const {
  out = base;
  out.Append(u"Extensions");
  out.Append(u":");
}

bool CZorbLumen::IsInstalled() const {
  return m_row.major <= 8 ? m_installFolder.GetLength() > 0 : m_applicationFolder.GetLength() > 0;
}

bool CZorbLumen::IsRunning() const {
  if (m_arborName.GetLength() > 0) return CZorbProduct::IsRunning();
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);
  return CZorbOS::IsAppRunning(kSignature, low, high, nullptr);
}

void CZorbLumen::GetInstallFolder(CString& out) const {
  out = m_installFolder;
}
void CZorbLumen::GetExtensionsFolder(CString& out) const {
  out = m_extensionsFolder;
}
void CZorbLumen::GetApplicationFolder(CString& out) const {
  out = m_applicationFolder;
}
void CZorbLumen::GetDisplayName(CString& out) const {
  out = m_displayName;
}

bool CZorbLumen::BelongsTo(const char16_t* path) const {
  return m_installFolder.GetLength() > 0 &&
         hostdiscovery::BeginsWithNoCase(path, m_installFolder.Get());
}

bool CZorbLumen::CanDelete(const char16_t*) const {
  return !IsRunning();
}
bool CZorbLumen::RequiresRestart(CZorbExtension*, bool) const {
  return true;
}
bool CZorbLumen::RequiresRestart(const char16_t*, bool) const {
  return true;
}
void CZorbLumen::GetBazaarName(CString& out) const {
  out = u"lumen";
}
bool CZorbLumen::IsSupported() const {
  return true;
}
void CZorbLumen::GetVersion(CZorbVersionNumber& out) const {
  out = m_version;
}

bool CZorbLumen::Supports(const char16_t* product, const char16_t* version, const char16_t*) const {
  // A version no field holds can't be judged: the requirement is unmet.
  const CZorbVersionNumber minimum(version != nullptr ? version : u"");
  return hostdiscovery::BeginsWithNoCase(product, u"lumen") && !minimum.IsOutOfRange() &&
         !m_version.IsOutOfRange() && m_version >= minimum;
}

void CZorbLumen::GetProductFamily(CString& out) const {
  out = u"Lumen";
}
uint32_t CZorbLumen::GetAppSignature() const {
  return kSignature;
}
CZorbProductInfo* CZorbLumen::getProductInfo() {
  return m_productInfo.get();
}

void CZorbLumen::GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const {
  low = versionText(m_row.major).Get();
  high = versionText(m_row.major + 1).Get();
}

void CZorbLumen::MassageDestination(CString& path) const {
  CZorbString destination(path);
  if (m_row.major == 6) {
    for (const char16_t* marker : {u"configuration:include:", u"configuration:helpqmv:"}) {
      const int32_t at = destination.FindNoCase(marker);
      if (at < 0) continue;
      path = CString(m_applicationFolder) + destination.Mid(at);
      return;
    }
    return;
  }
  // Help pages moved to the window folder; the rest of the user's path is
  // kept as written.
  constexpr char16_t kHelp[] = u"Configuration:HelpQMV:";
  constexpr int32_t kPrefix = 14;   // "Configuration:"
  constexpr int32_t kHelpName = 7;  // "HelpQMV"
  int32_t at = destination.FindNoCase(kHelp);
  bool changed = false;
  while (at >= 0) {
    destination =
        destination.Left(at + kPrefix) + u"WindowQMV" + destination.Mid(at + kPrefix + kHelpName);
    changed = true;
    at = destination.FindNoCase(kHelp, at + kPrefix + 9);
  }
  if (changed) path = destination;
}

void CZorbLumen::GetExecutableFileName(CString& out) const {
  out = m_row.executable;
}
bool CZorbLumen::SupportsMultiUser() const {
  return true;
}
void CZorbLumen::GetBinFolderName(CString& out) const {
  out = m_row.major >= 9 ? m_row.binFolder : m_row.name;
}
void CZorbLumen::GetExecutablePackageName(CString& out) const {
  if (m_row.package) out = m_row.package;
}
void CZorbLumen::GetApplicationFolderName(CString& out) const {
  if (m_row.applicationFolder) out = m_row.applicationFolder;
}

void CZorbLumen::MapTokens(const CString&, const CString&, TokenMap& out) const {
  if (m_productInfo)
    mapUserDefinedMappedToken(out);
  else
    out.SetAt(u"lumen", text(m_installFolder));
}

bool CZorbLumen::IsExtensionObsolete(const CZorbExtension* extension, CString& reason) const {
  if (extension == nullptr) return false;
  for (int32_t type : kObsoleteTypes) {
    if (extension->m_type != type) continue;
    reason = FormatMessage(kMsgObsolete, m_displayName, extension->m_typeText);
    return true;
  }
  return false;
}

bool CZorbLumen::GetExtensionWarning(const CZorbExtension* extension, CString& warning) const {
  if (m_row.major < 7 || extension == nullptr || extension->m_type != kHelpPanelType) return false;
  warning = FormatMessage(kMsgHelpPanelWarn, m_displayName);
  return true;
}

void CZorbLumen::BuildBinPath(const CString& base, CZorbPath& out) const {
  CString name;
  GetBinFolderName(name);
  out = base;
  out.Append(m_row.maker);
  out.Append(name);
  out.Append(u":");
}

void CZorbLumen::InitializeDisplayName() {
  m_displayName = m_row.displayName;
}

// ---------------------------------------------------------------------------
// Folders and language
// ---------------------------------------------------------------------------

bool CZorbLumen::GetCurrentUserPath(CString& out, ConfigPathType type) const {
  out.Empty();
  if (type == kUserSupport || type == kUserSupportToo) {
    CZorbPath support;
    if (!CZorbOS::GetCurrentUserAppDataPath(support)) return false;
    out = support;
    endWithColon(out);
  } else {
    out = hostdiscovery::FolderOf(m_applicationFolder);
  }
  return out.GetLength() > 0;
}

void CZorbLumen::GetConfigurationPath(CString& out, bool create, ConfigPathType type,
                                      int withLanguage) const {
  CString base;
  CZorbPath path;
  // Without a base the path is only reported, never made.
  const bool rooted = GetCurrentUserPath(base, type);
  if (rooted) path = hostdiscovery::FolderOf(base);
  create = create && rooted;
  if (type == kUserSupport || type == kUserSupportToo) {
    path.Append(m_row.maker);
    path.Append(u":");
    if (rooted) makeFolder(path);
    CString folderName;
    if (m_row.major >= 10)
      GetBinFolderName(folderName);
    else
      folderName = m_row.name;
    path.Append(folderName);
    path.Append(u":");
    if (rooted) makeFolder(path);
  }
  if (withLanguage) {
    CString language;
    GetLanguageCode(language);
    // A language read from a file is a single folder name or none.
    if (hostdiscovery::IsPlainName(language)) {
      path.Append(language);
      path.Append(u":");
    }
  }
  path.Append(type == kFirstRun ? u"First Run" : u"Configuration");
  path.Append(u":");
  if (create) makeFolder(path);
  out = path;
}

void CZorbLumen::GetConfigurationPath(CString& out, unsigned int stringId, bool create,
                                      ConfigPathType type, int withLanguage) const {
  GetConfigurationPath(out, create, type, withLanguage);
  CZorbPath path = out;
  path.Append(loadText(stringId));
  path.Append(u":");
  if (create) makeFolder(path);
  out = path;
}

bool CZorbLumen::GetPreferenceValue(const CString* path, int count, CString& out) const {
  if (m_row.preferenceFile == nullptr) return false;
  CZorbPath file;
  if (!CZorbOS::GetCurrentUserLibraryPath(file)) return false;
  file.Append(u"Preferences");
  file.Append(m_row.preferenceFile);
  if (!CZorbOS::FileExists(file)) return false;
  CZorbGenericXmlFile xml;
  if (xml.Load(file, nullptr) != 0) return false;
  const CZorbXmlObject* node = xml.FindTag(u"PREFERENCES");
  for (int i = 0; node != nullptr && i < count; ++i) node = node->FindTag(path[i]);
  if (node == nullptr) return false;
  out = node->m_text;
  return true;
}

void CZorbLumen::GetLanguageCodeFromPreferences(CString& out) const {
  const CString path[] = {u"Settings", u"Language"};
  if (GetPreferenceValue(path, 2, out)) return;
  out = u"en";
}

void CZorbLumen::GetLanguageCode(CString& out) const {
  if (m_row.major == 6) {
    out.Empty();
    return;
  }
  GetLanguageCodeFromPreferences(out);
}

void CZorbLumen::GetLanguageCodeByScript(CString& out) const {
  const auto it = m_privateTokens.find(u"defaultlocale");
  if (it != m_privateTokens.end() && !it->second.empty()) {
    out = it->second.c_str();
    return;
  }
  const int32_t script = platform::getScriptVariable(platform::kSystemScript);
  if (script == 0) {
    out = u"en";
    const int32_t region = platform::getScriptVariable(platform::kRegionCode);
    for (const LocaleCode& row : kRegionLocales)
      if (row.code == region) {
        out = row.locale;
        break;
      }
    return;
  }
  for (const LocaleCode& row : kScriptLocales)
    if (row.code == script) {
      out = row.locale;
      return;
    }
  GetLanguageCodeFromPreferences(out);
}

// ---------------------------------------------------------------------------
// Versions
// ---------------------------------------------------------------------------

CZorbLumen6::CZorbLumen6() : CZorbLumen(kLumen6) {}
CZorbLumen7::CZorbLumen7() : CZorbLumen(kLumen7) {}
CZorbLumen8::CZorbLumen8() : CZorbLumen(kLumen8) {}

CZorbLumen9::CZorbLumen9() : CZorbLumen(kLumen9) {
  SetUpMessagingVersion();
}

CZorbLumen10::CZorbLumen10(const CString& folder) : CZorbLumen(kLumen10) {
  SetUpMessagingVersion();
  ReadProductInformation(folder);
}

void CZorbLumen10::GetLanguageCode(CString& out) const {
  GetLanguageCodeByScript(out);
}

CZorbLumen11::CZorbLumen11(const CString& folder) : CZorbLumen(kLumen11) {
  SetUpMessagingVersion();
  ReadProductInformation(folder);
}

void CZorbLumen11::GetLanguageCode(CString& out) const {
  // This version does not take the program's own default locale.
  using hostdiscovery::LanguageSource;
  const LanguageSource source = hostdiscovery::ConfiguredLanguage(CString(), m_privateTokens, out);
  if (source == LanguageSource::kUserPreference)
    logDebug(u"The User perferred language code is " + text(out), __LINE__);
  if (source == LanguageSource::kNone) out = u"en_US";
}

// ---------------------------------------------------------------------------
// Tool panel
// ---------------------------------------------------------------------------

CString CZorbLumen::ToolpanelFilePath() const {
  CZorbPath path = m_installFolder;
  path.Append(u"Tools");
  path.Append(u"toolConfig.xml");
  return path;
}

int32_t CZorbLumen::ProcessConfigChanges(StepVector* steps, CZorbPlexarUI* ui,
                                         const CZorbExtension* extension, CString& locale,
                                         CZorbPlexarUI::OperationType operation) {
  if (extension == nullptr) return 0;
  const bool remove =
      operation == CZorbPlexarUI::kUninstall || operation == CZorbPlexarUI::kDisable;
  m_steps = steps;
  int32_t result = 0;
  CString error;
  for (const CZorbConfigChanges* set : extension->m_configChanges) {
    if (set == nullptr) continue;
    for (const CZorbXmlObject* change : set->m_children) {
      if (!isTag(change, kChangeTag)) continue;
      const CString language = attributeNoCase(change, u"xml:lang");
      if (extension->m_multilingual && language.GetLength() > 0 && locale.GetLength() > 0 &&
          language.CompareNoCase(locale) != 0)
        continue;
      if (ProcessToolpanelItemInsert(change, remove)) continue;
      error = loadText(kMsgCannotWrite);
      result = -1;
      break;  // the rest of this set; the next sets still go
    }
  }
  m_steps = nullptr;
  if (error.GetLength() > 0 && ui != nullptr) {
    unsigned int operationText = 0;
    switch (operation) {
      case CZorbPlexarUI::kInstall:
        operationText = kMsgNotInstalled;
        break;
      case CZorbPlexarUI::kUninstall:
        operationText = kMsgNotRemoved;
        break;
      case CZorbPlexarUI::kEnable:
        operationText = kMsgNotEnabled;
        break;
      case CZorbPlexarUI::kDisable:
        operationText = kMsgNotDisabled;
        break;
    }
    CString message = error;
    message += u" ";
    if (operationText != 0) message += loadText(operationText);
    (void)ui->MessageBox(message, CZorbPlexarUI::kNotice, true);  // a notice has one answer
  }
  return result;
}

bool CZorbLumen::ProcessToolpanelItemInsert(const CZorbXmlObject* change, bool remove) {
  if (change == nullptr) return false;
  CString name;
  CString position;
  CString depth;
  change->GetAttribute(u"name", name);
  change->GetAttribute(u"position", position);
  change->GetAttribute(u"depth", depth);
  return ProcessToolpanelItemInsert(name, position, depth, remove);
}

bool CZorbLumen::ProcessToolpanelItemInsert(const CString& name, const CString& positionText,
                                            const CString& depth, bool remove) {
  int64_t position = leadingInteger(positionText);
  // A negative position reads as a very large one.
  if (position > kLastToolSlot || position < 0) position = kLastToolSlot;
  if (position == 0 && positionText != u"0") position = kLastToolSlot;
  if (name.GetLength() == 0) return false;

  const CString path = ToolpanelFilePath();
  if (m_installFolder.GetLength() == 0 || !CZorbOS::FileExists(path)) return false;
  CZorbGenericXmlFile file;
  if (file.Load(path, nullptr) != 0) return false;
  CZorbXmlObject* group = file.FindTag(u"group");
  if (group == nullptr) return false;

  CZorbXmlObject* slot = nullptr;
  int64_t count = 0;
  for (CZorbXmlObject* child : group->m_children) {
    // Comments and other markup are not slots, and neither are separators.
    if (child == nullptr || isTag(child, kSeparatorTag) ||
        dynamic_cast<const CZorbXmlComment*>(child) != nullptr ||
        dynamic_cast<const CZorbXmlMisc*>(child) != nullptr)
      continue;
    if (count++ == position) {
      slot = child;
      break;
    }
  }

  if (remove) {
    // Nothing of the tool's is there: the file stays as it is.
    if (slot == nullptr) return true;
    bool listed = nameOf(slot) == name;
    for (const CZorbXmlObject* child : slot->m_children)
      listed = listed || (isTag(child, kToolTag) && nameOf(child) == name);
    if (!listed) return true;
  }

  // The file is backed up once per operation before its first change.
  if (m_steps != nullptr && !BackUpFileExists(path)) {
    auto* backup = new CInstallTemporaryBackup(path);
    m_steps->push_back(backup);  // the operation owns the step either way
    if (backup->Do() != 0) return false;
    AddBackUpFile(path);
  }

  CZorbXmlObject* replacement =
      remove ? RemoveToolpanelItem(slot, name) : InsertToolpanelItem(slot, name, depth);
  keepEmptyForms(slot, *replacement);
  group->InsertObjectAfter(replacement, slot);
  if (slot != nullptr) {
    group->m_children.remove(slot);
    delete slot;
  }
  // A file that was not written is a failure, so the operation restores it.
  return file.Save(path) == 0;
}

CZorbXmlObject* CZorbLumen::InsertToolpanelItem(const CZorbXmlObject* slot, const CString& name,
                                                const CString& depthText) const {
  const CString own = nameOf(slot);
  std::vector<CString> children;
  if (slot != nullptr)
    for (const CZorbXmlObject* child : slot->m_children)
      if (isTag(child, kToolTag)) children.push_back(nameOf(child));
  const int64_t total = static_cast<int64_t>(children.size()) + (own.GetLength() > 0 ? 1 : 0) + 1;
  int64_t depth = depthText.GetLength() == 0 ? -1 : leadingInteger(depthText);
  if (depth < 0 || depth >= total) depth = total - 1;
  if (depth == 0 && depthText != u"0") depth = total - 1;

  std::vector<CString> names(static_cast<size_t>(total));
  std::vector<bool> taken(static_cast<size_t>(total), false);
  names[static_cast<size_t>(depth)] = name;
  taken[static_cast<size_t>(depth)] = true;
  if (own.GetLength() > 0) {
    const size_t ownIndex = depth == 0 ? 1 : 0;
    names[ownIndex] = own;
    taken[ownIndex] = true;
  }
  size_t next = 0;
  for (const CString& child : children) {
    while (taken[next]) ++next;
    names[next] = child;
    taken[next] = true;
  }
  return buildSlot(names);
}

CZorbXmlObject* CZorbLumen::RemoveToolpanelItem(const CZorbXmlObject* slot,
                                                const CString& name) const {
  if (slot == nullptr || nameOf(slot).GetLength() == 0) return new CZorbXmlObject(kToolTag);
  std::vector<CString> names{nameOf(slot)};
  for (const CZorbXmlObject* child : slot->m_children)
    if (isTag(child, kToolTag)) names.push_back(nameOf(child));
  for (auto it = names.begin(); it != names.end(); ++it) {
    if (*it != name) continue;
    names.erase(it);
    break;
  }
  return buildSlot(names);
}
