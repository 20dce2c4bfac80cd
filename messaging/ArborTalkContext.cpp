#include "messaging/ArborTalkContext.h"

#include <atomic>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkData.h"
#include "messaging/ArborTalkSetupThread.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/Message.h"
#include "messaging/PrivateData.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

std::atomic<ArborTalkContext*> gCurrentContext{nullptr};
// The serial number most recently issued by any context.
std::atomic<uint32_t> gLastSerialNumber{1};
std::atomic<ArborTalkContext*> gDeleteContextWithLastInstance{nullptr};
// The first lookup that finds a context waits once for the set-up.
std::atomic<bool> gWaitedOnce{false};

constexpr char kBuild[] = "3.92.104";

const char* onOff(bool on) {
  return on ? "ON" : "OFF";
}

}  // namespace

ArborTalkContext::ArborTalkContext(const VtString& appSpecifier)
    : mNextSerialNumber(gLastSerialNumber.load()), mAppSpecifier(appSpecifier) {
  if (appSpecifier.length() == 0)
    VT_DEBUG_ALERT("ArborTalkContext::ArborTalkContext - Incorrect appSpecifier");
  // Not under this context's lock: the thread's pass takes its own lock and
  // then this one, never the other way round.
  mThread = new ArborTalkThread(this, appSpecifier);
  mThread->start();
}

ArborTalkContext::~ArborTalkContext() {
  {
    ObjectLock lock(*this);
    mDeleting = true;
  }
  // Never under the context's lock: the thread's pass takes it.
  if (mThread && mThread->stop()) delete mThread;
  mThread = nullptr;
  ArborTalkContext* self = this;
  gCurrentContext.compare_exchange_strong(self, nullptr);
  self = this;
  gDeleteContextWithLastInstance.compare_exchange_strong(self, nullptr);
  for (;;) {
    ArborTalk* instance = nullptr;
    {
      ObjectLock lock(*this);
      instance = mInstances.removeAt(0);
      if (instance == mMainInstance) mMainInstance = nullptr;
    }
    if (!instance) break;
    // It leaves this context, already removed, whatever it took as current.
    instance->getPrivateData()->setContext(this);
    delete instance;
  }
}

ArborTalkContext* ArborTalkContext::getCurrentContext() {
  ArborTalkContext* context = gCurrentContext.load();
  if (!context) {
    if (ArborTalkSetupThread::hasSetupThread()) {
      ArborTalkSetupThread::syncWithSetupThread();
      context = gCurrentContext.load();
    }
  } else if (!gWaitedOnce.load() && !ArborTalkSetupThread::isSettingUp()) {
    gWaitedOnce.store(true);
    ArborTalkSetupThread::syncWithSetupThread();
  }
  return context;
}

void ArborTalkContext::setCurrentContext(ArborTalkContext* context) {
  ArborTalkContext* current = gCurrentContext.load();
  if (context == current) return;
  if (current != nullptr && context != nullptr) {
    {
      ObjectLock lock(*context);
      context->appendContext(*current);
      gLastSerialNumber.store(context->mNextSerialNumber);
    }
    // What context took over must not go with the old one.
    std::lock_guard<std::mutex> driving(current->drivingLock());
    for (int32_t i = 0; i < context->getNumberOfInstances(); ++i) {
      ArborTalk* instance = context->getNthInstance(i);
      if (!current->findInstance(instance)) continue;
      current->removeInstance(instance);
      if (instance->getPrivateData()->getContext() == current)
        instance->getPrivateData()->setContext(nullptr);
    }
    ObjectLock lock(*current);
    current->mMainInstance = nullptr;
  }
  gCurrentContext.store(context);
  if (context == nullptr) gWaitedOnce.store(false);
  delete current;
}

ArborTalkContext* ArborTalkContext::getDeleteContextWithLastInstance() {
  return gDeleteContextWithLastInstance.load();
}

void ArborTalkContext::setDeleteContextWithLastInstance(ArborTalkContext* context) {
  gDeleteContextWithLastInstance.store(context);
}

void ArborTalkContext::appendInstance(ArborTalk* instance) {
  if (!instance) return;
  ObjectLock lock(*this);
  mInstances.append(instance);
}

void ArborTalkContext::removeInstance(ArborTalk* instance) {
  ObjectLock lock(*this);
  mInstances.remove(instance);
}

ArborTalk* ArborTalkContext::findInstance(const ArborTalk* instance) const {
  ObjectLock lock(*this);
  for (int32_t i = 0; i < mInstances.length(); ++i)
    if (mInstances[i] == instance) return mInstances[i];
  return nullptr;
}

ArborTalk* ArborTalkContext::findInstance(const VtString& name) const {
  ObjectLock lock(*this);
  for (int32_t i = 0; i < mInstances.length(); ++i)
    if (mInstances[i]->getAppName() == name) return mInstances[i];
  return nullptr;
}

