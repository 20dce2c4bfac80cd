#include "transaction/CInstallCopyFile.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallCopyFile::CInstallCopyFile(const char16_t* source, const char16_t* destination,
                                   bool /*unused*/, bool move)
    : m_source(source), m_destination(destination), m_move(move) {}

CInstallCopyFile::~CInstallCopyFile() = default;

int CInstallCopyFile::Do() {
  if (m_copied) return 0;
  if (!m_prepared) {
    const Kind kind = KindOf(m_destination);
    // Replacing a folder by a file is the overwrite-folder step's work.
    if (kind == Kind::kFolder || kind == Kind::kUnknown) {
      LogStepError(u"Cannot copy over what stands at ", m_destination, __FILE__, __LINE__);
      return -1;
    }
    if (kind != Kind::kNothing) {
      m_backupPath = NewTempName(u"cpy");
      if (m_backupPath.GetLength() == 0 || !SaveFile(m_destination, m_backupPath)) {
        m_backupPath.Empty();
        return -1;
      }
    }
    m_createdFolders = MissingFolders(m_destination);
    m_prepared = true;
  }
  if (ItemExists(m_destination)) Unlock(m_destination);
  m_copyTried = true;
  // The copy carries the source's content date along.
  if (!CZorbOS::CopyFile(m_source, m_destination)) return -1;
  m_copied = true;
  return 0;
}

int CInstallCopyFile::Undo() {
  m_undone = true;
  if (!m_copyTried) return 0;
  if (m_backupPath.GetLength() > 0) {
    return RestoreFile(m_backupPath, m_destination) ? 0 : -1;
  }
  if (!DiscardFile(m_destination)) return -1;
  RemoveCreatedFolders(m_createdFolders);
  return 0;
}

void CInstallCopyFile::Release() {
  if (m_backupPath.GetLength() > 0) {
    DiscardFile(m_backupPath);
    m_backupPath.Empty();
  }
  // An undone move keeps its source: it is the only copy left.
  if (m_move && m_copied && !m_undone && m_source.GetLength() > 0) {
    Unlock(m_source);
    if (CZorbOS::DeleteFile(m_source, true)) RemoveEmptiedParents(m_source);
  }
}

bool CInstallCopyFile::GetRestoreInfo(CString& item, CString& backup) const {
  if (m_backupPath.GetLength() == 0) return false;
  item = m_destination;
  backup = m_backupPath;
  return true;
}
