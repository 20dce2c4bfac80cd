#include "app/MigratePreferredExtensionCommand.h"

#include "app/CommandText.h"
#include "engine/CZorbPlexar.h"

void MigratePreferredExtensionCommand::SetResponse(bool ok) {
  sendReply({ok ? "0" : "1"});
}

void MigratePreferredExtensionCommand::execute() {
  if (CZorbPlexar* engine = commandEngine())
    engine->migrateExtensionsFromProductsPreferredFolders();
  SetResponse(true);
}
