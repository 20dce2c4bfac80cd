#include "app/CLIReadyCommand.h"

#include <string>

#include "app/CRequestIdManager.h"
#include "app/CRuntimeCLIParser.h"
#include "app/CTAMBFrontController.h"
#include "foundation/CStartupCLIParser.h"
#include "foundation/Logger.h"

void CLIReadyCommand::execute() {
  Logger::write(Logger::kDebug, std::string("C++ start to parse CLI and execute it"), __FILE__,
                __LINE__);
  CTAMBFrontController* controller = CTAMBFrontController::getInstance();
  CStartupCLIParser::getInstance()->handleCommandLine();
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  controller->sendCallbackMessage("brioEnableUI", makeArguments({id}));
  CRequestIdManager::getInstance()->setBrioStateOK();
  CRuntimeCLIParser::getInstance()->handleCommandLine();
}
