// The install's checks: names and description files already in use, other
// users' copies, folder entries of a package and existing destinations.
#include <atomic>
#include <memory>
#include <string>

#include "engine/CZorbPlexar.h"
#include "engine/CZorbPlexarInstallRun.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "products/CZorbProduct.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;
using install::Log;
using install::Text;

namespace {

// "a,b,c" from the list built with a comma after each name.
void DropLastComma(CString& list) {
  if (list.GetLength() && list.Get()[list.GetLength() - 1] == u',')
    list = list.Left(list.GetLength() - 1);
}

}  // namespace

bool CZorbPlexar::checkIfKXIHasBeenUsed(const CZorbProduct* product,
                                        const CString& descriptionFileName, const CString& pureName,
                                        CString& message, int standalone) {
  message.Empty();
  if (!product || descriptionFileName.GetLength() == 0) return false;
  bool conflict = false;
  CString storedName;
  bool loadedOne = false;
  for (auto it = m_products.rbegin(); it != m_products.rend(); ++it) {
    const CZorbProduct* candidate = *it;
    if (!candidate) continue;
    CString store;
    getPXStoreFromProductOrPlexo(candidate, store);
    const CString storePath = store + descriptionFileName;
    const CZorbExtension* stored = FindByProductAndPath(candidate, storePath, false);
    if (!stored) continue;
    CString name;
    candidate->GetName(name);
    message += name + u",";
    if (candidate != product || stored->m_name != pureName) conflict = true;
    if (!loadedOne) {
      loadedOne = true;
      CZorbExtension copy;
      if (copy.Load(storePath, nullptr) == 0)
        copy.GetName(storedName);
      else
        stored->GetName(storedName);
    }
  }
  if (!conflict || message.GetLength() == 0) return false;
  DropLastComma(message);
  CString text;
  text.Format(platform::RuntimeFormat(
                  Message(standalone == 1 ? kMsgNameUsed : kMsgDescriptionFileUsed).Get()),
              storedName, message);
  message = text;
  return true;
}

bool CZorbPlexar::checkIfExtensionNameHasBeenUsed(const CZorbProduct* product,
                                                  const CString& pureName, CString& message,
                                                  const CString& name,
                                                  const CZorbExtension* extension) {
  message.Empty();
  if (!product || pureName.GetLength() == 0 || !extension) return false;
  for (auto it = m_products.rbegin(); it != m_products.rend(); ++it) {
    const CZorbProduct* candidate = *it;
    if (!candidate || !extension->GetPrimaryProduct(m_pUI, candidate)) continue;
    CString candidateName;
    candidate->GetName(candidateName);
    if (FindByPureName(candidate, pureName))
      message += candidateName + u",";
    else if (candidate == product && FindByName(candidate, name))
      message += candidateName + u",";
  }
  if (message.GetLength() == 0) return false;
  DropLastComma(message);
  CString text;
  text.Format(platform::RuntimeFormat(Message(kMsgNameUsed).Get()), name, message);
  message = text;
  return true;
}

void CZorbPlexar::CheckForUserLevelConflicts(const CZorbProduct* product,
                                             const CZorbExtension* extension,
                                             CZorbTypedVector<CString>& paths) {
  if (!product || !extension) return;
  const CString& name = extension->m_name;
  const CString& author = extension->m_authorName;
  CZorbTypedList<CZorbString> folders;
  if (!product->GetAllUserBinPaths(folders)) return;
  CZorbPath shared, current;
  const bool haveShared = product->GetSharedBinPath(shared);
  const bool haveCurrent = product->GetCurrentUserBinPath(current);
  for (const CZorbString& folder : folders) {
    if ((haveShared && WithoutColon(folder) == WithoutColon(shared)) ||
        (haveCurrent && WithoutColon(folder) == WithoutColon(current)))
      continue;
    CZorbPath extensions;
    product->GetExtensionsFolderFor(CZorbPath(folder), extensions);
    CZorbProduct::ExtensionList found;
    product->AddExtensionsFrom(extensions, true, false, &found, nullptr, 10);
    product->AddExtensionsFrom(CZorbPath(WithColon(extensions) + u"Disabled"), false, false, &found,
                               nullptr, 10);
    for (CZorbExtension* copy : found) {
      if (copy->m_name.CompareNoCase(name.Get()) == 0 &&
          copy->m_authorName.CompareNoCase(author.Get()) == 0)
        paths.push_back(copy->m_path);
      delete copy;
    }
  }
}

