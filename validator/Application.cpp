#include "validator/Application.h"

#include "platform/ulp/RunLoop.h"
#include "validator/CFrontController.h"
#include "validator/NimbrelLog.h"

namespace nimbrel {

void Application::BrioAppIsReady() {
  nimbrelLog("Received BrioAppReady message.");
  CFrontController::getInstance()->SendValidationRequest();
}

void Application::ExitApp() {
  ulp::RunLoop::shared().terminate();
}

}  // namespace nimbrel
