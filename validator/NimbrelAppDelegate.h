#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/ulp/VskoUlpStage.h"
#include "support/any_regular_t.h"
#include "support/vector.h"
#include "validator/Application.h"
#include "validator/request_t.h"

namespace nimbrel {

// Nimbrel's exit codes (the parent sees them modulo 256: 255 to 250).
inline constexpr int kExitOk = 0;
inline constexpr int kExitNoFolder = -1;       // the executable's real path is unknown
inline constexpr int kExitInitialize = -2;     // the runtime did not start
inline constexpr int kExitStage = -3;          // no stage
inline constexpr int kExitLoadComponent = -4;  // the component did not load
inline constexpr int kExitWrongMessage = -5;   // the component answered something else
inline constexpr int kExitRequest = -6;        // no request could be read on standard input

// The status the process exits with; set once on a failure.
extern int g_exitCode;

// An event of the application's own, posted to the run loop.
inline constexpr int kApplicationDefinedEvent = 15;
inline constexpr int kRequestEventSubtype = 565;

struct AppEvent {
  int type = 0;
  int subtype = 0;
  std::shared_ptr<request_t> data1;
  intptr_t data2 = 0;
};

// The hidden window whose content is the runtime's stage.
class UlpWindow {
 public:
  explicit UlpWindow(const UlpRect& contentRect) : m_contentRect(contentRect) {}

  // A request event delivers its request to the component.
  void sendEvent(const AppEvent& event);

  const UlpRect& contentRect() const { return m_contentRect; }
  void setContentView(std::unique_ptr<VskoUlpStage> stage) { m_stage = std::move(stage); }
  VskoUlpStage* contentView() const { return m_stage.get(); }
  void setDelegate(std::unique_ptr<VskoUlpStageDelegateProtocol> delegate);

 private:
  UlpRect m_contentRect;
  // The delegate outlives the stage, which tells it when it goes.
  std::unique_ptr<VskoUlpStageDelegateProtocol> m_delegate;
  std::unique_ptr<VskoUlpStage> m_stage;
};

class NimbrelAppDelegate;

class StageDelegate : public VskoUlpStageDelegateProtocol {
 public:
  explicit StageDelegate(NimbrelAppDelegate* controller) : m_controller(controller) {}
  void setStage(VskoUlpStage* stage) { mStage = stage; }
  void vskoUlpStageWillDealloc(VskoUlpStage* stage) override;

  NimbrelAppDelegate* controller() const { return m_controller; }
  VskoUlpStage* stage() const { return mStage; }

 private:
  NimbrelAppDelegate* m_controller;
  VskoUlpStage* mStage = nullptr;
};

// Start-up and shutdown of the application.
class NimbrelAppDelegate {
 public:
  // argv[0], then the texts of the request read on standard input.
  explicit NimbrelAppDelegate(std::vector<std::string> arguments);
  ~NimbrelAppDelegate();
  NimbrelAppDelegate(const NimbrelAppDelegate&) = delete;
  NimbrelAppDelegate& operator=(const NimbrelAppDelegate&) = delete;

  // Sets the exit code to 0 and builds everything; on success saves the
  // arguments for the request, otherwise ends the application.
  void applicationDidFinishLaunching();
  // The window, the stage, the component and the host classes; false, with
  // the exit code set, when a step fails.
  bool createQMV();
  // The folder of the executable's real path, ending in "/"; empty, with
  // exit code -1, when it can't be resolved.
  std::string getQmvFolder();
  // The request's texts as string values.
  vesko::vector<vesko::any_regular_t> getParameters() const;
  // Takes the host classes, the window and the runtime down.
  void applicationWillTerminate();

  UlpWindow* mainWin() const { return m_mainWin.get(); }

 private:
  std::vector<std::string> m_arguments;
  std::unique_ptr<UlpWindow> m_mainWin;
  std::unique_ptr<Application> m_application;
  bool m_initialized = false;
};

extern NimbrelAppDelegate* gMainApp;

// Makes the components Nimbrel can load known to the runtime.
void registerComponents();

// The whole run: launch, the run loop, termination; arguments as the
// delegate takes them. Answers go to output. Returns the exit code.
int NimbrelMain(const std::vector<std::string>& arguments, std::FILE* output);

}  // namespace nimbrel
