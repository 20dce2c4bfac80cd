// The static operations of ArborTalk: starting and stopping the library,
// the shared context and main instance, launching, pumping, ping values
// and diagnostics.
#include <atomic>
#include <cstring>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkSetupThread.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/ContextOutlets.h"
#include "messaging/DebugAlert.h"
#include "messaging/InterAppStream.h"
#include "messaging/MessageGlobals.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

constexpr int32_t kMaxSpecifierLength = 256;
constexpr int32_t kMaxParametersLength = 65536;
constexpr uint32_t kLaunchKeySeconds = 300;
constexpr uint32_t kConnectorCheckSeconds = 60;
constexpr char kLaunchParamsPrefix[] = "LAUNCHPARAMS:";
constexpr char kNoParam[] = "-noparam";
constexpr char kNoStartupScreen[] = "-nostartupscreen";
constexpr char kNoParamTarget[] = "docuvane-8.0";

std::atomic<uint32_t> gConnectorLastChecked{0};

// What init started, in the reverse order.
void stopServices() {
  removeContextOutlets();
  Velt::Thread::InitTerm::exit();
  MessageGlobals::exit();
  ArborTalkConnector::InitTerm::exit();
  InterAppStream::InitTerm::exit();
  ArborTalkUtils::exit();
}

ArborTalkContext* contextOr(ArborTalkContext* context) {
  return context ? context : ArborTalkContext::getCurrentContext();
}

}  // namespace

bool ArborTalk::InitTerm::init(const VtString& appSpecifier, bool synchronous) {
  // Refused before anything is started again: a second start would replace
  // the process stream and the connector of the running library.
  if (ArborTalkContext::getCurrentContext() != nullptr) {
    VT_DEBUG_ALERT(
        "ArborTalk::InitTerm::init() has already been called. Did you call "
        "VtArborTalkLiveObject::setup() first?");
    return false;
  }
  ArborTalkUtils::init();
  InterAppStream::InitTerm::init(appSpecifier);
  ArborTalkConnector::InitTerm::init(appSpecifier);
  MessageGlobals::init();
  Velt::Thread::InitTerm::init();
  installContextOutlets();
  const bool started = synchronous ? ArborTalkSetupThread::runSetup(appSpecifier)
                                   : ArborTalkSetupThread::startSetupThread(appSpecifier);
  if (!started && ArborTalkContext::getCurrentContext() == nullptr) {
    // Nothing stays half started: a later start may try again.
    stopServices();
    ArborTalkSetupThread::reset();
  }
  return started;
}

bool ArborTalk::InitTerm::exit() {
  if (ArborTalkContext::getCurrentContext() == nullptr) {
    VT_DEBUG_ALERT("ArborTalk::InitTerm::exit() has already been called.");
    return false;
  }
  ArborTalkContext::setCurrentContext(nullptr);
  ArborTalkContext::setDeleteContextWithLastInstance(nullptr);
  stopServices();
  // The library can be set up again.
  ArborTalkSetupThread::reset();
  gConnectorLastChecked.store(0);
  return true;
}

ArborTalk* ArborTalk::get(ArborTalkContext* context) {
  context = contextOr(context);
  return context ? context->getMainInstance() : nullptr;
}

void ArborTalk::set(ArborTalk* instance, ArborTalkContext* context) {
  context = contextOr(context);
  if (context) context->setMainInstance(instance);
}

ArborTalk* ArborTalk::get(const char* appName, ArborTalkContext* context) {
  context = contextOr(context);
  return context && appName ? context->findInstance(VtString(appName)) : nullptr;
}

VtString ArborTalk::getSharedAppName() {
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  return context ? context->getAppSpecifier() : VtString();
}

VtString ArborTalk::getLaunchOptions() {
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  if (!context || !context->getThread()) return VtString();
  ArborTalkSetupThread::syncWithSetupThread();
  return context->getThread()->getValueForKey(VtString(ArborTalkThread::AK_LAUNCHPARAMS));
}

bool ArborTalk::suppressStartupScreen() {
  const VtString options = getLaunchOptions();
  return options.length() > 0 && std::strstr(options.get(), kNoStartupScreen) != nullptr;
}

bool ArborTalk::targetIsRunning(const char* specifier) {
  return Specifier(specifier, true).isRunning();
}

