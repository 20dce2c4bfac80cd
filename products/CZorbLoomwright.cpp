// CZorbLoomwright: the web host family's folders, support decisions and
// tokens.

#include "products/CZorbLoomwright.h"

#include <cctype>
#include <memory>
#include <string>

#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbFTPExtensionMapChanges.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbSourceFormatChanges.h"
#include "config/CZorbTagLibraryConfigChanges.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/StringUtil.h"

namespace {

constexpr char16_t kConfigurationFolder[] = u"Configuration";
constexpr char16_t kExtensionsFolder[] = u"Extensions";
constexpr char16_t kHelpFolder[] = u"Help";
constexpr char16_t kBazaarName[] = u"loomwright";
constexpr char16_t kScriptFolder[] = u"jsextensions";
// A path buffer of the application searches.
constexpr uint32_t kMaxAppPath = 2048;

std::u16string Key(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

bool ContainsNoCase(const CString& text, const char16_t* part) {
  return CZorbString(text).FindNoCase(part, 0) >= 0;
}

bool BeginsWithNoCase(const CString& text, const CString& start) {
  if (start.GetLength() == 0 || text.GetLength() < start.GetLength()) return false;
  return text.Left(start.GetLength()).CompareNoCase(start) == 0;
}

// A version argument of a requirement; null reads as empty.
CZorbVersionNumber VersionOf(const char16_t* text) {
  return CZorbVersionNumber(text ? text : u"");
}

}  // namespace

CZorbLoomwright::CZorbLoomwright() : m_name(kFamily) {}
CZorbLoomwright::~CZorbLoomwright() = default;

void CZorbLoomwright::Terminate() {}

void CZorbLoomwright::GetBazaarName(CString& out) const {
  out = kBazaarName;
}
void CZorbLoomwright::GetConfigurationFolderName(CString& out) const {
  out = kConfigurationFolder;
}
void CZorbLoomwright::GetProductFamily(CString& out) const {
  out = kFamily;
}
bool CZorbLoomwright::IsSupported() const {
  return true;
}
void CZorbLoomwright::GetAppRegPaths(CZorbTypedList<CZorbString>&) const {}

void CZorbLoomwright::GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const {
  CString config;
  GetConfigurationFolderName(config);
  out = base;
  out.Append(config);
  out.Append(kExtensionsFolder);
  out.TerminateWithSeparator();
}

bool CZorbLoomwright::BelongsTo(const char16_t* path) const {
  if (path == nullptr) return false;
  const CString text(path);
  return (m_installFolder.GetLength() > 0 && BeginsWithNoCase(text, m_installFolder)) ||
         (m_userFolder.GetLength() > 0 && BeginsWithNoCase(text, m_userFolder));
}

bool CZorbLoomwright::CanDelete(const char16_t* path) const {
  if (!IsRunning() || path == nullptr) return true;
  const CZorbPath text = CString(path);
  if (ContainsNoCase(text, u":jsextensions:")) return false;
  if (ContainsNoCase(text, u":objects:") && text.GetExtension().CompareNoCase(u"qmc") == 0)
    return false;
  return true;
}

bool CZorbLoomwright::RequiresRestart(CZorbExtension* extension, bool flag) const {
  if (extension == nullptr) return false;
  if (m_version > u"3.0.644" && flag) {
    const CString& type = extension->m_typeText;
    return type.CompareNoCase(u"command") != 0 && type.CompareNoCase(u"object") != 0;
  }
  return true;
}

bool CZorbLoomwright::RequiresRestart(const char16_t* path, bool flag) const {
  return path != nullptr && flag && ContainsNoCase(CString(path), kScriptFolder);
}

void CZorbLoomwright::GetTransientFolders(CZorbTypedList<CZorbString>& out) const {
  out.clear();
  out.push_back(CZorbString(CString(u"_notes")));
}
void CZorbLoomwright::GetTransientFileExtensions(CZorbTypedList<CZorbString>& out) const {
  out.clear();
  out.push_back(CZorbString(CString(u"mno")));
}
void CZorbLoomwright::GetTransientFileExceptions(CZorbTypedList<CZorbString>& out) const {
  out.clear();
  out.push_back(CZorbString(CString(u"Welcome_onOpen.htm.mno")));
}

void CZorbLoomwright::Refresh() {
  platform::FSRef app;
  platform::ProcessSerialNumber psn{};
  if (CZorbOS::FindProcess(GetAppSignature(), app, psn) != 0) return;
  // Nothing to report when the host does not answer: it reloads at its
  // next start anyway.
  (void)CZorbOS::SendCommandLine(app, psn, kReloadEventId, kReloadCommand);
}

bool CZorbLoomwright::IsRunning() const {
  if (m_arborName.GetLength() > 0) return CZorbProduct::IsRunning();
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);
  return CZorbOS::IsAppRunning(GetAppSignature(), low, high, &CheckLoomwrightPath);
}

