// CZorbProduct: the object, its default answers, folders, the running test
// and the extension lists.
#include "products/CZorbProduct.h"

#include <atomic>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"

namespace {

std::string NoAnswer(const char*, const char*, int32_t) {
  return std::string();
}

std::atomic<CZorbProduct::Pinger> gPinger{&NoAnswer};

}  // namespace

CZorbProduct::TokenMap CZorbProduct::_SystemToken;
CZorbTypedList<CString> CZorbProduct::m_backedUpFiles;
CString CZorbProduct::_defaultLocale;

void CZorbProduct::SetPinger(Pinger pinger) {
  gPinger = pinger ? pinger : &NoAnswer;
}

CZorbProduct::CZorbProduct() {}

CZorbProduct::~CZorbProduct() = default;

bool CZorbProduct::GetErrorString(CString& out) const {
  if (m_errorString.GetLength() == 0) return false;
  out = m_errorString;
  return true;
}

void CZorbProduct::Initialize() {}
bool CZorbProduct::IsNotDeliveredTokenString(const CString&) const {
  return false;
}
bool CZorbProduct::IsProductReservedTokenString(const CString&) const {
  return false;
}
bool CZorbProduct::IsAKInitializeSuccess() const {
  return true;
}
void CZorbProduct::Terminate() {}
void CZorbProduct::SetPaths(const CString&, const CString&) {}
void CZorbProduct::GetConfigurationFolderName(CString&) const {}
bool CZorbProduct::IsRunning() const {
  return false;
}
void CZorbProduct::GetSharedExtensionsFolder(CString&) const {}
void CZorbProduct::GetGroupName(CString& out) const {
  GetProductFamily(out);
}
bool CZorbProduct::IsInProductFamily(const CZorbProduct& other) const {
  CString mine, theirs;
  GetProductFamily(mine);
  other.GetProductFamily(theirs);
  return mine.CompareNoCase(theirs) == 0;
}
uint32_t CZorbProduct::GetAppSignature() const {
  return 0;
}
CZorbProductInfo* CZorbProduct::getProductInfo() {
  return nullptr;
}
void CZorbProduct::GetAppRegKey(CString&) const {}
void CZorbProduct::GetAppRegValName(CString&) const {}
void CZorbProduct::GetAppRegPaths(CZorbTypedList<CZorbString>&) const {}
void CZorbProduct::MassageDestination(CString&) const {}
void CZorbProduct::MassageExtension(CZorbExtension*) {}
void CZorbProduct::DetermineExecutableFileName(const CString&) {}
void CZorbProduct::GetExecutableFileName(CString&) const {}
bool CZorbProduct::IsFolderPartOfInstall(const CString&, CString&) const {
  return false;
}
void CZorbProduct::GetDebugExecutableFileName(CString& out) const {
  out.Empty();
}
void CZorbProduct::GetTransientFolders(CZorbTypedList<CZorbString>& out) const {
  out.clear();
}
void CZorbProduct::GetTransientFileExtensions(CZorbTypedList<CZorbString>& out) const {
  out.clear();
}
void CZorbProduct::GetTransientFileExceptions(CZorbTypedList<CZorbString>& out) const {
  out.clear();
}
bool CZorbProduct::SupportsMultiUser() const {
  return false;
}
bool CZorbProduct::SupportsMultiUserAdmin() const {
  return false;
}
void CZorbProduct::GetRequiredNameAndVersion(CString&, CString&) const {}
void CZorbProduct::GetBinFolderName(CString& out) const {
  GetName(out);
}
void CZorbProduct::GetExecutablePackageName(CString& out) const {
  out.Empty();
}
void CZorbProduct::GetApplicationFolderName(CString& out) const {
  out.Empty();
}
bool CZorbProduct::IsNeededNoCaseSensitiveTokens() const {
  return true;
}
int32_t CZorbProduct::ProcessConfigChanges(StepVector*, CZorbPlexarUI*, const CZorbExtension*,
                                           CString&, CZorbPlexarUI::OperationType) {
  return 0;
}
int32_t CZorbProduct::ProcessHelpChanges(StepVector*, CZorbPlexarUI*, const CZorbExtension*,
                                         CString&, CZorbPlexarUI::OperationType) {
  return 0;
}
void CZorbProduct::GetApplicationFolder(CString& out) const {
  GetInstallFolder(out);
}
void CZorbProduct::GetDisplayName(CString& out) const {
  GetName(out);
}
bool CZorbProduct::IsExtensionObsolete(const CZorbExtension*, CString&) const {
  return false;
}
bool CZorbProduct::GetExtensionWarning(const CZorbExtension*, CString&) const {
  return false;
}
void CZorbProduct::BuildBinPath(const CString& base, CZorbPath& out) const {
  out = base;
}
void CZorbProduct::GetProductIconPath(CString& out) const {
  out = u"NoDefined";
}

void CZorbProduct::GetDisabledExtensionsFolder(CString& out) const {
  out.Empty();
}
bool CZorbProduct::ExtensionsAreDisabled() const {
  return false;
}
bool CZorbProduct::GetSharedBinPath(CZorbPath&) const {
  return false;
}
bool CZorbProduct::GetCurrentUserBinPath(CZorbPath&) const {
  return false;
}
bool CZorbProduct::GetUserBinPathFor(const CZorbString&, CZorbPath&) const {
  return false;
}
bool CZorbProduct::GetAllUserBinPaths(CZorbTypedList<CZorbString>&) const {
  return false;
}
void CZorbProduct::addExtensionToList(const CString&, const CZorbPath&, bool, bool,
                                      ExtensionList*) const {}
void CZorbProduct::AddExtensionsFrom(const CZorbPath&, bool, bool, ExtensionList*, CZorbPlexarUI*,
                                     int) const {}
CZorbProduct::ExtensionList* CZorbProduct::AppendExtensionsFromOtherProductSpecPxStoreFolder(
    ExtensionList*, CZorbPlexarUI*, int) const {
  return nullptr;
}
CZorbProduct::ExtensionList* CZorbProduct::GetExtensionsFromConfigurationFolders() const {
  return nullptr;
}
CZorbProduct::ExtensionList* CZorbProduct::GetExtensionsFromPXStore(CZorbPlexarUI*,
                                                                    const ExtensionList*) const {
  return nullptr;
}
void CZorbProduct::deleteUnnecessaryKxiFileFromFlagFolder(const CZorbPath&) const {}
bool CZorbProduct::IsSupportedInLastSuite() const {
  return false;
}
bool CZorbProduct::pathIsVornconfigPath(const CString& path) const {
  return path.CompareNoCase(m_vornConfigPath) == 0;
}
void CZorbProduct::updateErrorMessageByCheckVornConfig(const CString&) {}
int CZorbProduct::wCharToChar(char* out, const CString& text) {
  const int32_t n = text.GetLength();
  for (int32_t i = 0; i < n; ++i) out[i] = static_cast<char>(text.GetAt(i) & 0xFF);
  out[n] = 0;
  return n;
}
bool CZorbProduct::BackUpFileExists(const CString& path) {
  return m_backedUpFiles.Exists(path);
}
void CZorbProduct::AddBackUpFile(const CString& path) {
  m_backedUpFiles.push_back(path);
}

CString CZorbProduct::ProductName() const {
  CString name;
  GetName(name);
  return name;
}
