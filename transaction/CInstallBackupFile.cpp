#include "transaction/CInstallBackupFile.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallBackupFile::CInstallBackupFile(const char16_t* file, const char16_t* backupPath)
    : m_file(file), m_backupPath(backupPath) {}

CInstallBackupFile::~CInstallBackupFile() = default;

int CInstallBackupFile::Do() {
  if (m_done) return 0;
  if (!m_prepared) {
    const Kind kind = KindOf(m_backupPath);
    if (kind == Kind::kFolder || kind == Kind::kUnknown) {
      LogStepError(u"Cannot back up over what stands at ", m_backupPath, __FILE__, __LINE__);
      return -1;
    }
    if (kind != Kind::kNothing) {
      m_previous = NewTempName(u"bak");
      if (m_previous.GetLength() == 0 || !SaveFile(m_backupPath, m_previous)) {
        m_previous.Empty();
        return -1;
      }
    }
    m_createdFolders = MissingFolders(m_backupPath);
    m_prepared = true;
  }
  if (ItemExists(m_backupPath)) Unlock(m_backupPath);
  if (CZorbOS::CopyFile(m_file, m_backupPath) && MatchPermissions(m_file, m_backupPath)) {
    m_done = true;
    return 0;
  }
  // No partial backup stays behind.
  RestoreBackupPath();
  return -1;
}

bool CInstallBackupFile::RestoreBackupPath() {
  bool ok = true;
  if (m_previous.GetLength() > 0) {
    ok = RestoreFile(m_previous, m_backupPath);
  } else {
    ok = DiscardFile(m_backupPath);
    RemoveCreatedFolders(m_createdFolders);
  }
  return ok;
}

int CInstallBackupFile::Undo() {
  if (!m_done) return 0;
  if (!RestoreFile(m_backupPath, m_file)) return -1;
  m_done = false;
  return RestoreBackupPath() ? 0 : -1;
}

void CInstallBackupFile::Release() {
  if (m_previous.GetLength() == 0) return;
  DiscardFile(m_previous);
  m_previous.Empty();
}

bool CInstallBackupFile::GetRestoreInfo(CString& item, CString& backup) const {
  if (!m_done) {
    // The file is back; only the earlier backup may be left to restore.
    if (m_previous.GetLength() == 0) return false;
    item = m_backupPath;
    backup = m_previous;
    return true;
  }
  item = m_file;
  backup = m_backupPath;
  return true;
}
