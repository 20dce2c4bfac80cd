#include "app/CImportProductCommand.h"

#include "app/CommandText.h"
#include "engine/CZorbPlexar.h"
#include "foundation/Logger.h"

namespace {
constexpr size_t kArguments = 2;
}  // namespace

bool CImportProductCommand::parseArguments() {
  if (argumentCount() < kArguments) {
    Logger::write(Logger::kDebug, std::string("Wrong argument number."), __FILE__, __LINE__);
    return false;
  }
  m_folder = commandText(argumentText(1));
  return true;
}

void CImportProductCommand::SetResponse(bool ok) {
  sendReply({ok ? "0" : "1"});
}

void CImportProductCommand::execute() {
  // The engine tells the person itself why a folder was not taken.
  if (CZorbPlexar* engine = commandEngine()) (void)engine->AddIntegratedProductByPath(m_folder);
  SetResponse(true);
}
