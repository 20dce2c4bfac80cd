#include "app/WindowEventHandlers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "app/CBrioCommand.h"
#include "app/CRequestIdManager.h"
#include "app/CTAMBFrontController.h"
#include "app/CommandExecutor_Impl.h"
#include "app/LumenExternalInterface.h"
#include "app/MovieConnection.h"
#include "foundation/AppGlobals.h"
#include "foundation/Logger.h"
#include "platform/os/FourCharCode.h"
#include "platform/tamb/MainLoop.h"
#include "support/string_t.h"

namespace lei = vesko::tamb_canvas::lumen_external_interface;

namespace shell {

tamb::Window* window = nullptr;
tamb::View* player = nullptr;
int32_t titleBarHeight = 0;
std::vector<ExcludeRect> excludeAreaList;
bool startDraging = false;
int32_t startDragMouseX = 0;
int32_t startDragMouseY = 0;
tamb::Rect startDragWinRect;
bool startResizing = false;
int32_t startMouseX = 0;
int32_t startMouseY = 0;
int32_t currWidth = 0;
int32_t currHeight = 0;
int32_t prevCurrDisplayWidth = 0;
int32_t prevCurrDisplayHeight = 0;
tamb::Rect currWindowRect;
tamb::Rect priorWindowCollapsedRect;
bool exitCommandFromBrio = false;

}  // namespace shell

namespace {

constexpr uint32_t kAboutCommand = platform::fourCC("abou");
constexpr int32_t kHandled = 0;
// The resize corner: this many pixels from the right and bottom edges.
constexpr int kResizeCorner = 19;

shell::WorkerFactory& workerFactory() {
  static shell::WorkerFactory* factory = new shell::WorkerFactory;
  return *factory;
}

// The worker lives from the movie's readiness to the end of the process.
std::unique_ptr<CommandExecutor_Impl>& theWorker() {
  static auto* worker = new std::unique_ptr<CommandExecutor_Impl>;
  return *worker;
}

int32_t g_requestedExitCode = 0;

void logLine(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// A number as atoi reads it (blanks, a sign, digits up to the first other
// character, 0 without digits), kept within 32 bits instead of overflowing.
int32_t toInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min(kLimit, value * 10 + (text[i] - '0'));
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Coordinates of a screen rectangle are 16 bits; larger values stop at
// the edge rather than wrap to the other side.
int16_t toShort(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// A mouse coordinate cut to an integer; what no screen has stops at the
// edge of the 16-bit range.
int mouseCoordinate(float value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -32768.0f, 32767.0f));
}

// The decoded texts of a request's string arguments; other values are
// left out, as the front controller does.
std::vector<std::string> argumentTexts(const lei::request_t& request) {
  const MessageEscapeCodec& codec = CTAMBFrontController::getInstance()->codec();
  std::vector<std::string> out;
  for (const vesko::any_regular_t& arg : request.arguments_m) {
    if (arg.type_info() != vesko::type_info<vesko::string_t>()) continue;
    out.push_back(codec.decode(std::string(arg.cast<vesko::string_t>())));
  }
  return out;
}

void reply(const std::vector<std::string>& values) {
  CTAMBFrontController::getInstance()->sendCallbackMessage("brioCallBack", makeArguments(values));
}

tamb::Rect contentBounds() {
  tamb::Rect r;
  if (shell::window) (void)shell::window->getContentBounds(r);  // a disposed window reads zero
  return r;
}

void setBounds(const tamb::Rect& r) {
  if (shell::window) shell::window->setContentBounds(r);
}

void focusPlayer() {
  if (!shell::window) return;
  shell::window->setUserFocus();
  shell::window->setKeyboardFocus(shell::player);
}

void onWorkerEnded() {
  CommandExecutor_Impl* worker = shell::worker();
  if (worker && worker->initFailed()) shell::failStartup("TAMB Controller initialized failed");
}

// "brioCallBackReady": the worker starts, once.
void startWorker() {
  if (theWorker()) {
    logLine(Logger::kError, "brioCallBackReady again: the worker runs already", __LINE__);
    return;
  }
  logLine(Logger::kDebug, "Brio is ready for waiting the invocation from C++ side", __LINE__);
  const shell::WorkerFactory& factory = workerFactory();
  std::unique_ptr<CommandExecutor_Impl> worker =
      factory ? factory() : std::make_unique<CommandExecutor_Impl>();
  // The main thread learns of the worker's end; a failed start-up ends
  // the program instead of leaving it waiting for ever.
  worker->setEndedHandler([] { MovieConnection::mainLoop().post(&onWorkerEnded); });
  theWorker() = std::move(worker);
  CTAMBFrontController::m_CommandExecutor = theWorker().get();
  if (!theWorker()->start()) shell::failStartup("The worker thread can't start");
}

int32_t setWindowPreferences(const std::vector<std::string>& args) {
  if (args.size() != 6) {
    logLine(Logger::kError, "externalSetWindowPreferences: the arguments not correct", __LINE__);
    return kHandled;
  }
  const int64_t left = toInt(args[1]);
  const int64_t top = toInt(args[2]);
  const int64_t width = toInt(args[3]);
  const int64_t height = toInt(args[4]);
  shell::currWidth = static_cast<int32_t>(width);
  shell::currHeight = static_cast<int32_t>(height);
  tamb::Rect r{toShort(top), toShort(left), toShort(top + height - 1), toShort(left + width - 1)};
  setBounds(r);
  if (shell::window && shell::player) shell::window->setViewVisible(*shell::player, true);
  // One pixel more makes the player lay itself out anew.
  r.right = toShort(int64_t{r.right} + 1);
  r.bottom = toShort(int64_t{r.bottom} + 1);
  setBounds(r);
  if (args[5] == "1") {
    shell::currWindowRect = r;
    if (shell::window) shell::window->zoom(tamb::inZoomOut);
  }
  // In suppress mode the window stays hidden for the whole run.
  if (!g_isInSuppressMode && shell::window) shell::window->show();
  focusPlayer();
  reply({args[0], "0"});
  return kHandled;
}

int32_t getWindowPreferences(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    logLine(Logger::kError, "externalGetWindowPreferences: the arguments not correct", __LINE__);
    return kHandled;
  }
  tamb::Rect current;
  if (!shell::window || !shell::window->getContentBounds(current)) {
    reply({args[0], "1"});
    return kHandled;
  }
  const tamb::Rect r = shell::window->isCollapsed()         ? shell::priorWindowCollapsedRect
                       : shell::window->isInStandardState() ? shell::currWindowRect
                                                            : current;
  reply({args[0], "0", std::to_string(r.left), std::to_string(r.top),
         std::to_string(r.right - r.left), std::to_string(r.bottom - r.top)});
  return kHandled;
}

