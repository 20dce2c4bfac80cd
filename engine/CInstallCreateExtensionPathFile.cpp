#include "engine/CInstallCreateExtensionPathFile.h"

#include "extension/CZorbExtensionPaths.h"
#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallCreateExtensionPathFile::CInstallCreateExtensionPathFile(CZorbExtensionPaths* paths,
                                                                 const CString& path)
    : m_paths(paths), m_path(WithoutColon(path)) {}

CInstallCreateExtensionPathFile::~CInstallCreateExtensionPathFile() = default;

int CInstallCreateExtensionPathFile::Do() {
  if (m_paths == nullptr || m_path.GetLength() == 0) return -1;
  if (!m_saved) {
    const Kind kind = KindOf(m_path);
    if (kind == Kind::kFolder) {
      m_backupIsFolder = true;
      if (!BackUpFolder(u"folder", m_path, m_fresh, m_backupPath)) return -1;
    } else if (kind == Kind::kFile) {
      if (!BackUpFile(u"pth", m_path, m_backupPath)) return -1;
    } else if (kind != Kind::kNothing) {
      // A link would have the file written where it points.
      LogStepError(u"Cannot write a path file over what stands at ", m_path, __FILE__, __LINE__);
      return -1;
    }
    m_saved = true;
  }
  if (m_backupPath.GetLength() > 0 && !m_removed) {
    bool ok;
    if (m_backupIsFolder) {
      ok = RemoveSavedTree(m_path, false);
    } else {
      Unlock(m_path);
      ok = CZorbOS::DeleteFile(m_path, false);
    }
    // A part-way removal is put right by the undo from the saved copy.
    m_removed = true;
    if (!ok) return -1;
  }
  m_writeTried = true;
  m_paths->m_path = m_path;
  return m_paths->Save(nullptr) == 0 ? 0 : -1;
}

int CInstallCreateExtensionPathFile::Undo() {
  if (m_writeTried && !DiscardTree(m_path)) return -1;
  if (!m_removed) return 0;
  const bool ok = m_backupIsFolder ? RestoreFolder(m_backupPath, FolderOf(m_path))
                                   : RestoreFile(m_backupPath, m_path);
  return ok ? 0 : -1;
}

void CInstallCreateExtensionPathFile::Release() {
  if (m_backupIsFolder) {
    if (m_fresh.GetLength() > 0) DiscardTree(m_fresh);
  } else if (m_backupPath.GetLength() > 0) {
    DiscardFile(m_backupPath);
  }
  m_fresh.Empty();
  m_backupPath.Empty();
}

bool CInstallCreateExtensionPathFile::GetRestoreInfo(CString& item, CString& backup) const {
  if (m_backupPath.GetLength() == 0 || !m_removed) return false;
  item = m_path;
  backup = m_backupPath;
  return true;
}
