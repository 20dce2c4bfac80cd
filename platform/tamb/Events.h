#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/FourCharCode.h"

namespace tamb {

// Event classes and kinds the program's handlers take.
inline constexpr uint32_t kEventClassMouse = platform::fourCC("mous");
inline constexpr uint32_t kEventMouseDown = 1;
inline constexpr uint32_t kEventMouseUp = 2;
inline constexpr uint32_t kEventMouseDragged = 6;
inline constexpr uint32_t kEventClassWindow = platform::fourCC("wind");
inline constexpr uint32_t kEventWindowClose = 72;
inline constexpr uint32_t kEventWindowDispose = 1005;
inline constexpr uint32_t kEventClassCommand = platform::fourCC("cmds");
inline constexpr uint32_t kEventCommandProcess = 1;
inline constexpr uint32_t kEventClassControl = platform::fourCC("cntl");
inline constexpr uint32_t kEventControlHitTest = 3;
inline constexpr uint32_t kEventClassPlayer = platform::fourCC("TLPl");
inline constexpr uint32_t kEventPlayerResized = platform::fourCC("Rsz?");
inline constexpr uint32_t kEventPlayerExternalCall = platform::fourCC("LpAF");

// Handler results besides 0 (handled): not handled, so the framework goes
// on with its own handling; handled with an error, which stops it too; a
// parameter the event lacks.
inline constexpr int32_t eventNotHandledErr = -9874;
inline constexpr int32_t eventInternalErr = -9868;
inline constexpr int32_t eventParameterNotFoundErr = -9870;

// One event with the parameters the program reads.
struct Event {
  uint32_t eventClass = 0;
  uint32_t kind = 0;
  // Mouse events: the global position, the button (1 is the primary one)
  // and the click count.
  float mouseX = 0;
  float mouseY = 0;
  uint16_t button = 0;
  uint32_t clickCount = 0;
  // Command events: the command id; absent when the event carries none.
  std::optional<uint32_t> commandId;
  // External calls of the movie: the request text.
  std::string requestText;
  // Hit tests: the part a handler reports.
  std::optional<int16_t> partCode;

  static Event of(uint32_t eventClass, uint32_t kind) {
    Event e;
    e.eventClass = eventClass;
    e.kind = kind;
    return e;
  }
  static Event mouse(uint32_t kind, float x, float y, uint32_t clicks = 1, uint16_t button = 1) {
    Event e = of(kEventClassMouse, kind);
    e.mouseX = x;
    e.mouseY = y;
    e.clickCount = clicks;
    e.button = button;
    return e;
  }
};

// Something events are sent to: the application, a window, a view. Main
// thread only.
class EventTarget {
 public:
  using Handler = std::function<int32_t(Event& event)>;
  using EventType = std::pair<uint32_t, uint32_t>;  // class, kind

  EventTarget() = default;
  virtual ~EventTarget() = default;
  EventTarget(const EventTarget&) = delete;
  EventTarget& operator=(const EventTarget&) = delete;

  // The handler receives the events of the listed types; the handler
  // installed last is asked first.
  void installEventHandler(std::vector<EventType> types, Handler handler);
  // Asks the handlers of the event's type in turn until one handles it;
  // eventNotHandledErr when none does.
  int32_t sendEvent(Event& event);

 private:
  struct Installed {
    std::vector<EventType> types;
    Handler handler;
  };
  std::vector<Installed> m_handlers;
};

// The application's own target.
EventTarget& applicationTarget();

}  // namespace tamb
