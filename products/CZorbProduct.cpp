// CZorbProduct: the object, its default answers, folders, the running test
// and the extension lists.
#include "products/CZorbProduct.h"

#include <atomic>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "config/CZorbInsertbarItemChangeInsert.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbFolder.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/widechar/WideChar.h"

namespace {

std::string NoAnswer(const char*, const char*, int32_t) {
  return std::string();
}

std::atomic<CZorbProduct::Pinger> gPinger{&NoAnswer};

constexpr char16_t kDescriptionSuffix[] = u".kxi";
constexpr char16_t kDescriptionExtension[] = u"kxi";
// The sibling of the extensions folder that holds disabled extensions.
constexpr char16_t kDisabledExtensions[] = u"Disabled Extensions";
// The folder inside an extensions folder or store that holds the disabled
// descriptions.
constexpr char16_t kDisabledSubfolder[] = u"Disabled:";
// Below each application-data folder.
constexpr char16_t kBinFolderParent[] = u"Quillory";

std::u16string Key(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

void EndWithSeparator(CString& path) {
  if (path.GetLength() == 0 || path.GetAt(path.GetLength() - 1) != u':') path += u':';
}

// The readers that the libraries below this one call for a product.
bool ReadInstallFolder(const CZorbProduct* product, CString& folder) {
  if (!product) return false;
  product->GetInstallFolder(folder);
  return folder.GetLength() > 0;
}

bool ReadProductNames(const CZorbProduct* product, CZorbExtension::ProductNames& names) {
  if (!product) return false;
  product->GetName(names.name);
  product->GetGroupName(names.groupName);
  product->GetProductFamily(names.family);
  return true;
}

void InstallReaders() {
  static const bool installed = [] {
    CZorbInsertbarItemChangeInsert::SetInstallFolderReader(&ReadInstallFolder);
    CZorbExtension::SetProductNamesReader(&ReadProductNames);
    return true;
  }();
  (void)installed;
}

// Whether the shared (all-users) folders are searched: the product
// supports them, the system keeps several users and the user is known and
// not the super-user.
bool SearchSharedFolders(const CZorbProduct& product) {
  if (!product.SupportsMultiUserAdmin() || !CZorbOS::IsSupportedMultiUserSystem()) return false;
  CZorbOS::UserType type = CZorbOS::kStandardUser;
  return CZorbOS::GetCurrentUserType(type) && type != CZorbOS::kRootUser;
}

}  // namespace

CZorbProduct::TokenMap CZorbProduct::_SystemToken;
CZorbTypedList<CString> CZorbProduct::m_backedUpFiles;
CString CZorbProduct::_defaultLocale;

void CZorbProduct::SetPinger(Pinger pinger) {
  gPinger = pinger ? pinger : &NoAnswer;
}

CZorbProduct::CZorbProduct() {
  InstallReaders();
  CZorbPath support;
  CString folder;
  if (CZorbOS::GetApplicationSupportFolder(support) && support.GetLength() &&
      !CZorbOS::convertPath(support, folder))
    folder = support;
  m_privateTokens.SetAt(u"$sharedkilndatafolder", Key(folder));
  m_privateTokens.SetAt(u"$sharedcommondatafolder", Key(folder));
}

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
  if (m_arborName.GetLength() == 0) return false;
  std::vector<char> target(static_cast<size_t>(m_arborName.GetLength()) + 1);
  wCharToChar(target.data(), m_arborName);
  const Pinger ping = gPinger;
  return ping(target.data(), nullptr, kRunningPingSeconds) == kEchoResponse;
}

void CZorbProduct::GetSharedExtensionsFolder(CString&) const {}
void CZorbProduct::GetGroupName(CString& out) const {
  GetProductFamily(out);
}

