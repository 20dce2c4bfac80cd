// The install operation, phases 9 to 15: older copies, conflicts, token
// folders, the files, the configuration changes, the copies of the
// description, the commit and the clean-up.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/CInstallCreateExtensionPathFile.h"
#include "engine/CInstallDisableExtension.h"
#include "engine/CInstallRemoveExtension.h"
#include "engine/CZorbPlexar.h"
#include "engine/CZorbPlexarInstallRun.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionPaths.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/ExtensionXml.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/widechar/WideChar.h"
#include "products/CZorbProduct.h"
#include "transaction/CInstallAddFontResource.h"
#include "transaction/CInstallCopyDirectory.h"
#include "transaction/CInstallCopyFile.h"
#include "transaction/CInstallCreateFolder.h"
#include "transaction/CInstallDeleteFile.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;
using install::Log;
using install::Text;

namespace {

bool IsPackageKind(int kind) {
  return kind == CZorbPlexar::kPackageYxp || kind == CZorbPlexar::kPackageKxp;
}

bool Contains(const CString& text, const char16_t* part) {
  CString lower = text;
  lower.MakeLower();
  return lower.Find(part) >= 0;
}

bool IsAdministrator() {
  CZorbOS::UserType type = CZorbOS::kStandardUser;
  if (!CZorbOS::GetCurrentUserType(type)) return false;
  return type == CZorbOS::kAdministrator || type == CZorbOS::kRootUser;
}

// A product with a store per user keeps an extension installed for one user
// (level 0) apart from one installed for every user (level 2).
bool StoredPerUser(const CZorbProduct* product, const CZorbExtension& extension) {
  return product && product->m_userLevelStore.GetLength() > 0 && extension.m_installLevel != 2;
}

bool StampsInstallTime(const CZorbProduct* product, const CZorbExtension& extension) {
  return product && product->m_userLevelStore.GetLength() > 0 && extension.m_installLevel == 0;
}

// Installing such a copy again asks nothing and copies nothing: the user's
// files stay as they are.
bool StoredPerUserAgain(bool newInstall, const CZorbProduct* product,
                        const CZorbExtension& extension) {
  return !newInstall && StoredPerUser(product, extension);
}

}  // namespace

// ---------------------------------------------------------------------------
// Phase 9: signatures, a running host, an older copy
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallOlderCopy(InstallRun& run) {
  CZorbExtension& extension = *run.loaded;
  CString name;
  extension.GetName(name);
  if (run.newInstall) {
    extension.clearSigInfoEntry();
    if (IsPackageKind(run.kind) && run.standalone != 1 && run.kind != kPackageKxp) {
      CZorbTypedVector<CString> results;
      if (!validateNonWBXS(name, run.path, results) || results.size() != 4) {
        Log(Logger::kDebug, u"validation failed.", __LINE__);
        return false;
      }
      addSignInfo(&extension, results, u"0");
    }
  }
  if (extension.m_forceQuit && HelpShutDownPointProduct(run.product, run.relaunch, run.timeOut))
    return false;

  CString store;
  getPXStoreFromProductOrPlexo(run.product, store);
  // The store keeps the description copy under the description's name.
  const CString storePath = store + CZorbPath(run.description).GetFileName();
  const bool storeFileExists = CZorbOS::FileExists(storePath);
  CZorbExtension* older = FindByProductAndPath(run.product, storePath, false);
  const bool foundByPath = older != nullptr;
  if (!older && storeFileExists) {
    older = FindByNameAndAuthor(run.product, extension.m_name, extension.m_authorName,
                                run.replaceInstalled);
    if (older && run.product->SupportsMultiUserAdmin() && CZorbOS::IsSupportedMultiUserSystem() &&
        older->m_allUsers != IsAdministrator())
      older = nullptr;
  }
  if (!older) return true;

  CString olderName;
  older->GetName(olderName);
  auto ask = [&](const CString& text) {
    return m_pUI->MessageBox(text.Get(), CZorbPlexarUI::kYesNo, false) == CZorbPlexarUI::kAnswerYes;
  };
  auto replaceWith = [&](bool disable) {
    // The removal or disable joins this transaction: the install's
    // rollback brings the copy back.
    CZorbExtensionInstallStep* step =
        disable ? static_cast<CZorbExtensionInstallStep*>(
                      new CInstallDisableExtension(this, run.product, older, run.timeOut, false))
                : new CInstallRemoveExtension(this, run.product, older, run.timeOut, false);
    if (m_transaction.Add(step) != 0) return false;
    // A removed copy no longer exists: only a disabled one is handed out.
    if (run.replaced && disable) *run.replaced = older;
    return true;
  };
  CString formatted;
  if (storeFileExists && foundByPath && run.newInstall && older->m_enabled) {
    formatted.Format(platform::RuntimeFormat(Message(kMsgReplaceEnabled).Get()), name, olderName,
                     m_packageFileName);
    if (!ask(Message(kMsgSameStoreFile) + u" " + formatted) || !replaceWith(false)) return false;
    extension.updateResourceFile(run.description);
    run.notification = kNotifyUpdate;
    return true;
  }
  if (extension.m_name.CompareNoCase(older->m_name.Get()) == 0 &&
      extension.m_authorName.CompareNoCase(older->m_authorName.Get()) == 0) {
    if (older->m_enabled && run.replaceInstalled) {
      if (run.replaced) *run.replaced = older;
      return true;
    }
    if (!run.newInstall) return true;
    const int order = extension.m_version.Compare(older->m_version);
    const unsigned int id = order > 0    ? kMsgInstalledOlder
                            : order == 0 ? kMsgInstalledSame
                                         : kMsgInstalledNewer;
    return ask(Message(id, name)) && replaceWith(false);
  }
  formatted.Format(platform::RuntimeFormat(Message(kMsgDisableOther).Get()), name, olderName,
                   m_packageFileName);
  if (!ask(Message(kMsgSameStoreFile) + u" " + formatted) || !replaceWith(true)) return false;
  run.notification = kNotifyUpdate;
  return true;
}

