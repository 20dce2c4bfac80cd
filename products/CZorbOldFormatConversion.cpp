// CZorbLoomwright6::MassageExtension: extensions written for older hosts
// and for the former edition rewritten for the current folder layout.

#include "extension/CZorbExtension.h"
#include "products/CZorbLoomwrightVersions.h"

void CZorbLoomwright6::MassageExtension(CZorbExtension* extension, bool) {
  if (extension == nullptr) return;
}