void sendDraggableArea(const std::vector<std::string>& args) {
  if (args.size() < 6) {
    logLine(Logger::kError, "externalSendDraggableArea, the arguments not correct", __LINE__);
    return;
  }
  shell::titleBarHeight = toInt(args[1]);
  size_t i = 2;
  for (; i + 3 < args.size(); i += 4)
    shell::excludeAreaList.push_back(
        {toInt(args[i]), toInt(args[i + 1]), toInt(args[i + 2]), toInt(args[i + 3])});
  if (i < args.size())
    logLine(Logger::kError, "externalSendDraggableArea: an incomplete last area is ignored",
            __LINE__);
}

void appExit(const std::vector<std::string>& args) {
  if (!g_isInSuppressMode) {
    g_exitCode = 0;
  } else if (args.size() > 1) {
    // A code a command set earlier stays.
    int32_t unset = 0;
    g_exitCode.compare_exchange_strong(unset, toInt(args[1]));
  } else {
    logLine(Logger::kError, "externalAppExit without its exit code", __LINE__);
  }
  g_requestedExitCode = g_exitCode;
  shell::exitCommandFromBrio = true;
  // The worker stops at its next safe point: no command starts any more,
  // and every wait for the movie ends with the cancelled answer. The
  // start-up waits for its end with the loop still running.
  if (CommandExecutor_Impl* worker = shell::worker()) worker->stop();
  // Also the loop of a dispose hand-shake and the one it runs in.
  MovieConnection::mainLoop().quitAll();
}

void windowOperate(const std::vector<std::string>& args) {
  if (args.size() < 2) {
    logLine(Logger::kError, "externalAppWindowOperate without its operation", __LINE__);
    return;
  }
  if (!shell::window) return;
  const std::string& operation = args[1];
  if (operation == "0") {
    shell::priorWindowCollapsedRect = contentBounds();
    shell::window->collapse(true);
  } else if (operation == "1") {
    shell::currWindowRect = contentBounds();
    shell::window->zoom(tamb::inZoomOut);
  } else if (operation == "2") {
    shell::window->zoom(tamb::inZoomIn);
    tamb::Rect r = shell::currWindowRect;
    r.right = toShort(int64_t{r.right} + 1);
    r.bottom = toShort(int64_t{r.bottom} + 1);
    setBounds(r);
    setBounds(shell::currWindowRect);
  }
}

