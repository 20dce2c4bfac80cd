#pragma once

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Creates a folder (and any missing parents); the undo removes the folder
// again while it is empty.
class CInstallCreateFolder : public CZorbExtensionInstallStep {
 public:
  // path is a colon path.
  explicit CInstallCreateFolder(const char16_t* path);
  ~CInstallCreateFolder() override;

  // 0 when the folder exists afterwards, -1 when it cannot be made.
  int Do() override;
  // 0 when the folder was removed, -1 when it cannot be (it is not empty,
  // or is gone).
  int Undo() override;

  const CString& GetPath() const { return m_path; }

 private:
  CString m_path;
};
