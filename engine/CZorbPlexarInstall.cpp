// The install operation: one function per phase over the run's record.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "engine/CInstallCreateExtensionPathFile.h"
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
#include "foundation/CZorbOS.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "platform/os/AtomicFile.h"
#include "products/CZorbProduct.h"
#include "transaction/CInstallAddFontResource.h"
#include "transaction/CInstallCopyDirectory.h"
#include "transaction/CInstallCopyFile.h"
#include "transaction/CInstallCopyFileAndOverwriteFolder.h"
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

std::string Narrow(const CString& text) {
  std::string out;
  StringUtil::convertStringToSingle(text, out);
  return out;
}

CString Decimal(long long value) {
  const std::string digits = std::to_string(value);
  return CString(std::u16string(digits.begin(), digits.end()).c_str());
}

}  // namespace

namespace install {

void Log(Logger::Level level, const std::u16string& text, int line) {
  Logger::write(level, text, "CZorbPlexarInstall.cpp", line);
}

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

GuardedChange::GuardedChange(const CString& path, std::function<bool()> action)
    : m_path(WithoutColon(path)), m_action(std::move(action)) {}

GuardedChange::~GuardedChange() {
  GuardedChange::Release();
}

int GuardedChange::Do() {
  if (!m_saved) {
    const Kind kind = KindOf(m_path);
    if (kind == Kind::kLink || kind == Kind::kUnknown) return -1;
    m_existed = kind != Kind::kNothing;
    m_folder = kind == Kind::kFolder;
    if (m_existed) {
      const bool ok = m_folder ? BackUpFolder(u"gdc", m_path, m_fresh, m_backup)
                               : BackUpFile(u"gdc", m_path, m_backup);
      if (!ok) return -1;
    }
    m_saved = true;
  }
  m_tried = true;
  return m_action() ? 0 : -1;
}

int GuardedChange::Undo() {
  if (!m_tried) return 0;
  if (!m_existed) return DiscardTree(m_path) ? 0 : -1;
  if (m_folder) {
    if (!DiscardTree(m_path)) return -1;
    return RestoreFolder(m_backup, FolderOf(m_path)) ? 0 : -1;
  }
  return RestoreFile(m_backup, m_path) ? 0 : -1;
}

void GuardedChange::Release() {
  if (m_folder && m_fresh.GetLength())
    (void)DiscardTree(m_fresh);
  else if (m_backup.GetLength())
    (void)DiscardFile(m_backup);
  m_fresh.Empty();
  m_backup.Empty();
}

bool GuardedChange::GetRestoreInfo(CString& item, CString& backup) const {
  if (!m_existed) return false;
  item = m_path;
  backup = m_backup;
  return true;
}

}  // namespace install

bool CZorbPlexar::ExtensionFileKey::operator<(const ExtensionFileKey& other) const {
  const int first = m_name.Compare(other.m_name.Get());
  if (first != 0) return first < 0;
  return m_folder.Compare(other.m_folder.Get()) < 0;
}

// ---------------------------------------------------------------------------
// The entry point
// ---------------------------------------------------------------------------

