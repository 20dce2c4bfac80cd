#pragma once

#include <vector>

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Copies a file to a backup path its creator chose, before the creator
// changes the file. Undo copies the backup back over the file; the backup
// stays after a successful operation. An earlier backup at that path is
// kept aside ("bak" in the temporary folder) so that an undo gives it back.
class CInstallBackupFile : public CZorbExtensionInstallStep {
 public:
  CInstallBackupFile(const char16_t* file, const char16_t* backupPath);
  ~CInstallBackupFile() override;

  // A failed backup leaves the file and the backup path as they were.
  int Do() override;
  // Puts the file back from the backup, then the backup path as it was.
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

  const CString& GetFile() const { return m_file; }
  const CString& GetBackupPath() const { return m_backupPath; }

 private:
  // Gives the backup path back its state from before Do.
  bool RestoreBackupPath();

  CString m_file;
  CString m_backupPath;

  bool m_prepared = false;
  bool m_done = false;
  // The earlier backup's copy, when there was one.
  CString m_previous;
  std::vector<CString> m_createdFolders;
};
