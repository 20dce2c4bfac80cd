// The engine's install transaction and the helpers that run its steps
// while a file or folder is in use.
#include "engine/CZorbPlexar.h"
#include "transaction/CZorbBusyFileHelper.h"

namespace {

CZorbBusyFileHelper BusyHelper(CZorbPlexarUI* ui) {
  return CZorbBusyFileHelper(ui);
}

}  // namespace

bool CZorbPlexar::handleFileOperationWithCheckingFileOccupied(CZorbExtensionInstallStep* step,
                                                              const CZorbPath& path) {
  return BusyHelper(m_pUI).RunWhileBusy(step, path);
}

int CZorbPlexar::HelpUserFreeFile(const CString& path, bool plain) {
  return BusyHelper(m_pUI).HelpUserFreeFile(path, plain);
}

int CZorbPlexar::HelpUserFreeFolder(const CString& path) {
  return BusyHelper(m_pUI).HelpUserFreeFolder(path);
}

int CZorbPlexar::DeleteDirectoryHelper(const CString& path) {
  return BusyHelper(m_pUI).DeleteDirectory(m_transaction, path);
}

bool CZorbPlexar::EnsureFolderExists(const CString& path) {
  return BusyHelper(m_pUI).EnsureFolderExists(m_transaction, path);
}
