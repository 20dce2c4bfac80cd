// The engine's install transaction and the helpers that run its steps
// while a file or folder is in use.
#include "engine/CZorbPlexar.h"

CZorbBusyFileHelper CZorbPlexar::BusyHelper() {
  // The person is told which running host holds a busy item.
  return CZorbBusyFileHelper(m_pUI, [this](const CString& path, CString& product) {
    getOwnFileAndRunningProduct(path, product);
  });
}

bool CZorbPlexar::handleFileOperationWithCheckingFileOccupied(CZorbExtensionInstallStep* step,
                                                              const CZorbPath& path) {
  return BusyHelper().RunWhileBusy(step, path);
}

int CZorbPlexar::HelpUserFreeFile(const CString& path, bool plain) {
  return BusyHelper().HelpUserFreeFile(path, plain);
}

int CZorbPlexar::HelpUserFreeFolder(const CString& path) {
  return BusyHelper().HelpUserFreeFolder(path);
}

int CZorbPlexar::DeleteDirectoryHelper(const CString& path) {
  return BusyHelper().DeleteDirectory(m_transaction, path);
}

bool CZorbPlexar::EnsureFolderExists(const CString& path) {
  return BusyHelper().EnsureFolderExists(m_transaction, path);
}
