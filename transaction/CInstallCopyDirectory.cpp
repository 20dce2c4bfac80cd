#include "transaction/CInstallCopyDirectory.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallCopyDirectory::CInstallCopyDirectory(const char16_t* source, const char16_t* destination,
                                             bool removeSource, bool copyAsFolder)
    : m_source(WithoutColon(CString(source))),
      m_destination(WithoutColon(CString(destination))),
      m_removeSource(removeSource),
      m_copyAsFolder(copyAsFolder) {
  m_target = m_copyAsFolder ? FolderOf(m_destination) + NameOf(m_source) : m_destination;
}

CInstallCopyDirectory::~CInstallCopyDirectory() = default;

int CInstallCopyDirectory::Do() {
  if (m_copied) return 0;
  if (!m_saved) {
    const Kind kind = KindOf(m_target);
    if (kind == Kind::kUnknown) return -1;
    if (kind == Kind::kFolder) {
      m_backupIsFolder = true;
      if (!BackUpFolder(u"copy", m_target, m_fresh, m_backupPath)) return -1;
    } else if (kind != Kind::kNothing) {
      m_backupIsFolder = false;
      CZorbOS::getTempPathForFolderOperation(CString(u"cpy"), m_backupPath);
      if (m_backupPath.GetLength() == 0 || !SaveFile(m_target, m_backupPath)) {
        m_backupPath.Empty();
        return -1;
      }
    } else {
      m_createdFolders = MissingFolders(m_target);
    }
    m_saved = true;
  }
  if (m_backupPath.GetLength() > 0 && !m_removed) {
    m_changed = true;
    bool ok;
    if (m_backupIsFolder) {
      ok = RemoveSavedTree(m_target, false);
    } else {
      Unlock(m_target);
      ok = CZorbOS::DeleteFile(m_target, false);
    }
    if (!ok) return -1;
    m_removed = true;
  }
  // A copy broken off before goes first: the contents copy wants an empty
  // folder.
  if (m_copyTried && !DiscardTree(m_target)) return -1;
  m_changed = true;
  m_copyTried = true;
  const bool ok = m_copyAsFolder ? CZorbOS::CopyDirectory(m_source, FolderOf(m_destination))
                                 : CZorbOS::CopyDirectoryToEmptyFolder(m_source, m_destination);
  if (!ok) return -1;
  m_copied = true;
  return 0;
}

int CInstallCopyDirectory::Undo() {
  m_undone = true;
  if (!m_changed) return 0;
  if (m_backupPath.GetLength() == 0) {
    if (!DiscardTree(m_target)) return -1;
    RemoveCreatedFolders(m_createdFolders);
    return 0;
  }
  // Copying the saved folder back replaces whatever stands at the target:
  // the copy, or what is left of the old folder.
  if (m_backupIsFolder) return RestoreFolder(m_backupPath, FolderOf(m_target)) ? 0 : -1;
  if (KindOf(m_target) == Kind::kFolder && !DiscardTree(m_target)) return -1;
  return RestoreFile(m_backupPath, m_target) ? 0 : -1;
}

void CInstallCopyDirectory::Release() {
  if (!m_backupIsFolder) {
    if (m_backupPath.GetLength() > 0) DiscardFile(m_backupPath);
  } else if (m_fresh.GetLength() > 0) {
    DiscardTree(m_fresh);
  }
  m_fresh.Empty();
  m_backupPath.Empty();
  if (m_removeSource && m_copied && !m_undone && m_source.GetLength() > 0)
    if (!CZorbOS::DeleteDirectoryWithoutRollback(m_source, true))
      LogStepError(u"Cannot remove the copied source ", m_source, __FILE__, __LINE__);
}

bool CInstallCopyDirectory::GetRestoreInfo(CString& item, CString& backup) const {
  if (m_backupPath.GetLength() == 0) return false;
  item = m_target;
  backup = m_backupPath;
  return true;
}
