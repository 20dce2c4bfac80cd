#include "app/CDisableExCommand.h"

#include "engine/CZorbPlexar.h"

void CDisableExCommand::execute() {
  static const Words words = {
      "Disable Extensions: Can not find the product based on the product name",
      "Disable Extensions: Can not find the extension", "Disable extension failed", true};
  Run(words, [this](CZorbPlexar& engine, CZorbProduct* product, CZorbExtension* extension) {
    return engine.DisableExtension(product, extension, true, m_timeOut, true);
  });
}
