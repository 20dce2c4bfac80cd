#include "app/CommandExecutor.h"

#include <string>

#include "app/CBrioCommand.h"
#include "app/CRequestIdManager.h"
#include "app/CTAMBFrontController.h"
#include "foundation/Logger.h"

bool CommandExecutor::init() {
  CTAMBFrontController* controller = CTAMBFrontController::getInstance();
  if (!controller->Initialize()) {
    Logger::write(Logger::kFatal, std::string("TAMB Controller initialized failed"), __FILE__,
                  __LINE__);
    return false;
  }
  Logger::write(Logger::kDebug, std::string("TAMB Controller initialized succeed"), __FILE__,
                __LINE__);
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  controller->sendCallbackMessage("brioNotifyReady", makeArguments({id}));
  return true;
}
