#include "app/PlexarApp.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/AppControllerSimple.h"
#include "app/AppServices.h"
#include "app/CGetXMLProxy_Impl.h"
#include "app/CTAMBFrontController.h"
#include "app/CommandExecutor_Impl.h"
#include "app/IEngine.h"
#include "app/MovieConnection.h"
#include "app/WindowEventHandlers.h"
#include "foundation/AppGlobals.h"
#include "foundation/CStartupCLIParser.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/crashreporter/VeskoCrashReporter.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/Clock.h"
#include "platform/os/MacStatus.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/SingleInstance.h"
#include "platform/os/TerminationSignals.h"
#include "platform/os/Utf.h"
#include "platform/tamb/InterfaceResource.h"
#include "platform/tamb/MainLoop.h"
#include "platform/tamb/Tamb.h"

namespace {

constexpr uint32_t kPlayerSignature = platform::fourCC("Lumn");
constexpr int32_t kPlayerId = 0;
constexpr uint32_t kPlayerAttributes = 2;
constexpr int32_t kLoadMovieFlags = 1;
// Close box, collapse box and no title bar set; hide-on-suspend cleared.
constexpr uint32_t kWindowAttributesSet = tamb::kWindowCloseBoxAttribute |
                                          tamb::kWindowCollapseBoxAttribute |
                                          tamb::kWindowNoTitleBarAttribute;
constexpr uint32_t kWindowAttributesCleared = tamb::kWindowHideOnSuspendAttribute;

void logLine(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// A start-up that can't go on says why on standard error too: the log is
// off unless asked for.
int startupFails(Logger::Level level, const std::string& text, int line) {
  logLine(level, text, line);
  std::fputs((text + "\n").c_str(), stderr);
  return PlexarApp::kStartupFailedStatus;
}

platform::SingleInstance& theInstance() {
  static platform::SingleInstance instance(PlexarApp::kInstanceName);
  return instance;
}

uint32_t g_workerStopBoundMs = PlexarApp::kWorkerStopBoundMs;

// Made at the end of the start-up; the instance listener runs earlier, but
// what it posts runs only once the loop runs.
std::atomic<AppControllerSimple*> g_appController{nullptr};

// 8-bit form of the command-line quoting: backslashes and double quotes
// escaped, so any folder name reads back unchanged.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// The arguments one a line. An argument that holds a newline, or starts
// with the quote that would mark one, goes quoted: it stays one argument.
std::string argumentLines(const std::vector<std::string>& arguments) {
  std::string text;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i != 0) text += '\n';
    const std::string& argument = arguments[i];
    const bool quote =
        argument.find('\n') != std::string::npos || (!argument.empty() && argument[0] == '"');
    text += quote ? quoted(argument) : argument;
  }
  return text;
}

// Listener thread: the message becomes the open-documents event the
// program's controller takes, on the main loop.
void deliverInstanceMessage(const platform::SingleInstance::Message& message) {
  const platform::AppleEvent event = PlexarApp::openEventFor(message);
  MovieConnection::mainLoop().post([event] {
    if (AppControllerSimple* controller = g_appController.load())
      controller->handleOpenEvent(event);
  });
}

// A second process: its command line goes to the first one.
int forwardToRunningInstance(const std::vector<std::string>& arguments) {
  // The log belongs to the running instance; opening it here would empty it.
  Logger::installSetUp([]() -> Logger* { return nullptr; });
  std::error_code ec;
  const std::string folder = std::filesystem::current_path(ec).string();
  if (ec) {
    std::fputs("get curr directory failed, exiting...\n", stderr);
    return PlexarApp::kStartupFailedStatus;
  }
  CString text;
  CZorbOS::ansiCharToCString(PlexarApp::forwardedCommandLine(arguments, folder).c_str(), text);
  launchPlexar(text.Get());
  return PlexarApp::kForwardedStatus;
}

// The log of an earlier run beside the executable goes.
void removeStaleLog() {
  const auto posix = platform::utf8ToUtf16(gAppPath + "Plexar.log");
  CString path;
  if (!posix || !CZorbOS::convertPath(*posix, path, true)) return;
  if (CZorbOS::FileExists(path.Get())) (void)CZorbOS::DeleteFile(path.Get(), false);
}

