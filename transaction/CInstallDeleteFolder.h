#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Removes an empty folder; the undo makes it again with its old
// permissions.
class CInstallDeleteFolder : public CZorbExtensionInstallStep {
 public:
  explicit CInstallDeleteFolder(const char16_t* path);
  ~CInstallDeleteFolder() override;

  // -1 when the folder is not there or not empty.
  int Do() override;
  int Undo() override;

  const CString& GetPath() const { return m_path; }

 private:
  CString m_path;
  bool m_removed = false;
  PermissionInfo m_permissions;
};
