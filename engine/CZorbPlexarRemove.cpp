// The uninstall operation: removing an extension from a product, or
// disabling it there, as one transaction of install steps.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionPaths.h"
#include "foundation/CFile.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/widechar/WideChar.h"
#include "products/CZorbProduct.h"
#include "transaction/CInstallCopyFile.h"
#include "transaction/CInstallDeleteDirectory.h"
#include "transaction/CInstallDeleteFile.h"
#include "transaction/CInstallDeleteFolder.h"
#include "transaction/CZorbExtensionInstallStep.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

constexpr int32_t kNoFile = 0;
constexpr int32_t kInvalidFile = -1;
constexpr int32_t kServiceBundle = 2;
constexpr int32_t kPlugin = 4;
constexpr int32_t kAnyPlatform = 0;
constexpr int32_t kThisPlatform = 1;
constexpr int32_t kPluginSettingUnset = 2;
constexpr int32_t kPluginCurrentUser = 0;

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

void Log(Logger::Level level, const std::u16string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// The key under which paths are compared, ignoring case as the volumes do.
std::u16string Folded(const CString& path) {
  CString key = WithoutColon(path);
  key.MakeLower();
  return Text(key);
}

bool ContainsNoCase(const CString& text, const char16_t* part) {
  CString haystack = text;
  CString needle = part;
  haystack.MakeLower();
  needle.MakeLower();
  return haystack.Find(needle.Get()) >= 0;
}

CString WithSuffix(const CString& path, const char16_t* suffix) {
  CZorbPath out = path;
  out.SetExtension(suffix);
  return out;
}

// Whether the product's version admits the entry; an empty version admits
// everything.
bool InVersion(const CZorbExtensionFile& entry, const CZorbVersionNumber& version) {
  if (version.IsEmpty()) return true;
  if (!entry.m_minVersion.IsEmpty() && entry.m_minVersion > version) return false;
  if (!entry.m_maxVersion.IsEmpty() && entry.m_maxVersion < version) return false;
  return true;
}

// The skip rules every walk over the installed entries shares.
bool InstallsHere(const CZorbExtensionFile& entry, const CZorbVersionNumber& version) {
  if (entry.m_fileType == kNoFile || entry.m_fileType == kInvalidFile) return false;
  if (entry.m_platform != kAnyPlatform && entry.m_platform != kThisPlatform) return false;
  return InVersion(entry, version);
}

void ReadVersion(const CZorbProduct* product, CZorbVersionNumber& version) {
  product->GetVersion(version);
  if (!version.IsEmpty()) return;
  CString name;
  product->GetName(name);
  Log(Logger::kInfo, u"Product " + Text(name) + u" version is empty", __LINE__);
}

// Keeps a copy of a file that is about to be rewritten in place: Undo puts
// the copy back, Release drops it.
class SavedFileStep : public CZorbExtensionInstallStep {
 public:
  explicit SavedFileStep(const CString& file) : m_file(file) {}
  int Do() override {
    if (m_backup.GetLength() > 0) return 0;
    return BackUpFile(u"plg", m_file, m_backup) ? 0 : -1;
  }
  int Undo() override {
    if (m_backup.GetLength() == 0) return 0;
    return RestoreFile(m_backup, m_file) ? 0 : -1;
  }
  void Release() override {
    if (m_backup.GetLength() > 0) DiscardFile(m_backup);
    m_backup.Empty();
  }
  bool GetRestoreInfo(CString& item, CString& backup) const override {
    if (m_backup.GetLength() == 0) return false;
    item = m_file;
    backup = m_backup;
    return true;
  }

 private:
  CString m_file;
  CString m_backup;
};

}  // namespace

// The state of one uninstall.
struct CZorbPlexar::UninstallRun {
  const CZorbProduct* product = nullptr;
  CZorbExtension* extension = nullptr;
  bool remove = false;
  bool showProgress = false;
  bool deleteBundles = false;
  int progress = 1;
  CZorbExtensionPaths paths;
  std::set<std::pair<std::u16string, std::u16string>> folderKeys;
  std::set<std::u16string> bundles;
  // What the install recorded. Without a record only files that equal the
  // kept package's copies count as the extension's, and only folders the
  // package holds.
  bool recorded = false;
  bool packageTried = false;
  // The kept package unpacked (a colon path ending in ":"); empty when
  // there is none.
  CString packageFolder;
  CString packageTemp;
  // Folded path to the path as recorded, in order, so that what lies
  // below a folder is one range.
  std::map<std::u16string, CString> writtenFiles;
  std::map<std::u16string, CString> createdFolders;
  // Host files the install replaced (folded path) and their kept copies.
  std::map<std::u16string, CString> replaced;
  // The store copies stay for other products.
  bool storeKept = false;
  bool storeEmptied = false;
  CString tempFolder;
};