// products: in the proposed product (may hold null), out the one used.
// replaced: the installed copy disabled or kept to make room; null when it
// was removed (it no longer exists) and on failure. quiet: no licence, warnings, obsolete check or
// restart notices. newInstall: a fresh install from a file (false: a stored copy again).
// resolveUserFolders: ask for the folders of tokens without a value.
// restartFlags: kRestartHost, kRestartComputer. strictProduct: fail rather
// than switch to the primary product found. replaceInstalled: only enabled
// copies count; forces the version question for an enabled older copy.
// askLicence: cleared after the licence phase. extension: a description
// already loaded (not owned). clone: receives a copy of the description.
// primaryRequirement/chosenRequirement: the primary requirement satisfied by
// an earlier call, and the one this call satisfied. primaryAccepted:
// cleared when the person declines a differing primary product.
// mayRetry: cleared when another product cannot mend the failure.
CZorbExtension* CZorbPlexar::InstallExtension(
    CZorbProduct** products, const CString& path, CZorbExtension** replaced, bool quiet,
    const bool& newInstall, bool resolveUserFolders, int& restartFlags, bool strictProduct,
    bool replaceInstalled, bool showProgress, bool& askLicence, int timeOut,
    CZorbExtension* extension, CZorbExtension** clone,
    const CZorbExtensionProduct* primaryRequirement, CZorbExtensionProduct* chosenRequirement,
    bool* primaryAccepted, CString* chosenProductName, const CString* primaryProductName,
    bool* mayRetry) {
  InstallRun run(products, path, replaced, quiet, newInstall, resolveUserFolders, restartFlags,
                 strictProduct, replaceInstalled, showProgress, askLicence, timeOut, extension,
                 clone, primaryRequirement, chosenRequirement, primaryAccepted, chosenProductName,
                 primaryProductName, mayRetry);
  if (!InstallEntry(run)) return nullptr;
  if (!InstallPrimaryAgreement(run)) return nullptr;
  if (!InstallPackagePresent(run)) {
    g_exitCode = newInstall ? kExitInstallFailed : kExitReinstallFailed;
    return nullptr;
  }
  CZorbInstallTransaction::Scope scope(m_transaction);
  run.scope = &scope;
  const bool installed =
      InstallUnpack(run) && InstallDescription(run) && InstallEngineVersion(run) &&
      InstallTargetProduct(run) && InstallNameChecks(run) && InstallLicence(run) &&
      InstallOlderCopy(run) && InstallUserConflicts(run) && InstallTokenFolders(run) &&
      InstallFiles(run) && InstallConfigChanges(run) && InstallDescriptionCopies(run);
  InstallCleanUp(run, installed);
  return installed ? run.result : nullptr;
}

// ---------------------------------------------------------------------------
// Phases 0 to 2
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallEntry(InstallRun& run) {
  run.restartFlags = 0;
  if (run.replaced) *run.replaced = nullptr;
  return m_pUI != nullptr && run.products != nullptr;
}

bool CZorbPlexar::InstallPrimaryAgreement(InstallRun& run) {
  if (!run.primaryRequirement) return true;
  const CZorbExtensionProduct empty;
  const CZorbExtensionProduct& chosen = run.chosenRequirement ? *run.chosenRequirement : empty;
  const CString chosenName = run.chosenProductName ? *run.chosenProductName : CString();
  const CString primaryName = run.primaryProductName ? *run.primaryProductName : CString();
  const CZorbExtensionProduct& primary = *run.primaryRequirement;
  CZorbProduct* first =
      FindProduct(chosen.m_name.Get(), chosen.m_version.Get(), chosen.m_maxVersion.Get(),
                  chosen.m_familyName, chosenName, chosen.m_minVersionOpen, chosen.m_maxVersionOpen,
                  chosen.m_platform, chosen.m_bit);
  CZorbProduct* second =
      FindProduct(primary.m_name.Get(), primary.m_version.Get(), primary.m_maxVersion.Get(),
                  primary.m_familyName, primaryName, primary.m_minVersionOpen,
                  primary.m_maxVersionOpen, primary.m_platform, primary.m_bit);
  if (!first || !second) return true;
  CString a, b;
  first->GetName(a);
  second->GetName(b);
  if (a == b) return false;
  if (!run.primaryAccepted) return true;
  if (m_pUI->ShowFailedPrimaryProduct(a) == CZorbPlexarUI::kAnswerYes) return true;
  *run.primaryAccepted = false;
  return false;
}