// ---------------------------------------------------------------------------
// Phases 10 and 11: other users' copies, folders for tokens
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallUserConflicts(InstallRun& run) {
  if (!IsAdministrator()) return true;
  CZorbTypedVector<CString> conflicts;
  CheckForUserLevelConflicts(run.product, run.loaded, conflicts);
  if (conflicts.empty()) return true;
  if (m_pUI->MessageBox(Message(kMsgUserCopiesConflict).Get(), CZorbPlexarUI::kYesNo, false) ==
      CZorbPlexarUI::kAnswerNo)
    return false;
  CString message;
  if (RemoveUserLevelConflicts(run.product, conflicts, run.timeOut, message)) return true;
  ShowError(message);
  return false;
}

bool CZorbPlexar::InstallTokenFolders(InstallRun& run) {
  // Installed again (an enable): the folders chosen when it was installed
  // are trusted for it, and stay in its record.
  if (!run.newInstall) {
    run.recordedFolders.emplace(*this, run.product, run.loaded);
    for (const CString& folder : run.recordedFolders->Folders())
      run.written.m_chosenFolders.push_back(folder);
  }
  if (!run.resolveUserFolders) return true;
  for (CZorbXmlObject* child : run.loaded->m_tokens.m_children) {
    CZorbExtensionToken* token = dynamic_cast<CZorbExtensionToken*>(child);
    if (!token || token->m_definition.GetLength()) continue;
    CString fallback = token->m_default;
    if (fallback.GetLength()) processTokenString(fallback);
    const CString prompt = Message(kMsgChooseFolder, token->m_name);
    for (;;) {
      CString chosen;
      if (m_pUI->PromptForFolder(prompt, fallback, true, chosen) && chosen.GetLength()) {
        AddChosenFolder(chosen);
        run.written.m_chosenFolders.push_back(chosen);
        token->m_definition = chosen;
        break;
      }
      if (m_pUI->MessageBox(Message(kMsgNoFolderChosen).Get(), CZorbPlexarUI::kYesNo, false) ==
          CZorbPlexarUI::kAnswerNo)
        return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Phase 12: the files
// ---------------------------------------------------------------------------

bool CZorbPlexar::FileApplies(const InstallRun& run, const CZorbExtensionFile& file) const {
  if (file.m_fileType == extcode::kFileTypeNone || file.m_fileType == extcode::kFileTypeInvalid)
    return false;
  if (run.locale.GetLength() && file.m_language.GetLength() &&
      file.m_language.CompareNoCase(run.locale.Get()) != 0)
    return false;
  if (!run.productVersion.IsEmpty()) {
    if (!file.m_minVersion.IsEmpty() && file.m_minVersion > run.productVersion) return false;
    if (!file.m_maxVersion.IsEmpty() && file.m_maxVersion < run.productVersion) return false;
  }
  return true;
}

bool CZorbPlexar::RunStepWithRetry(CZorbExtensionInstallStep* step, const CString& path,
                                   bool folder) {
  if (m_transaction.Add(step) == 0) return true;
  for (;;) {
    if (!CZorbOS::CanWriteToDirectory(FolderOf(path))) {
      ShowError(Message(kMsgFolderNotWritable));
      return false;
    }
    const int answer = folder ? HelpUserFreeFolder(path) : HelpUserFreeFile(path, false);
    if (answer != CZorbPlexarUI::kAnswerRetry) return false;
    if (step->Do() == 0) return true;
  }
}

bool CZorbPlexar::InstallFiles(InstallRun& run) {
  m_pUI->ShowWaitCursor();
  run.restartFlags = 0;
  run.product->GetVersion(run.productVersion);
  if (run.productVersion.IsEmpty()) {
    CString productName;
    run.product->GetName(productName);
    Log(Logger::kInfo, u"Product " + Text(productName) + u" version is empty", __LINE__);
  }
  run.bundleCapable = (run.loaded->m_fileTypes & extcode::kFileTypeWbxs) != 0;
  if (!run.newInstall && checkIfExtensionHasBeenEnabledOnce(run.loaded)) run.bundleCapable = false;
  if (run.bundleCapable && !InstallBundleFolders(run)) return false;
  run.product->GetApplicationFolder(run.applicationFolder);
  if (run.loaded->m_multilingual)
    GetCopyFilePreferredLocale(run.product, run.loaded, run.locale, true);

  if (IsPackageKind(run.kind)) {
    for (CZorbXmlObject* child : run.loaded->m_files.m_children) {
      CZorbExtensionFile* file = dynamic_cast<CZorbExtensionFile*>(child);
      if (!file || !FileApplies(run, *file)) continue;
      if (!handleEmptyFolderForKXI(run.products, run.loaded, file, run.applicationFolder,
                                   file->m_fileType == extcode::kFileTypeWbxs))
        return false;
    }
  }
  if (!InstallFileDestinations(run)) return false;
  run.product->MassageExtension(run.loaded);
  if (!InstallBundles(run)) return false;
  return InstallFileSteps(run);
}

bool CZorbPlexar::InstallBundleFolders(InstallRun& run) {
  if (m_serviceFrameworkFolder.GetLength() == 0) {
    ShowError(Message(kMsgNoBundleFolder));
    return false;
  }
  auto refuse = [this](const CString& folder) {
    ShowError(Message(kMsgFolderNotCreated, folder) + u" " + Message(kMsgNotInstalled));
    return false;
  };
  const CString folder = WithoutColon(m_serviceFrameworkFolder);
  const Kind kind = KindOf(folder);
  if (kind == Kind::kNothing) {
    // Made as steps, outermost first, so that a failed install takes them
    // back; the removal takes them once they are empty again.
    std::vector<CString> missing = MissingFolders(folder);
    missing.insert(missing.begin(), folder);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (m_transaction.Add(new CInstallCreateFolder(it->Get())) != 0) return refuse(*it);
      run.written.m_folders.push_back(WithoutColon(*it));
    }
  } else if (kind != Kind::kFolder) {
    // Bundles are never written through a link.
    return refuse(folder);
  }
  if (run.temporaryFolder.GetLength() == 0 &&
      CreateTemporaryFolder(u"SCZ", run.temporaryFolder) != 0)
    return refuse(run.temporaryFolder);
  return true;
}

bool CZorbPlexar::InstallBundleEntry(InstallRun& run, CZorbExtensionFile& file) {
  // Entries naming the same bundle share one record.
  const CString key = file.m_folder.GetLength() ? file.m_folder : file.m_source;
  WBXSProcessedInfo known;
  if (run.bundles.Lookup(key, known)) {
    file.m_wbxsId = known.m_id;
    file.m_wbxsVersion = known.m_version;
    return true;
  }
  CZorbPath source(file.m_source);
  if (LocalizeSource(source) != 0) return false;
  CString prepared = run.temporaryFolder;
  if (!PrepareWBXSExtensionFolder(file.m_folder, source, source, run.standalone, prepared,
                                  static_cast<int>(run.bundles.size()) + 1))
    return false;
  if (!isValidWBXSExtensionDir(prepared)) {
    if (isWBXS1_4ExtensionDir(prepared))
      ShowError(Message(kMsgOldBundle));
    else
      ShowError(Message(kMsgNeitherExtensionNorBundle, prepared) + u" " +
                Message(kMsgCheckThePackage));
    return false;
  }
  CString id = file.m_wbxsId;
  CString version = file.m_wbxsVersion;
  if (id.GetLength() == 0 || version.GetLength() == 0) {
    CString manifestId, manifestVersion;
    if (!GetWBXSIdAndVersion(prepared, manifestId, manifestVersion)) {
      ShowError(Message(kMsgBundleUnreadable, prepared));
      return false;
    }
    if (id.GetLength() == 0) id = manifestId;
    if (version.GetLength() == 0) version = manifestVersion;
  }
  // The id names the bundle's folder: one plain name below the bundle
  // folder, whoever wrote it.
  if (!IsPlainBundleId(id)) {
    ShowError(Message(kMsgBundleUnreadable, prepared));
    return false;
  }
  // The description's copies name the bundle, so that its removal finds it.
  file.m_wbxsId = id;
  file.m_wbxsVersion = version;
  WBXSProcessedInfo record;
  record.m_id = id;
  record.m_version = version;
  record.m_folders =
      DirectoryPair{WithoutColon(prepared), WithColon(m_serviceFrameworkFolder) + id, true};
  run.bundles.SetAt(key, record);
  return true;
}

bool CZorbPlexar::InstallBundles(InstallRun& run) {
  if (!run.bundleCapable) return true;
  if (run.newInstall) {
    CString name;
    run.loaded->GetName(name);
    CZorbTypedVector<CString> results;
    if (!validateWBXS(name, run.bundles, results)) {
      Log(Logger::kDebug, u"validation failed.", __LINE__);
      return false;
    }
    if (results.size() % 4 != 0) {
      Log(Logger::kDebug, u"validation WBXS failed.", __LINE__);
      return false;
    }
    addSignInfo(run.loaded, results, u"1");
  }
  for (auto& [key, bundle] : run.bundles) {
    DirectoryPair& pair = bundle.m_folders;
    const Kind existing = KindOf(pair.m_destination);
    if (existing == Kind::kLink || existing == Kind::kUnknown) {
      ShowError(Message(kMsgFolderNotCreated, pair.m_destination) + u" " +
                Message(kMsgNotInstalled));
      return false;
    }
    bool toAll = false;
    if (!handleDestinationFolderOrFileExist(toAll, pair, run.standalone, bundle.m_id,
                                            bundle.m_version))
      return false;
    // Kept as it stands: not the extension's, so its removal leaves it.
    if (!pair.m_overwrite) continue;
    if (!RunStepWithRetry(
            new CInstallCopyDirectory(pair.m_source.Get(), pair.m_destination.Get(), false, false),
            pair.m_destination, true))
      return false;
    run.written.m_folders.push_back(WithoutColon(pair.m_destination));
  }
  return true;
}

bool CZorbPlexar::InstallFileDestinations(InstallRun& run) {
  CString extensionName;
  run.loaded->GetName(extensionName);
  const bool storedPerUser = StoredPerUserAgain(run.newInstall, run.product, *run.loaded);
  auto fail = [&](const CString& text) {
    ShowError(text + u" " + Message(kMsgNotInstalled));
    return false;
  };
  for (CZorbXmlObject* child : run.loaded->m_files.m_children) {
    CZorbExtensionFile* file = dynamic_cast<CZorbExtensionFile*>(child);
    if (!file || !FileApplies(run, *file)) continue;
    ++run.progress;
    if (run.showProgress) m_pUI->UpdateProgress(run.progress);
    if (file->m_fileType == extcode::kFileTypeWbxs) {
      // A re-install of an extension enabled before keeps the bundles it
      // placed then.
      if (run.bundleCapable && !InstallBundleEntry(run, *file)) return false;
      continue;
    }
    if (file->m_destination.GetLength() == 0 || file->m_destination.Get()[0] != u'$')
      return fail(Message(kMsgNoLeadingToken, file->m_destination));
    const bool inStore = Contains(file->m_destination, u"$extensionspecificpxstore");
    CZorbPath source(file->m_source);
    CZorbPath destination(file->m_destination);
    const int localized = LocalizeFiles(source, destination, run.product, run.applicationFolder,
                                        run.loaded, file->m_folder, file->GetWinExtension());
    if (localized == -1) return false;
    if (localized != 0 || (destination.GetLength() && destination.Get()[0] == u'$')) {
      if (EngineTooOld(*run.loaded)) return fail(Message(kMsgEngineTooOld));
      return fail(Message(kMsgUnknownToken, destination));
    }
    CString protectedText;
    if (!isFileAllowToBeModified(destination, protectedText)) return fail(protectedText);
    // A file whose entries the program edits for the host is never replaced
    // whole: its removal would lose the host's file.
    if (run.product->IsEditedConfigurationFile(destination))
      return fail(Message(kMsgConfigurationFileProtected, destination));
    const bool sourceIsFolder = file->m_isEmptyFolder != 0 || CZorbOS::DirectoryExists(source);
    if (sourceIsFolder && !CZorbOS::DirectoryExists(source))
      return fail(Message(kMsgSourceFolderMissing, source));
    if (!sourceIsFolder && !CZorbOS::FileExists(source))
      return fail(Message(kMsgSourceFileMissing, source));
    if (!sourceIsFolder) {
      // A second entry writing the same file would silently win over the first.
      CString key = WithoutColon(destination);
      key.MakeLower();
      const auto [first, fresh] = run.destinations.emplace(Text(key), file->m_source);
      if (!fresh) {
        CString text;
        text.Format(platform::RuntimeFormat(Message(kMsgSameDestination).Get()), destination,
                    first->second, file->m_source);
        return fail(text);
      }
    }

    if (file->m_folder.GetLength()) {
      CString base = destination;
      handleOrignalDestination(file->m_source, file->m_folder, base);
      const ExtensionFileKey key{extensionName, base};
      if (run.pairs.count(key)) continue;
      CZorbPath folderSource(file->m_folder);
      if (LocalizeSource(folderSource) != 0) return false;
      DirectoryPair pair{WithoutColon(folderSource), WithoutColon(base), true};
      if (!storedPerUser &&
          !handleDestinationFolderOrFileExist(run.yesToAll, pair, 0, CString(), CString()))
        return false;
      run.pairs[key] = pair;
      continue;
    }

    const Kind existing = KindOf(destination);
    if (existing == Kind::kNothing) continue;
    if (inStore) {
      if (!run.newInstall) run.skipped.insert(Text(destination));
      continue;
    }
    if (storedPerUser) continue;
    if (existing == Kind::kLink || existing == Kind::kUnknown)
      return fail(Message(kMsgExistingFile, destination));
    if (existing == Kind::kFolder && !sourceIsFolder) {
      // A file never takes the place of a host's folder.
      return fail(Message(kMsgExistingFolder, destination));
    }
    if (existing == Kind::kFile && sourceIsFolder)
      return fail(Message(kMsgExistingFile, destination));
    const bool folder = existing == Kind::kFolder;
    if (!run.yesToAll) {
      unsigned int id = kMsgExistingFolder;
      bool silent = false;
      if (!folder) {
        CZorbDateTime existingTime;
        const bool dated = CZorbOS::GetFileDateTime(destination, existingTime);
        const int64_t mine = static_cast<int64_t>(run.packageTime.GetTime());
        const int64_t theirs = static_cast<int64_t>(existingTime.GetTime());
        // A file an earlier install of this extension left untouched is
        // the package's own, whatever its date says.
        const bool untouched =
            ChangeSinceInstall(EarlierRecord(run), destination) == FileChange::kUnchanged;
        id = !dated || untouched ||
                     (theirs <= mine + kArchiveTimeStep && theirs >= mine - kArchiveTimeStep)
                 ? kMsgExistingFileSame
             : theirs > mine ? kMsgExistingFileNewer
                             : kMsgExistingFileOlder;
        silent = id != kMsgExistingFileNewer && file->m_shared != 0;
        // The host's file an earlier install of it replaced, given back by
        // a disable: the person agreed to replace it then.
        for (const InstalledItems::Replaced& kept : EarlierRecord(run).m_replaced)
          if (!run.newInstall && kept.m_path.CompareNoCase(destination) == 0) silent = true;
      }
      if (!silent) {
        m_pUI->HideWaitCursor();
        const int answer =
            m_pUI->MessageBox(Message(id, destination).Get(), CZorbPlexarUI::kExistingItem, true);
        m_pUI->ShowWaitCursor();
        if (answer == CZorbPlexarUI::kAnswerNo) {
          run.skipped.insert(Text(destination));
          continue;
        }
        if (answer == CZorbPlexarUI::kAnswerOverwriteAll)
          run.yesToAll = true;
        else if (answer != CZorbPlexarUI::kAnswerYes)
          return false;
      }
    }
    if (folder) {
      while (!CZorbOS::CanUpdateDirectory(destination)) {
        if (!CZorbOS::CanWriteToDirectory(FolderOf(destination))) {
          ShowError(Message(kMsgFolderNotWritable));
          return false;
        }
        if (HelpUserFreeFolder(destination) != CZorbPlexarUI::kAnswerRetry) return false;
      }
      continue;
    }
    if (Contains(file->m_destination, u"$system")) continue;
    while (!CZorbOS::CanUpdateFile(destination)) {
      if (!CZorbOS::CanWriteToDirectory(FolderOf(destination))) {
        ShowError(Message(kMsgFolderNotWritable));
        return false;
      }
      if (HelpUserFreeFile(destination, false) != CZorbPlexarUI::kAnswerRetry) return false;
    }
  }
  return true;
}

bool CZorbPlexar::InstallFileSteps(InstallRun& run) {
  CString extensionName;
  run.loaded->GetName(extensionName);
  const bool storedPerUser = StoredPerUserAgain(run.newInstall, run.product, *run.loaded);
  const bool move = false;
  const CString descriptionName = CZorbPath(run.description).GetFileName();
  // Entries kept as the person asked are not the extension's: a later
  // removal must not delete them.
  auto& entries = run.loaded->m_files.m_children;
  for (auto it = entries.begin(); it != entries.end();) {
    auto* file = dynamic_cast<CZorbExtensionFile*>(*it);
    if (!file || !FileApplies(run, *file)) {
      ++it;
      continue;
    }
    if (file->m_fileType == extcode::kFileTypeWbxs) {
      if (file->m_wbxsId.GetLength() == 0)
        Log(Logger::kDebug, u"wbxs is is empty. source: " + Text(file->m_source), __LINE__);
      else
        run.paths.InsertWBXSId(file->m_wbxsId);
      ++it;
      continue;
    }
    if (file->m_fileType != extcode::kFileTypeOrdinary &&
        file->m_fileType != extcode::kFileTypePlugin) {
      ++it;
      continue;
    }
    ++run.progress;
    if (run.showProgress) m_pUI->UpdateProgress(run.progress);
    if (file->m_isResourceFile) {
      if (InsertResourceFileIntoExtensionPathFile(file, descriptionName, &run.paths) != 0)
        run.pathFile = false;
      ++it;
      continue;
    }
    CZorbPath source(file->m_source);
    CZorbPath destination(file->m_destination);
    if (LocalizeFiles(source, destination, run.product, run.applicationFolder, run.loaded,
                      file->m_folder, file->GetWinExtension()) != 0)
      return false;
    if (run.skipped.count(Text(destination))) {
      it = entries.erase(it);
      delete file;
      continue;
    }
    ++it;
    const bool system = Contains(file->m_destination, u"$system");
    const bool fonts = Contains(file->m_destination, u"$fonts");
    if (file->m_fileType == extcode::kFileTypePlugin) {
      CZorbPath plugin;
      getPluginPath(file->m_source, file->m_folder, destination, destination, plugin);
      run.paths.InsertAbsoluteFilePath(plugin.GetLength() ? CString(plugin) : CString(destination),
                                       file->m_fileType);
    } else {
      run.paths.InsertAbsoluteFilePath(destination, file->m_fileType);
    }
    // A per-user copy installed again keeps the files it has.
    if (storedPerUser) continue;

    if (file->m_folder.GetLength()) {
      CString base = destination;
      handleOrignalDestination(file->m_source, file->m_folder, base);
      const ExtensionFileKey key{extensionName, base};
      const auto pair = run.pairs.find(key);
      if (pair == run.pairs.end()) {
        Log(Logger::kError, u"the package folder data are not consistent.", __LINE__);
        continue;
      }
      if (!pair->second.m_overwrite) continue;
      run.written.m_files.push_back(destination);
      if (run.copiedPairs.count(key)) continue;
      run.copiedPairs.insert(key);
      const CString target = pair->second.m_destination;
      std::vector<CString> made = MissingFolders(target);
      if (!ItemExists(target)) made.insert(made.begin(), WithoutColon(target));
      const CString parent = FolderOf(target);
      if (!EnsureFolderExists(parent)) {
        Log(Logger::kError, u"Can not create parent folder: " + Text(parent), __LINE__);
        return false;
      }
      if (!KeepReplacedHostFiles(run, pair->second.m_source, target)) return false;
      if (!RunStepWithRetry(
              new CInstallCopyDirectory(pair->second.m_source.Get(), target.Get(), move, true),
              target, true))
        return false;
      for (const CString& folder : made) run.written.m_folders.push_back(folder);
      continue;
    }
    std::vector<CString> made = MissingFolders(destination);
    CZorbExtensionInstallStep* step = nullptr;
    bool folder = false;
    if (fonts) {
      step = new CInstallAddFontResource(source.Get(), destination.Get());
    } else if (file->m_isEmptyFolder != 0 || CZorbOS::DirectoryExists(source)) {
      step = new CInstallCreateFolder(destination.Get());
      folder = true;
      if (!ItemExists(destination)) made.insert(made.begin(), WithoutColon(destination));
    } else {
      if (!KeepReplacedHostFile(run, destination)) return false;
      step = new CInstallCopyFile(source.Get(), destination.Get(), system, move);
    }
    if (!RunStepWithRetry(step, destination, folder)) return false;
    if (system) run.restartFlags |= kRestartComputer;
    if (!folder) run.written.m_files.push_back(destination);
    for (const CString& folderMade : made) run.written.m_folders.push_back(folderMade);
  }
  return true;
}

const CZorbPlexar::InstalledItems& CZorbPlexar::EarlierRecord(InstallRun& run) {
  if (!run.earlierRecordRead) {
    run.earlierRecordRead = true;
    (void)ReadInstallRecord(InstallRecordPath(run.product, run.loaded), run.earlierRecord);
  }
  return run.earlierRecord;
}

bool CZorbPlexar::KeepReplacedHostFile(InstallRun& run, const CString& destination) {
  if (KindOf(destination) != Kind::kFile) return true;
  for (const InstalledItems::Replaced& kept : run.written.m_replaced)
    if (kept.m_path.CompareNoCase(destination) == 0) return true;
  // The host's file an earlier install kept stays kept (the file there
  // now is the host's again after a disable, or the extension's); what an
  // earlier install wrote where nothing stood is the extension's own.
  const InstalledItems& earlier = EarlierRecord(run);
  int next = 0;
  for (const InstalledItems::Replaced& kept : earlier.m_replaced) {
    if (kept.m_path.CompareNoCase(destination) == 0) {
      run.written.m_replaced.push_back(kept);
      return true;
    }
  }
  for (const CString& file : earlier.m_files)
    if (file.CompareNoCase(destination) == 0) return true;
  using ReplacedList = std::vector<InstalledItems::Replaced>;
  for (const ReplacedList* list : {&earlier.m_replaced, &std::as_const(run.written.m_replaced)})
    for (const InstalledItems::Replaced& kept : *list)
      next = std::max(next, platform::wtoi(kept.m_saved.Get()) + 1);
  const CString folder = ReplacedFilesFolder(run.product, run.loaded);
  if (folder.GetLength() == 0 || !EnsureFolderExists(folder)) {
    ShowError(Message(kMsgFolderNotCreated, folder) + u" " + Message(kMsgNotInstalled));
    return false;
  }
  const std::string number = std::to_string(next);
  const CString name(std::u16string(number.begin(), number.end()).c_str());
  const CString saved = WithColon(folder) + name;
  if (m_transaction.Add(new CInstallCopyFile(destination.Get(), saved.Get(), false, false)) != 0 ||
      !MatchPermissions(destination, saved)) {
    CString text;
    text.Format(platform::RuntimeFormat(Message(kMsgDescriptionNotCopied).Get()), saved,
                destination);
    ShowError(text + u" " + Message(kMsgNotInstalled));
    return false;
  }
  run.written.m_replaced.push_back({destination, name});
  return true;
}

bool CZorbPlexar::KeepReplacedHostFiles(InstallRun& run, const CString& source,
                                        const CString& target) {
  if (KindOf(target) != Kind::kFolder) return true;
  std::vector<std::pair<CString, CString>> pending{{WithoutColon(source), WithoutColon(target)}};
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    CZorbFileFinder finder;
    for (bool found = finder.FindFirst(WithColon(from) + u"*.*"); found;
         found = finder.FindNext()) {
      const CString name = finder.GetFileName();
      if (finder.IsFolder())
        pending.emplace_back(WithColon(from) + name, WithColon(to) + name);
      else if (!KeepReplacedHostFile(run, WithColon(to) + name))
        return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Phase 13: configuration changes
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallConfigChanges(InstallRun& run) {
  const CZorbPlexarUI::OperationType operation =
      run.newInstall ? CZorbPlexarUI::kInstall : CZorbPlexarUI::kEnable;
  m_pUI->ShowWaitCursor();
  CString error;
  int result = run.product->ProcessConfigChanges(&GetSteps(), m_pUI, run.loaded, error, operation);
  if (result == 0)
    result = run.product->ProcessHelpChanges(&GetSteps(), m_pUI, run.loaded, error, operation);
  m_pUI->HideWaitCursor();
  if (result != 0 && error.GetLength()) ShowError(error + u" " + Message(kMsgNotInstalled));
  return result == 0;
}

// ---------------------------------------------------------------------------
// Phase 14: the copies of the description and the commit
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallDescriptionCopies(InstallRun& run) {
  CZorbExtension& extension = *run.loaded;
  const CZorbPath description(run.description);
  CZorbPath working = description;
  if (IsPackageKind(run.kind)) {
    working.SetExtension(u"kxi_brio");
  } else {
    CZorbPath folder;
    if (createTempInstallPath(folder) != 0) return false;
    run.temporaryInstallFolder = folder;
    working = CString(folder) + description.GetFileName();
    working.SetExtension(u"kxi_brio");
  }
  run.workingDescription = working;
  extension.m_path = working;
  extension.m_packageType = IsPackageKind(run.kind) ? run.kind : kPackageKxp;
  // Disable and enable find the kept package by the kind the copy records.
  extension.m_writePackageType = IsPackageKind(run.kind);
  const bool wasTimeSet = extension.m_installTimeSet;
  if (run.newInstall && StampsInstallTime(run.product, extension)) {
    extension.m_installTime.ResetToNow();
    extension.m_installTimeSet = true;
  }
  const int saved = extension.SaveWithoutConfigChangeSection(working);
  extension.m_installTimeSet = wasTimeSet;
  if (saved != 0) {
    ShowError(Message(kMsgDescriptionNotCopied, working) + u" " + Message(kMsgNotInstalled));
    return false;
  }
  CString fullDescription = run.description;
  if (!IsPackageKind(run.kind) && run.newInstall) {
    CZorbPath full = working;
    full.SetExtension(u"kxi");
    if (extension.Save(full) != 0) {
      ShowError(Message(kMsgDescriptionNotCopied, full) + u" " + Message(kMsgNotInstalled));
      return false;
    }
    extension.m_path = working;
    fullDescription = full;
  }
  run.fullDescription = fullDescription;

  CString extensionsFolder;
  run.product->GetExtensionsFolder(extensionsFolder);
  if (extensionsFolder.GetLength()) {
    const CString copy = WithColon(extensionsFolder) + description.GetFileName();
    run.productCopy = copy;
    if (m_transaction.Add(new CInstallCopyFile(fullDescription.Get(), copy.Get(), false, false)) !=
        0) {
      CString text;
      text.Format(platform::RuntimeFormat(Message(kMsgDescriptionNotCopied).Get()), copy,
                  fullDescription);
      ShowError(text + u" " + Message(kMsgNotInstalled));
      return false;
    }
  }

  CString store;
  getPXStoreFromProductOrPlexo(run.product, store);
  CZorbPath base = store + description.GetFileName();
  base.SetExtension(nullptr);
  if (run.pathFile) {
    const CString pathFile = CString(base) + u".kxi_path";
    run.paths.m_path = pathFile;
    if (m_transaction.Add(new CInstallCreateExtensionPathFile(&run.paths, pathFile)) != 0)
      Log(Logger::kDebug, u"Failed to create file " + Text(pathFile), __LINE__);
  }
  m_pUI->HideWaitCursor();
  if (run.showProgress) m_pUI->HideProgress();

  if (run.product->m_pluginConfigFile.GetLength() && extension.m_pluginManagerType != 2) {
    const CZorbExtensionPaths& paths = run.paths;
    CZorbProduct* product = run.product;
    auto update = [this, &extension, product, &paths] {
      return updatePluginFile(&extension, product, paths, true);
    };
    if (m_transaction.Add(new install::GuardedChange(product->m_pluginConfigFile, update)) != 0) {
      ShowError(Message(kMsgPluginFileNotUpdated) + u" " +
                Message(run.newInstall ? kMsgNotInstalled : kMsgNotEnabled));
      return false;
    }
  }

  if (run.newInstall) {
    const CString packageExtension = CZorbPath(run.path).GetExtension();
    const bool yxp = packageExtension.CompareNoCase(u"yxp") == 0;
    const CString packageCopy = CString(base) + (yxp ? u".yxp" : u".kxp");
    const CString otherPackage = CString(base) + (yxp ? u".kxp" : u".yxp");
    // The store's copy of a package's description records the package's
    // kind: a later disable or enable finds the kept package by it. The
    // host's copy keeps the author's bytes.
    CString storeDescription = fullDescription;
    if (IsPackageKind(run.kind)) {
      CZorbPath recorded = working;
      recorded.SetExtension(u"kxi_kind");
      if (extension.Save(recorded) != 0) {
        ShowError(Message(kMsgDescriptionNotCopied, recorded) + u" " + Message(kMsgNotInstalled));
        return false;
      }
      extension.m_path = working;
      storeDescription = recorded;
    }
    const CString copies[3][2] = {{run.path, packageCopy},
                                  {working, CString(base) + u".kxi_brio"},
                                  {storeDescription, CString(base) + u".kxi"}};
    if (!EnsureFolderExists(store)) return false;
    for (const auto& [from, to] : copies) {
      if (m_transaction.Add(new CInstallCopyFile(from.Get(), to.Get(), false, false)) != 0) {
        CString text;
        text.Format(platform::RuntimeFormat(Message(kMsgDescriptionNotCopied).Get()), to, from);
        ShowError(text + u" " + Message(kMsgNotInstalled));
        return false;
      }
      run.storeCopies.push_back(to);
    }
    if (CZorbOS::FileExists(otherPackage)) {
      Log(Logger::kError, u"Same yxp and kxp exists. File: " + Text(otherPackage), __LINE__);
      if (m_transaction.Add(new CInstallDeleteFile(otherPackage.Get())) != 0) return false;
    }
  }

  // What this install placed, so that a removal takes only that, and how
  // each file and description copy looked when it was left. The copies are
  // dated after the commit, with the times chosen here.
  run.storeTime.ResetToNow();
  const CString storeCopy = CString(base) + u".kxi";
  // A re-install leaves the store's copy as it stands.
  StampInstalledFiles(run.written,
                      run.newInstall ? std::vector<CString>{} : std::vector<CString>{storeCopy});
  auto stampDatedCopy = [&run](const CString& path, time_t date) {
    InstalledItems::Stamped stamped;
    stamped.m_path = path;
    if (!CZorbOS::GetFileStamp(path, stamped.m_stamp)) return;
    stamped.m_stamp.seconds = date;
    stamped.m_stamp.nanoseconds = 0;
    run.written.m_stamps.push_back(stamped);
  };
  if (run.productCopy.GetLength()) stampDatedCopy(run.productCopy, run.packageTime.GetTime());
  if (run.newInstall) stampDatedCopy(storeCopy, run.storeTime.GetTime());
  if (WriteInstallRecord(InstallRecordPath(run.product, &extension), run.written) != 0) {
    ShowError(Message(kMsgDescriptionNotCopied, store) + u" " + Message(kMsgNotInstalled));
    return false;
  }

  // Nothing fails past here: the lists change and the steps are released.
  // The listed extension is the store's copy, as a later load reads it: the
  // working copy goes with the unpack folder.
  if (run.newInstall) extension.m_path = CString(base) + u".kxi";
  if (run.newInstall) {
    if (m_ownProduct) {
      CZorbExtension* copy = extension.Clone();
      copy->m_enabled = false;
      AddExtension(m_ownProduct, copy);
    }
    for (CZorbProduct* other : m_products) {
      if (!other || other == run.product) continue;
      CString otherName, family;
      other->GetName(otherName);
      other->GetProductFamily(family);
      for (CZorbXmlObject* child : extension.m_products.m_children) {
        const CZorbExtensionProduct* requirement =
            dynamic_cast<const CZorbExtensionProduct*>(child);
        if (!requirement || !(requirement->m_primary || requirement->m_required)) continue;
        const bool named = requirement->m_name.GetLength()
                               ? requirement->m_name == otherName
                               : requirement->m_familyName.CompareNoCase(family.Get()) == 0;
        if (!named || !isPlatformStatified(requirement->m_platform)) continue;
        if (!m_pUI->Supports(otherName, requirement->m_name, requirement->m_version,
                             requirement->m_maxVersion, requirement->m_minVersionOpen,
                             requirement->m_maxVersionOpen, requirement->m_bit))
          continue;
        CZorbExtension* copy = extension.Clone();
        copy->m_enabled = false;
        if (StampsInstallTime(other, *copy)) copy->m_installTimeSet = true;
        AddExtension(other, copy);
        break;
      }
    }
  }
  extension.m_enabled = true;
  if (StampsInstallTime(run.product, extension)) extension.m_installTimeSet = true;
  AddExtension(run.product, &extension);
  run.loadedOwnedByList = true;
  run.scope->Commit(CZorbInstallTransaction::Order::kFirstToLast);
  run.result = &extension;
  return true;
}

// ---------------------------------------------------------------------------
// Phase 15: clean-up
// ---------------------------------------------------------------------------

void CZorbPlexar::InstallCleanUp(InstallRun& run, bool installed) {
  if (run.showProgress) m_pUI->HideProgress();
  if (!installed) {
    run.scope->Rollback(m_pUI);
    if (run.replaced) *run.replaced = nullptr;
    if (run.extension && run.originalExtension) *run.extension = *run.originalExtension;
  }
  if (run.loaded && run.loaded != run.extension && !run.loadedOwnedByList) delete run.loaded;
  if (!installed) run.loaded = nullptr;
  for (const CString& folder : {run.unpackFolder, run.temporaryInstallFolder}) {
    if (folder.GetLength() && !CZorbOS::DeleteDirectoryWithoutRollback(folder, true))
      Log(Logger::kDebug, u"Can't delete folder " + Text(folder), __LINE__);
  }
  if (run.temporaryFolder.GetLength() &&
      !CZorbOS::DeleteDirectoryWithoutRollback(run.temporaryFolder, true))
    Log(Logger::kDebug, u"Can't delete folder " + Text(run.temporaryFolder), __LINE__);
  g_exitCode =
      installed ? kExitInstalled : (run.newInstall ? kExitInstallFailed : kExitReinstallFailed);
  if (!installed) return;

  // After the commit: dates, notices, the running host.
  for (const CString& copy : run.storeCopies)
    if (!CZorbOS::SetFileDateTime(copy, run.storeTime))
      Log(Logger::kDebug, u"Can't stamp " + Text(copy), __LINE__);
  if (run.productCopy.GetLength() && !CZorbOS::SetFileDateTime(run.productCopy, run.packageTime))
    Log(Logger::kDebug, u"Can't stamp " + Text(run.productCopy), __LINE__);
  CString name;
  run.result->GetName(name);
  if (run.product->IsRunning()) {
    if (run.result->m_requiresRestart || run.product->RequiresRestart(run.result, true))
      run.restartFlags |= kRestartHost;
    bool shown = false;
    if (!run.quiet && (run.restartFlags & (kRestartHost | kRestartComputer))) {
      m_pUI->SetProgressCount(95);
      CString text;
      if (run.restartFlags & kRestartComputer) {
        text = Message(kMsgRestartComputer, name);
      } else {
        CString display;
        run.product->GetDisplayName(display);
        text.Format(platform::RuntimeFormat(Message(kMsgRestartHost).Get()), name, display);
      }
      m_pUI->MessageBox(text.Get(), CZorbPlexarUI::kNotice, false);
      shown = true;
    }
    if (!shown) run.product->Refresh();
  } else if (!run.quiet && (run.restartFlags & kRestartComputer)) {
    m_pUI->MessageBox(Message(kMsgRestartComputer, name).Get(), CZorbPlexarUI::kNotice, false);
  }
  if (run.product->m_needOperationNotification) {
    CString text;
    populateNotificationByExtensionAndProduct(
        run.result, static_cast<NotificationOperation>(run.notification), text);
    SendAKMessageToProduct(run.product, text);
  }
  if (run.relaunch) launchPointProduct(run.product);
}