int CZorbPlexar::UninstallExtension(const CZorbProduct* product, CZorbExtension* extension,
                                    bool refreshHost, bool quiet, bool ownTransaction, bool remove,
                                    bool deleteStoreCopies, int& restartNeeded, bool showProgress,
                                    int mode, bool notifyHost, bool /*unused*/) {
  restartNeeded = 0;
  if (m_pUI == nullptr || product == nullptr || extension == nullptr) return -1;
  if (!quiet) CZorbProduct::m_backedUpFiles.clear();
  // Files in folders the person chose at its install are found again.
  const RecordedFolders trusted(*this, product, extension);

  // A nested removal leaves the steps to the operation that owns them.
  std::optional<CZorbInstallTransaction::Scope> scope;
  if (ownTransaction) scope.emplace(m_transaction);
  m_referenceCache = ReferenceCache{};

  UninstallRun run;
  run.product = product;
  run.extension = extension;
  run.remove = remove;
  run.showProgress = showProgress;
  const bool enabledHere = extension->m_enabled;
  CString name;
  extension->GetName(name);
  bool relaunch = false;
  bool waitCursor = false;

  auto fail = [&](const CString& message) {
    if (message.GetLength() > 0) ShowError(message);
    if (waitCursor) m_pUI->HideWaitCursor();
    if (showProgress) m_pUI->HideProgress();
    if (scope) scope->Rollback(m_pUI);
    m_referenceCache = ReferenceCache{};
    if (run.tempFolder.GetLength() > 0)
      (void)CZorbOS::DeleteDirectoryWithoutRollback(WithoutColon(run.tempFolder), true);
    if (run.packageTemp.GetLength() > 0)
      (void)CZorbOS::DeleteDirectoryWithoutRollback(WithoutColon(run.packageTemp), true);
    m_responseCode = remove ? u"2" : u"4";
    return -1;
  };

  if (remove && !enabledHere) {
    if (CountEnabledProducts(extension) > 0) return fail(Message(kMsgEnabledElsewhere));
    // Nothing of it runs anywhere: no host is told.
    notifyHost = false;
  }

  m_pUI->ShowWaitCursor();
  waitCursor = true;

  if (extension->m_locked)
    return fail(Message(remove ? kMsgLockedNoRemove : kMsgLockedNoDisable, name));

  if (showProgress) {
    if (remove)
      m_pUI->ShowProgress(Message(kMsgRemoving), u"", false);
    else
      m_pUI->ShowProgress(Message(kMsgDisabling), name, false);
    m_pUI->SetProgressCount(static_cast<int>(extension->m_files.m_children.size()) + 1);
    m_pUI->UpdateProgress(1);
  }

  if (extension->m_forceQuit && HelpShutDownPointProduct(product, relaunch, mode) != 0)
    return fail(CString());

  const_cast<CZorbProduct*>(product)->MassageExtension(extension);

  if (enabledHere && (extension->m_fileTypes & kServiceBundle) != 0 &&
      CountEnabledProducts(extension) == 1) {
    run.deleteBundles = true;
    if (m_serviceFrameworkFolder.GetLength() == 0) return fail(Message(kMsgNoServiceFolder));
  }

  if (enabledHere && UninstallFiles(run) != 0) return fail(CString());
  // The record of what the install wrote here goes with the files (or, for
  // a disabled extension, with its store copies).
  if (enabledHere || deleteStoreCopies) {
    const CString record = InstallRecordPath(product, extension);
    // A disable keeps what a later enable and removal need: the folders the
    // person chose and the host files kept aside.
    InstalledItems kept;
    if (!deleteStoreCopies && ReadInstallRecord(record, kept) &&
        (!kept.m_chosenFolders.empty() || !kept.m_replaced.empty())) {
      InstalledItems reduced;
      reduced.m_chosenFolders = kept.m_chosenFolders;
      reduced.m_replaced = kept.m_replaced;
      if (WriteInstallRecord(record, reduced) != 0) return fail(CString());
    } else if (KindOf(record) == Kind::kFile &&
               m_transaction.Add(new CInstallDeleteFile(record)) != 0) {
      return fail(CString());
    }
  }

  m_pUI->HideWaitCursor();
  waitCursor = false;

  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  const CString descriptionName = CZorbPath(extension->m_path).GetFileName();

  if (remove && NeedCreateExtensionPathFile(product, extension)) {
    const CString pathFile = WithSuffix(store + descriptionName, u"kxi_path");
    const Kind kind = KindOf(pathFile);
    // A folder in the path file's place goes too, and comes back on undo.
    if (kind == Kind::kFolder) {
      if (m_transaction.Add(new CInstallDeleteDirectory(pathFile)) != 0)
        Log(Logger::kDebug, u"Failed to delete folder " + Text(pathFile), __LINE__);
    } else if (kind == Kind::kFile) {
      if (m_transaction.Add(new CInstallDeleteFile(pathFile)) != 0)
        Log(Logger::kDebug, u"Failed to delete file " + Text(pathFile), __LINE__);
    }
  }

  // The product's copy of the description.
  CString extensionsFolder;
  product->GetExtensionsFolder(extensionsFolder);
  const CString productCopy = WithColon(extensionsFolder) + descriptionName;
  if (product->m_pluginConfigFile.GetLength() > 0 &&
      extension->m_pluginManagerType == kPluginCurrentUser && !remove) {
    if (createKXIForEnableALLForUninstall(product, extension, run.tempFolder) != 0)
      return fail(CString());
    auto* step =
        new CInstallCopyFile(WithColon(run.tempFolder) + descriptionName, productCopy, false, true);
    m_transaction.GetSteps().push_back(step);
    if (!handleFileOperationWithCheckingFileOccupied(step, productCopy)) return fail(CString());
  } else if (KindOf(productCopy) == Kind::kFile) {
    auto* step = new CInstallDeleteFile(productCopy);
    m_transaction.GetSteps().push_back(step);
    if (!handleFileOperationWithCheckingFileOccupied(step, productCopy)) return fail(CString());
  }

  if (deleteStoreCopies && UninstallStoreCopies(run) != 0) return fail(CString());

  if (enabledHere) {
    const CZorbPlexarUI::OperationType operation =
        remove ? CZorbPlexarUI::kUninstall : CZorbPlexarUI::kDisable;
    m_pUI->ShowWaitCursor();
    CString error;
    int32_t result = 0;
    auto* mutableProduct = const_cast<CZorbProduct*>(product);
    if (!extension->m_configChanges.empty())
      result = mutableProduct->ProcessConfigChanges(&m_transaction.GetSteps(), m_pUI, extension,
                                                    error, operation);
    if (result == 0 && !extension->m_helpChanges.empty())
      result = mutableProduct->ProcessHelpChanges(&m_transaction.GetSteps(), m_pUI, extension,
                                                  error, operation);
    m_pUI->HideWaitCursor();
    if (result != 0) return fail(CString());
  }

  restartNeeded = 0;
  if (product->IsRunning()) {
    if (!extension->m_requiresRestart && !product->RequiresRestart(extension, false)) {
      if (refreshHost) const_cast<CZorbProduct*>(product)->Refresh();
    } else {
      restartNeeded = 1;
      if (!quiet) {
        CString display;
        product->GetDisplayName(display);
        CString format, text;
        if (format.LoadString(kMsgRemoveRestart))
          text.Format(platform::RuntimeFormat(format.Get()), name, display);
        m_pUI->MessageBox(text, CZorbPlexarUI::kNotice, false);
      }
    }
  }

  // The list entry may be deleted below; the notice and the plug-in file
  // work from a copy.
  const CZorbExtension copy(*extension);
  if (!BackUpPluginFile(product) || !updatePluginFile(&copy, product, run.paths, false))
    return fail(Message(kMsgRemovePluginFile) + u" " +
                Message(remove ? kMsgNotRemoved : kMsgNotDisabled));

  if (remove) {
    if (run.storeEmptied)
      RemoveExtensionFromAllProducts(extension);
    else if (run.storeKept)
      extension->m_enabled = false;
  }
  if (scope) scope->Commit(CZorbInstallTransaction::Order::kLastToFirst);
  m_referenceCache = ReferenceCache{};

  m_responseCode = u"0";
  if (notifyHost && product->m_needOperationNotification) {
    CString notice;
    populateNotificationByExtensionAndProduct(&copy, kNotifyDisable, notice);
    SendAKMessageToProduct(product, notice);
  }
  if (relaunch) launchPointProduct(product);
  if (run.tempFolder.GetLength() > 0)
    (void)CZorbOS::DeleteDirectoryWithoutRollback(WithoutColon(run.tempFolder), true);
  if (run.packageTemp.GetLength() > 0)
    (void)CZorbOS::DeleteDirectoryWithoutRollback(WithoutColon(run.packageTemp), true);
  return 0;
}

