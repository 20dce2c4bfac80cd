#pragma once

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Deletes a file, keeping a copy ("del" in the temporary folder) until the
// operation ends.
class CInstallDeleteFile : public CZorbExtensionInstallStep {
 public:
  // The path's name is taken as spelled on disk when a file of that name
  // (ignoring case) is there.
  explicit CInstallDeleteFile(const char16_t* path);
  ~CInstallDeleteFile() override;

  int Do() override;
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

  const CString& GetPath() const { return m_path; }
  const CString& GetBackupPath() const { return m_backupPath; }

 private:
  CString m_path;
  CString m_backupPath;

  bool m_saved = false;
  bool m_deleteTried = false;
  bool m_deleted = false;
};
