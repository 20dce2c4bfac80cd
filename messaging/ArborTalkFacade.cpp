// The static operations of ArborTalk: starting and stopping the library,
// the shared context and main instance, launching, pumping, ping values
// and diagnostics.
#include <atomic>
#include <cstring>
#include <memory>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkSetupThread.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/ContextOutlets.h"
#include "messaging/DebugAlert.h"
#include "messaging/InterAppStream.h"
#include "messaging/Message.h"
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

constexpr char kRefreshConnector[] = "refresh";
constexpr char kRemoveAllConnector[] = "removeAll";
constexpr char kDefaultConnector[] = "default";
constexpr char kProductDatabaseConnector[] = "PDB";

std::atomic<uint32_t> gConnectorLastChecked{0};

// The connector a name selects: the empty name and "default" mean the
// product database.
VtString connectorName(const VtString& name) {
  if (name.length() == 0 || name == kDefaultConnector) return VtString(kProductDatabaseConnector);
  return name;
}

// Messages are signed and digested as the registry says of this
// application.
void takeSwitchesFrom(const ArborTalkConnector& connector) {
  const VtString self = ArborTalk::getSharedAppName();
  ArborTalk::Message::setAuthentication(connector.getMessageAuthentication(self));
  ArborTalk::Message::setCreateDigest(connector.getMessageDigest(self));
}

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

void ArborTalk::bringToFront(const char* specifier, ArborTalkContext* context) {
  context = contextOr(context);
  if (!context) {
    VT_DEBUG_ALERT("ArborTalk::launchTarget: no context.");
    return;
  }
  if (ArborTalkConnector* connector = context->getConnector())
    connector->bringToFront(specifier, context);
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

int32_t ArborTalk::getNumberOfRegisteredApplications() {
  ArborTalkConnector* connector = ArborTalkConnector::get();
  return connector ? connector->getNumberOfRegisteredApplications() : 0;
}

VtString ArborTalk::getApplicationSpecifier(int32_t index) {
  ArborTalkConnector* connector = ArborTalkConnector::get();
  return connector ? connector->getApplicationSpecifier(index) : VtString();
}

VtString ArborTalk::getDisplayName(const VtString& name, const VtString& version,
                                   const VtString& locale) {
  ArborTalkConnector* connector = ArborTalkConnector::get();
  return connector ? connector->getDisplayName(name, version, locale) : VtString();
}

bool ArborTalk::useConnector(const VtString& name) {
  ArborTalkConnector* current = ArborTalkConnector::get();
  if (current && name == kRefreshConnector) {
    current->clearCache();
    return true;
  }
  if (current && name == kRemoveAllConnector) return current->removeAll();
  const VtString wanted = connectorName(name);
  if (current && current->getName() == wanted) return true;
  ArborTalkConnector* made = ArborTalkUtils::createConnector(getSharedAppName(), wanted);
  if (!made) return false;
  ArborTalkConnector::set(made);
  // set() deletes a connector given after the library stopped.
  if (ArborTalkConnector::get() == made) takeSwitchesFrom(*made);
  return true;
}

bool ArborTalk::updateConnectorCache(bool force) {
  if (!ArborTalkConnector::get()) (void)useConnector(VtString(kDefaultConnector));
  ArborTalkConnector* connector = ArborTalkConnector::get();
  return connector && connector->isGood() && connector->updateCache(force);
}

bool ArborTalk::importFromConnector(const VtString& name) {
  ArborTalkConnector* current = ArborTalkConnector::get();
  if (!current || !current->isGood() || current->getName() == connectorName(name)) return false;
  std::unique_ptr<ArborTalkConnector> source(
      ArborTalkUtils::createConnector(getSharedAppName(), name));
  if (!source || !source->isGood()) return false;
  const bool imported = current->importFrom(*source);
  source.reset();
  takeSwitchesFrom(*current);
  return imported;
}

VtString ArborTalk::getConnectorConfig(const VtString& name, const VtString& which) {
  ArborTalkConnector* current = ArborTalkConnector::get();
  if (current && current->getName() == connectorName(name))
    return current->isGood() ? current->getConnectorConfig(which) : VtString();
  std::unique_ptr<ArborTalkConnector> made(
      ArborTalkUtils::createConnector(getSharedAppName(), name));
  if (!made || !made->isGood()) return VtString();
  return made->getConnectorConfig(which);
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
  if (ArborTalkConnector* connector = context->getConnector())
    connector->appendDiagnostics(out, prefix);
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
