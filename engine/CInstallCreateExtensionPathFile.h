#pragma once

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

class CZorbExtensionPaths;

// Writes an extension's path file. What stood at the path before (an older
// path file, or a folder in its way) is kept as a copy in the temporary
// folder until the operation ends, and put back by the undo.
class CInstallCreateExtensionPathFile : public CZorbExtensionInstallStep {
 public:
  // The path-file object is borrowed: its creator keeps it alive until the
  // step is deleted.
  CInstallCreateExtensionPathFile(CZorbExtensionPaths* paths, const CString& path);
  ~CInstallCreateExtensionPathFile() override;

  // -1 without a path-file object, when a link or an unknown item stands at
  // the path, or when saving, removing or writing fails.
  int Do() override;
  int Undo() override;
  void Release() override;
  bool GetRestoreInfo(CString& item, CString& backup) const override;

  const CString& GetPath() const { return m_path; }
  const CString& GetBackupPath() const { return m_backupPath; }

 private:
  CZorbExtensionPaths* m_paths;
  CString m_path;
  // The saved copy of what stood at the path; for a folder, m_fresh is the
  // temporary folder that holds it.
  CString m_backupPath;
  CString m_fresh;
  bool m_backupIsFolder = false;

  // How far Do got.
  bool m_saved = false;
  bool m_removed = false;
  bool m_writeTried = false;
};
