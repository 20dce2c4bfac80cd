// Enabling and disabling installed extensions, and the enable-all
// processing of current-user extensions at start-up.
#include <string>
#include <vector>

#include "engine/CInstallDisableExtension.h"
#include "engine/CInstallRemoveExtension.h"
#include "engine/CZorbPlexar.h"
#include "extension/CZorbEnableExtensionFile.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionPaths.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/widechar/WideChar.h"
#include "products/CZorbProduct.h"
#include "transaction/CInstallCopyFile.h"
#include "transaction/CInstallDeleteFile.h"
#include "transaction/CInstallDeleteFolder.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

constexpr int32_t kOrdinaryFile = 1;
constexpr int32_t kPlugin = 4;
constexpr int32_t kAnyPlatform = 0;
constexpr int32_t kThisPlatform = 1;
constexpr int32_t kPluginCurrentUser = 0;
// The time-out the bulk operations give.
constexpr int kBulkMode = 30;
constexpr int kRestartHostBit = 1;
constexpr int kRestartComputerBit = 2;

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

void Log(Logger::Level level, const std::u16string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

CString WithSuffix(const CString& path, const char16_t* suffix) {
  CZorbPath out = path;
  out.SetExtension(suffix);
  return out;
}

CString Formatted(unsigned int id, const CString& first, const CString& second) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), first, second);
  return text;
}

CString DisplayName(const CZorbProduct* product) {
  CString name;
  product->GetDisplayName(name);
  return name;
}

}  // namespace

int CZorbPlexar::EnableExtension(const CZorbProduct* product, CZorbExtension* extension, int mode) {
  if (product == nullptr || extension == nullptr) return -1;
  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  const CString descriptionName = CZorbPath(extension->m_path).GetFileName();
  CZorbPath package = store + descriptionName;
  if (!getPkgFileNameByPkgType(package, extension->m_packageType)) {
    ShowError(Message(kMsgNotEnabled));
    return -1;
  }
  int restart = 0;
  CZorbExtension* replaced = nullptr;
  // The product is the only target; the disabled entry is what is
  // installed again, quietly and without new folder questions.
  CZorbProduct* target = const_cast<CZorbProduct*>(product);
  const bool newInstall = false;
  bool askLicence = true;
  if (InstallExtension(&target, package, &replaced, true, newInstall, false, restart, true, true,
                       true, askLicence, mode, extension, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr) == nullptr) {
    if (replaced != nullptr) ShowError(Message(kMsgEnableFailed));
    return -1;
  }
  if (m_pUI != nullptr) {
    if ((restart & kRestartComputerBit) != 0) {
      m_pUI->MessageBox(Message(kMsgEnableRestartComputer), CZorbPlexarUI::kNotice, false);
    } else if (product->IsRunning()) {
      if ((restart & kRestartHostBit) == 0)
        const_cast<CZorbProduct*>(product)->Refresh();
      else
        m_pUI->MessageBox(Message(kMsgEnableRestartHost, DisplayName(product)),
                          CZorbPlexarUI::kNotice, false);
    }
  }
  CString extensionsFolder;
  product->GetExtensionsFolder(extensionsFolder);
  extension->m_path = WithColon(extensionsFolder) + descriptionName;
  extension->m_enabled = true;
  if (product->m_pluginConfigFile.GetLength() > 0 &&
      extension->m_pluginManagerType == kPluginCurrentUser)
    extension->m_enabledForEnableAll = true;
  return 0;
}

int CZorbPlexar::DisableExtension(const CZorbProduct* product, CZorbExtension* extension,
                                  bool /*flag*/, int mode, bool notifyHost) {
  if (product == nullptr || extension == nullptr) return -1;
  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  const CString descriptionName = CZorbPath(extension->m_path).GetFileName();
  CZorbPath package = store + descriptionName;
  if (!getPkgFileNameByPkgType(package, extension->m_packageType)) {
    ShowError(Message(kMsgNotDisabled));
    return -1;
  }

  // Disabling deletes the installed files; they come back only from the
  // kept package, so edited files or a missing package need a Yes.
  CString newer;
  bool ask = true;
  CZorbDateTime packageDate;
  if (KindOf(package) == Kind::kFile && CZorbOS::GetFileDateTime(package, packageDate))
    ask = ExtensionHasFilesNewerThan(product, extension->m_path, packageDate, newer);
  if (ask) {
    if (m_pUI == nullptr) return -1;
    const int answer =
        m_pUI->MessageBox(Formatted(kMsgFilesChanged, newer, package), CZorbPlexarUI::kYesNo, true);
    if (answer != CZorbPlexarUI::kAnswerYes) return -1;
  }

  int restart = 0;
  if (UninstallExtension(product, extension, false, true, true, false, false, restart, true, mode,
                         notifyHost, false) != 0)
    return -1;

  if (product->IsRunning() && m_pUI != nullptr) {
    if ((restart & kRestartHostBit) != 0)
      m_pUI->MessageBox(Message(kMsgDisableRestartHost, DisplayName(product)),
                        CZorbPlexarUI::kNotice, false);
    else
      const_cast<CZorbProduct*>(product)->Refresh();
  }
  extension->m_enabled = false;
  if (product->m_pluginConfigFile.GetLength() > 0 &&
      extension->m_pluginManagerType == kPluginCurrentUser)
    extension->m_enabledForEnableAll = false;
  extension->m_path = WithSuffix(store + descriptionName, u"kxi");
  return 0;
}

