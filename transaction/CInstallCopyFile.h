#pragma once

#include <vector>

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Copies a file over its destination, keeping a copy of what stood there
// ("cpy" in the temporary folder) until the operation ends. With move, the
// source goes once the operation has succeeded, and so do the folders it
// leaves empty.
class CInstallCopyFile : public CZorbExtensionInstallStep {
 public:
  // The third argument is not used by the step.
  CInstallCopyFile(const char16_t* source, const char16_t* destination, bool unused, bool move);
  ~CInstallCopyFile() override;

  // -1 when a folder stands at the destination, or a copy fails.
  int Do() override;
  // Puts back the old destination, or removes the copy and the folders the
  // copy created when there was none.
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

  const CString& GetSource() const { return m_source; }
  const CString& GetDestination() const { return m_destination; }
  const CString& GetBackupPath() const { return m_backupPath; }

 private:
  CString m_source;
  CString m_destination;
  CString m_backupPath;
  CString m_unused;
  bool m_move;

  // How far Do got.
  bool m_prepared = false;
  bool m_copyTried = false;
  bool m_copied = false;
  bool m_undone = false;
  std::vector<CString> m_createdFolders;
};
