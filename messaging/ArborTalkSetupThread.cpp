#include "messaging/ArborTalkSetupThread.h"

#include <atomic>
#include <mutex>

#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/Launcher.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

constexpr char kSetupTwice[] =
    "ArborTalk::setup() has already been called. Did you call VtArborTalkLiveObject::setup() "
    "first?";
constexpr char kInvalidSpec[] = "INVALIDSPEC";
constexpr char kSpecifierOption[] = "-specifier";
constexpr char kInstanceOption[] = "-instance";

std::atomic<ArborTalkContext*> gArborTalkContext{nullptr};
std::atomic<ArborTalkSetupThread*> gArborTalkSetupThread{nullptr};
std::atomic<bool> gSetupThreadRunning{false};
std::atomic<bool> gSetupThreadDone{false};
std::atomic<double> gSetupThreadStarted{0};
std::atomic<double> gSetupThreadEnded{0};
std::atomic<double> gSetupThreadSynced{0};
// One waiter at a time joins and destroys the set-up thread.
std::mutex gSyncMutex;
// The set-up itself asks for the context; it never waits for itself.
thread_local bool tInSetup = false;

double now() {
  return ArborTalkUtils::Timer::now();
}

// Records the first value only.
void recordOnce(std::atomic<double>& slot, double value) {
  double expected = 0;
  slot.compare_exchange_strong(expected, value);
}

// Records the start and end of the set-up and publishes the timing.
class TrackSetupTime {
 public:
  TrackSetupTime() { recordOnce(gSetupThreadStarted, now()); }
  ~TrackSetupTime() {
    recordOnce(gSetupThreadEnded, now());
    ArborTalkSetupThread::saveSetupTime();
  }
  TrackSetupTime(const TrackSetupTime&) = delete;
  TrackSetupTime& operator=(const TrackSetupTime&) = delete;
};

class InSetup {
 public:
  InSetup() : mOuter(tInSetup) { tInSetup = true; }
  ~InSetup() { tInSetup = mOuter; }
  InSetup(const InSetup&) = delete;
  InSetup& operator=(const InSetup&) = delete;

 private:
  bool mOuter;
};

}  // namespace

ArborTalkSetupThread::ArborTalkSetupThread(const VtString& appSpecifier)
    : mSpecifier(appSpecifier) {
  ObjectLock lock(*this);
  ArborTalkSetupThread* none = nullptr;
  gArborTalkSetupThread.compare_exchange_strong(none, this);
}

ArborTalkSetupThread::~ArborTalkSetupThread() {
  ObjectLock lock(*this);
  ArborTalkSetupThread* self = this;
  gArborTalkSetupThread.compare_exchange_strong(self, nullptr);
}

bool ArborTalkSetupThread::isDone() const {
  return mDone.load();
}

void ArborTalkSetupThread::runSteps(const VtString& appSpecifier, VtString& error) {
  InSetup inSetup;
  if (ArborTalkConnector* connector = ArborTalkConnector::get())
    (void)connector->getNumberOfRegisteredApplications();  // loads the registry

  ArborTalk::Specifier specifier(appSpecifier, true);
  if (specifier.length() == 0) {
    error = kInvalidSpec;
    return;
  }
  VtString parameters;
  if (!ArborTalkUtils::getLaunchParameters(appSpecifier, parameters)) {
    error = kInvalidSpec;
    return;
  }
  if (parameters.length() > 0) {
    VtVector<VtString> options;
    const int32_t count = ArborTalkUtils::parseOptions(parameters, options);
    for (int32_t i = 0; i + 1 < count; ++i) {
      if (*options[i] == kSpecifierOption) {
        specifier = ArborTalk::Specifier(options[i + 1]->get(), false);
        break;
      }
      if (*options[i] == kInstanceOption) {
        specifier.setInstance(*options[i + 1]);
        break;
      }
    }
    while (options.length() > 0) delete options.removeAt(options.length() - 1);
  }

  auto* context = new ArborTalkContext(specifier);
  gArborTalkContext.store(context);
  ArborTalkContext::setCurrentContext(context);
  if (parameters.length() > 0 && context->getThread())
    context->getThread()->setKeyValuePair(VtString(ArborTalkThread::AK_LAUNCHPARAMS), parameters);
}