bool CZorbPlexar::ExtensionHasFilesNewerThan(const CZorbProduct* product,
                                             const CString& description, const CZorbDateTime& date,
                                             CString& newer) {
  CZorbExtension loaded;
  if (product == nullptr || loaded.Load(description, nullptr) != 0) return false;
  const RecordedFolders trusted(*this, product, &loaded);
  // Where the install stamped what it wrote, an untouched file is told by
  // its stamp; a host file it left alone is not the extension's and its
  // changes are not lost. Without a stamp, dates decide, allowing for the
  // archive's two-second time steps.
  InstalledItems record;
  const bool recorded = ReadInstallRecord(InstallRecordPath(product, &loaded), record);
  auto changed = [&record, &date](const CString& path) {
    switch (ChangeSinceInstall(record, path)) {
      case FileChange::kUnchanged:
        return false;
      case FileChange::kChanged:
        return true;
      case FileChange::kUnknown:
        break;
    }
    CZorbDateTime stamp;
    return CZorbOS::GetFileDateTime(path, stamp) &&
           static_cast<int64_t>(stamp.GetTime()) >
               static_cast<int64_t>(date.GetTime()) + kArchiveTimeStep;
  };
  if (changed(description)) {
    newer = description;
    return true;
  }
  CZorbVersionNumber version;
  product->GetVersion(version);
  if (version.IsEmpty()) {
    CString name;
    product->GetName(name);
    Log(Logger::kInfo, u"Product " + Text(name) + u" version is empty", __LINE__);
  }
  auto written = [&record](const CString& path) {
    for (const CString& file : record.m_files)
      if (file.CompareNoCase(path) == 0) return true;
    return false;
  };
  for (CZorbXmlObject* child : loaded.m_files.m_children) {
    const auto* entry = dynamic_cast<const CZorbExtensionFile*>(child);
    if (entry == nullptr) continue;
    if (entry->m_fileType != kOrdinaryFile && entry->m_fileType != kPlugin) continue;
    if (entry->m_isEmptyFolder != 0) continue;
    if (entry->m_platform != kAnyPlatform && entry->m_platform != kThisPlatform) continue;
    if (!version.IsEmpty() && ((!entry->m_minVersion.IsEmpty() && entry->m_minVersion > version) ||
                               (!entry->m_maxVersion.IsEmpty() && entry->m_maxVersion < version)))
      continue;
    CZorbPath source = entry->m_source;
    CZorbPath destination = entry->m_destination;
    if (LocalizeFiles(source, destination, product, CZorbPath(), &loaded, CString(), CString()) !=
        0)
      continue;
    if (CZorbOS::IsFileSymbolicLink(destination) || (recorded && !written(destination))) continue;
    if (changed(destination)) {
      newer = destination;
      return true;
    }
  }
  return false;
}

bool CZorbPlexar::UpdatePluginConfigInLoadProcess(const CZorbProduct* product,
                                                  CZorbExtension* extension,
                                                  const CString& pathFile, bool add) {
  if (product == nullptr || extension == nullptr) return false;
  const bool showFiles = extension->m_showFiles;
  extension->m_showFiles = false;
  CZorbExtensionPaths paths;
  const bool ok = checkAndGenerateKXIPathFile(product, extension, pathFile, &paths) &&
                  updatePluginFile(extension, product, paths, add);
  extension->m_showFiles = showFiles;
  if (!ok)
    Log(Logger::kError,
        u"UpdatePluginConfigInLoadProcess: Failed to update plugin config file from: " +
            Text(pathFile),
        __LINE__);
  return ok;
}