int CZorbPlexar::UninstallFiles(UninstallRun& run) {
  const CZorbProduct* product = run.product;
  CZorbExtension* extension = run.extension;
  CZorbVersionNumber version;
  ReadVersion(product, version);

  InstalledItems record;
  if (ReadInstallRecord(InstallRecordPath(product, extension), record)) {
    run.recorded = true;
    for (const CString& file : record.m_files) run.writtenFiles.emplace(Folded(file), file);
    for (const CString& folder : record.m_folders)
      run.createdFolders.emplace(Folded(folder), folder);
    const CString kept = ReplacedFilesFolder(product, extension);
    for (const InstalledItems::Replaced& file : record.m_replaced)
      run.replaced.emplace(Folded(file.m_path), WithColon(kept) + file.m_saved);
  }
  // Plug-ins stay on disk where the host's plug-in file switches them off.
  const bool mayDelete = extension->m_pluginManagerType == kPluginSettingUnset ||
                         product->m_pluginConfigFile.GetLength() == 0;

  for (CZorbXmlObject* child : extension->m_files.m_children) {
    const auto* entry = dynamic_cast<const CZorbExtensionFile*>(child);
    if (entry == nullptr) continue;
    if (run.showProgress) m_pUI->UpdateProgress(++run.progress);
    if (entry->m_isResourceFile || !InstallsHere(*entry, version)) continue;

    if (entry->m_fileType == kServiceBundle) {
      if (!run.deleteBundles) continue;
      const CString key = entry->m_folder.GetLength() > 0 ? entry->m_folder : entry->m_source;
      if (entry->m_folder.GetLength() > 0 && run.bundles.count(Text(entry->m_folder)) > 0) continue;
      if (entry->m_wbxsId.GetLength() == 0) {
        Log(Logger::kFatal, u"wbxs id is empty for file: " + Text(key), __LINE__);
        continue;
      }
      run.bundles.insert(Text(key));
      if (!IsPlainBundleId(entry->m_wbxsId)) {
        Log(Logger::kError, u"wbxs id is no folder name for file: " + Text(key), __LINE__);
        continue;
      }
      if (!mayDelete) continue;
      const CString bundle = WithColon(m_serviceFrameworkFolder) + entry->m_wbxsId;
      // Another extension placed the same bundle: deleting it would break
      // that one. What this install made there becomes the other's to remove.
      const CZorbProduct* userProduct = nullptr;
      if (const CZorbExtension* user = FindBundleUser(extension, entry->m_wbxsId, userProduct)) {
        CString userName;
        user->GetName(userName);
        Log(Logger::kInfo,
            u"wbxs " + Text(entry->m_wbxsId) + u" is kept: still used by " + Text(userName),
            __LINE__);
        if (run.recorded && HandOverBundle(run, bundle, userProduct, user) != 0) return -1;
        continue;
      }
      // A bundle the install kept as it stood is not the extension's.
      if ((!run.recorded || run.createdFolders.count(Folded(bundle)) > 0) &&
          DeleteDirectoryHelper(bundle) != 0)
        return -1;
      // The bundle folder and the folders above it that the install made.
      for (CString folder = WithoutColon(m_serviceFrameworkFolder);
           run.createdFolders.count(Folded(folder)) > 0 && KindOf(folder) == Kind::kFolder &&
           CZorbOS::IsDirectoryEmpty(folder);
           folder = WithoutColon(FolderOf(folder)))
        if (m_transaction.Add(new CInstallDeleteFolder(folder)) != 0) return -1;
      continue;
    }

    if (ContainsNoCase(entry->m_destination, u"$ExtensionSpecificPXStore")) continue;
    CZorbPath source = entry->m_source;
    CZorbPath destination = entry->m_destination;
    if (LocalizeFiles(source, destination, product, CZorbPath(), extension, CString(), CString()) !=
        0)
      continue;
    if (entry->m_fileType == kPlugin) {
      CZorbPath plugin;
      getPluginPath(CString(), CString(), destination, destination, plugin);
      run.paths.InsertAbsoluteFilePath(plugin, entry->m_fileType);
    } else {
      run.paths.InsertAbsoluteFilePath(destination, entry->m_fileType);
    }
    if (!ItemExists(destination) || entry->m_systemFile ||
        ContainsNoCase(entry->m_destination, u"$fonts"))
      continue;
    if (entry->m_shared != 0 && IsFileReferenced(product, destination, extension)) continue;

    if (entry->m_folder.GetLength() > 0) {
      // The folder of the entry's file, cut back to the folder the
      // description names.
      CString top = WithoutColon(FolderOf(destination));
      handleOrignalDestination(entry->m_source, entry->m_folder, top);
      CString full, unusedFull;
      getFullFolderPath(entry->m_folder, entry->m_folder, top, top, full, unusedFull);
      const auto key = std::make_pair(Text(entry->m_folder), Folded(full));
      if (!run.folderKeys.insert(key).second) continue;
      if (!mayDelete) continue;
      if (!run.recorded) {
        CString packaged;
        if (!PackageCopyOf(run, entry->m_folder, packaged)) {
          Log(Logger::kInfo, u"No record and no kept copy: left in place " + Text(full), __LINE__);
          continue;
        }
        if (UninstallUnrecordedTree(run, packaged, full) != 0) return -1;
      } else {
        // Only the files the install wrote, then the folders it made once
        // they are empty, deepest first.
        const std::u16string root = Folded(full);
        const std::u16string below = root + u":";
        auto inside = [&below](const std::u16string& folded) {
          return folded.compare(0, below.size(), below) == 0;
        };
        for (auto it = run.writtenFiles.lower_bound(below);
             it != run.writtenFiles.end() && inside(it->first); ++it) {
          const CString& file = it->second;
          if (KindOf(file) != Kind::kFile) continue;
          auto* step = new CInstallDeleteFile(file);
          m_transaction.GetSteps().push_back(step);
          if (!handleFileOperationWithCheckingFileOccupied(step, file)) return -1;
          if (!RestoreReplacedHostFile(run, file)) return -1;
        }
        std::vector<CString> folders;
        if (auto made = run.createdFolders.find(root); made != run.createdFolders.end())
          folders.push_back(WithoutColon(made->second));
        for (auto it = run.createdFolders.lower_bound(below);
             it != run.createdFolders.end() && inside(it->first); ++it)
          folders.push_back(WithoutColon(it->second));
        std::sort(folders.begin(), folders.end(),
                  [](const CString& a, const CString& b) { return a.GetLength() > b.GetLength(); });
        for (const CString& folder : folders)
          if (KindOf(folder) == Kind::kFolder && CZorbOS::IsDirectoryEmpty(folder) &&
              m_transaction.Add(new CInstallDeleteFolder(folder)) != 0)
            return -1;
      }
      if (!CleanUpAfterDeletion(run, FolderOf(WithoutColon(full)))) return -1;
      continue;
    }

    if (!mayDelete) continue;
    // A host file the install left in place is the host's.
    if (run.recorded && run.writtenFiles.count(Folded(destination)) == 0) continue;
    if (!run.recorded) {
      CString packaged;
      if (!PackageCopyOf(run, entry->m_source, packaged) || !SameFileBytes(destination, packaged)) {
        Log(Logger::kInfo, u"Not the kept package's bytes: left in place " + Text(destination),
            __LINE__);
        continue;
      }
    }
    auto* step = new CInstallDeleteFile(destination);
    m_transaction.GetSteps().push_back(step);
    while (step->Do() != 0) {
      if (!CZorbOS::CanWriteToDirectory(FolderOf(destination))) {
        ShowError(Message(kMsgFolderReadOnly));
        return -1;
      }
      if (HelpUserFreeFile(destination, false) != CZorbPlexarUI::kAnswerRetry) return -1;
    }
    if (!RestoreReplacedHostFile(run, destination)) return -1;
    if (!CleanUpAfterDeletion(run, FolderOf(destination))) return -1;
  }
  return 0;
}