bool CZorbLoomwright::CheckLoomwrightPath(const platform::FSRef& application) {
  const std::string& path = application.path;
  const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name.find("farstage") == std::string::npos;
}

void CZorbLoomwright::Initialize() {
  FindInstallation();
}

void CZorbLoomwright::FindInstallation() {
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);

  char16_t apps[kMaxAppPath + 1] = {};
  CString candidate;
  if (CZorbOS::GetAppPath(apps, kMaxAppPath)) {
    CString folderName;
    CString packageName;
    GetApplicationFolderName(folderName);
    GetExecutablePackageName(packageName);
    CString applicationFolder = CString(apps);
    if (applicationFolder.GetLength() > 0 &&
        applicationFolder.GetAt(applicationFolder.GetLength() - 1) == u':')
      applicationFolder = applicationFolder.Left(applicationFolder.GetLength() - 1);
    applicationFolder += u":";
    applicationFolder += folderName;
    const CString tried = applicationFolder + CString(u":") + packageName;
    if (folderName.GetLength() > 0 && packageName.GetLength() > 0 &&
        CZorbOS::DirectoryExists(applicationFolder) && CZorbOS::FileExists(tried))
      candidate = tried;
  }
  if (candidate.GetLength() == 0) {
    char16_t found[kMaxAppPath + 1] = {};
    platform::FSRef ref;
    // Some searches do not apply the filter: the former edition is never
    // taken whichever search found it.
    if (CZorbOS::FindApp(GetAppSignature(), low, high, &CheckLoomwrightPath, found) &&
        CZorbOS::GetFSRefFromFilePath(found, ref) && CheckLoomwrightPath(ref))
      candidate = found;
  }

  platform::FSRef app;
  CZorbVersionNumber version;
  if (candidate.GetLength() == 0 || !CZorbOS::GetFSRefFromFilePath(candidate, app) ||
      !CZorbOS::GetFileVersionNumber(app, GetAppSignature(), version, false)) {
    m_version = low;
    m_installFolder.Empty();
    return;
  }
  m_version = version;
  while (candidate.GetLength() > 0 && candidate.GetAt(candidate.GetLength() - 1) == u':')
    candidate = candidate.Left(candidate.GetLength() - 1);
  const int32_t colon = candidate.ReverseFind(u':');
  SetPaths(colon < 0 ? CString() : candidate.Left(colon + 1), CString());
}

bool CZorbLoomwright::MultiUserApplies() const {
  return SupportsMultiUser() && CZorbOS::IsSupportedMultiUserSystem();
}

