#include "app/CEnableExCommand.h"

#include "engine/CZorbPlexar.h"

void CEnableExCommand::execute() {
  static const Words words = {
      "Enable Extensions: Can not find the product based on the product name",
      "Enable Extensions: Can not find the extension", "Enable extension failed", true};
  Run(words, [this](CZorbPlexar& engine, CZorbProduct* product, CZorbExtension* extension) {
    return engine.EnableExtension(product, extension, m_timeOut);
  });
}
