// Extension stores, path files, plug-in file updates, and loading the
// installed extensions.
#include <string>
#include <vector>

#include "config/CZorbPluginConfigFile.h"
#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionPaths.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/os/FileRef.h"
#include "products/CZorbProduct.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

// File kinds of a description's entries.
constexpr int32_t kOrdinaryFile = 1;
constexpr int32_t kServiceBundle = 2;
constexpr int32_t kPlugin = 4;
// Platform codes a file entry installs on here: any, and this one.
constexpr int32_t kAnyPlatform = 0;
constexpr int32_t kThisPlatform = 1;
// The plug-in inclusion setting of an extension that gives none.
constexpr int32_t kPluginSettingUnset = 2;
// Progress of Load: per eligible product, reading the stores takes 10
// steps, and the whole load 20.
constexpr int kLoadProgressPerProduct = 20;
constexpr int kStoreProgressPerProduct = 10;
constexpr int kRefreshProgressPerProduct = 12;
constexpr int kListsProgressPerProduct = 14;

constexpr char16_t kExtensionSpecificStore[] = u"$ExtensionSpecificPXStore";

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

void Log(Logger::Level level, const std::u16string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// path with its extension replaced.
CString WithSuffix(const CString& path, const char16_t* suffix) {
  CZorbPath out = path;
  out.SetExtension(suffix);
  return out;
}

}  // namespace

void CZorbPlexar::getPXStoreFromProductOrPlexo(const CZorbProduct* product, CString& out) {
  out.Empty();
  if (product != nullptr && product->m_pxStorePath.GetLength() > 0)
    out = WithColon(product->m_pxStorePath);
  else if (m_ownProduct != nullptr && m_ownProduct->m_pxStorePath.GetLength() > 0)
    out = WithColon(m_ownProduct->m_pxStorePath);
}

void CZorbPlexar::getPXStoreFromProductOrPlexo(const CZorbProduct* product, CZorbPath& out) {
  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  out = store;
}

bool CZorbPlexar::getPkgFileNameByPkgType(CZorbPath& path, int type) {
  switch (type) {
    case kPackageYxp:
      path.SetExtension(u"yxp");
      return true;
    case kPackageKxp:
      path.SetExtension(u"kxp");
      return true;
    default:
      Log(Logger::kFatal, u"Invalid package type for file: " + Text(path), __LINE__);
      return false;
  }
}

int CZorbPlexar::InsertResourceFileIntoExtensionPathFile(const CZorbExtensionFile* file,
                                                         const CString& descriptionName,
                                                         CZorbExtensionPaths* paths) {
  if (file == nullptr || paths == nullptr) return -1;
  CZorbPath source = file->m_source;
  if (LocalizeSource(source) != 0) {
    Log(Logger::kDebug, u"Failed to localize source: " + Text(file->m_source), __LINE__);
    return -1;
  }
  CZorbPath common;
  if (!CZorbOS::GetCommonAppPath(common)) return -1;
  CString path = WithColon(common) + u"Vesko:Plexar WB5:" + descriptionName + u"_Resources:" +
                 source.GetFileName();
  paths->InsertAbsoluteFilePath(path, kOrdinaryFile);
  return 0;
}

