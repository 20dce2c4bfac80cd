#pragma once

#include "foundation/CString.h"
#include "products/CZorbProductInfo.h"

// Fixed product information of a version-10 graphics host: its folder
// names, answered without asking the host. The folders it has no name for
// (shared extensions, user bin, application configuration, help) and
// GetValue leave out unchanged.
class EZArbor10Mock : public CZorbProductInfo {
 public:
  void GetValue(const CString& key, CString& out) const override;
  void GetInstallFolderName(CString& out) override;
  void GetExtensionFolderName(CString& out) override;
  void GetUserConfigureFolderName(CString& out) override;
};