bool CZorbPlexar::InstallPackagePresent(InstallRun& run) {
  if (!CZorbOS::FileExists(run.path)) {
    ShowError(Message(kMsgPackageMissing, run.path));
    return false;
  }
  const CString extension = CZorbPath(run.path).GetExtension();
  run.kind = extension.CompareNoCase(u"yxp") == 0   ? kPackageYxp
             : extension.CompareNoCase(u"kxp") == 0 ? kPackageKxp
                                                    : 0;
  if (run.showProgress) {
    if (run.newInstall) {
      m_pUI->ShowProgress(Message(kMsgInstalling).Get(), u"", true);
    } else {
      CString name;
      if (run.extension) run.extension->GetName(name);
      m_pUI->ShowProgress(Message(kMsgReinstalling).Get(), name.Get(), true);
    }
    m_pUI->SetProgressCount(20);
    m_pUI->UpdateProgress(++run.progress);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Phases 3 to 5: unpacking and the description
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallUnpack(InstallRun& run) {
  CString drive, folder, name, extension;
  CZorbPath(run.path).Split(drive, folder, name, extension);
  m_packageFolder = drive + folder;
  m_packageFileName = name + u"." + extension;
  run.packageTime.ResetToNow();
  if (!CZorbOS::GetFileDateTime(run.path, run.packageTime)) run.packageTime.ResetToNow();
  if (!IsPackageKind(run.kind)) {
    run.description = run.path;
    m_kxiFileName = CZorbPath(run.path).GetFileName();
    m_sourceRoot = CZorbPath(run.path).GetFolder();
    return true;
  }
  run.encoding = CZorbUnicodeConverter::GetDefaultEncoding();
  if (UnpackExtensionFile(run.showProgress, run.progress, run.path, run.description,
                          run.unpackFolder, run.names, run.formatVersion, run.encoding, run.kind,
                          run.standalone, run.temporaryFolder) != 0)
    return false;
  m_sourceRoot = CZorbPath(run.description).GetFolder();
  if (run.standalone == 1 && !run.extension &&
      CreateKxiForStandaloneWBXSYxp(run.path, run.temporaryFolder) != 0) {
    ShowError(Message(kMsgStandaloneNotDescribed, run.path) + u" " + Message(kMsgNotInstalled));
    return false;
  }
  return true;
}

bool CZorbPlexar::LoadDescription(InstallRun& run) {
  auto loaded = std::make_unique<CZorbExtension>();
  CZorbTypedList<CZorbString> errors;
  // Loading copies the description's resources to the shared resource
  // folder: that change is undone with the rest.
  CString resources;
  CZorbPath common;
  if (m_kxiFileName.GetLength() && CZorbOS::GetCommonAppPath(common))
    resources = WithColon(common) + u"Vesko:Plexar WB5:" + m_kxiFileName + u"_Resources";
  int result = 0;
  auto load = [&] {
    result = loaded->LoadWithLoadResourceFlagAndCheck(run.description, true, &errors, nullptr);
    return true;
  };
  if (resources.GetLength()) {
    if (m_transaction.Add(new install::GuardedChange(resources, load)) != 0) {
      ShowError(Message(kMsgDescriptionUnreadable) + u" " + Message(kMsgNotInstalled));
      return false;
    }
  } else {
    load();
  }
  if (result != 0) {
    // A description left unread says why (it is too large).
    CString reason = Message(kMsgDescriptionUnreadable);
    if (result == -1) getFirstErrorMsg(errors, reason);
    ShowError(reason + u" " + Message(kMsgNotInstalled));
    return false;
  }
  if (!errors.empty()) {
    CString first;
    getFirstErrorMsg(errors, first);
    ShowError(first + u" " + Message(kMsgNotInstalled));
    return false;
  }
  if (run.loaded && run.loaded != run.extension) delete run.loaded;
  run.loaded = loaded.release();
  return true;
}

bool CZorbPlexar::InstallDescription(InstallRun& run) {
  if (run.extension) {
    // A failed install gives the caller its description back as it was.
    run.originalExtension.reset(run.extension->Clone());
    run.loaded = run.extension;
  } else {
    if (!LoadDescription(run)) return false;
    ModifyPrimaryIfWBXSExtension(run.loaded);
  }
  if (!IsPackageKind(run.kind) && run.showProgress) {
    const int files = static_cast<int>(run.loaded->m_files.m_children.size());
    const int total = static_cast<int>(2.0 * files * 1.1) + 1;
    m_pUI->SetProgressCount(total);
    run.progress = total / 10;
    if (run.progress > 0) m_pUI->UpdateProgress(run.progress);
  }
  if (run.clone) *run.clone = run.loaded->Clone();
  return true;
}

bool CZorbPlexar::InstallEngineVersion(InstallRun& run) {
  if (EngineTooOld(*run.loaded)) {
    ShowError(Message(kMsgEngineTooOld));
    return false;
  }
  // A legacy package holds its names in the charset of the system that made
  // it, which its description declares: names read in another are read
  // again in that one. Names are bytes, so a declared UTF-16 or UTF-32 is
  // no charset of theirs.
  uint32_t declared = 0;
  if (run.kind == kPackageKxp && run.formatVersion <= 3 && !run.extension &&
      run.loaded->GetDeclaredEncoding(declared) &&
      CZorbUnicodeConverter::GetCodeUnitSize(declared) == 1 &&
      !CZorbUnicodeConverter::EquivalentEncodings(declared, run.encoding)) {
    bool ascii = true;
    for (const CString& name : run.names)
      for (int32_t i = 0; i < name.GetLength() && ascii; ++i)
        if (name.Get()[i] >= 0x80) ascii = false;
    if (!ascii) {
      DeleteUnpackedKXPFiles(run.unpackFolder, run.names);
      run.names.clear();
      int step = 0;
      CString bundle;
      run.encoding = declared;
      if (UnpackExtensionFile(false, step, run.path, run.description, run.unpackFolder, run.names,
                              run.formatVersion, run.encoding, kPackageKxp, run.standalone,
                              bundle) != 0)
        return false;
      m_sourceRoot = CZorbPath(run.description).GetFolder();
      if (!LoadDescription(run)) return false;
    }
  }
  CString name;
  run.loaded->GetName(name);
  if (name.GetLength() == 0) {
    ShowError(Message(kMsgNoName) + u" " + Message(kMsgNotInstalled));
    return false;
  }
  return true;
}

bool CZorbPlexar::EngineTooOld(const CZorbExtension& extension) const {
  if (extension.m_plexoVersion.IsEmpty() || !m_ownProduct) return false;
  CZorbVersionNumber own;
  m_ownProduct->GetVersion(own);
  return !own.IsEmpty() && own < extension.m_plexoVersion;
}

// ---------------------------------------------------------------------------
// Phase 6: the target product
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallTargetProduct(InstallRun& run) {
  CZorbProduct* chosen = nullptr;
  const CZorbExtensionProduct* chosenReq = nullptr;
  int primaryCount = 0;
  CZorbTypedVector<CString> required;
  auto copyRequirement = [&](const CZorbExtensionProduct& requirement, CZorbProduct* product) {
    chosen = product;
    chosenReq = &requirement;
    if (run.chosenRequirement) {
      CZorbExtensionProduct& out = *run.chosenRequirement;
      out.m_name = requirement.m_name;
      out.m_version = requirement.m_version;
      out.m_maxVersion = requirement.m_maxVersion;
      out.m_familyName = requirement.m_familyName;
      out.m_minVersionOpen = requirement.m_minVersionOpen;
      out.m_maxVersionOpen = requirement.m_maxVersionOpen;
      out.m_platform = requirement.m_platform;
      out.m_bit = requirement.m_bit;
    }
  };
  if (run.primaryRequirement) {
    const CZorbExtensionProduct& primary = *run.primaryRequirement;
    const CString hostName = run.primaryProductName ? *run.primaryProductName : CString();
    CZorbProduct* found =
        FindProduct(primary.m_name.Get(), primary.m_version.Get(), primary.m_maxVersion.Get(),
                    primary.m_familyName, hostName, primary.m_minVersionOpen,
                    primary.m_maxVersionOpen, primary.m_platform, primary.m_bit);
    if (found) copyRequirement(primary, found);
    primaryCount = -1;
  } else {
    for (CZorbXmlObject* child : run.loaded->m_products.m_children) {
      const CZorbExtensionProduct* requirement = dynamic_cast<const CZorbExtensionProduct*>(child);
      if (!requirement || !(requirement->m_primary || requirement->m_required)) continue;
      CZorbProduct* found = FindProduct(
          requirement->m_name.Get(), requirement->m_version.Get(), requirement->m_maxVersion.Get(),
          requirement->m_familyName, CString(), requirement->m_minVersionOpen,
          requirement->m_maxVersionOpen, requirement->m_platform, requirement->m_bit);
      if (found && found->IsInstalled()) {
        if (requirement->m_primary) {
          if (!chosen) {
            copyRequirement(*requirement, found);
            primaryCount = 1;
          } else {
            ++primaryCount;
          }
        }
        continue;
      }
      CString shown;
      if (found) found->GetName(shown);
      if (!shown.GetLength()) shown = requirement->m_name;
      if (!shown.GetLength()) shown = requirement->m_familyName;
      required.push_back(shown);
      required.push_back(requirement->m_version);
      required.push_back(requirement->m_maxVersion);
      required.push_back(CString(requirement->m_minVersionOpen ? u"1" : u"0"));
      required.push_back(CString(requirement->m_maxVersionOpen ? u"1" : u"0"));
      required.push_back(Decimal(requirement->m_platform));
      required.push_back(Decimal(requirement->m_bit));
    }
  }
  if (run.showProgress) m_pUI->UpdateProgressWithPriProductCount(++run.progress, primaryCount);
  if (!chosen) {
    if (run.newInstall && !required.empty()) m_pUI->ShowRequiredProducts(required);
    return false;
  }
  if (run.chosenProductName) chosen->GetName(*run.chosenProductName);
  if (run.newInstall) {
    CZorbProduct* proposed = *run.products;
    bool keep = false;
    if (proposed) {
      CString name;
      proposed->GetName(name);
      keep = m_pUI->Supports(name, chosenReq->m_name, chosenReq->m_version, chosenReq->m_maxVersion,
                             chosenReq->m_minVersionOpen, chosenReq->m_maxVersionOpen,
                             chosenReq->m_bit) &&
             isPlatformStatified(chosenReq->m_platform);
    }
    if (!keep) {
      if (!run.strictProduct) {
        *run.products = chosen;
      } else {
        CString reason;
        if (!run.quiet && chosen->IsExtensionObsolete(run.loaded, reason)) ShowError(reason);
        required.push_back(chosenReq->m_name);
        required.push_back(chosenReq->m_version);
        required.push_back(chosenReq->m_maxVersion);
        m_pUI->ShowRequiredProducts(required);
        return false;
      }
    }
  }
  run.product = *run.products;
  if (!run.product) return false;
  run.pathFile = NeedCreateExtensionPathFile(run.product, run.loaded);
  return true;
}

// ---------------------------------------------------------------------------
// Phases 7 and 8: names, warnings, licence
// ---------------------------------------------------------------------------

bool CZorbPlexar::InstallNameChecks(InstallRun& run) {
  if (run.newInstall) {
    CString message;
    const CString pure = run.loaded->m_name;
    const CString fileName = CZorbPath(run.description).GetFileName();
    bool used = checkIfKXIHasBeenUsed(run.product, fileName, pure, message, run.standalone);
    if (!used && message.GetLength() == 0) {
      CString name;
      run.loaded->GetName(name);
      used = checkIfExtensionNameHasBeenUsed(run.product, pure, message, name, run.loaded);
    }
    if (used) {
      if (run.mayRetry) *run.mayRetry = false;
      ShowError(message);
      return false;
    }
  }
  CString text;
  if (run.product->IsExtensionObsolete(run.loaded, text)) {
    ShowError(text);
    return false;
  }
  if (!run.quiet && run.product->GetExtensionWarning(run.loaded, text) &&
      m_pUI->MessageBox(text.Get(), CZorbPlexarUI::kYesNo, false) != CZorbPlexarUI::kAnswerYes)
    return false;
  return true;
}

bool CZorbPlexar::InstallLicence(InstallRun& run) {
  CZorbProduct::m_backedUpFiles.clear();
  if (run.quiet) return true;
  CString name;
  run.loaded->GetName(name);
  const CString heading = Message(kMsgLicenceHeading, name);
  if (m_dataFolder.GetLength()) {
    CString licence;
    run.loaded->GetLicenseAgreement(licence);
    const CString file = WithColon(m_dataFolder) + u"licenseFile.txt";
    std::string utf8;
    StringUtil::convertStringToSingle(licence, utf8);
    // Only the folder is converted: the conversion makes what is missing
    // as a folder, which would stand in the file's place.
    CString posix;
    if (!CZorbOS::convertPathWithNoLog(m_dataFolder, posix) ||
        platform::atomicWriteFile(Narrow(posix) + "/licenseFile.txt", utf8.data(), utf8.size()) !=
            0) {
      ShowError(Message(kMsgLicenceFileUnwritable) + u" " + file);
      Log(Logger::kFatal, u"Can not write the licence file " + Text(file), __LINE__);
      run.askLicence = false;
      return false;
    }
  }
  const bool ask = run.askLicence;
  run.askLicence = false;
  if (ask && !m_pUI->ConfirmInstall(heading.Get(), u"")) {
    if (run.mayRetry) *run.mayRetry = false;
    return false;
  }
  return true;
}