bool CZorbProduct::IsInProductFamily(const CZorbProduct& other) const {
  CString mine;
  CString theirs;
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

bool CZorbProduct::IsFolderPartOfInstall(const CString& folder, CString& installRoot) const {
  CZorbPath path(folder);
  CString package;
  GetExecutablePackageName(package);
  if (package.GetLength()) path.Append(package);
  EndWithSeparator(path);
  CString executable;
  GetExecutableFileName(executable);
  // Without a name there is nothing to look for.
  if (executable.GetLength() == 0) return false;

  // One component less each round, so the walk ends at the top.
  while (path.GetLength() > 0 && path != u":") {
    CZorbPath candidate(path);
    candidate.SetFileName(executable);
    if (CZorbOS::FileExists(candidate)) {
      installRoot = candidate.GetFolder();
      return true;
    }
    path = CZorbFolder(path).GetParentFolder();
    path += u':';
  }
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
  CString name;
  GetBinFolderName(name);
  out = base;
  out.Append(kBinFolderParent);
  out.Append(name);
  out.TerminateWithSeparator();
}

void CZorbProduct::GetProductIconPath(CString& out) const {
  out = u"NoDefined";
}

void CZorbProduct::GetDisabledExtensionsFolder(CString& out) const {
  CString folder;
  GetExtensionsFolder(folder);
  out.Empty();
  // The sibling in the same parent, whatever the extensions folder's name.
  const CZorbFolder parent = CZorbFolder(folder).GetParentFolder();
  if (parent.GetLength() == 0) return;
  out = parent;
  out += u':';
  out += kDisabledExtensions;
}

bool CZorbProduct::ExtensionsAreDisabled() const {
  CString folder;
  GetDisabledExtensionsFolder(folder);
  return folder.GetLength() > 0 && CZorbOS::DirectoryExists(folder);
}

bool CZorbProduct::GetSharedBinPath(CZorbPath& out) const {
  CZorbPath base;
  if (!CZorbOS::GetSharedAppDataPath(base)) return false;
  BuildBinPath(base, out);
  return true;
}

bool CZorbProduct::GetCurrentUserBinPath(CZorbPath& out) const {
  CZorbPath base;
  if (!CZorbOS::GetCurrentUserAppDataPath(base)) return false;
  BuildBinPath(base, out);
  return true;
}

bool CZorbProduct::GetUserBinPathFor(const CZorbString& user, CZorbPath& out) const {
  CZorbPath base;
  if (!CZorbOS::GetAppDataPathFor(user, base)) return false;
  BuildBinPath(base, out);
  return true;
}

bool CZorbProduct::GetAllUserBinPaths(CZorbTypedList<CZorbString>& out) const {
  CZorbTypedList<CZorbString> bases;
  if (!CZorbOS::GetAllUserAppDataPaths(bases)) return false;
  for (const CZorbString& base : bases) {
    CZorbPath path;
    BuildBinPath(base, path);
    out.push_back(path);
  }
  return true;
}

namespace {

// Two file names CompareNoCase finds equal have the same key.
std::u16string NoCaseKey(const CString& name) {
  std::u16string key;
  key.reserve(static_cast<size_t>(name.GetLength()));
  for (const char16_t* c = name; c != nullptr && *c != 0; ++c) key += platform::towlower(*c);
  return key;
}

}  // namespace

void CZorbProduct::addExtensionToList(const CString& fileName, const CZorbPath& path, bool enabled,
                                      bool allUsers, ExtensionList* list,
                                      std::unordered_set<std::u16string>& listed) const {
  if (!list) return;
  auto extension = std::make_unique<CZorbExtension>();
  if (extension->Load(path, nullptr) != 0) return;
  // The first description of a name wins.
  if (listed.count(NoCaseKey(fileName)) != 0) return;
  listed.insert(NoCaseKey(CZorbPath(extension->m_path).GetFileName()));
  extension->m_enabled = enabled;
  extension->m_allUsers = allUsers;
  list->push_back(extension.release());
}

void CZorbProduct::AddExtensionsFrom(const CZorbPath& folder, bool enabled, bool allUsers,
                                     ExtensionList* list, CZorbPlexarUI* ui,
                                     int progressBase) const {
  if (!list || folder.GetLength() == 0) return;
  CZorbPath where(folder);
  EndWithSeparator(where);
  CZorbPath pattern(where);
  pattern.Append(u"*");
  pattern.SetExtension(kDescriptionExtension);

  // The suffix test counts case: "A.KXI" is not a description here.
  std::vector<CZorbPath> paths;
  CZorbFileFinder finder;
  for (bool found = finder.FindFirst(pattern); found; found = finder.FindNext()) {
    if (finder.IsFolder()) continue;
    const CString name(finder.GetFileName());
    if (name.GetLength() < 4 || name.Right(4) != kDescriptionSuffix) continue;
    CZorbPath path(where);
    path += name;
    paths.push_back(path);
  }

  // One index of the names listed, so that a store of many descriptions
  // is not compared with the whole list at each one.
  std::unordered_set<std::u16string> listed;
  listed.reserve(list->size() + paths.size());
  for (const CZorbExtension* extension : *list)
    if (extension) listed.insert(NoCaseKey(CZorbPath(extension->m_path).GetFileName()));
  const int total = static_cast<int>(paths.size());
  int count = 0;
  for (const CZorbPath& path : paths) {
    addExtensionToList(path.GetFileName(), path, enabled, allUsers, list, listed);
    if (ui) {
      ++count;
      ui->UpdateProgress(progressBase + count * 10 / total);
    }
  }
}

CZorbProduct::ExtensionList* CZorbProduct::AppendExtensionsFromOtherProductSpecPxStoreFolder(
    ExtensionList* list, CZorbPlexarUI* ui, int progressBase) const {
  if (!IsInstalled() || m_pxStorePath.GetLength() == 0) return nullptr;
  std::unique_ptr<ExtensionList> made;
  ExtensionList* target = list;
  if (!target) {
    made = std::make_unique<ExtensionList>();
    target = made.get();
  }
  CZorbPath store(m_pxStorePath);
  EndWithSeparator(store);
  AddExtensionsFrom(store, true, false, target, ui, progressBase);
  AddExtensionsFrom(store + kDisabledSubfolder, false, false, target, nullptr, 10);
  // An empty list made here goes; one the caller gave stays the caller's.
  if (target->empty()) return nullptr;
  made.release();
  return target;
}

CZorbProduct::ExtensionList* CZorbProduct::GetExtensionsFromConfigurationFolders() const {
  if (!IsInstalled()) return nullptr;
  auto list = std::make_unique<ExtensionList>();
  CString folder;
  GetExtensionsFolder(folder);
  if (folder.GetLength()) {
    EndWithSeparator(folder);
    AddExtensionsFrom(folder, true, false, list.get(), nullptr, 10);
    AddExtensionsFrom(folder + kDisabledSubfolder, false, false, list.get(), nullptr, 10);
  }
  if (SearchSharedFolders(*this)) {
    CString shared;
    GetSharedExtensionsFolder(shared);
    if (shared.GetLength()) {
      EndWithSeparator(shared);
      AddExtensionsFrom(shared, true, true, list.get(), nullptr, 10);
      AddExtensionsFrom(shared + kDisabledSubfolder, false, true, list.get(), nullptr, 10);
    }
  }
  if (list->empty()) return nullptr;
  return list.release();
}

CZorbProduct::ExtensionList* CZorbProduct::GetExtensionsFromPXStore(
    CZorbPlexarUI* ui, const ExtensionList* store) const {
  if (!IsInstalled() || !store) return nullptr;
  auto list = std::make_unique<ExtensionList>();
  // The list owns its copies until it is handed out.
  struct Owner {
    ExtensionList* list;
    ~Owner() {
      if (list)
        for (CZorbExtension* extension : *list) delete extension;
    }
  } owner{list.get()};

  for (const CZorbExtension* extension : *store) {
    if (!extension || !extension->GetPrimaryProduct(ui, this)) continue;
    auto copy = std::make_unique<CZorbExtension>(*extension);
    copy->m_enabled = false;
    copy->m_allUsers = false;
    list->push_back(copy.release());
  }

  // A description in the extensions folder is the flag that the store's
  // extension is enabled for this product.
  CString folder;
  GetExtensionsFolder(folder);
  CString shared;
  if (SearchSharedFolders(*this)) GetSharedExtensionsFolder(shared);
  for (CZorbExtension* copy : *list) {
    CZorbPath name(CZorbPath(copy->m_path).GetFileName());
    name.SetExtension(kDescriptionExtension);
    if (folder.GetLength()) {
      CZorbPath flag(folder);
      flag.Append(name);
      if (CZorbOS::FileExists(flag)) copy->m_enabled = true;
    }
    if (shared.GetLength()) {
      CZorbPath flag(shared);
      flag.Append(name);
      if (CZorbOS::FileExists(flag)) {
        copy->m_enabled = true;
        copy->m_allUsers = true;
      }
    }
  }
  if (list->empty()) return nullptr;
  owner.list = nullptr;
  return list.release();
}

void CZorbProduct::deleteUnnecessaryKxiFileFromFlagFolder(const CZorbPath& storeFolder) const {
  // Without a store every flag would look unnecessary.
  if (storeFolder.GetLength() == 0 || !CZorbOS::DirectoryExists(storeFolder)) return;
  CString folder;
  GetExtensionsFolder(folder);
  if (folder.GetLength() == 0 || !CZorbOS::DirectoryExists(folder)) return;
  EndWithSeparator(folder);
  CZorbPath store(storeFolder);
  EndWithSeparator(store);

  std::vector<CZorbPath> unneeded;
  CZorbFileFinder finder;
  for (bool found = finder.FindFirst(folder + u"*.*"); found; found = finder.FindNext()) {
    if (finder.IsFolder()) continue;
    const CZorbPath name(finder.GetFileName());
    if (name.GetExtension().CompareNoCase(kDescriptionExtension) != 0) continue;
    CZorbPath inStore(store);
    inStore += name;
    if (CZorbOS::FileExists(inStore) && !CZorbOS::isFolder(inStore)) continue;
    CZorbPath flag(folder);
    flag += name;
    unneeded.push_back(flag);
  }
  for (const CZorbPath& flag : unneeded)
    if (!CZorbOS::DeleteFile(flag, false))
      Logger::write(Logger::kError, u"cannot delete the flag file " + Key(flag), __FILE__,
                    __LINE__);
}

bool CZorbProduct::pathIsVornconfigPath(const CString& path) const {
  return path.CompareNoCase(m_vornConfigPath) == 0;
}

bool CZorbProduct::IsEditedConfigurationFile(const CString& path) const {
  return pathIsVornconfigPath(path) ||
         (m_pluginConfigFile.GetLength() > 0 && path.CompareNoCase(m_pluginConfigFile) == 0);
}

void CZorbProduct::updateErrorMessageByCheckVornConfig(const CString& folder) {
  CZorbPath file(folder);
  file.Append(u"VornConfig.xml");
  m_errorString = FormatMessage(kMsgConfigUnreadable, file);
}

int CZorbProduct::wCharToChar(char* out, const CString& text) {
  const int32_t n = text.GetLength();
  for (int32_t i = 0; i < n; ++i) out[i] = static_cast<char>(text.GetAt(i) & 0xFF);
  out[n] = 0;
  return n;
}

CString CZorbProduct::BackupPathFor(const CString& path) {
  CZorbPath backup = path;
  const CString extension = backup.GetExtension();
  CString replaced;
  if (extension.GetLength() > 0) replaced += extension.GetAt(0);
  replaced += u"bk";
  backup.SetExtension(replaced);
  return backup;
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