int CZorbPlexar::CreateExtensionPathFile(const CZorbProduct* product,
                                         const CZorbExtension* extension, const CString& pathFile,
                                         CZorbExtensionPaths* pluginPaths, bool write) {
  CZorbExtensionPaths model;
  model.m_path = pathFile;
  if (extension == nullptr) return -1;
  CString locale;
  if (extension->m_multilingual) GetCopyFilePreferredLocale(product, extension, locale, false);
  CZorbVersionNumber version;
  if (product != nullptr) product->GetVersion(version);
  const CString descriptionName = WithSuffix(CZorbPath(pathFile).GetFileName(), u"kxi");

  for (CZorbXmlObject* child : extension->m_files.m_children) {
    const auto* entry = dynamic_cast<const CZorbExtensionFile*>(child);
    if (entry == nullptr) continue;
    if (entry->m_fileType == kServiceBundle) {
      if (entry->m_wbxsId.GetLength() == 0)
        Log(Logger::kDebug, u"wbxs is is empty. source: " + Text(entry->m_source), __LINE__);
      model.InsertWBXSId(entry->m_wbxsId);
      continue;
    }
    if (entry->m_fileType != kOrdinaryFile && entry->m_fileType != kPlugin) continue;
    if (extension->m_multilingual && entry->m_language.GetLength() > 0 && locale.GetLength() > 0 &&
        entry->m_language.Compare(locale) != 0)
      continue;
    if (!version.IsEmpty() && ((!entry->m_minVersion.IsEmpty() && entry->m_minVersion > version) ||
                               (!entry->m_maxVersion.IsEmpty() && entry->m_maxVersion < version)))
      continue;
    if (entry->m_isResourceFile) {
      const int result = InsertResourceFileIntoExtensionPathFile(entry, descriptionName, &model);
      if (result != 0) return result;
      continue;
    }
    if (entry->m_platform != kAnyPlatform && entry->m_platform != kThisPlatform) continue;
    CZorbPath source = entry->m_source;
    CZorbPath destination = entry->m_destination;
    const int result =
        LocalizeFiles(source, destination, product, CZorbPath(), extension, CString(), CString());
    if (result != 0) return result;
    if (entry->m_destination.CompareNoCase(kExtensionSpecificStore) == 0 &&
        !CZorbOS::CopyFile(source, destination))
      Log(Logger::kError, u"Can not copy file to the extension's store: " + Text(destination),
          __LINE__);
    if (entry->m_fileType == kPlugin) {
      CZorbPath plugin;
      getPluginPath(CString(), CString(), destination, destination, plugin);
      if (pluginPaths != nullptr) pluginPaths->InsertAbsoluteFilePath(plugin, kPlugin);
    }
    model.InsertAbsoluteFilePath(destination, entry->m_fileType);
  }
  return write ? model.Save(nullptr) : 0;
}

bool CZorbPlexar::checkAndGenerateKXIPathFile(const CZorbProduct* product,
                                              const CZorbExtension* extension,
                                              const CZorbPath& pathFile,
                                              CZorbExtensionPaths* pluginPaths) {
  bool withFiles = product != nullptr && extension != nullptr && product->m_showInstalledFiles &&
                   extension->m_showFiles;
  bool ok = true;
  if (KindOf(pathFile) == Kind::kFolder &&
      !CZorbOS::DeleteDirectoryWithoutRollback(WithoutColon(pathFile), false)) {
    withFiles = false;
    ok = false;
  }
  if (CreateExtensionPathFile(product, extension, pathFile, pluginPaths, withFiles) != 0) {
    Log(Logger::kError, u"Failed to create extension path file: " + Text(pathFile), __LINE__);
    if (KindOf(pathFile) == Kind::kFile) (void)CZorbOS::DeleteFile(pathFile, true);
    if (withFiles) return false;
  }
  return ok;
}

bool CZorbPlexar::updatePluginFile(const CZorbExtension* extension, const CZorbProduct* product,
                                   const CZorbExtensionPaths& paths, bool enable) {
  if (extension == nullptr || product == nullptr) return true;
  if (product->m_pluginConfigFile.GetLength() == 0 ||
      extension->m_pluginManagerType == kPluginSettingUnset)
    return true;
  CZorbPluginConfigFile file;
  // A file that cannot be read is not replaced: the save refuses it.
  (void)file.load(product->m_pluginConfigFile);
  for (const auto& [path, unused] : paths.m_pluginFiles) {
    bool ok;
    if (!enable)
      ok = file.updateFilePathToExcludeList(path);
    else if (extension->m_pluginManagerType != 0)
      ok = file.updateFilePathToIncludeList(path);
    else
      ok = file.removeFilePathInExcludeList(path);
    if (!ok) return false;
  }
  return file.save();
}

