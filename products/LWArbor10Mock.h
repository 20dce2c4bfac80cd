#pragma once

#include "foundation/CString.h"
#include "products/CZorbProductInfo.h"

// Fixed product information of a version-10 web host: its folder names,
// answered without asking the host. GetValue leaves out unchanged.
class LWArbor10Mock : public CZorbProductInfo {
 public:
  void GetValue(const CString& key, CString& out) const override;
  void GetInstallFolderName(CString& out) override;
  void GetExtensionFolderName(CString& out) override;
  void GetSharedExtensionFolderName(CString& out) override;
  void GetUserConfigureFolderName(CString& out) override;
  void GetUserBinFolderName(CString& out) override;
  void GetAppConfigureFolderName(CString& out) override;
  void GetHelpFolderName(CString& out) override;
};