bool CZorbPlexar::RestoreReplacedHostFile(UninstallRun& run, const CString& path) {
  const auto kept = run.replaced.find(Folded(path));
  if (kept == run.replaced.end()) return true;
  if (KindOf(kept->second) != Kind::kFile) {
    Log(Logger::kError, u"The host's copy of " + Text(path) + u" is missing", __LINE__);
    return true;
  }
  if (m_transaction.Add(new CInstallCopyFile(kept->second.Get(), path.Get(), false, false)) != 0 ||
      !MatchPermissions(kept->second, path)) {
    ShowError(Message(kMsgFileNotRestored, path));
    return false;
  }
  return true;
}

bool CZorbPlexar::PackageCopyOf(UninstallRun& run, const CString& source, CString& copy) {
  if (!run.packageTried) {
    run.packageTried = true;
    CString store;
    getPXStoreFromProductOrPlexo(run.product, store);
    CZorbPath package = store + CZorbPath(run.extension->m_path).GetFileName();
    int type = 0;
    if (getPkgFileNameByPkgType(package, run.extension->m_packageType) &&
        KindOf(package) == Kind::kFile && CreateTemporaryFolder(u"UNR", run.packageTemp) == 0) {
      if (UnpackFile(package, run.packageTemp, type))
        run.packageFolder = WithColon(run.packageTemp);
      else
        run.packageTemp.Empty();  // the unpack removed it
    }
  }
  if (run.packageFolder.GetLength() == 0) return false;
  const CString savedRoot = m_sourceRoot;
  m_sourceRoot = run.packageFolder;
  CZorbPath path(source);
  const bool inside = LocalizeSource(path) == 0;
  m_sourceRoot = savedRoot;
  if (!inside || !ItemExists(path)) return false;
  copy = path;
  return true;
}

