#include "app/UpdateCLIErrorMessageCommand.h"

#include <cstdio>
#include <string>

#include "app/CTAMBFrontController.h"
#include "app/CommandText.h"
#include "app/IEngine.h"
#include "foundation/AppGlobals.h"
#include "foundation/Logger.h"

namespace {
constexpr size_t kArguments = 2;
}  // namespace

bool UpdateCLIErrorMessageCommand::parseArguments() {
  m_message.Empty();
  if (argumentCount() < kArguments) {
    Logger::write(Logger::kError,
                  std::string("SourceProductAdapterCommand: Arguments are less than 2"), __FILE__,
                  __LINE__);
    return true;
  }
  m_message = commandText(argumentText(1));
  m_message.Replace(u"&apos;", u"'");
  return true;
}

void UpdateCLIErrorMessageCommand::execute() {
  if (m_message.GetLength() > 0) {
    if (IEngine* engine = CTAMBFrontController::m_manager) engine->SetLastErrorText(m_message);
    if (g_isInSuppressMode) {
      const std::string line = commandUtf8(m_message) + "\n";
      std::fputs(line.c_str(), stderr);
      std::fflush(stderr);
    }
  }
  sendReply({"0"});
}
