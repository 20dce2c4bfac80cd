#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/tamb/Events.h"
#include "platform/tamb/Window.h"

class CommandExecutor_Impl;

// An area inside the draggable strip that does not drag the window. The
// vertical values count down from the content's top edge; the horizontal
// ones count leftwards from the content's right edge, so the area keeps
// its distance from that edge when the window grows.
struct ExcludeRect {
  int32_t left;  // from the right edge to the area's left side
  int32_t top;
  int32_t right;  // from the right edge to the area's right side
  int32_t bottom;
  friend bool operator==(const ExcludeRect&, const ExcludeRect&) = default;
};

// The state the three handlers share, main thread only. The window has no
// title bar of the platform's: the movie declares a strip at the top of
// the content that drags it, and its bottom-right corner resizes it.
namespace shell {

extern tamb::Window* window;
extern tamb::View* player;

extern int32_t titleBarHeight;
extern std::vector<ExcludeRect> excludeAreaList;
extern bool startDraging;
extern int32_t startDragMouseX;
extern int32_t startDragMouseY;
extern tamb::Rect startDragWinRect;
extern bool startResizing;
extern int32_t startMouseX;
extern int32_t startMouseY;
extern int32_t currWidth;
extern int32_t currHeight;
extern int32_t prevCurrDisplayWidth;
extern int32_t prevCurrDisplayHeight;
extern tamb::Rect currWindowRect;
extern tamb::Rect priorWindowCollapsedRect;
// The movie has asked the program to exit.
extern bool exitCommandFromBrio;

// The smallest content a resize leaves, and the highest its top goes.
inline constexpr int32_t kMinimumWidth = 790;
inline constexpr int32_t kMinimumHeight = 530;
inline constexpr int16_t kHighestTop = 30;

// The worker is made when the movie reports ready: by this factory, which
// tests replace (the program's runs CommandExecutor::init first).
using WorkerFactory = std::function<std::unique_ptr<CommandExecutor_Impl>()>;
void setWorkerFactory(WorkerFactory factory);
CommandExecutor_Impl* worker();

// The exit status the movie's exit request decided (valid once
// exitCommandFromBrio is set).
int32_t requestedExitCode();

// The status the program ends with once the movie asked to exit and the
// worker has ended: the one decided at the request, except that in
// suppress mode a failure a command reported meanwhile (it finished or
// rolled back after the request) stays, as one reported before it does.
int32_t exitCodeAtEnd();

// Main thread: the start-up failed after the window was up (the worker
// could not start): says so in the log and on standard error and ends
// every loop with the status -1.
void failStartup(const char* reason);

// Back to the state at start; stops and joins a worker. Tests only.
void resetForTest();

}  // namespace shell

// Hit tests of a global mouse position: the draggable strip less its
// excluded areas (all comparisons strict), and the 20 x 20 resize corner.
bool isAcceptDrag(int x, int y);
bool isAcceptResize(int x, int y);

// The About command of the menu bar ('cmds' 1).
int32_t MyAppEventHandler(tamb::Event& event);
tamb::EventTarget::Handler GetMyAppEventHandlerUPP();
// The main window: drag, resize, double click, close, and the disposal
// that starts the exit hand-shake with the movie.
int32_t QmvPlayerNibWindowEventHandler(tamb::Event& event);
// The player view: the movie's external calls (seven carried out here,
// the others handed to the front controller), resize notices, hit tests.
int32_t WindowedQmvPlayerEventHandler(tamb::Event& event);