bool CZorbPlexar::SameFileBytes(const CString& a, const CString& b) {
  if (KindOf(a) != Kind::kFile || KindOf(b) != Kind::kFile) return false;
  if (CZorbOS::GetFileSize(a) != CZorbOS::GetFileSize(b)) return false;
  CFile first, second;
  if (!first.Open(a, 0) || !second.Open(b, 0)) return false;
  std::vector<char> x(1 << 16), y(1 << 16);
  for (;;) {
    const unsigned int got = first.Read(x.data(), static_cast<unsigned int>(x.size()));
    const unsigned int other = second.Read(y.data(), static_cast<unsigned int>(y.size()));
    if (got != other || std::memcmp(x.data(), y.data(), got) != 0) return false;
    if (got < x.size()) return true;
  }
}

int CZorbPlexar::UninstallUnrecordedTree(UninstallRun& run, const CString& packaged,
                                         const CString& full) {
  // Files first, then each folder of the package's tree once it is empty,
  // deepest first; the host's own files keep theirs.
  std::vector<std::pair<CString, CString>> files;
  std::vector<CString> folders;
  std::vector<std::pair<CString, CString>> pending{{WithoutColon(packaged), WithoutColon(full)}};
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    folders.push_back(to);
    CZorbFileFinder finder;
    for (bool found = finder.FindFirst(WithColon(from) + u"*.*"); found;
         found = finder.FindNext()) {
      const CString name = finder.GetFileName();
      if (finder.IsFolder())
        pending.emplace_back(WithColon(from) + name, WithColon(to) + name);
      else
        files.emplace_back(WithColon(from) + name, WithColon(to) + name);
    }
  }
  for (const auto& [copy, file] : files) {
    if (!SameFileBytes(file, copy)) continue;
    auto* step = new CInstallDeleteFile(file);
    m_transaction.GetSteps().push_back(step);
    if (!handleFileOperationWithCheckingFileOccupied(step, file)) return -1;
  }
  std::sort(folders.begin(), folders.end(),
            [](const CString& a, const CString& b) { return a.GetLength() > b.GetLength(); });
  for (const CString& folder : folders) {
    if (KindOf(folder) != Kind::kFolder || !CZorbOS::IsDirectoryEmpty(folder)) continue;
    if (m_transaction.Add(new CInstallDeleteFolder(folder)) != 0) return -1;
    run.createdFolders.emplace(Folded(folder), folder);
  }
  return 0;
}

