#include "messaging/ArborTalkContext.h"

#include <atomic>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/DebugAlert.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

std::atomic<ArborTalkContext*> gCurrentContext{nullptr};
// The serial number most recently issued by any context.
std::atomic<uint32_t> gLastSerialNumber{1};

}  // namespace

ArborTalkContext::ArborTalkContext(const VtString& appSpecifier)
    : mAppSpecifier(appSpecifier), mNextSerialNumber(gLastSerialNumber.load()) {
  if (appSpecifier.length() == 0)
    VT_DEBUG_ALERT("ArborTalkContext::ArborTalkContext - Incorrect appSpecifier");
}

ArborTalkContext::~ArborTalkContext() {
  ArborTalkContext* self = this;
  gCurrentContext.compare_exchange_strong(self, nullptr);
}

ArborTalkContext* ArborTalkContext::getCurrentContext() {
  return gCurrentContext.load();
}

void ArborTalkContext::setCurrentContext(ArborTalkContext* context) {
  ArborTalkContext* current = gCurrentContext.load();
  if (context == current) return;
  if (current != nullptr && context != nullptr) {
    ObjectLock lock(*context);
    ObjectLock currentLock(*current);
    if (current->mNextSerialNumber > context->mNextSerialNumber)
      context->mNextSerialNumber = current->mNextSerialNumber;
    gLastSerialNumber.store(context->mNextSerialNumber);
  }
  gCurrentContext.store(context);
  delete current;
}

uint32_t ArborTalkContext::getNextSerialNumber() {
  ObjectLock lock(*this);
  const uint32_t number = mNextSerialNumber++;
  gLastSerialNumber.store(number);
  return number;
}

ArborTalkConnector* ArborTalkContext::getConnector() const {
  ObjectLock lock(*this);
  return ArborTalkConnector::get();
}

VtString ArborTalkContext::getAppSpecifier() const {
  // Completion asks the connector, whose operations ask the context in
  // turn: no lock of the context may be held here. The application
  // specifier itself never changes.
  ArborTalk::Specifier specifier(mAppSpecifier, true);
  specifier.setSuffix(VtString());
  return specifier;
}

ArborTalkContext* ArborTalk::getSharedContext() {
  return ArborTalkContext::getCurrentContext();
}

void ArborTalk::setSharedContext(ArborTalkContext* context) {
  ArborTalkContext::setCurrentContext(context);
}

}  // namespace Velt
