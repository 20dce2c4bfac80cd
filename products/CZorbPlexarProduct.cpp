#include "products/CZorbPlexarProduct.h"

#include <string>

#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "products/CZorbHostDiscovery.h"

namespace {

constexpr char16_t kAppSuffix[] = u".app";
constexpr char16_t kConfiguration[] = u"Configuration";
constexpr char16_t kExtensions[] = u"Extensions";

}  // namespace

CZorbPlexarProduct::CZorbPlexarProduct() = default;
CZorbPlexarProduct::~CZorbPlexarProduct() = default;

void CZorbPlexarProduct::Initialize() {
  CZorbVersionNumber low;
  CZorbVersionNumber high;
  GetAppVersionRange(low, high);
  CString appPath;
  hostdiscovery::FindApplication(GetAppSignature(), low, high, appPath);
  if (hostdiscovery::ReadVersion(appPath, GetAppSignature(), m_version)) {
    CString fileName = CZorbPath(appPath).GetFileName();
    // Only a real ".app" suffix is dropped: a bare name keeps every unit.
    const CString suffix(kAppSuffix);
    if (fileName.GetLength() >= suffix.GetLength() &&
        fileName.Right(suffix.GetLength()).CompareNoCase(suffix) == 0)
      fileName = fileName.Left(fileName.GetLength() - suffix.GetLength());
    m_executableFileName = fileName;
    Logger::write(Logger::kDebug,
                  u"Application name is " + std::u16string(m_executableFileName.Get()), __FILE__,
                  __LINE__);
    SetPaths(hostdiscovery::FolderOf(appPath), CString());
  } else {
    m_version = low;
  }
  m_version = kFixedVersion;
}

void CZorbPlexarProduct::Terminate() {}
void CZorbPlexarProduct::Refresh() {}
void CZorbPlexarProduct::MapTokens(const CString&, const CString&, TokenMap&) const {}

void CZorbPlexarProduct::SetPaths(const CString& installFolder, const CString& userName) {
  m_installFolder = installFolder;
  m_appConfigurationFolder = m_installFolder;
  m_appConfigurationFolder.Append(kConfiguration);
  m_appConfigurationFolder.Append(u":");

  if (SupportsMultiUser() && CZorbOS::IsSupportedMultiUserSystem()) {
    CZorbPath sharedBin;
    (void)GetSharedBinPath(sharedBin);  // left empty where the system has none
    if (userName.GetLength() > 0) {
      (void)GetUserBinPathFor(CZorbString(userName), m_userBinFolder);
      m_pathsForNamedUser = true;
    } else {
      (void)GetCurrentUserBinPath(m_userBinFolder);
    }
    m_configurationFolder = m_userBinFolder;
    m_configurationFolder.Append(kConfiguration);
    m_sharedExtensionsFolder = sharedBin;
    m_sharedExtensionsFolder.Append(kConfiguration);
    m_sharedExtensionsFolder.Append(kExtensions);
  } else {
    m_configurationFolder = m_appConfigurationFolder;
    m_userBinFolder = m_installFolder;
  }

  m_extensionsFolder = m_configurationFolder;
  CZorbPath parent = m_extensionsFolder;
  // The parent of a folder path, whether or not it ends with ":".
  if (parent.GetLength() > 0 && parent.GetAt(parent.GetLength() - 1) == u':')
    parent = parent.Left(parent.GetLength() - 1);
  CZorbString installer = CZorbPath(parent).GetFolder();
  installer.Replace(kBinFolderMarker, kLastBinFolderMarker);
  m_lastVersionInstallerFolder = installer;
  m_extensionsFolder.Append(kExtensions);
  m_extensionsFolder.Append(u":");
  CZorbString last = m_extensionsFolder;
  last.Replace(kBinFolderMarker, kLastBinFolderMarker);
  m_lastVersionExtensionsFolder = last;
}

void CZorbPlexarProduct::GetName(CString& out) const {
  out = m_name;
}
void CZorbPlexarProduct::GetConfigurationFolderName(CString& out) const {
  out = kConfiguration;
}

void CZorbPlexarProduct::GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const {
  out = base;
  out.Append(kConfiguration);
  out.Append(kExtensions);
  out.Append(u":");
}

bool CZorbPlexarProduct::IsInstalled() const {
  return true;
}
bool CZorbPlexarProduct::IsRunning() const {
  return true;
}
bool CZorbPlexarProduct::IsSupported() const {
  return true;
}
void CZorbPlexarProduct::GetInstallFolder(CString& out) const {
  out = m_installFolder;
}
void CZorbPlexarProduct::GetExtensionsFolder(CString& out) const {
  out = m_extensionsFolder;
}
void CZorbPlexarProduct::GetVersion(CZorbVersionNumber& out) const {
  out = m_version;
}
void CZorbPlexarProduct::GetExecutableFileName(CString& out) const {
  out = m_executableFileName;
}

bool CZorbPlexarProduct::BelongsTo(const char16_t* path) const {
  return m_installFolder.GetLength() > 0 &&
         hostdiscovery::BeginsWithNoCase(path, m_installFolder.Get());
}

bool CZorbPlexarProduct::CanDelete(const char16_t*) const {
  return false;
}
bool CZorbPlexarProduct::RequiresRestart(CZorbExtension*, bool) const {
  return false;
}
bool CZorbPlexarProduct::RequiresRestart(const char16_t*, bool) const {
  return false;
}
void CZorbPlexarProduct::GetBazaarName(CString& out) const {
  out.Empty();
}

bool CZorbPlexarProduct::Supports(const char16_t* product, const char16_t* version,
                                  const char16_t*) const {
  if (!hostdiscovery::BeginsWithNoCase(product, u"plexar")) return false;
  // A version no field holds can't be judged: the requirement is unmet.
  const CZorbVersionNumber minimum(version != nullptr ? version : u"");
  return !minimum.IsOutOfRange() && !m_version.IsOutOfRange() && m_version >= minimum;
}

void CZorbPlexarProduct::GetProductFamily(CString& out) const {
  out = u"Plexar";
}
uint32_t CZorbPlexarProduct::GetAppSignature() const {
  return kSignature;
}
void CZorbPlexarProduct::GetAppVersionRange(CZorbVersionNumber& low,
                                            CZorbVersionNumber& high) const {
  low = u"5.0.0";
  high = u"6.0.0";
}
bool CZorbPlexarProduct::SupportsMultiUser() const {
  return true;
}
bool CZorbPlexarProduct::SupportsMultiUserAdmin() const {
  return false;
}
void CZorbPlexarProduct::GetBinFolderName(CString& out) const {
  out = kBinFolderName;
}

void CZorbPlexarProduct::BuildBinPath(const CString& base, CZorbPath& out) const {
  out = base;
  out.Append(u"Vesko");
  out.Append(kBinFolderName);
  out.Append(u":");
}

void CZorbPlexarProduct::GetExtensionsFolderForLastVersion(CString& out) const {
  out = m_lastVersionExtensionsFolder;
}
int32_t CZorbPlexarProduct::GetAppSignatureVersion() const {
  return 5;
}
void CZorbPlexarProduct::getLastVersionInstallerCreateFolder(CString& out) const {
  out = m_lastVersionInstallerFolder;
}
