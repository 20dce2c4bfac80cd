#pragma once

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Deletes a folder tree (or a file standing at the path), keeping a copy in
// the temporary folder until the operation ends: a folder as
// fol<8 hex digits>.TMP:<name>, a file as cpy<8 hex digits>.TMP. Nothing at
// the path is no failure.
class CInstallDeleteDirectory : public CZorbExtensionInstallStep {
 public:
  explicit CInstallDeleteDirectory(const char16_t* path);
  ~CInstallDeleteDirectory() override;

  int Do() override;
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

  const CString& GetPath() const { return m_path; }
  const CString& GetBackupPath() const { return m_backupPath; }
  bool BackupIsFolder() const { return m_backupIsFolder; }

 private:
  CString m_path;
  CString m_backupPath;
  bool m_backupIsFolder = true;

  // The fresh folder that holds a saved folder.
  CString m_fresh;
  bool m_saved = false;
  bool m_deleteTried = false;
  bool m_deleted = false;
};
