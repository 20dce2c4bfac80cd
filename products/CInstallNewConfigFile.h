#pragma once

#include <vector>

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Stands for a host configuration file that an operation creates where the
// host had none: Do makes the folders it needs, Undo removes the file and
// those folders again, so a rolled-back operation leaves no new file.
class CInstallNewConfigFile : public CZorbExtensionInstallStep {
 public:
  explicit CInstallNewConfigFile(const char16_t* file);
  ~CInstallNewConfigFile() override;
  // -1 when something stands at the path already or a folder cannot be made.
  int Do() override;
  int Undo() override;

 private:
  CString m_file;
  bool m_done = false;
  std::vector<CString> m_createdFolders;
};