std::string initMessaging() {
  const std::string specifier = PlexarApp::kMessagingSpecifier;
  if (!AppServices::initMessaging(specifier)) {
    logLine(Logger::kDebug, "Arbor talk initialization for plexi-5.0 failed", __LINE__);
    return {};
  }
  logLine(Logger::kDebug, "The Launch Options for " + specifier + " is:", __LINE__);
  std::string options = AppServices::launchOptions();
  logLine(Logger::kDebug, options, __LINE__);
  return options;
}

void saveStartupCommandLine(const std::vector<std::string>& arguments,
                            const std::string& launchOptions) {
  if (launchOptions.empty())
    for (const std::string& argument : arguments) logLine(Logger::kDebug, argument, __LINE__);
  bool fromArguments = false;
  const std::string line = PlexarApp::startupCommandLine(arguments, launchOptions, fromArguments);
  CString wide;
  CZorbOS::ansiCharToCString(line.c_str(), wide);
  if (wide.GetLength() != 0) CStartupCLIParser::getInstance()->saveCommandLine(wide, fromArguments);
}

// A termination signal: the window is disposed of as if the user closed it,
// so the movie learns of it and ends the program in its own way.
void postDisposeEvent() {
  MovieConnection::mainLoop().post([] {
    if (!shell::window) return;
    tamb::Event event = tamb::Event::of(tamb::kEventClassWindow, tamb::kEventWindowDispose);
    shell::window->sendEvent(event);
  });
}

void revealWindow() {
  if (shell::window && shell::window->isCollapsed()) shell::window->collapse(false);
}

// Everything the running program holds, torn down in order at its end.
struct Running {
  std::unique_ptr<IEngine> engine;
  std::unique_ptr<tamb::InterfaceResource> mainResource;
  std::unique_ptr<tamb::InterfaceResource> menuResource;
  std::unique_ptr<tamb::Window> window;
  std::unique_ptr<AppControllerSimple> controller;
  platform::AppleEventListener listener;

  ~Running() {
    listener.stop();
    theInstance().release();
    g_appController = nullptr;
    MovieConnection::setPlayer(nullptr);
    shell::window = nullptr;
    shell::player = nullptr;
    CTAMBFrontController::m_manager = nullptr;
  }
};

}  // namespace

std::string PlexarApp::forwardedCommandLine(const std::vector<std::string>& arguments,
                                            const std::string& currentFolder) {
  return argumentLines(arguments) + "\n-CurrDir=" + quoted(currentFolder);
}

std::string PlexarApp::startupCommandLine(const std::vector<std::string>& arguments,
                                          const std::string& launchOptions, bool& fromArguments) {
  if (!launchOptions.empty()) {
    fromArguments = false;
    return launchOptions;
  }
  fromArguments = !arguments.empty();
  return argumentLines(arguments);
}

std::string PlexarApp::resourcesFolder(const std::string& appPath) {
  std::string folder = appPath;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return "Resources";
  return folder.substr(0, slash) + "/Resources";
}

platform::AppleEvent PlexarApp::openEventFor(const platform::SingleInstance::Message& message) {
  platform::AppleEvent event;
  event.eventClass = platform::kCoreEventClass;
  event.eventId = platform::kAEOpenDocuments;
  if (message.kind == platform::SingleInstance::Kind::kForward) {
    event.put(AppControllerSimple::kForwardedLineKeyword, {platform::typeText, message.text});
  } else {
    std::vector<platform::AEDesc> items;
    for (const std::string& path : message.paths) items.push_back({platform::typeAlias, path});
    event.put(platform::keyDirectObject, {platform::typeAEList, platform::encodeList(items)});
  }
  return event;
}