void CZorbLoomwright::SetPaths(const CString& installFolder, const CString& userName) {
  CString config;
  GetConfigurationFolderName(config);
  m_namedUser = false;
  m_installFolder = installFolder;
  m_appConfigFolder = m_installFolder;
  m_appConfigFolder.Append(config);
  m_appConfigFolder.TerminateWithSeparator();

  if (MultiUserApplies()) {
    CZorbPath shared;
    if (!GetSharedBinPath(shared)) shared.Empty();
    CZorbOS::UserType type = CZorbOS::kStandardUser;
    if (userName.GetLength() > 0) {
      if (!GetUserBinPathFor(CZorbString(userName), m_userFolder)) m_userFolder.Empty();
      m_userConfigFolder = m_userFolder;
      m_namedUser = true;
    } else if (CZorbOS::GetCurrentUserType(type) && type == CZorbOS::kRootUser) {
      m_userFolder = m_installFolder;
      m_userConfigFolder = shared;
    } else {
      if (!GetCurrentUserBinPath(m_userFolder)) m_userFolder.Empty();
      m_userConfigFolder = m_userFolder;
    }
    m_userConfigFolder.Append(config);
    m_userConfigFolder.TerminateWithSeparator();
    m_sharedExtensionsFolder = shared;
    m_sharedExtensionsFolder.Append(config);
    m_sharedExtensionsFolder.Append(kExtensionsFolder);
  } else {
    m_userConfigFolder = m_appConfigFolder;
    m_userFolder = m_installFolder;
  }
  m_helpFolder = m_installFolder;
  m_helpFolder.Append(kHelpFolder);
  m_helpFolder.TerminateWithSeparator();
  m_userExtensionsFolder = m_userConfigFolder;
  m_userExtensionsFolder.Append(kExtensionsFolder);
  m_userExtensionsFolder.TerminateWithSeparator();
}

bool CZorbLoomwright::Supports(const char16_t* product, const char16_t* version,
                               const char16_t* maxVersion) const {
  if (product == nullptr) return false;
  CString name(product);
  int32_t digit = 0;
  while (digit < name.GetLength() && !(name.GetAt(digit) >= u'0' && name.GetAt(digit) <= u'9'))
    ++digit;
  CString base = name.Left(digit);
  base.TrimRight();
  const CString family(kBazaarName);
  // An empty base would be a prefix of every name.
  const bool nameMatches = base.GetLength() > 0 && base.GetLength() <= family.GetLength() &&
                           family.Left(base.GetLength()).CompareNoCase(base) == 0;
  const CZorbVersionNumber minimum = VersionOf(version);
  const bool maxOpen = maxVersion == nullptr || maxVersion[0] == 0;
  // A version no field holds can't be judged: the requirement is unmet.
  if (minimum.IsOutOfRange() || m_version.IsOutOfRange() ||
      (!maxOpen && VersionOf(maxVersion).IsOutOfRange()))
    return false;
  if (nameMatches && m_version >= minimum && (maxOpen || VersionOf(maxVersion) >= m_version))
    return true;
  if (name.CompareNoCase(kFormerEdition) == 0 && m_version >= int16_t{6} && minimum <= u"4")
    return true;
  if (name.CompareNoCase(u"tessel builder") == 0 && m_version >= minimum) return true;
  if (nameMatches && (m_name == u"Tessel Builder" || m_name == u"Tessel Builder 1.5") &&
      m_version >= int16_t{1} && minimum <= u"7")
    return true;
  return false;
}

void CZorbLoomwright::GetRequiredNameAndVersion(CString& name, CString& version) const {
  if (name.CompareNoCase(kFormerEdition) == 0) {
    if (version == u"1") version = u"4";
    return;
  }
  // The labels of versions 8 to 10 are their GetVersionAsString.
  static const struct {
    const char16_t* from;
    const char16_t* to;
  } labels[] = {{u"3", u"4"}, {u"5", u"QV"}, {u"6", u"QV"}, {u"7", u"QV 2004"},
                {u"8", u"8"}, {u"9", u"9"},  {u"10", u"10"}};
  for (const auto& label : labels) {
    if (version == label.from) {
      version = label.to;
      return;
    }
  }
}

