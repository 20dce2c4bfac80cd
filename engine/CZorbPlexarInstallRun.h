#pragma once

// The working record of one install (CZorbPlexarInstall*.cpp only).

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionPaths.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/Logger.h"
#include "transaction/CZorbExtensionInstallStep.h"

class CZorbExtension;
class CZorbExtensionProduct;

struct CZorbPlexar::InstallRun {
  InstallRun(CZorbProduct** products_, const CString& path_, CZorbExtension** replaced_,
             bool quiet_, const bool& newInstall_, bool resolveUserFolders_, int& restartFlags_,
             bool strictProduct_, bool replaceInstalled_, bool showProgress_, bool& askLicence_,
             int timeOut_, CZorbExtension* extension_, CZorbExtension** clone_,
             const CZorbExtensionProduct* primaryRequirement_,
             CZorbExtensionProduct* chosenRequirement_, bool* primaryAccepted_,
             CString* chosenProductName_, const CString* primaryProductName_, bool* mayRetry_)
      : products(products_),
        path(path_),
        replaced(replaced_),
        quiet(quiet_),
        newInstall(newInstall_),
        resolveUserFolders(resolveUserFolders_),
        restartFlags(restartFlags_),
        strictProduct(strictProduct_),
        replaceInstalled(replaceInstalled_),
        showProgress(showProgress_),
        askLicence(askLicence_),
        timeOut(timeOut_),
        extension(extension_),
        clone(clone_),
        primaryRequirement(primaryRequirement_),
        chosenRequirement(chosenRequirement_),
        primaryAccepted(primaryAccepted_),
        chosenProductName(chosenProductName_),
        primaryProductName(primaryProductName_),
        mayRetry(mayRetry_) {}
  // The arguments, as InstallExtension received them.
  CZorbProduct** products;
  const CString& path;
  CZorbExtension** replaced;
  bool quiet;
  const bool& newInstall;
  bool resolveUserFolders;
  int& restartFlags;
  bool strictProduct;
  bool replaceInstalled;
  bool showProgress;
  bool& askLicence;
  int timeOut;
  CZorbExtension* extension;
  CZorbExtension** clone;
  const CZorbExtensionProduct* primaryRequirement;
  CZorbExtensionProduct* chosenRequirement;
  bool* primaryAccepted;
  CString* chosenProductName;
  const CString* primaryProductName;
  bool* mayRetry;

  CZorbInstallTransaction::Scope* scope = nullptr;
  // 0 a bare description, else kPackageYxp or kPackageKxp.
  int kind = 0;
  int progress = 0;
  // Unpacking.
  CString description;
  CString unpackFolder;
  CString temporaryFolder;
  CZorbTypedVector<CString> names;
  unsigned int formatVersion = 0;
  uint32_t encoding = 0;
  int standalone = 0;
  CZorbDateTime packageTime;
  // The description being installed; owned unless it is `extension` or was
  // added to a list.
  CZorbExtension* loaded = nullptr;
  bool loadedOwnedByList = false;
  CZorbProduct* product = nullptr;
  bool pathFile = false;
  // Phase 9.
  int notification = 0;
  bool relaunch = false;
  // Phase 12.
  CZorbVersionNumber productVersion;
  bool bundleCapable = false;
  CString applicationFolder;
  CString locale;
  bool yesToAll = false;
  // Each file destination (folded) and the source of the entry writing it.
  std::map<std::u16string, CString> destinations;
  // The record of an earlier install of this extension, read on the first
  // existing destination.
  InstalledItems earlierRecord;
  std::optional<RecordedFolders> recordedFolders;
  bool earlierRecordRead = false;
  // Destinations the person chose to keep; entries for them are recorded
  // as not installed.
  std::set<std::u16string> skipped;
  DirectoryPairMap pairs;
  std::set<ExtensionFileKey> copiedPairs;
  WBXSMap bundles;
  CZorbExtensionPaths paths;
  // What the steps placed and the folders they made, for the removal.
  InstalledItems written;
  // The given description as it came, for a failed install.
  std::unique_ptr<CZorbExtension> originalExtension;
  // Phase 14.
  CString workingDescription;
  CString fullDescription;
  CString temporaryInstallFolder;
  CString productCopy;
  // The date the store's copies take after the commit.
  CZorbDateTime storeTime;
  CZorbTypedVector<CString> storeCopies;
  CZorbExtension* result = nullptr;
};

namespace install {

void Log(Logger::Level level, const std::u16string& text, int line);
std::u16string Text(const CString& text);

// Keeps what stands at a path (file, folder or nothing) while an action
// changes it; the undo gives it back, or removes what the action made where
// nothing stood. The action runs in Do.
class GuardedChange : public CZorbExtensionInstallStep {
 public:
  GuardedChange(const CString& path, std::function<bool()> action);
  ~GuardedChange() override;
  int Do() override;
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

 private:
  CString m_path;
  std::function<bool()> m_action;
  CString m_fresh;
  CString m_backup;
  bool m_saved = false;
  bool m_existed = false;
  bool m_folder = false;
  bool m_tried = false;
};

}  // namespace install