bool CZorbPlexar::CleanUpAfterDeletion(UninstallRun& run, const CString& start) {
  CString folder = WithoutColon(start);
  const CZorbProduct* owner = nullptr;
  for (const CZorbProduct* product : m_products)
    if (product != nullptr && product->BelongsTo(WithColon(folder))) {
      owner = product;
      break;
    }
  if (owner == nullptr) return true;
  // With a record, only a folder the install made goes; the host's own
  // folders, and what the host keeps in them, stay.
  auto madeByInstall = [&run](const CString& path) {
    return run.createdFolders.count(Folded(path)) > 0;
  };
  if (run.remove && owner->CanDelete(WithColon(folder)) && madeByInstall(folder)) {
    CZorbTypedList<CZorbString> transient;
    owner->GetTransientFolders(transient);
    bool sawListed = false;
    if (!transient.empty() &&
        CZorbOS::IsDirectoryEmptyExceptFor(WithColon(folder), transient, sawListed) && sawListed) {
      CZorbTypedList<CZorbString> extensions, exceptions;
      owner->GetTransientFileExtensions(extensions);
      owner->GetTransientFileExceptions(exceptions);
      for (const CZorbString& name : transient) {
        const CString sub = WithColon(folder) + CString(name);
        if (KindOf(sub) != Kind::kFolder) continue;
        if (DeleteFolderContents(sub, extensions, exceptions) &&
            m_transaction.Add(new CInstallDeleteFolder(sub)) != 0)
          return false;
      }
    }
  }
  while (folder.GetLength() > 0 && owner->CanDelete(WithColon(folder)) && madeByInstall(folder) &&
         KindOf(folder) == Kind::kFolder && CZorbOS::IsDirectoryEmpty(folder)) {
    if (m_transaction.Add(new CInstallDeleteFolder(folder)) != 0) return false;
    folder = WithoutColon(FolderOf(folder));
  }
  return true;
}

