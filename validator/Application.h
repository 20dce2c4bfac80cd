#pragma once

#include "validator/IApplication.h"

namespace nimbrel {

class Application : public IApplication {
 public:
  // Logs the readiness and sends the request.
  void BrioAppIsReady() override;
  // Terminates the run loop; the delegate then ends the process.
  void ExitApp() override;
};

}  // namespace nimbrel