void CZorbPlexar::copyFromProductHelper(const CZorbProduct* product, CZorbExtension* extension) {
  if (product == nullptr || extension == nullptr) return;
  CString reason;
  if (product->IsExtensionObsolete(extension, reason)) return;
  const CString description = extension->m_path;
  if (KindOf(description) != Kind::kFile) return;

  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  const CString name = CZorbPath(description).GetFileName();
  const CString storeFile = store + name;

  CString extensions;
  product->GetExtensionsFolder(extensions);
  CZorbPath package = WithColon(extensions) + u"Disabled:" + name;
  const int found = findExistYxpOrKxpPackage(package);
  if (found != kFoundYxp && found != kFoundKxp) {
    Log(Logger::kError,
        u"discard migration because of incorrect package file number. Kxi File: " +
            Text(description) +
            (found == kFoundBoth ? u" Two package files" : u" Zero package file."),
        __LINE__);
    return;
  }
  const int type = found == kFoundYxp ? kPackageYxp : kPackageKxp;
  CZorbPath storePackage = storeFile;
  (void)getPkgFileNameByPkgType(storePackage, type);
  if (!CZorbOS::CopyFile(package, storePackage)) return;

  // Whatever of the entry was written goes again.
  auto undo = [&storeFile] {
    for (const char16_t* suffix : {u"kxi", u"kxp", u"yxp", u"kxi_brio", u"kxi_path"}) {
      const CString file = WithSuffix(storeFile, suffix);
      if (KindOf(file) == Kind::kFile) (void)CZorbOS::DeleteFile(file, true);
    }
  };
  CZorbDateTime stamp;
  if (!CZorbOS::GetFileDateTime(description, stamp)) {
    Log(Logger::kError, u"Can't get time stamp for kxi file: " + Text(description), __LINE__);
    undo();
    return;
  }
  const bool oldMark = extension->m_writePackageType;
  extension->m_writePackageType = true;
  extension->m_packageType = type;
  // Written to a sibling and renamed over the description: a failure leaves
  // the description as it was.
  const int saved = extension->Save(nullptr);
  extension->m_writePackageType = oldMark;
  if (saved != 0) {
    undo();
    return;
  }
  (void)CZorbOS::SetFileDateTime(description, stamp);

  const CString storeDescription = WithSuffix(storeFile, u"kxi");
  const CString brio = WithSuffix(storeFile, u"kxi_brio");
  if (!CZorbOS::CopyFile(description, storeDescription)) {
    undo();
    return;
  }
  extension->m_writePackageType = true;
  const int brioSaved = extension->SaveWithoutConfigChangeSection(brio);
  extension->m_writePackageType = oldMark;
  if (brioSaved != 0 || !CZorbOS::SetFileDateTime(brio, stamp)) {
    undo();
    return;
  }
  if (product->m_showInstalledFiles && extension->m_showFiles) {
    const CString pathFile = WithSuffix(storeFile, u"kxi_path");
    if (KindOf(pathFile) == Kind::kFolder)
      (void)CZorbOS::DeleteDirectoryWithoutRollback(pathFile, true);
    if (CreateExtensionPathFile(product, extension, pathFile, nullptr, true) != 0) {
      Log(Logger::kError, u"Failed to create extension path file: " + Text(pathFile), __LINE__);
      if (KindOf(pathFile) == Kind::kFile) (void)CZorbOS::DeleteFile(pathFile, true);
    }
  }
}

namespace {

void DeleteList(CZorbPlexar::ExtensionList* list) {
  if (list == nullptr) return;
  for (CZorbExtension* extension : *list) delete extension;
  delete list;
}

// A multilingual description and its copy without changes are written
// again, so their texts follow the resource bundle; their stamps stay.
void RefreshMultilingual(CZorbExtension& extension) {
  const CString description = extension.m_path;
  const CString brio = WithSuffix(description, u"kxi_brio");
  CZorbDateTime descriptionStamp, brioStamp;
  for (const CString* path : {&description, &brio}) {
    CZorbDateTime& stamp = path == &description ? descriptionStamp : brioStamp;
    if (!CZorbOS::GetFileDateTime(*path, stamp)) {
      Log(Logger::kDebug, u"Can not get date time stamp of file : " + Text(*path), __LINE__);
      return;
    }
  }
  const bool oldMark = extension.m_writePackageType;
  extension.m_writePackageType = true;
  // Both are written to a sibling and renamed over the file: a failure
  // leaves the file as it was.
  int result = extension.Save(nullptr);
  if (result != 0) {
    Log(Logger::kDebug, u"Can not save KXI file : " + Text(description), __LINE__);
  } else {
    result = extension.SaveWithoutConfigChangeSection(brio);
    if (result != 0) Log(Logger::kDebug, u"Can not save KXI file : " + Text(brio), __LINE__);
  }
  extension.m_writePackageType = oldMark;
  if (result != 0) return;
  (void)CZorbOS::SetFileDateTime(description, descriptionStamp);
  (void)CZorbOS::SetFileDateTime(brio, brioStamp);
}

}  // namespace

