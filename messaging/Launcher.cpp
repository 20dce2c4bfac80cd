#include "messaging/Launcher.h"

#include <string>
#include <vector>

#include "messaging/DebugAlert.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Process.h"

namespace Velt::ArborTalkUtils {

namespace {

constexpr uint32_t kAEReopenApplication = platform::fourCC("rapp");
constexpr char kWebPrefix[] = "https://";

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

std::string withoutFinalSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool Launcher::launch(const VtString&, const VtString& applicationPath, const char*, int32_t,
                      uint32_t* processId) {
  if (processId != nullptr) *processId = 0;
  if (applicationPath.length() == 0) return false;
  // A web target needs a browser to hand the address to; there is none here.
  if (text(applicationPath).rfind(kWebPrefix, 0) == 0) return false;
  platform::BundleInfo bundle;
  if (platform::readBundle(withoutFinalSlash(text(applicationPath)), bundle) != platform::noErr)
    return false;
  pid_t pid = 0;
  if (platform::launchApplication(bundle, {}, pid) != platform::noErr) return false;
  if (processId != nullptr) *processId = static_cast<uint32_t>(pid);
  return true;
}

void Launcher::bringToFront(const VtString& path, int32_t hint) {
  if (hint != kByBundleLocation) {
    VT_DEBUG_ALERT("ArborTalkUtils::Launcher::bringToFront - unsupported SearchHint.");
    return;
  }
  const std::string bundle = withoutFinalSlash(text(path));
  for (const platform::RunningProcess& process : platform::runningProcesses()) {
    if (process.bundlePath != bundle) continue;
    platform::AppleEvent reopen;
    reopen.eventClass = platform::kCoreEventClass;
    reopen.eventId = kAEReopenApplication;
    // Not every application takes events; nothing else is to be done.
    [[maybe_unused]] const int32_t status = platform::sendAppleEvent(process.pid, reopen, false, 0);
    return;
  }
}

bool Launcher::isProcessRunning(uint32_t pid) {
  return pid != 0 && platform::processExists(static_cast<pid_t>(pid));
}

}  // namespace Velt::ArborTalkUtils
