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
  // A folder that was not taken is a failure the caller must hear of: "0"
  // would say the host was added.
  CZorbPlexar* engine = commandEngine();
  SetResponse(engine != nullptr && engine->AddIntegratedProductByPath(m_folder) == 0);
}