bool ArborTalk::launchTarget(const char* specifier, const char* parameters, Focus focus,
                             ArborTalkContext* context) {
  if (!specifier) return false;
  if (!parameters) parameters = "";
  if (std::strlen(specifier) > static_cast<size_t>(kMaxSpecifierLength) ||
      std::strlen(parameters) > static_cast<size_t>(kMaxParametersLength))
    return false;
  context = contextOr(context);
  if (!context) {
    VT_DEBUG_ALERT("ArborTalk::launchTarget: no context.");
    return false;
  }
  ArborTalk* main = context->getMainInstance();
  if (!main) {
    VT_DEBUG_ALERT("ArborTalk::launchTarget: no main ArborTalk instance.");
    return false;
  }
  Specifier target(specifier, true);
  if (target.length() == 0) return false;
  if (context->findInstance(target)) {
    VT_DEBUG_ALERT("ArborTalk::launchTarget: won't launch source app.");
    return false;
  }
  if (target.suffix().length() > 0) target.setSuffix(VtString());
  if (target.isRunning()) return true;

  const VtString ownSpecifier = context->getAppSpecifier();
  VtString path = target.getApplicationPath(ownSpecifier);
  if (path.length() == 0) {
    Specifier base(target, false);
    base.setInstance(VtString());
    path = base.getApplicationPath(ownSpecifier);
    if (path.length() == 0) return false;
  }

  VtString arguments("-specifier ");
  arguments << target << ' ' << kNoStartupScreen;
  if (target.instance().length() > 0) arguments << " -instance " << target.instance();
  if (parameters[0] != 0) arguments << ' ' << parameters;

  Specifier keyed(target, false);
  keyed.setSuffix(VtString());
  keyed.setInstance(VtString());
  VtString key(kLaunchParamsPrefix);
  key << keyed;
  ArborTalkThread* thread = context->getThread();
  if (thread) {
    thread->setKeyValuePair(key, arguments);
    thread->setTimeout(key, kLaunchKeySeconds);
  }
  VtString launchText(arguments);
  if (std::strstr(parameters, kNoParam) != nullptr || target == kNoParamTarget)
    launchText = VtString();

  // The launcher parks the parameters in the main instance's outgoing
  // queue for the new process (see Launcher::launch).
  ArborTalkConnector* connector = context->getConnector();
  const bool launched =
      connector && connector->launchTarget(target, launchText, focus == kFront, context);
  if (!launched && thread) thread->setKeyValuePair(key, VtString());
  return launched;
}

bool ArborTalk::pump(int32_t ops, ArborTalkContext* context) {
  if (!context) {
    if (ArborTalkSetupThread::isSetupThreadRunning()) return false;
    context = ArborTalkContext::getCurrentContext();
    if (!context) return false;
  }
  const uint32_t now = ArborTalkUtils::getTimeSeconds();
  const uint32_t last = gConnectorLastChecked.load();
  if (now >= last + kConnectorCheckSeconds) {
    if (ArborTalkConnector* connector = context->getConnector())
      (void)connector->updateCache(false);
    gConnectorLastChecked.store(now);
  }
  ArborTalkThread* thread = context->getThread();
  if (thread)
    thread->setKeyValuePair(VtString(ArborTalkThread::AK_STATUS),
                            VtString(ArborTalkThread::AK_PUMPING));
  bool result = false;
  for (int32_t i = 0; i < context->getNumberOfInstances(); ++i) {
    ArborTalk* instance = context->getNthInstance(i);
    if (!instance) break;
    if (ops & kIncoming) {
      if (instance->processIncomingMessage(kAnySerial, true)) {
        result = true;
        while (instance->processIncomingMessage(kAnySerial, true)) {
        }
      }
    }
    if (ops & kOutgoing) {
      if (instance->processOutgoingMessage()) {
        result = true;
        while (instance->processOutgoingMessage()) {
        }
      }
    }
  }
  if (thread)
    thread->setKeyValuePair(VtString(ArborTalkThread::AK_STATUS),
                            VtString(ArborTalkThread::AK_IDLE));
  return result;
}

bool ArborTalk::Thread::setPingValue(const VtString& key, const VtString& value) {
  ArborTalkThread* thread = ArborTalkThread::getMainThread();
  return thread && thread->setKeyValuePair(key, value);
}

VtString ArborTalk::Thread::getPingValue(const VtString& key) {
  ArborTalkThread* thread = ArborTalkThread::getMainThread();
  return thread ? thread->getValueForKey(key) : VtString();
}

bool ArborTalk::Thread::setPingHandler(const VtString& key, MsgHandler* handler) {
  ArborTalkThread* thread = ArborTalkThread::getMainThread();
  return thread && thread->setHandler(key, handler);
}

ArborTalk::MsgHandler* ArborTalk::Thread::getPingHandler(const VtString& key) {
  ArborTalkThread* thread = ArborTalkThread::getMainThread();
  return thread ? thread->findHandler(key) : nullptr;
}

VtString ArborTalk::Thread::ping(const char* target, const char* key, int32_t timeoutSeconds,
                                 const VtString* value) {
  const Specifier specifier(target, true);
  ArborTalkThread* thread = ArborTalkThread::getMainThread();
  if (!thread) return VtString();
  return thread->ping(specifier, VtString(key ? key : ""), timeoutSeconds, value);
}

void ArborTalk::getDiagnostics(VtString& out, bool formatted) {
  out = VtString();
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  if (!context) return;
  VtString prefix("/");
  prefix << getSharedAppName();
  context->appendDiagnostics(out, prefix);
  if (ArborTalkThread* thread = context->getThread()) thread->appendDiagnostics(out, prefix);
  VtString instances(prefix);
  instances << "/instances";
  out << instances << ";1;Instances;" << context->getNumberOfInstances() << ";\n";
  for (int32_t i = 0; i < context->getNumberOfInstances(); ++i)
    if (ArborTalk* instance = context->getNthInstance(i))
      instance->appendDiagnostics(out, instances);
  if (!formatted) return;

  VtString report("ArborTalk Diagnostics\n----------------------\n");
  VtString path, label, value;
  bool heading = false;
  const char* line = out.get();
  while ((line = ArborTalkUtils::parseInfoLine(line, path, label, value, heading)) != nullptr) {
    VtString indent;
    for (int32_t i = 1; i < path.length(); ++i)
      if (path.get()[i] == '/') indent << '\t';
    if (heading) {
      report << '\n' << indent << label << ": " << value << '\n';
    } else {
      report << indent << label;
      if (value.length() > 0) report << " = ";
      report << value << '\n';
    }
    if (*line == 0) break;
  }
  report << "----------------------\n";
  out = report;
}

}  // namespace Velt
