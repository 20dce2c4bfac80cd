#include "validator/NimbrelAppDelegate.h"

#include <filesystem>
#include <system_error>

#include "platform/ulp/RunLoop.h"
#include "platform/ulp/Ulp.h"
#include "support/string_t.h"
#include "validator/CFrontController.h"
#include "validator/NimbrelLog.h"
#include "validator/ScriptedComponent.h"
#include "validator/ValidationComponent.h"
#include "validator/ValidatorDOM.h"

namespace nimbrel {

int g_exitCode = kExitOk;
NimbrelAppDelegate* gMainApp = nullptr;

namespace {

constexpr int32_t kUlpParamsVersion = 2;
constexpr int32_t kStageArgsVersion = 1;
constexpr UlpRect kWindowRect = {0, 0, 100, 100};

}  // namespace

void UlpWindow::sendEvent(const AppEvent& event) {
  if (event.type == kApplicationDefinedEvent && event.subtype == kRequestEventSubtype) {
    if (event.data1) SendRequestToOV(*event.data1);
  }
}

void UlpWindow::setDelegate(std::unique_ptr<VskoUlpStageDelegateProtocol> delegate) {
  m_delegate = std::move(delegate);
}

void StageDelegate::vskoUlpStageWillDealloc(VskoUlpStage* stage) {
  if (stage == mStage) mStage = nullptr;
}

NimbrelAppDelegate::NimbrelAppDelegate(std::vector<std::string> arguments)
    : m_arguments(std::move(arguments)) {}

NimbrelAppDelegate::~NimbrelAppDelegate() {
  if (gMainApp == this) gMainApp = nullptr;
}

void NimbrelAppDelegate::applicationDidFinishLaunching() {
  m_mainWin.reset();
  g_exitCode = kExitOk;
  if (createQMV()) {
    gMainApp = this;
    CFrontController::getInstance()->saveParameters(getParameters());
  } else if (m_application) {
    m_application->ExitApp();
  } else {
    ulp::RunLoop::shared().terminate();
  }
}

std::string NimbrelAppDelegate::getQmvFolder() {
  std::error_code error;
  std::filesystem::path resolved;
  if (!m_arguments.empty() && !m_arguments[0].empty())
    resolved = std::filesystem::canonical(m_arguments[0], error);
  if (m_arguments.empty() || m_arguments[0].empty() || error) {
    nimbrelLog("realpath returns NULL.");
    g_exitCode = kExitNoFolder;
    return {};
  }
  const std::string path = resolved.string();
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

bool NimbrelAppDelegate::createQMV() {
  m_application = std::make_unique<Application>();
  CFrontController::m_pApp = m_application.get();

  const std::string folder = getQmvFolder();
  if (folder.empty()) {
    nimbrelLog("Qmv folder string is empty.");
    return false;
  }

  UlpInitParams params{};
  params.version = kUlpParamsVersion;
  if (int32_t error = UlpInitialize(&params)) {
    nimbrelLog("UlpInitialize returns error code: " + std::to_string(error));
    g_exitCode = kExitInitialize;
    return false;
  }
  m_initialized = true;

  m_mainWin = std::make_unique<UlpWindow>(kWindowRect);
  UlpStageArgs stageArgs{};
  stageArgs.version = kStageArgsVersion;
  std::unique_ptr<VskoUlpStage> stage =
      VskoUlpStage::initWithFrame(m_mainWin->contentRect(), stageArgs);
  if (!stage) {
    nimbrelLog("initWithFrame failed.");
    g_exitCode = kExitStage;
    return false;
  }
  VskoUlpStage* view = stage.get();
  auto delegate = std::make_unique<StageDelegate>(this);
  delegate->setStage(view);
  view->setStageDelegate(delegate.get());
  m_mainWin->setDelegate(std::move(delegate));
  m_mainWin->setContentView(std::move(stage));
  UlpPlayer* player = view->player();

  if (int32_t error = UlpPlayerLoadComponent(player, folder.c_str())) {
    nimbrelLog("UlpPlayerLoadComponent returns error code: " + std::to_string(error));
    g_exitCode = kExitLoadComponent;
    return false;
  }

  CFrontController::m_BrioControl = m_mainWin.get();
  connectDOM(player, m_application.get());
  return true;
}

vesko::vector<vesko::any_regular_t> NimbrelAppDelegate::getParameters() const {
  vesko::vector<vesko::any_regular_t> parameters;
  for (size_t i = 1; i < m_arguments.size(); ++i)
    parameters.push_back(vesko::any_regular_t(m_arguments[i]));
  return parameters;
}

void NimbrelAppDelegate::applicationWillTerminate() {
  // The host classes go while the player they are published on still
  // exists; then the stage and its player.
  disconnectDOM();
  CFrontController::m_BrioControl = nullptr;
  m_mainWin.reset();
  if (m_initialized && g_exitCode != kExitNoFolder && g_exitCode != kExitInitialize) UlpTerminate();
  m_initialized = false;
  CFrontController::m_pApp = nullptr;
  if (gMainApp == this) gMainApp = nullptr;
}

void registerComponents() {
  ulp::registerComponent(kValidationComponentName, makeValidationComponent);
  ulp::registerComponent(kScriptedComponentName, makeScriptedComponent);
}

int NimbrelMain(const std::vector<std::string>& arguments, std::FILE* output) {
  registerComponents();
  ulp::RunLoop::shared().reset();
  CFrontController::getInstance()->setOutput(output, true);
  NimbrelAppDelegate delegate(arguments);
  delegate.applicationDidFinishLaunching();
  ulp::RunLoop::shared().run();
  delegate.applicationWillTerminate();
  return g_exitCode;
}

}  // namespace nimbrel
