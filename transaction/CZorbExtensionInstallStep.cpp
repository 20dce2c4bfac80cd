#include "transaction/CZorbExtensionInstallStep.h"

CZorbExtensionInstallStep::~CZorbExtensionInstallStep() = default;

void CZorbExtensionInstallStep::Release() {}

bool CZorbExtensionInstallStep::GetRestoreInfo(CString& /*item*/, CString& /*backup*/) const {
  return false;
}
