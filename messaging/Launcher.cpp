#include "messaging/Launcher.h"

#include <atomic>
#include <string>

#include "messaging/DebugAlert.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Process.h"

namespace Velt::ArborTalkUtils {

namespace {

constexpr uint32_t kAEReopenApplication = platform::fourCC("rapp");
constexpr char kWebPrefix[] = "https://";
constexpr char kSenderQuery[] = "?sender=";
constexpr char kUrlOpenerProgram[] = "xdg-open";

std::atomic<Launcher::Outlet*> gOutlet{nullptr};

bool openWithDesktop(const VtString& url) {
  pid_t pid = -1;
  return platform::spawnDetached({kUrlOpenerProgram, std::string(url.get())}, "/", pid) == 0;
}

std::atomic<Launcher::UrlOpener> gUrlOpener{&openWithDesktop};

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

std::string withoutFinalSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

void Launcher::setOutlet(Outlet* outlet) {
  gOutlet.store(outlet);
}

Launcher::Outlet* Launcher::getOutlet() {
  return gOutlet.load();
}

void Launcher::setUrlOpener(UrlOpener opener) {
  gUrlOpener.store(opener ? opener : &openWithDesktop);
}

bool Launcher::launch(const VtString&, const VtString& applicationPath, const char*, int32_t,
                      uint32_t* processId) {
  if (processId) *processId = 0;
  if (applicationPath.length() == 0) return false;
  Outlet* outlet = getOutlet();

  if (text(applicationPath).rfind(kWebPrefix, 0) == 0) {
    VtString url(applicationPath);
    url << kSenderQuery << (outlet ? outlet->getAppName() : VtString());
    return gUrlOpener.load()(url);
  }

  platform::BundleInfo bundle;
  if (platform::readBundle(withoutFinalSlash(text(applicationPath)), bundle) != platform::noErr)
    return false;
  pid_t pid = -1;
  if (platform::launchApplication(bundle, {}, pid) != platform::noErr) return false;
  if (processId) *processId = static_cast<uint32_t>(pid);
  return true;
}

void Launcher::bringToFront(const VtString& path, int32_t hint) {
  if (hint != kByBundleLocation) {
    VT_DEBUG_ALERT("ArborTalkUtils::Launcher::bringToFront - unsupported SearchHint.");
    return;
  }
  const std::string bundle = withoutFinalSlash(text(path));
  if (bundle.empty()) return;
  for (const platform::RunningProcess& process : platform::runningProcesses()) {
    if (process.bundlePath != bundle) continue;
    platform::AppleEvent reopen;
    reopen.eventClass = platform::kCoreEventClass;
    reopen.eventId = kAEReopenApplication;
    // Sent without waiting; an application that takes no events stays as
    // it is, and there is no front to bring it to.
    (void)platform::sendAppleEvent(process.pid, reopen, false, 0);
    return;
  }
}

bool Launcher::isProcessRunning(uint32_t pid) {
  return pid != 0 && platform::processExists(static_cast<pid_t>(pid));
}

}  // namespace Velt::ArborTalkUtils