int CZorbPlexar::Load() {
  // Each file entry of each description asks whether its source is a
  // folder; in a store of many extensions a missing name would otherwise
  // list the whole store once per entry.
  platform::NameLookupScope lookups;
  // Loading again starts afresh; the lists of an earlier load would be
  // held twice.
  ClearLists();
  ExtensionList* list =
      m_ownProduct != nullptr ? m_ownProduct->GetExtensionsFromConfigurationFolders() : nullptr;

  std::vector<CZorbProduct*> eligible;
  for (CZorbProduct* product : m_products)
    if (product != nullptr && product->IsAKInitializeSuccess() && product->IsInstalled() &&
        product->canBeSupportedByCurPlexo())
      eligible.push_back(product);
  const int count = static_cast<int>(eligible.size());
  // A command-line run shows no progress.
  CZorbPlexarUI* ui = g_isInSuppressMode ? nullptr : m_pUI;
  if (count > 0 && ui != nullptr) {
    ui->SetProgressCount(kLoadProgressPerProduct * count);
    ui->UpdateProgress(0);
  }

  // A store folder shared by consecutive products is read once.
  CString previousStore;
  for (int i = 0; i < count; ++i) {
    CZorbProduct* product = eligible[static_cast<size_t>(i)];
    CZorbPath store;
    getPXStoreFromProductOrPlexo(product, store);
    product->deleteUnnecessaryKxiFileFromFlagFolder(store);
    if (product->m_pxStorePath.Compare(previousStore) != 0) {
      // An empty list would be freed by the product behind our back.
      if (list != nullptr && list->empty()) {
        DeleteList(list);
        list = nullptr;
      }
      ExtensionList* appended = product->AppendExtensionsFromOtherProductSpecPxStoreFolder(
          list, ui, kStoreProgressPerProduct * i);
      // Null leaves a given list as it was.
      if (appended != nullptr) list = appended;
    }
    previousStore = product->m_pxStorePath;
    if (ui != nullptr) ui->UpdateProgress(kStoreProgressPerProduct * (i + 1));
  }
  if (list == nullptr) return 0;

  m_extensionLists[m_ownProduct] = list;
  for (CZorbExtension* extension : *list)
    if (extension != nullptr && extension->m_multilingual) RefreshMultilingual(*extension);
  if (ui != nullptr) ui->UpdateProgress(kRefreshProgressPerProduct * count);

  for (CZorbProduct* product : m_products) {
    // The program's own entry holds the store list the others read.
    if (product == nullptr || product == m_ownProduct) continue;
    // Which product an extension belongs to is asked of the UI also in a
    // command-line run: without it no product would hold any.
    ExtensionList* own = product->GetExtensionsFromPXStore(m_pUI, list);
    if (own == nullptr) continue;
    ProcessEnableAllExtensionsForPXStart(product, own);
    ExtensionList*& slot = m_extensionLists[product];
    if (slot != own) DeleteList(slot);
    slot = own;
  }
  if (ui != nullptr) ui->UpdateProgress(kListsProgressPerProduct * count);
  return 0;
}

int CZorbPlexar::CreatePXStore() {
  for (CZorbProduct* product : m_products) {
    if (product == nullptr) continue;
    if (m_pUI != nullptr) m_pUI->ShowProgress(Message(kMsgBuildingStore), u"", false);
    ExtensionList* found = product->GetExtensionsFromConfigurationFolders();
    if (found != nullptr && !found->empty()) {
      if (m_pUI != nullptr) {
        m_pUI->SetProgressCount(static_cast<int>(found->size()));
        m_pUI->UpdateProgress(0);
      }
      int done = 0;
      for (CZorbExtension* extension : *found) {
        if (m_pUI != nullptr) m_pUI->UpdateProgress(++done);
        copyFromProductHelper(product, extension);
      }
    }
    DeleteList(found);
    if (m_pUI != nullptr) m_pUI->HideProgress();
  }
  return 0;
}
