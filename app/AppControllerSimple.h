#pragma once

#include <cstdint>
#include <functional>

#include "platform/os/AppleEvents.h"
#include "platform/os/FourCharCode.h"

// Receives open-documents events: a command line forwarded by a second
// Plexar process (parameter 'prod', text), or documents opened with the
// program. Either becomes the runtime command line, handed to the movie at
// once when it is ready for command lines, else when it asks.
class AppControllerSimple {
 public:
  // The program's process signature and the forwarded line's keyword.
  static constexpr uint32_t kPlexarCreator = platform::fourCC("PqR5");
  static constexpr uint32_t kForwardedLineKeyword = platform::fourCC("prod");
  static constexpr int32_t errAECoercionFail = -1700;
  static constexpr int32_t errAEDescNotFound = -1701;

  AppControllerSimple() = default;

  // Takes the events the listener receives; noErr or the listener's status.
  int32_t appFinishLaunching(platform::AppleEventListener& listener);
  // Any thread: an open-documents event is posted to the main loop for
  // handleOpenEvent (noErr); others are not handled.
  int32_t receiveAppleEvent(const platform::AppleEvent& event);

  // The shell's way to show the window when it is minimised.
  void setRevealWindow(std::function<void()> reveal) { m_reveal = std::move(reveal); }

  // Main thread.
  void handleOpenEvent(const platform::AppleEvent& event);
  void openDocuments(const platform::AppleEvent& event);

 private:
  void reveal() const {
    if (m_reveal) m_reveal();
  }

  std::function<void()> m_reveal;
};