bool CZorbPlexar::RemoveUserLevelConflicts(CZorbProduct* product,
                                           const CZorbTypedVector<CString>& paths, int timeOut,
                                           CString& message) {
  message.Empty();
  if (!product || paths.empty()) return false;
  bool ok = true;
  for (const CString& path : paths) {
    CString user;
    if (!CZorbOS::ExtractUserName(path, user) || user.GetLength() == 0) continue;
    LoginAs(user);
    CZorbExtension copy;
    CZorbTypedList<CZorbString> errors;
    if (copy.Load(path, &errors) != 0) continue;
    // A copy that stays would keep the conflict: the install stops.
    int restart = 0;
    if (UninstallExtension(product, &copy, false, true, false, true, true, restart, false, timeOut,
                           true, false) != 0) {
      CString name;
      copy.GetName(name);
      message = m_lastError.GetLength() ? m_lastError : Message(kMsgExtensionNotInstalled, name);
      ok = false;
      break;
    }
  }
  LoginAs(CString());
  return ok;
}

bool CZorbPlexar::handleEmptyFolderForKXI(CZorbProduct** products, const CZorbExtension* extension,
                                          const CZorbExtensionFile* file,
                                          const CString& applicationFolder, bool bundle) {
  if (!products || !extension || !file || !m_pUI) return false;
  if (file->m_folder.GetLength() == 0) return true;
  CZorbPath source(file->m_folder);
  CZorbPath destination(file->m_destination);
  int result = 0;
  if (bundle) {
    // A bundle folder outside the unpacked package is refused, and the
    // person has been told so: the install stops here.
    if (LocalizeSource(source) != 0) return false;
  } else {
    result = LocalizeFiles(source, destination, *products, applicationFolder, extension,
                           file->m_folder, file->GetWinExtension());
  }
  if (result == -1) return true;
  const Kind kind = KindOf(source);
  if (kind == Kind::kFolder) return true;
  if (kind == Kind::kFile) {
    if (!CZorbOS::DeleteFile(source, true)) {
      ShowError(Message(kMsgFileNotDeleted, source));
      return false;
    }
    if (!CZorbOS::CreateDirectory(source, true)) {
      ShowError(Message(kMsgFolderNotCreated, source));
      return false;
    }
    return true;
  }
  ShowError(Message(kMsgSourceFolderMissing, source) + u" " + Message(kMsgNotInstalled));
  return false;
}

bool CZorbPlexar::BuildMessageForHandleDestinationFolderOrFileExist(CString& message,
                                                                    const CString& destination,
                                                                    bool isFolder,
                                                                    const CString& bundleId,
                                                                    const CString& bundleVersion) {
  message.Empty();
  if (bundleId.GetLength() == 0) {
    message = Message(isFolder ? kMsgExistingFolder : kMsgExistingFile, destination);
    return true;
  }
  if (!isFolder || !isValidWBXSExtensionDir(destination)) return false;
  CString id, version;
  if (!GetWBXSIdAndVersion(destination, id, version)) {
    Log(Logger::kDebug, u"Can't get wbxs id and version for " + Text(destination), __LINE__);
    return false;
  }
  if (id != bundleId) return false;
  message.Format(platform::RuntimeFormat(Message(kMsgBundleInstalled).Get()), bundleId,
                 bundleVersion, version);
  return true;
}

bool CZorbPlexar::handleDestinationFolderOrFileExist(bool& yesToAll, DirectoryPair& pair, int mode,
                                                     const CString& bundleId,
                                                     const CString& bundleVersion) {
  const CString destination = pair.m_destination;
  const Kind kind = KindOf(destination);
  if (kind == Kind::kNothing) {
    if (mode == 1 && !CZorbOS::CanWriteToDirectory(FolderOf(destination))) {
      ShowError(Message(kMsgFolderNotWritable));
      return false;
    }
    return true;
  }
  const bool folder = kind == Kind::kFolder;
  if (!yesToAll) {
    CString question;
    if (BuildMessageForHandleDestinationFolderOrFileExist(question, destination, folder, bundleId,
                                                          bundleVersion) &&
        m_pUI) {
      const int answer = m_pUI->MessageBox(
          question.Get(),
          mode == 1 ? CZorbPlexarUI::kExistingItemDuringBundle : CZorbPlexarUI::kExistingItem,
          true);
      if (answer == CZorbPlexarUI::kAnswerNo) {
        pair.m_overwrite = false;
        return true;
      }
      if (answer == CZorbPlexarUI::kAnswerOverwriteAll) yesToAll = true;
      if (answer == CZorbPlexarUI::kAnswerCancel) return false;
    }
  }
  for (;;) {
    if (folder ? CZorbOS::CanUpdateDirectory(destination) : CZorbOS::CanUpdateFile(destination))
      return true;
    if (!folder) (void)CZorbOS::MakeFileWritable(destination);
    if (!folder && CZorbOS::CanUpdateFile(destination)) return true;
    if (!CZorbOS::CanWriteToDirectory(FolderOf(destination))) {
      ShowError(Message(kMsgFolderNotWritable));
      return false;
    }
    const int answer =
        folder ? HelpUserFreeFolder(destination) : HelpUserFreeFile(destination, false);
    if (answer != CZorbPlexarUI::kAnswerRetry) return false;
  }
}
