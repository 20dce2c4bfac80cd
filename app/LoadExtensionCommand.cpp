#include "app/LoadExtensionCommand.h"

#include <string>

#include "app/CommandText.h"
#include "engine/CZorbPlexar.h"
#include "foundation/Logger.h"

void LoadExtensionCommand::SetResponse(bool ok) {
  Logger::write(Logger::kFatal, std::string("Load extension finished"), __FILE__, __LINE__);
  sendReply({ok ? "0" : "1"});
}

void LoadExtensionCommand::execute() {
  if (CZorbPlexar* engine = commandEngine()) (void)engine->Load();
  SetResponse(true);
}