int CZorbPlexar::UninstallStoreCopies(UninstallRun& run) {
  const CZorbProduct* product = run.product;
  CZorbExtension* extension = run.extension;
  const CString descriptionName = CZorbPath(extension->m_path).GetFileName();
  auto deleteStep = [this](const CString& path) {
    auto* step = new CInstallDeleteFile(path);
    m_transaction.GetSteps().push_back(step);
    return handleFileOperationWithCheckingFileOccupied(step, path);
  };

  CString extensionsFolder;
  product->GetExtensionsFolder(extensionsFolder);
  const CString disabledCopy = WithColon(extensionsFolder) + u"Disabled:" + descriptionName;
  if (KindOf(disabledCopy) == Kind::kFile && !deleteStep(disabledCopy)) return -1;
  CZorbPath disabledPackage = disabledCopy;
  if (!getPkgFileNameByPkgType(disabledPackage, extension->m_packageType))
    Log(Logger::kDebug, u"Unknow package type for file: " + Text(disabledCopy), __LINE__);
  else if (KindOf(disabledPackage) == Kind::kFile && !deleteStep(disabledPackage))
    return -1;

  const int enabledHere = extension->m_enabled ? 1 : 0;
  if (enabledHere < CountEnabledProducts(extension)) {
    run.storeKept = true;
    return 0;
  }

  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  const CString storeCopy = WithSuffix(store + descriptionName, u"kxi");
  if (KindOf(storeCopy) == Kind::kFile && !deleteStep(storeCopy)) return -1;
  const CString bundleFolder = storeCopy + u".dir";
  if (KindOf(bundleFolder) == Kind::kFolder) RemoveNoEmptyDirectory(bundleFolder);
  // The host's files the install replaced are back in place by now.
  const CString replaced = ReplacedFilesFolder(product, extension);
  if (KindOf(replaced) == Kind::kFolder && DeleteDirectoryHelper(replaced) != 0) return -1;

  CZorbPath common;
  if (CZorbOS::GetCommonAppPath(common)) {
    const CString resources = WithColon(common) + u"Vesko:Plexar WB5:" +
                              CZorbPath(storeCopy).GetFileName() + u"_Resources";
    // A step, so that a failure later gives the resources back.
    if (KindOf(resources) == Kind::kFolder && DeleteDirectoryHelper(resources) != 0) return -1;
  }
  const CString brio = WithSuffix(storeCopy, u"kxi_brio");
  if (KindOf(brio) == Kind::kFile && !deleteStep(brio)) return -1;
  CZorbPath package = storeCopy;
  if (getPkgFileNameByPkgType(package, extension->m_packageType) &&
      KindOf(package) == Kind::kFile && !deleteStep(package))
    return -1;
  for (const char16_t* suffix : {u"kxp", u"yxp"}) {
    const CString leftover = WithSuffix(storeCopy, suffix);
    if (KindOf(leftover) != Kind::kFile) continue;
    Log(Logger::kError, u"Find same kxp/yxp. File: " + Text(leftover), __LINE__);
    if (m_transaction.Add(new CInstallDeleteFile(leftover)) != 0) return -1;
  }
  run.storeEmptied = true;
  return 0;
}

bool CZorbPlexar::BackUpPluginFile(const CZorbProduct* product) {
  const CString file = product->m_pluginConfigFile;
  if (file.GetLength() == 0 || KindOf(file) != Kind::kFile) return true;
  return m_transaction.Add(new SavedFileStep(file)) == 0;
}

