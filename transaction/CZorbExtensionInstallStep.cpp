#include "transaction/CZorbExtensionInstallStep.h"

CZorbExtensionInstallStep::~CZorbExtensionInstallStep() = default;

void CZorbExtensionInstallStep::Release() {}
