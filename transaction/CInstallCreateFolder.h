#pragma once

#include <vector>

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Creates a folder (and any missing parents); the undo removes what it
// created, innermost first, while it is empty. A folder that was there
// already stays.
class CInstallCreateFolder : public CZorbExtensionInstallStep {
 public:
  // path is a colon path.
  explicit CInstallCreateFolder(const char16_t* path);
  ~CInstallCreateFolder() override;

  // 0 when the folder exists afterwards, -1 when it cannot be made.
  int Do() override;
  // 0 when every folder Do created is gone, -1 when one cannot be removed
  // (it is no longer empty).
  int Undo() override;

  const CString& GetPath() const { return m_path; }

 private:
  CString m_path;
  bool m_checked = false;
  // Innermost first.
  std::vector<CString> m_created;
};
