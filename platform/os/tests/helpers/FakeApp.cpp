// A stand-in application for the tests: it takes Apple events and tells the
// test process about each one.
//
//   FakeApp [--notify <pid>] [--temp-root <folder>]
//
// The temporary root must be the test's, so that both look for the sockets
// in the same folder.
// Once listening it sends the process <pid> the event test/redy. Each event
// it takes is passed on to <pid> as test/got_ with the event's class under
// 'clas', its id under 'evid' and its parameters as they came, and answered
// with noErr, or with -4321 for the id 'fail'. The event aevt/quit ends it;
// so do a minute's run and the end of the process <pid>.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"

using namespace platform;

namespace {

std::atomic<bool> g_quit{false};
pid_t g_notify = -1;

std::string code(uint32_t c) {
  return fourCharText(c);
}

}  // namespace

int main(int argc, char** argv) {
  PlatformConfig config;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--notify") == 0)
      g_notify = static_cast<pid_t>(std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--temp-root") == 0) config.tempRoot = argv[i + 1];
  }
  PlatformConfig::Override settings(config);

  AppleEventListener listener;
  int32_t rc = listener.start([](const AppleEvent& event) -> int32_t {
    if (event.eventClass == kCoreEventClass && event.eventId == fourCC("quit")) {
      g_quit = true;
      return 0;
    }
    if (g_notify > 0) {
      AppleEvent report;
      report.eventClass = fourCC("test");
      report.eventId = fourCC("got_");
      report.put(fourCC("clas"), AEDesc{typeText, code(event.eventClass)});
      report.put(fourCC("evid"), AEDesc{typeText, code(event.eventId)});
      for (const auto& [keyword, desc] : event.params) report.put(keyword, desc);
      // A test that waits for this report fails by itself when it does not come.
      (void)sendAppleEvent(g_notify, report, false, 0);
    }
    return event.eventId == fourCC("fail") ? -4321 : 0;
  });
  if (rc != 0) return 2;

  if (g_notify > 0) {
    AppleEvent ready;
    ready.eventClass = fourCC("test");
    ready.eventId = fourCC("redy");
    // A test that waits for this event fails by itself when it does not come.
    (void)sendAppleEvent(g_notify, ready, false, 0);
  }

  for (int i = 0; i < 600 && !g_quit; ++i) {
    if (g_notify > 0 && !processExists(g_notify)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  listener.stop();
  return 0;
}