int32_t externalCall(const std::string& text) {
  lei::request_t request = lei::read_request(text.c_str(), static_cast<unsigned>(text.size()));
  const std::string name = request.name_m.c_str();
  if (name == "brioCallBackReady") {
    startWorker();
    return tamb::eventNotHandledErr;
  }
  if (name == "externalSetWindowPreferences") return setWindowPreferences(argumentTexts(request));
  if (name == "externalRequestToRestoreFocus") {
    focusPlayer();
    return kHandled;
  }
  if (name == "externalGetWindowPreferences") return getWindowPreferences(argumentTexts(request));
  if (name == "externalSendDraggableArea") {
    sendDraggableArea(argumentTexts(request));
    return tamb::eventNotHandledErr;
  }
  if (name == "externalAppExit") {
    appExit(argumentTexts(request));
    return tamb::eventNotHandledErr;
  }
  if (name == "externalAppWindowOperate") {
    windowOperate(argumentTexts(request));
    return tamb::eventNotHandledErr;
  }
  logLine(Logger::kDebug, "Brio send invocation to C++ side", __LINE__);
  CTAMBFrontController::getInstance()->dispatchInvocation(request);
  return tamb::eventNotHandledErr;
}

int32_t mouseDown(const tamb::Event& event) {
  const int x = mouseCoordinate(event.mouseX);
  const int y = mouseCoordinate(event.mouseY);
  if (event.button != 1) return tamb::eventNotHandledErr;
  shell::startDraging = false;
  shell::startResizing = false;
  const tamb::Rect r = contentBounds();
  if (isAcceptDrag(x, y)) {
    if (event.clickCount == 2) {
      if (shell::window) shell::window->collapse(true);
      return tamb::eventInternalErr;
    }
    shell::startDraging = true;
    shell::startDragMouseX = x;
    shell::startDragMouseY = y;
    shell::startDragWinRect = r;
    return tamb::eventNotHandledErr;
  }
  // A double click anywhere else in the window is swallowed.
  if (event.clickCount == 2) return tamb::eventInternalErr;
  shell::currWidth = r.right - r.left;
  shell::currHeight = r.bottom - r.top;
  if (isAcceptResize(x, y)) {
    shell::startResizing = true;
    shell::startMouseX = x;
    shell::startMouseY = y;
  }
  return tamb::eventNotHandledErr;
}

int32_t mouseDragged(const tamb::Event& event) {
  const int x = mouseCoordinate(event.mouseX);
  const int y = mouseCoordinate(event.mouseY);
  if (shell::startDraging) {
    if (x == shell::startDragMouseX && y == shell::startDragMouseY) return tamb::eventNotHandledErr;
    const tamb::Rect& from = shell::startDragWinRect;
    const int dx = x - shell::startDragMouseX;
    const int dy = y - shell::startDragMouseY;
    // Moved in 16 bits, as the platform's rectangles are.
    tamb::Rect r{static_cast<int16_t>(from.top + dy), static_cast<int16_t>(from.left + dx),
                 static_cast<int16_t>(from.bottom + dy), static_cast<int16_t>(from.right + dx)};
    setBounds(r);
    // The content's top edge never goes above the menu bar's reach.
    if (r.top <= shell::kHighestTop) {
      r.top = shell::kHighestTop;
      r.bottom = static_cast<int16_t>(from.bottom + shell::kHighestTop - from.top);
      setBounds(r);
    }
  }
  if (shell::startResizing && (x != shell::startMouseX || y != shell::startMouseY)) {
    int32_t width = shell::currWidth + (x - shell::startMouseX);
    int32_t height = shell::currHeight + (y - shell::startMouseY);
    if (width < shell::kMinimumWidth) width = shell::kMinimumWidth;
    if (height < shell::kMinimumHeight) height = shell::kMinimumHeight;
    if (width != shell::prevCurrDisplayWidth || height != shell::prevCurrDisplayHeight) {
      shell::prevCurrDisplayWidth = width;
      shell::prevCurrDisplayHeight = height;
      tamb::Rect r = contentBounds();
      r.right = toShort(int64_t{r.left} + width);
      r.bottom = toShort(int64_t{r.top} + height);
      setBounds(r);
    }
  }
  return tamb::eventNotHandledErr;
}

// The disposal of the window before the movie asked to exit: the movie
// is told and keeps running in a nested loop until its exit request.
void disposeHandShake() {
  if (shell::exitCommandFromBrio) return;
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  CTAMBFrontController::getInstance()->sendCallbackMessage("brioPostExit", makeArguments({id}));
  MovieConnection::mainLoop().run();
}

}  // namespace