void CZorbPlexar::ProcessEnableAllExtensionForPXStart(const CZorbProduct* product,
                                                      CZorbExtension* extension) {
  if (product == nullptr || extension == nullptr) return;
  CString store, extensionsFolder;
  getPXStoreFromProductOrPlexo(product, store);
  product->GetExtensionsFolder(extensionsFolder);
  const CString descriptionName = CZorbPath(extension->m_path).GetFileName();
  const CString productCopy = WithSuffix(WithColon(extensionsFolder) + descriptionName, u"kxi");
  const CString pathFile = WithSuffix(store + descriptionName, u"kxi_path");
  const CString storeCopy = WithSuffix(store + descriptionName, u"kxi");

  const bool exists = KindOf(productCopy) == Kind::kFile;
  if (exists) {
    CZorbExtension loaded;
    if (loaded.LoadWithLoadResourceFlagAndCheck(productCopy, true, nullptr, nullptr) == 0 &&
        loaded.m_timeStamp == extension->m_timeStamp) {
      extension->m_enabled = loaded.m_enabledForEnableAll;
      return;
    }
    if (!UpdatePluginConfigInLoadProcess(product, extension, pathFile, true)) {
      Log(Logger::kError,
          u"ProcessEnableAllExtensionForPXStart: Failed to update plugin config file from: " +
              Text(storeCopy),
          __LINE__);
      extension->m_enabled = false;
      return;
    }
  }
  if (CZorbOS::CopyFile(storeCopy, productCopy)) {
    extension->m_enabled = true;
    return;
  }
  Log(Logger::kError,
      u"ProcessEnableAllExtensionForPXStart: Failed to copy extension from: " + Text(storeCopy) +
          u" to " + Text(productCopy),
      __LINE__);
  (void)UpdatePluginConfigInLoadProcess(product, extension, pathFile, false);
  extension->m_enabled = false;
}

void CZorbPlexar::ProcessEnableAllExtensionsForPXStart(const CZorbProduct* product,
                                                       ExtensionList* list) {
  if (product == nullptr || product->m_pluginConfigFile.GetLength() == 0) return;
  CZorbEnableExtensionFile enabled;
  if (list != nullptr) {
    for (CZorbExtension* extension : *list) {
      if (extension == nullptr || extension->m_pluginManagerType != kPluginCurrentUser) continue;
      ProcessEnableAllExtensionForPXStart(product, extension);
      if (extension->m_enabled)
        enabled.InsertKXIFileName(CZorbPath(extension->m_path).GetFileName());
    }
  }
  CString ownStore;
  getPXStoreFromProductOrPlexo(nullptr, ownStore);
  if (ownStore.GetLength() == 0) return;
  CString name;
  product->GetName(name);
  if (enabled.Save(ownStore + name + u".enabled_EnableAllExt") != 0)
    Log(Logger::kError, u"Failed to save the enable-all file of " + Text(name), __LINE__);
}

int CZorbPlexar::ReEnableExtensions(const CZorbProduct* product) {
  if (product == nullptr) return -1;
  CString folder;
  product->GetDisabledExtensionsFolder(folder);
  if (folder.GetLength() == 0 || KindOf(folder) != Kind::kFolder) return 0;
  ExtensionList listed;
  product->AddExtensionsFrom(CZorbPath(WithColon(folder)), false, false, &listed, nullptr, 0);
  int result = 0;
  // The deletions of this operation are a transaction of their own.
  CZorbInstallTransaction::Scope scope(m_transaction);
  for (CZorbExtension* entry : listed) {
    if (entry == nullptr) continue;
    CZorbExtension* installed = GetExtensionByName(
        product, CZorbPath(CZorbPath(entry->m_path).GetFileName()), entry->m_version);
    if (installed != nullptr && !installed->m_enabled &&
        EnableExtension(product, installed, kBulkMode) != 0)
      result = -1;
    if (m_transaction.Add(new CInstallDeleteFile(entry->m_path)) != 0) result = -1;
  }
  for (CZorbExtension* entry : listed) delete entry;
  if (result == 0 && m_transaction.Add(new CInstallDeleteFolder(folder)) != 0) result = -1;
  if (result == 0)
    scope.Commit(CZorbInstallTransaction::Order::kLastToFirst);
  else
    scope.Rollback(m_pUI);
  return result;
}

int CZorbPlexar::DisableAllExtensions(const CZorbProduct* product) {
  if (product == nullptr) return -1;
  CString folder;
  product->GetDisabledExtensionsFolder(folder);
  if (folder.GetLength() == 0) return -1;
  const ExtensionList* list = ListOf(product);
  if (list == nullptr) return 0;
  // Disabling changes the list's entries; work from the names.
  struct Named {
    CString path;
    CZorbVersionNumber version;
  };
  std::vector<Named> enabled;
  for (const CZorbExtension* extension : *list)
    if (extension != nullptr && extension->m_enabled)
      enabled.push_back({extension->m_path, extension->m_version});
  int result = 0;
  for (const Named& named : enabled) {
    {
      CZorbInstallTransaction::Scope scope(m_transaction);
      if (!EnsureFolderExists(folder) ||
          m_transaction.Add(new CInstallCopyFile(
              named.path, WithColon(folder) + CZorbPath(named.path).GetFileName(), false, false)) !=
              0) {
        scope.Rollback(m_pUI);
        result = -1;
        continue;
      }
      scope.Commit(CZorbInstallTransaction::Order::kFirstToLast);
    }
    CZorbExtension* installed =
        GetExtensionByName(product, CZorbPath(CZorbPath(named.path).GetFileName()), named.version);
    if (installed != nullptr && DisableExtension(product, installed, false, kBulkMode, true) != 0)
      result = -1;
  }
  return result;
}
