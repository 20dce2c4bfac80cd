#include "transaction/CInstallCopyFileAndOverwriteFolder.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallCopyFileAndOverwriteFolder::CInstallCopyFileAndOverwriteFolder(const char16_t* source,
                                                                       const char16_t* destination,
                                                                       bool move)
    : m_source(source), m_destination(WithoutColon(CString(destination))), m_move(move) {}

CInstallCopyFileAndOverwriteFolder::~CInstallCopyFileAndOverwriteFolder() = default;

int CInstallCopyFileAndOverwriteFolder::Do() {
  if (m_copied) return 0;
  if (!m_saved) {
    if (KindOf(m_destination) != Kind::kFolder) return -1;
    if (!BackUpFolder(u"over", m_destination, m_fresh, m_backupPath)) return -1;
    m_saved = true;
  }
  if (!m_removed) {
    m_removeTried = true;
    if (!RemoveSavedTree(m_destination, false)) return -1;
    m_removed = true;
  }
  if (!CZorbOS::CopyFile(m_source, m_destination)) return -1;
  m_copied = true;
  return 0;
}

int CInstallCopyFileAndOverwriteFolder::Undo() {
  m_undone = true;
  if (!m_removeTried) return 0;
  // The copied file goes; a folder still standing there (whole or in part)
  // is replaced by the saved one.
  if (KindOf(m_destination) != Kind::kFolder && !DiscardFile(m_destination)) return -1;
  return RestoreFolder(m_backupPath, FolderOf(m_destination)) ? 0 : -1;
}

void CInstallCopyFileAndOverwriteFolder::Release() {
  if (m_fresh.GetLength() > 0) DiscardTree(m_fresh);
  m_fresh.Empty();
  m_backupPath.Empty();
  if (m_move && m_copied && !m_undone && m_source.GetLength() > 0) {
    Unlock(m_source);
    if (CZorbOS::DeleteFile(m_source, true)) RemoveEmptiedParents(m_source);
  }
}

bool CInstallCopyFileAndOverwriteFolder::GetRestoreInfo(CString& item, CString& backup) const {
  if (m_backupPath.GetLength() == 0) return false;
  item = m_destination;
  backup = m_backupPath;
  return true;
}