bool PlexarApp::finishWorker(uint32_t boundMs) {
  CommandExecutor_Impl* worker = shell::worker();
  if (!worker) return true;
  worker->stop();
  // A command waiting for a host to quit or start answers "cancelled"
  // rather than outliving the program.
  if (IEngine* engine = CTAMBFrontController::m_manager) engine->CancelWaits();
  platform::Clock& clock = platform::currentClock();
  const uint64_t deadline = clock.nowMs() + boundMs;
  auto left = [&] {
    const uint64_t now = clock.nowMs();
    return static_cast<uint32_t>(now < deadline ? deadline - now : 0);
  };
  tamb::MainLoop& loop = MovieConnection::mainLoop();
  if (!loop.runUntil([worker] { return worker->hasEnded(); }, left())) return false;
  if (!worker->waitForEnd(left())) return false;
  // What the worker posted last (its command's reply) still reaches the
  // movie.
  (void)loop.runUntil([&loop] { return loop.pendingCount() == 0; }, left());
  return true;
}

void PlexarApp::setWorkerStopBoundMs(uint32_t boundMs) {
  g_workerStopBoundMs = boundMs;
}

bool checkPlexarIsRunning() {
  bool first = false;
  const int32_t status = theInstance().claim(first);
  if (status != platform::noErr) {
    logLine(Logger::kError,
            "The single-instance lock can't be had: " + std::to_string(status) + " ", __LINE__);
    return false;
  }
  return !first;
}

void launchPlexar(const char16_t* text) {
  if (!text) return;
  platform::SingleInstance::Message message;
  message.kind = platform::SingleInstance::Kind::kForward;
  message.text = platform::utf16ToUtf8Lossy(std::u16string_view(text));
  (void)theInstance().send(message, PlexarApp::kForwardTimeoutMs);  // errors are not reported
}