bool ArborTalkSetupThread::startSetupThread(const VtString& appSpecifier) {
  if (gSetupThreadDone.load() || gArborTalkSetupThread.load() != nullptr) {
    VT_DEBUG_ALERT(kSetupTwice);
    return false;
  }
  auto* thread = new ArborTalkSetupThread(appSpecifier);
  gSetupThreadRunning.store(true);
  thread->start();
  return true;
}

bool ArborTalkSetupThread::runSetup(const VtString& appSpecifier) {
  if (gSetupThreadDone.load() || gArborTalkSetupThread.load() != nullptr) {
    VT_DEBUG_ALERT(kSetupTwice);
    return false;
  }
  VtString error;
  {
    InSetup inSetup;
    TrackSetupTime track;
    runSteps(appSpecifier, error);
  }
  gSetupThreadDone.store(true);
  return error.length() == 0;
}

void ArborTalkSetupThread::run() {
  ObjectLock lock(*this);
  InSetup inSetup;
  {
    TrackSetupTime track;
    runSteps(mSpecifier, mError);
  }
  gSetupThreadDone.store(true);
  mDone.store(true);
  gSetupThreadRunning.store(false);
}

bool ArborTalkSetupThread::isSetupThreadRunning() {
  return gSetupThreadRunning.load() && !tInSetup;
}

bool ArborTalkSetupThread::isSettingUp() {
  return tInSetup;
}

bool ArborTalkSetupThread::hasSetupThread() {
  return gArborTalkSetupThread.load() != nullptr;
}

bool ArborTalkSetupThread::syncWithSetupThread() {
  if (tInSetup) return true;
  if (gSetupThreadSynced.load() == 0 && (gSetupThreadDone.load() || hasSetupThread())) {
    recordOnce(gSetupThreadSynced, now());
    saveSetupTime();
  }
  std::lock_guard<std::mutex> guard(gSyncMutex);
  ArborTalkSetupThread* thread = gArborTalkSetupThread.load();
  if (!thread) return true;
  while (!thread->isDone() && !thread->isActive() && thread->getErrorCode() == kErrorNone)
    Thread::sleep(kPollMs);
  if (!thread->isDone() && thread->getErrorCode() != kErrorNone && !thread->isActive()) {
    // The thread never ran: the set-up failed, and nobody waits for it.
    gSetupThreadDone.store(true);
    gSetupThreadRunning.store(false);
  } else if (!thread->waitForRunExit()) {
    return true;
  }
  gArborTalkSetupThread.store(nullptr);
  delete thread;
  return true;
}

ArborTalkContext* ArborTalkSetupThread::getSetupContext() {
  return gArborTalkContext.load();
}

void ArborTalkSetupThread::reset() {
  syncWithSetupThread();
  gArborTalkContext.store(nullptr);
  gSetupThreadDone.store(false);
  gSetupThreadRunning.store(false);
  gSetupThreadStarted.store(0);
  gSetupThreadEnded.store(0);
  gSetupThreadSynced.store(0);
}

void ArborTalkSetupThread::saveSetupTime() {
  const double ended = gSetupThreadEnded.load();
  ArborTalkContext* context = gArborTalkContext.load();
  if (ended == 0 || !context || !context->getThread()) return;
  const double started = gSetupThreadStarted.load();
  const double synced = gSetupThreadSynced.load();
  VtString text("thread=");
  text << (ended - started) << "ms, ";
  if (synced - ended >= 0)
    text << "left=" << (synced - ended) << "ms";
  else if (synced > 0)
    text << "lost=" << (ended - synced) << "ms";
  else
    text << "(synchronous setup)";
  context->getThread()->setKeyValuePair(VtString(ArborTalkThread::AK_SETUPTIME), text);
}

}  // namespace Velt