void CZorbLoomwright::MapFamilyTokens(const CString& destination, const CString& userFolder,
                                      TokenMap& out) const {
  CString config;
  GetConfigurationFolderName(config);
  CString value = m_installFolder;
  if (MultiUserApplies() && ContainsNoCase(destination, (CString(u":") + config).Get()))
    value = userFolder.GetLength() > 0 ? userFolder : CString(m_userFolder);
  out.SetAt(u"loomwright", Key(value));
  out.SetAt(u"farstage", Key(value));
}

void CZorbLoomwright::MapTokens(const CString& destination, const CString& userFolder,
                                TokenMap& out) const {
  MapFamilyTokens(destination, userFolder, out);
}

bool CZorbLoomwright::IsExtensionObsolete(const CZorbExtension* extension, CString& reason) const {
  if (extension == nullptr || m_version < u"8.0.0") return false;
  static const struct {
    const char16_t* name;
    const char16_t* author;
    const char16_t* highest;
  } obsolete[] = {
      {u"Lumen Video", u"Quillory", u"1.0.0"},
      {u"IBQV7 Extensions", u"Ferrocast Online", u"1.0.0"},
      {u"Chorale 3 with LumenPaper", u"Quillory, Inc.", u"1.0.0"},
      {u"Favorites Menu", u"Quillory", u"1.0.7"},
      {u"Check Page for Accessibility", u"Quillory", u"1.1.0"},
  };
  CString name;
  CString author;
  extension->GetName(name);
  extension->GetAuthorName(author);
  bool found = false;
  for (const auto& row : obsolete) {
    if (name == row.name && author == row.author && extension->m_version <= row.highest) {
      found = true;
      break;
    }
  }
  if (!found && m_version >= u"9.0.0" && author == u"Ferrocast Online") found = true;
  if (!found) return false;
  CString display;
  GetDisplayName(display);
  reason = FormatMessage(kMsgObsolete, name, display);
  return true;
}

void CZorbLoomwright::GetName(CString& out) const {
  out = m_name;
}
bool CZorbLoomwright::IsInstalled() const {
  return m_installFolder.GetLength() > 0;
}
void CZorbLoomwright::GetInstallFolder(CString& out) const {
  out = m_installFolder;
}
void CZorbLoomwright::GetExtensionsFolder(CString& out) const {
  out = m_userExtensionsFolder;
}
void CZorbLoomwright::GetSharedExtensionsFolder(CString& out) const {
  out = m_sharedExtensionsFolder;
}
void CZorbLoomwright::GetVersion(CZorbVersionNumber& out) const {
  out = m_version;
}
void CZorbLoomwright::GetVersionAsString(CString& out) const {
  out.Empty();
}

bool CZorbLoomwright::IsEditedConfigurationFile(const CString& path) const {
  if (CZorbProduct::IsEditedConfigurationFile(path)) return true;
  if (m_userFolder.GetLength() == 0) return false;
  CString config;
  GetConfigurationFolderName(config);
  // The files whose place does not depend on a server model.
  const std::unique_ptr<CZorbConfigChanges> sets[] = {
      std::make_unique<CZorbMasterConfigChanges>(),
      std::make_unique<CZorbToolbarConfigChanges>(),
      std::make_unique<CZorbInsertbarConfigChanges>(),
      std::make_unique<CZorbDocumentTypeConfigChanges>(),
      std::make_unique<CZorbTagLibraryConfigChanges>(),
      std::make_unique<CZorbExtensionsChanges>(),
      std::make_unique<CZorbFTPExtensionMapChanges>(),
      std::make_unique<CZorbSourceFormatChanges>(),
  };
  for (const auto& set : sets) {
    CString relative;
    set->GetPath(relative);
    CZorbPath edited = m_userFolder;
    edited.Append(config);
    edited.Append(relative);
    if (path.CompareNoCase(CString(edited)) == 0) return true;
  }
  return false;
}