namespace shell {

void setWorkerFactory(WorkerFactory factory) {
  workerFactory() = std::move(factory);
}

CommandExecutor_Impl* worker() {
  return theWorker().get();
}

int32_t requestedExitCode() {
  return g_requestedExitCode;
}

int32_t exitCodeAtEnd() {
  const int32_t reported = g_exitCode;
  return g_isInSuppressMode && reported != 0 ? reported : g_requestedExitCode;
}

void failStartup(const char* reason) {
  const std::string text = std::string("Plexar can't start: ") + reason + ", exiting...";
  logLine(Logger::kFatal, text, __LINE__);
  std::fputs(text.c_str(), stderr);
  std::fputs("\n", stderr);
  g_exitCode = -1;
  g_requestedExitCode = -1;
  exitCommandFromBrio = true;
  MovieConnection::mainLoop().quitAll();
}

void resetForTest() {
  if (theWorker()) {
    theWorker()->stop();
    (void)theWorker()->waitForEnd(std::numeric_limits<uint32_t>::max());
    theWorker().reset();
  }
  CTAMBFrontController::m_CommandExecutor = nullptr;
  workerFactory() = nullptr;
  window = nullptr;
  player = nullptr;
  titleBarHeight = 0;
  excludeAreaList.clear();
  startDraging = false;
  startDragMouseX = startDragMouseY = 0;
  startDragWinRect = {};
  startResizing = false;
  startMouseX = startMouseY = 0;
  currWidth = currHeight = 0;
  prevCurrDisplayWidth = prevCurrDisplayHeight = 0;
  currWindowRect = {};
  priorWindowCollapsedRect = {};
  exitCommandFromBrio = false;
  g_requestedExitCode = 0;
}

}  // namespace shell

bool isAcceptDrag(int x, int y) {
  const tamb::Rect r = contentBounds();
  const int dy = y - r.top;
  if (dy > shell::titleBarHeight) return false;
  const int dx = r.right - x;
  for (const ExcludeRect& area : shell::excludeAreaList)
    if (area.top < dy && dy < area.bottom && area.right < dx && dx < area.left) return false;
  return true;
}

bool isAcceptResize(int x, int y) {
  const tamb::Rect r = contentBounds();
  return r.bottom - y <= kResizeCorner && r.right - x <= kResizeCorner;
}

int32_t MyAppEventHandler(tamb::Event& event) {
  if (!event.commandId) {
    logLine(Logger::kFatal, "hanlde kEventClassCommand/kEventProcessCommand event failed",
            __LINE__);
    return tamb::eventParameterNotFoundErr;
  }
  if (*event.commandId != kAboutCommand) return tamb::eventNotHandledErr;
  // Before the movie is ready there is nobody to show it.
  if (!shell::worker()) return kHandled;
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  CTAMBFrontController::getInstance()->sendCallbackMessage("brioShowAboutDialog",
                                                           makeArguments({id}));
  if (shell::window && shell::window->isCollapsed()) shell::window->collapse(false);
  return kHandled;
}

tamb::EventTarget::Handler GetMyAppEventHandlerUPP() {
  static const tamb::EventTarget::Handler handler = &MyAppEventHandler;
  return handler;
}

int32_t QmvPlayerNibWindowEventHandler(tamb::Event& event) {
  try {
    if (event.eventClass == tamb::kEventClassMouse) {
      switch (event.kind) {
        case tamb::kEventMouseDown:
          return mouseDown(event);
        case tamb::kEventMouseDragged:
          return mouseDragged(event);
        case tamb::kEventMouseUp:
          shell::startDraging = false;
          shell::startResizing = false;
          return tamb::eventNotHandledErr;
        default:
          return tamb::eventNotHandledErr;
      }
    }
    if (event.eventClass == tamb::kEventClassWindow) {
      if (event.kind == tamb::kEventWindowClose) {
        if (shell::window && shell::window->isCollapsed()) MovieConnection::mainLoop().quit();
      } else if (event.kind == tamb::kEventWindowDispose) {
        disposeHandShake();
      }
    }
  } catch (...) {
    logLine(Logger::kFatal, "Window event handler failed, exit", __LINE__);
  }
  return tamb::eventNotHandledErr;
}

int32_t WindowedQmvPlayerEventHandler(tamb::Event& event) {
  try {
    if (event.eventClass == tamb::kEventClassPlayer) {
      if (event.kind == tamb::kEventPlayerResized) return kHandled;
      if (event.kind == tamb::kEventPlayerExternalCall) return externalCall(event.requestText);
    } else if (event.eventClass == tamb::kEventClassControl &&
               event.kind == tamb::kEventControlHitTest) {
      // The player is not hit while the window moves or changes size.
      if (shell::startDraging || shell::startResizing) return kHandled;
    }
  } catch (...) {
    // A request the movie wrote badly is dropped.
  }
  return tamb::eventNotHandledErr;
}
