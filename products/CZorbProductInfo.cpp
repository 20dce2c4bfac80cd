#include "products/CZorbProductInfo.h"

CZorbProductInfo::~CZorbProductInfo() = default;

void CZorbProductInfo::GetInstallFolderName(CString&) {}

void CZorbProductInfo::mapToProductTokens(TokenMap&, bool) {}

bool CZorbProductInfo::processTokenString(const CString&, CString&, bool) {
  return true;
}
