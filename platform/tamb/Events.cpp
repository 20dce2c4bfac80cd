#include "platform/tamb/Events.h"

#include <algorithm>

namespace tamb {

void EventTarget::installEventHandler(std::vector<EventType> types, Handler handler) {
  m_handlers.push_back({std::move(types), std::move(handler)});
}

int32_t EventTarget::sendEvent(Event& event) {
  const EventType type{event.eventClass, event.kind};
  // By index: a handler may install another one.
  for (size_t i = m_handlers.size(); i-- > 0;) {
    if (std::find(m_handlers[i].types.begin(), m_handlers[i].types.end(), type) ==
        m_handlers[i].types.end())
      continue;
    const Handler handler = m_handlers[i].handler;
    const int32_t result = handler ? handler(event) : eventNotHandledErr;
    if (result != eventNotHandledErr) return result;
  }
  return eventNotHandledErr;
}

EventTarget& applicationTarget() {
  static EventTarget* target = new EventTarget;
  return *target;
}

}  // namespace tamb