const CZorbExtension* CZorbPlexar::FindBundleUser(const CZorbExtension* extension,
                                                  const CString& id,
                                                  const CZorbProduct*& product) const {
  product = nullptr;
  if (extension == nullptr || id.GetLength() == 0) return nullptr;
  CString name;
  CString author;
  extension->GetName(name);
  extension->GetAuthorName(author);
  const CString descriptionName = CZorbPath(extension->m_path).GetFileName();
  const CZorbExtension* found = nullptr;
  for (const auto& [listed, list] : m_extensionLists) {
    if (list == nullptr) continue;
    for (const CZorbExtension* other : *list) {
      if (other == nullptr || other == extension) continue;
      CString otherName;
      CString otherAuthor;
      other->GetName(otherName);
      other->GetAuthorName(otherAuthor);
      // The extension's own copies under other products.
      if (otherName.CompareNoCase(name.Get()) == 0 && otherAuthor.CompareNoCase(author.Get()) == 0)
        continue;
      if (CZorbPath(other->m_path).GetFileName().CompareNoCase(descriptionName.Get()) == 0)
        continue;
      const bool uses = std::any_of(
          other->m_files.m_children.begin(), other->m_files.m_children.end(),
          [&](const CZorbXmlObject* child) {
            const auto* entry = dynamic_cast<const CZorbExtensionFile*>(child);
            // Ids differing in case name one folder: paths resolve ignoring case.
            return entry != nullptr && entry->m_fileType == kServiceBundle &&
                   (entry->m_platform == kAnyPlatform || entry->m_platform == kThisPlatform) &&
                   entry->m_wbxsId.CompareNoCase(id.Get()) == 0;
          });
      if (!uses) continue;
      // An enabled user is preferred: its record is the one to take over.
      if (found == nullptr || (other->m_enabled && !found->m_enabled)) {
        found = other;
        product = listed;
      }
    }
  }
  return found;
}

int CZorbPlexar::HandOverBundle(const UninstallRun& run, const CString& bundle,
                                const CZorbProduct* product, const CZorbExtension* user) {
  // The bundle folder and the folders above it that this install made.
  std::vector<CString> made;
  if (auto it = run.createdFolders.find(Folded(bundle)); it != run.createdFolders.end())
    made.push_back(it->second);
  for (CString folder = WithoutColon(m_serviceFrameworkFolder);
       run.createdFolders.count(Folded(folder)) > 0; folder = WithoutColon(FolderOf(folder)))
    made.push_back(run.createdFolders.at(Folded(folder)));
  if (made.empty()) return 0;
  const CString path = InstallRecordPath(product, user);
  InstalledItems items;
  // Without a record the user's removal counts every bundle as its own.
  if (!ReadInstallRecord(path, items)) return 0;
  bool added = false;
  for (const CString& folder : made) {
    const bool known =
        std::any_of(items.m_folders.begin(), items.m_folders.end(),
                    [&](const CString& listed) { return Folded(listed) == Folded(folder); });
    if (known) continue;
    items.m_folders.push_back(folder);
    added = true;
  }
  return added ? WriteInstallRecord(path, items) : 0;
}

bool CZorbPlexar::IsFileReferenced(const CZorbProduct* product, const CString& path,
                                   const CZorbExtension* extension) {
  if (product == nullptr || extension == nullptr) return false;
  ReferenceCache& cache = m_referenceCache;
  if (!cache.built || cache.product != product || cache.extension != extension) {
    cache = ReferenceCache{};
    cache.product = product;
    cache.extension = extension;
    cache.built = true;
    for (const auto& [listed, list] : m_extensionLists) {
      if (list == nullptr || !IsProductsEqual(listed, product)) continue;
      CZorbVersionNumber version;
      ReadVersion(listed, version);
      for (const CZorbExtension* other : *list) {
        if (other == nullptr || other == extension || !other->m_enabled ||
            other->Compare(*extension) == 0)
          continue;
        for (CZorbXmlObject* child : other->m_files.m_children) {
          const auto* entry = dynamic_cast<const CZorbExtensionFile*>(child);
          if (entry == nullptr || !InstallsHere(*entry, version)) continue;
          CZorbPath source = entry->m_source;
          CZorbPath destination = entry->m_destination;
          if (LocalizeFiles(source, destination, listed, CZorbPath(), other, CString(),
                            CString()) == 0)
            cache.paths.insert(Folded(destination));
        }
      }
    }
  }
  return cache.paths.count(Folded(path)) > 0;
}

int CZorbPlexar::createKXIForEnableALLForUninstall(const CZorbProduct* product,
                                                   const CZorbExtension* extension,
                                                   CString& folder) {
  if (product == nullptr || extension == nullptr) return -1;
  if (CreateTemporaryFolder(u"UIN", folder) != 0) return -1;
  CZorbExtension copy(*extension);
  if (copy.createZIRForEnableALL(CZorbPath(WithColon(folder)), false) != 0) return -1;
  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  const CString descriptionName = CZorbPath(extension->m_path).GetFileName();
  CZorbDateTime stamp;
  if (!CZorbOS::GetFileDateTime(WithSuffix(store + descriptionName, u"kxi"), stamp)) return -1;
  return CZorbOS::SetFileDateTime(WithColon(folder) + descriptionName, stamp) ? 0 : -1;
}
