#include "transaction/CInstallDeleteDirectory.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallDeleteDirectory::CInstallDeleteDirectory(const char16_t* path)
    : m_path(WithoutColon(CString(path))) {}

CInstallDeleteDirectory::~CInstallDeleteDirectory() = default;

int CInstallDeleteDirectory::Do() {
  if (m_deleted) return 0;
  if (!m_saved) {
    const Kind kind = KindOf(m_path);
    if (kind == Kind::kUnknown) return -1;
    if (kind == Kind::kFolder) {
      m_backupIsFolder = true;
      if (!BackUpFolder(u"folder", m_path, m_fresh, m_backupPath)) return -1;
    } else if (kind == Kind::kNothing) {
      return 0;
    } else {
      m_backupIsFolder = false;
      if (!BackUpFile(u"cpy", m_path, m_backupPath)) return -1;
    }
    m_saved = true;
  }
  m_deleteTried = true;
  bool ok;
  if (m_backupIsFolder) {
    ok = RemoveSavedTree(m_path, false);
  } else {
    Unlock(m_path);
    ok = CZorbOS::DeleteFile(m_path, false);
  }
  if (!ok) return -1;
  m_deleted = true;
  return 0;
}

int CInstallDeleteDirectory::Undo() {
  if (!m_deleteTried) return 0;
  if (m_backupIsFolder) return RestoreFolder(m_backupPath, FolderOf(m_path)) ? 0 : -1;
  return RestoreFile(m_backupPath, m_path) ? 0 : -1;
}

void CInstallDeleteDirectory::Release() {
  if (m_backupIsFolder) {
    if (m_fresh.GetLength() > 0) DiscardTree(m_fresh);
    m_fresh.Empty();
  } else if (m_backupPath.GetLength() > 0) {
    DiscardFile(m_backupPath);
  }
  m_backupPath.Empty();
}

bool CInstallDeleteDirectory::GetRestoreInfo(CString& item, CString& backup) const {
  if (m_backupPath.GetLength() == 0) return false;
  item = m_path;
  backup = m_backupPath;
  return true;
}
