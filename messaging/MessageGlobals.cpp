#include "messaging/MessageGlobals.h"

#include <atomic>
#include <mutex>

#include "messaging/ArborTalkConnector.h"

namespace Velt {

namespace {

std::atomic<MessageGlobals*> gGlobals{nullptr};
// Library threads may ask first; only one object is ever made.
std::mutex gGlobalsMutex;

}  // namespace

MessageGlobals::MessageGlobals() {
  if (ArborTalkConnector* connector = ArborTalkConnector::get()) {
    const VtString self = connector->getApplicationSpecifier(-1);
    mAuthentication = connector->getMessageAuthentication(self);
    mCreateDigest = connector->getMessageDigest(self);
  }
}

void MessageGlobals::init() {
  get();
}

void MessageGlobals::exit() {
  std::lock_guard<std::mutex> guard(gGlobalsMutex);
  delete gGlobals.exchange(nullptr);
}

MessageGlobals* MessageGlobals::get() {
  if (MessageGlobals* globals = gGlobals.load()) return globals;
  std::lock_guard<std::mutex> guard(gGlobalsMutex);
  if (!gGlobals.load()) gGlobals.store(new MessageGlobals);
  return gGlobals.load();
}

void MessageGlobals::setAuthentication(bool on) {
  ObjectLock lock(*this);
  mAuthentication = on;
}

bool MessageGlobals::getAuthentication() const {
  ObjectLock lock(*this);
  return mAuthentication;
}

void MessageGlobals::setCreateDigest(bool on) {
  ObjectLock lock(*this);
  mCreateDigest = on;
}

bool MessageGlobals::getCreateDigest() const {
  ObjectLock lock(*this);
  return mCreateDigest;
}

}  // namespace Velt
