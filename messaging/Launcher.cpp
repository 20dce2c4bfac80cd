#include "messaging/Launcher.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "messaging/ArborTalkData.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/InterAppStream.h"
#include "messaging/LaunchReceivedMsgHandler.h"
#include "messaging/LaunchTimeoutMsgHandler.h"
#include "messaging/Message.h"
#include "messaging/Specifier.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Process.h"

namespace Velt::ArborTalkUtils {

namespace {

constexpr uint32_t kAEReopenApplication = platform::fourCC("rapp");
constexpr char kWebPrefix[] = "https://";
constexpr char kSenderQuery[] = "?sender=";
constexpr char kUrlOpenerProgram[] = "xdg-open";
constexpr char kParamsKeyPrefix[] = "LAUNCHPARAMS:";
constexpr char kParamsType[] = "LaunchParams";
constexpr char kQueueSuffix[] = "launchparams";
constexpr char kMarkerSuffix[] = "haslaunchparams";
// Seconds a parameter message and its notice wait to be taken.
constexpr uint32_t kParamsTimeout = 300;

std::mutex gWaitsMutex;
LaunchWaits gWaits;

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

ArborTalk::Message* newMessage(Launcher::Outlet& outlet, const VtString& sender, const char* type,
                               const VtString& body) {
  auto* message = new ArborTalk::Message;
  message->mSender = sender;
  message->mType = type;
  message->mBody = body;
  message->mTimeout = kParamsTimeout;
  message->mSerialNumber = outlet.getNextSerialNumber();
  return message;
}

// Installs the handler in the main instance; the one it replaces goes.
void install(Launcher::Outlet& outlet, ArborTalk::MsgHandler* handler) {
  delete outlet.changeHandler(handler);
}

// The name a launched application listens under first: its application
// name with its process id as the suffix.
VtString ownIdName(const VtString& specifier, uint32_t pid) {
  VtString name = ArborTalk::Specifier(specifier, false).appName();
  name << '#' << pid;
  return name;
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

bool Launcher::launch(const VtString& specifier, const VtString& applicationPath,
                      const char* parameters, int32_t, uint32_t* processId) {
  if (processId) *processId = 0;
  if (applicationPath.length() == 0) return false;
  Outlet* outlet = getOutlet();

  if (text(applicationPath).rfind(kWebPrefix, 0) == 0) {
    VtString url(applicationPath);
    url << kSenderQuery << (outlet ? outlet->getAppName() : VtString());
    return gUrlOpener.load()(url);
  }

  // The parameters wait in the main instance's outgoing queue for the new
  // process to ask: under the launch queue name (P1), or under its name and
  // process id (P2) once that is known; a notice (N) tells a target that
  // reads scripts the same.
  std::unique_ptr<ArborTalk::Message> p2;
  VtString key;
  uint32_t noticeSerial = 0;
  if (parameters && outlet) {
    const VtString own = outlet->getAppName();
    const VtString body(parameters);
    key = kParamsKeyPrefix;
    key << own;
    const VtString queueName = getLaunchMsgQueueName(specifier);

    ArborTalk::Message* p1 = newMessage(*outlet, own, kParamsType, body);
    p1->mTarget = queueName;
    outlet->queueOutgoing(p1);

    p2.reset(newMessage(*outlet, own, kParamsType, body));

    VtString script("// ");
    script << key << "\n// " << body << '\n';
    ArborTalk::Message* notice = newMessage(*outlet, own, ArborTalkData::kTypeOrrery, script);
    notice->mTarget = specifier;
    notice->mResponseRequest = ArborTalkData::kTypeReceived;
    noticeSerial = notice->mSerialNumber;
    install(*outlet, new LaunchTimeoutMsgHandler(key, noticeSerial, queueName));
    install(*outlet, new LaunchReceivedMsgHandler(noticeSerial));
    outlet->queueOutgoing(notice);
  }

  platform::BundleInfo bundle;
  if (platform::readBundle(withoutFinalSlash(text(applicationPath)), bundle) != platform::noErr)
    return false;
  pid_t pid = -1;
  if (platform::launchApplication(bundle, {}, pid) != platform::noErr) return false;
  const uint32_t id = static_cast<uint32_t>(pid);

  if (p2) {
    p2->mTarget = ownIdName(specifier, id);
    const uint32_t serial = p2->mSerialNumber;
    outlet->queueOutgoing(p2.release());
    auto* received = new LaunchReceivedMsgHandler(serial);
    received->addCompanions({noticeSerial});
    install(*outlet, received);
    install(*outlet, new LaunchTimeoutMsgHandler(key, serial, VtString()));
  }
  if (processId) *processId = id;
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

VtString getLaunchMsgQueueName(const VtString& specifier) {
  const ArborTalk::Specifier parts(specifier, false);
  VtString name = parts.appName();
  const VtString version = parts.version();
  const VtString locale = parts.locale();
  if (version.length() > 0) name << '-' << version;
  if (locale.length() > 0) name << '-' << locale;
  name << '#' << kQueueSuffix;
  return name;
}

void setLaunchWaits(const LaunchWaits& waits) {
  std::lock_guard<std::mutex> guard(gWaitsMutex);
  gWaits = waits;
}

LaunchWaits getLaunchWaits() {
  std::lock_guard<std::mutex> guard(gWaitsMutex);
  return gWaits;
}

bool receiveLaunchParams(const VtString& name, VtString& parameters, uint32_t waitMs) {
  parameters = "";
  std::unique_ptr<BaseInterAppStream> stream(InterAppStream::create(name, false));
  // Another process owns the name: it is not this one's to wait on.
  if (!stream->isGood()) return true;
  // A poll of 0 would never add up to the wait.
  const uint32_t pollMs = getLaunchWaits().pollMs > 0 ? getLaunchWaits().pollMs : 1;
  // Asked at once, then after each poll, until the waited time has passed.
  uint64_t waited = 0;
  bool pending = stream->messagePending();
  while (!pending && waited < waitMs) {
    sleep(pollMs);
    waited += pollMs;
    pending = stream->messagePending();
  }
  if (!pending || !stream->receive()) return false;
  const VtString text = stream->getMessages();
  if (text.length() == 0) return false;
  ArborTalk::Message message;
  message.readFromString(text.get(), static_cast<size_t>(text.length()));
  parameters = message.mBody;
  return true;
}

bool getLaunchParameters(const VtString& specifier, VtString& parameters) {
  parameters = "";
  if (ArborTalk::Specifier(specifier, false).length() == 0) return false;
  ArborTalk::Specifier marker(getLaunchMsgQueueName(specifier), false);
  marker.setSuffix(VtString(kMarkerSuffix));
  // Nobody holds the marker: no launcher waits to hand anything over.
  BaseInterAppStream* process = InterAppStream::get();
  if (process
          ? process->canOpen(marker, false)
          : std::unique_ptr<BaseInterAppStream>(InterAppStream::create(marker, false))->isGood())
    return true;
  const LaunchWaits waits = getLaunchWaits();
  if (receiveLaunchParams(ownIdName(marker, platform::processId()), parameters, waits.ownIdMs))
    return true;
  return receiveLaunchParams(getLaunchMsgQueueName(specifier), parameters, waits.queueMs);
}

}  // namespace Velt::ArborTalkUtils
