#pragma once

namespace nimbrel {

// What the host classes report to the application.
class IApplication {
 public:
  virtual ~IApplication() = default;
  // The component is ready for the request.
  virtual void BrioAppIsReady() = 0;
  // Ends the application (with the exit code set).
  virtual void ExitApp() = 0;
};

}  // namespace nimbrel
