#pragma once

#include <vector>

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Copies a folder into place, keeping what stood there in the temporary
// folder until the operation ends: a folder as cop<8 hex digits>.TMP:<name>,
// a file as cpy<8 hex digits>.TMP. With copy-as-folder the source folder
// lands in the destination's folder under its own name; without it, its
// contents fill the destination. With remove-source, the source tree goes
// once the operation has succeeded.
class CInstallCopyDirectory : public CZorbExtensionInstallStep {
 public:
  CInstallCopyDirectory(const char16_t* source, const char16_t* destination, bool removeSource,
                        bool copyAsFolder);
  ~CInstallCopyDirectory() override;

  int Do() override;
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

  // Where the copy lands: the destination, or with copy-as-folder the
  // destination's folder and the source's name (the same path whenever the
  // two names agree). What stands there is what is saved and replaced.
  const CString& GetTarget() const { return m_target; }
  const CString& GetBackupPath() const { return m_backupPath; }
  bool BackupIsFolder() const { return m_backupIsFolder; }

 private:
  CString m_source;
  CString m_destination;
  CString m_backupPath;
  bool m_removeSource;
  bool m_backupIsFolder = true;
  bool m_copyAsFolder;

  CString m_target;
  CString m_fresh;
  bool m_saved = false;
  bool m_removed = false;
  bool m_changed = false;  // the target was deleted or the copy begun
  bool m_copyTried = false;
  bool m_copied = false;
  bool m_undone = false;
  std::vector<CString> m_createdFolders;
};
