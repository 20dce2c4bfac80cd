#include "products/CZorbProductInfo.h"

CZorbProductInfo::~CZorbProductInfo() = default;

void CZorbProductInfo::GetInstallFolderName(CString&) {}

void CZorbProductInfo::GetExtensionFolderName(CString&) {}

void CZorbProductInfo::GetSharedExtensionFolderName(CString&) {}

void CZorbProductInfo::GetUserConfigureFolderName(CString&) {}

void CZorbProductInfo::GetUserBinFolderName(CString&) {}

void CZorbProductInfo::GetAppConfigureFolderName(CString&) {}

void CZorbProductInfo::GetHelpFolderName(CString&) {}

void CZorbProductInfo::mapToProductTokens(TokenMap&, bool) {}

bool CZorbProductInfo::processTokenString(const CString&, CString&, bool) {
  return true;
}