int PlexarApp::main(int argc, const char* const* argv) {
  (void)VeskoCrashReporterInitialize(nullptr, 0);  // its result tells nothing

  // The application folder comes first: the bundle's settings say where
  // the per-user lock of the single instance lies.
  if (!InitAppPath())
    return startupFails(Logger::kFatal, "get current directory with realpath error, exiting...",
                        __LINE__);
  platform::PlatformConfig::setResourcesFolder(resourcesFolder(gAppPath));
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);

  if (checkPlexarIsRunning()) return forwardToRunningInstance(arguments);
  Running running;
  if (theInstance().holdsLock()) {
    const int32_t status = theInstance().listen(&deliverInstanceMessage);
    if (status != platform::noErr)
      logLine(Logger::kError, "Forwarded command lines can't be taken: " + std::to_string(status),
              __LINE__);
  }

  removeStaleLog();
  if (Logger* logger = Logger::getInstance()) {
    logger->setOn(Logger::kDebug, true);
    logger->setOn(Logger::kError, true);
    logger->setOn(Logger::kFatal, true);
  }

  const std::string launchOptions = initMessaging();

  const TAMBInitParams params{1, 0};
  if (const int32_t status = TAMBInitialize(&params); status != 0) {
    return startupFails(Logger::kError, "TAMBInitialize error : " + std::to_string(status) + " ",
                        __LINE__);
  }
  logLine(Logger::kDebug, "TAMB initialization succeed", __LINE__);
  logLine(Logger::kDebug, "the programe argc is " + std::to_string(argc), __LINE__);

  saveStartupCommandLine(arguments, launchOptions);

  const std::string resources = resourcesFolder(gAppPath);
  if (tamb::InterfaceResource::open(resources, "TAMBMain", running.mainResource) != 0) {
    return startupFails(Logger::kFatal, "can not get the main bundle resource, exit", __LINE__);
  }
  if (tamb::InterfaceResource::open(resources, "menubar", running.menuResource) != 0) {
    return startupFails(Logger::kFatal, "can not get the menubar resource, exit", __LINE__);
  }
  if (running.menuResource->setMenuBar("MenuBar") != 0)
    logLine(Logger::kError, "the menubar resource holds no MenuBar", __LINE__);

  g_XMLParser = new CGetXMLProxy_Impl;
  CZorbGetXMLProxy::SetInstance(g_XMLParser);
  // The engine is the start-up's own: it is destroyed once the worker has
  // ended, before the process exits.
  running.engine = AppServices::makeEngine();
  CTAMBFrontController::m_manager = running.engine.get();

  tamb::MainLoop& loop = MovieConnection::mainLoop();
  if (running.mainResource->createWindow("MainWindow", loop, running.window) != 0) {
    return startupFails(Logger::kFatal,
                        "can not create the MainWindow of the main bundle resource, exit",
                        __LINE__);
  }
  tamb::Window& window = *running.window;
  tamb::applicationTarget().installEventHandler(
      {{tamb::kEventClassCommand, tamb::kEventCommandProcess}}, GetMyAppEventHandlerUPP());
  window.installEventHandler({{tamb::kEventClassWindow, tamb::kEventWindowDispose},
                              {tamb::kEventClassWindow, tamb::kEventWindowClose},
                              {tamb::kEventClassMouse, tamb::kEventMouseDown},
                              {tamb::kEventClassMouse, tamb::kEventMouseUp},
                              {tamb::kEventClassMouse, tamb::kEventMouseDragged}},
                             &QmvPlayerNibWindowEventHandler);
  tamb::View* view = window.findView(kPlayerSignature, kPlayerId);
  if (!view) {
    return startupFails(Logger::kFatal, "can not find the player view of the MainWindow, exit",
                        __LINE__);
  }
  view->installEventHandler({{tamb::kEventClassPlayer, tamb::kEventPlayerResized},
                             {tamb::kEventClassPlayer, tamb::kEventPlayerExternalCall},
                             {tamb::kEventClassControl, tamb::kEventControlHitTest}},
                            &WindowedQmvPlayerEventHandler);
  view->player().setExternalCallHandler([view](const std::string& text) {
    tamb::Event event = tamb::Event::of(tamb::kEventClassPlayer, tamb::kEventPlayerExternalCall);
    event.requestText = text;
    view->sendEvent(event);
  });
  shell::window = &window;
  shell::player = view;
  MovieConnection::setPlayer(&view->player());

  TAMBLumenPlayerChangeAttributes(&view->player(), kPlayerAttributes, 0);
  const std::string moviePath = resources + "/Plexo.qmv";
  logLine(Logger::kDebug, moviePath, __LINE__);
  if (const int32_t status = TAMBLumenPlayerLoadMovie(&view->player(), moviePath, kLoadMovieFlags);
      status != 0) {
    return startupFails(Logger::kError, "Load movie error : " + std::to_string(status) + " ",
                        __LINE__);
  }

  // No title bar of the platform's: the window handler drags and resizes
  // it over the strip the movie declares. The movie shows it.
  window.changeAttributes(kWindowAttributesSet, kWindowAttributesCleared);
  window.setViewVisible(*view, false);
  window.hide();

  running.controller = std::make_unique<AppControllerSimple>();
  running.controller->setRevealWindow(&revealWindow);
  g_appController = running.controller.get();
  if (const int32_t status = running.controller->appFinishLaunching(running.listener);
      status != platform::noErr)
    logLine(Logger::kError, "Apple events can't be taken: " + std::to_string(status), __LINE__);

  if (platform::TerminationSignals::install([](int) { postDisposeEvent(); }) != platform::noErr)
    logLine(Logger::kError, "Termination signals can't be taken", __LINE__);

  loop.run();

  // The running command finishes or rolls back while the movie still
  // answers; one that does not end in time is left behind with the process.
  if (!finishWorker(g_workerStopBoundMs)) {
    // A command-line run learns why its command has no result.
    const char* text = "The worker did not stop in time, exiting";
    logLine(Logger::kFatal, text, __LINE__);
    std::fprintf(stderr, "%s\n", text);
    Logger::finalize();
    std::fflush(nullptr);
    platform::exitNow(shell::exitCommandFromBrio ? shell::exitCodeAtEnd() : g_exitCode.load());
  }
  if (shell::exitCommandFromBrio) g_exitCode = shell::exitCodeAtEnd();
  window.dispose();
  TAMBTerminate();
  platform::TerminationSignals::uninstall();
  return g_exitCode;
}
