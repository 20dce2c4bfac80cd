#pragma once

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Replaces a folder by a file of the same path, keeping the folder as
// ove<8 hex digits>.TMP:<name> in the temporary folder until the operation
// ends. With move, the source goes once the operation has succeeded.
class CInstallCopyFileAndOverwriteFolder : public CZorbExtensionInstallStep {
 public:
  CInstallCopyFileAndOverwriteFolder(const char16_t* source, const char16_t* destination,
                                     bool move);
  ~CInstallCopyFileAndOverwriteFolder() override;

  // -1, changing nothing, when no folder stands at the destination.
  int Do() override;
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

  const CString& GetBackupPath() const { return m_backupPath; }

 private:
  CString m_source;
  CString m_destination;
  CString m_backupPath;
  bool m_move;

  CString m_fresh;
  bool m_saved = false;
  bool m_removeTried = false;
  bool m_removed = false;
  bool m_copied = false;
  bool m_undone = false;
};