int32_t ArborTalkContext::getNumberOfInstances() const {
  ObjectLock lock(*this);
  return mInstances.length();
}

ArborTalk* ArborTalkContext::getNthInstance(int32_t index) const {
  ObjectLock lock(*this);
  if (index < 0 || index >= mInstances.length()) return nullptr;
  return mInstances[index];
}

void ArborTalkContext::setMainInstance(ArborTalk* instance) {
  ObjectLock lock(*this);
  mMainInstance = instance;
}

ArborTalk* ArborTalkContext::getMainInstance() const {
  ObjectLock lock(*this);
  return mMainInstance;
}

uint32_t ArborTalkContext::getNextSerialNumber() {
  ObjectLock lock(*this);
  const uint32_t number = mNextSerialNumber++;
  gLastSerialNumber.store(number);
  return number;
}

void ArborTalkContext::appendContext(ArborTalkContext& other) {
  if (&other == this) return;
  ObjectLock lock(*this);
  ObjectLock otherLock(other);
  if (other.mNextSerialNumber > mNextSerialNumber) mNextSerialNumber = other.mNextSerialNumber;
  for (int32_t i = 0; i < other.mInstances.length(); ++i) {
    ArborTalk* instance = other.mInstances[i];
    bool held = false;
    for (int32_t j = 0; j < mInstances.length() && !held; ++j) held = mInstances[j] == instance;
    if (!held) mInstances.append(instance);
  }
  mMainInstance = other.mMainInstance;
}

bool ArborTalkContext::isLogging() const {
  ObjectLock lock(*this);
  return mLogging;
}

void ArborTalkContext::setLogging(bool on) {
  ObjectLock lock(*this);
  mLogging = on;
}

ArborTalkConnector* ArborTalkContext::getConnector() const {
  ObjectLock lock(*this);
  return ArborTalkConnector::get();
}

VtString ArborTalkContext::getSignature() {
  ObjectLock lock(*this);
  if (mSignature.length() == 0) mSignature = ArborTalkUtils::getSignature();
  return mSignature;
}

VtString ArborTalkContext::getAppSpecifier() const {
  // Completion asks the connector, whose operations ask the context in
  // turn: no lock of the context is held while completing.
  ArborTalk* main = getMainInstance();
  if (main) {
    ArborTalk::Specifier specifier(main->getAppName(), false);
    specifier.setSuffix(VtString());
    return specifier;
  }
  ArborTalk::Specifier specifier(mAppSpecifier, true);
  specifier.setSuffix(VtString());
  return specifier;
}

bool ArborTalkContext::isBeingDeleted() const {
  ObjectLock lock(*this);
  return mDeleting;
}

void ArborTalkContext::appendDiagnostics(VtString& out, const VtString& prefix) const {
  const ArborTalk::Specifier spec(getAppSpecifier(), false);
  VtString p(prefix);
  p << "/context";
  VtString m(p);
  m << "/messages";
  // Our own status is read from the store: a ping to our own thread would
  // wait for the pass that is asking.
  const VtString status =
      mThread ? mThread->getValueForKey(VtString(ArborTalkThread::AK_STATUS)) : spec.status();
  out << p << ";1;Info;;\n";
  out << p << "/name;0;Name;" << spec << ";\n";
  out << p << "/status;0;Status;" << status << ";\n";
  const VtString group = spec.group();
  if (group.length() > 0) out << p << "/group;0;Group;" << group << ";\n";
  out << p << "/path;0;Path;" << spec.getApplicationPath() << ";\n";
  out << p << "/version;0;Version;" << ArborTalk::kVersion << ";\n";
  out << p << "/build;0;Build;OR " << kBuild << ";\n";
  uint32_t next = 0;
  bool logging = false;
  {
    ObjectLock lock(*this);
    next = mNextSerialNumber;
    logging = mLogging;
  }
  out << p << "/nextsnr;0;Next serial number;" << (next + 1) << ";\n";
  out << p << "/logging;0;Logging:;" << onOff(logging) << ";\n";
  out << p << "/now;0;Now;" << ArborTalkUtils::getTimeString() << ";\n";
  out << m << ";1;Messages;;\n";
  out << m << "/version;0;Message Version;" << ArborTalk::Message().getVersion() << ";\n";
  out << m << "/authentication;0;Authentication;" << onOff(ArborTalk::Message::getAuthentication())
      << ";\n";
  out << m << "/digest;0;Digest;" << onOff(ArborTalk::Message::getCreateDigest()) << ";\n";
}

ArborTalkContext* ArborTalk::getSharedContext() {
  return ArborTalkContext::getCurrentContext();
}

void ArborTalk::setSharedContext(ArborTalkContext* context) {
  ArborTalkContext::setCurrentContext(context);
}

}  // namespace Velt
