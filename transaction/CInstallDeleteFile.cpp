#include "transaction/CInstallDeleteFile.h"

#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallDeleteFile::CInstallDeleteFile(const char16_t* path) : m_path(path) {
  CZorbFileFinder finder;
  if (m_path.GetLength() == 0 || !finder.FindFirst(m_path)) return;
  // A name with wildcard characters may match another file: only a
  // spelling of the same name is taken.
  const CString found(finder.GetFileName());
  if (found.CompareNoCase(NameOf(m_path)) == 0) m_path = FolderOf(m_path) + found;
}

CInstallDeleteFile::~CInstallDeleteFile() = default;

int CInstallDeleteFile::Do() {
  if (m_deleted) return 0;
  if (!m_saved) {
    m_backupPath = NewTempName(u"del");
    if (m_backupPath.GetLength() == 0 || !SaveFile(m_path, m_backupPath)) {
      m_backupPath.Empty();
      return -1;
    }
    m_saved = true;
  }
  Unlock(m_path);
  m_deleteTried = true;
  if (!CZorbOS::DeleteFile(m_path, false)) return -1;
  m_deleted = true;
  return 0;
}

int CInstallDeleteFile::Undo() {
  if (!m_deleteTried) return 0;
  return RestoreFile(m_backupPath, m_path) ? 0 : -1;
}

void CInstallDeleteFile::Release() {
  if (m_backupPath.GetLength() == 0) return;
  DiscardFile(m_backupPath);
  m_backupPath.Empty();
}

bool CInstallDeleteFile::GetRestoreInfo(CString& item, CString& backup) const {
  if (m_backupPath.GetLength() == 0) return false;
  item = m_path;
  backup = m_backupPath;
  return true;
}
