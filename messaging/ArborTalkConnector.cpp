#include "messaging/ArborTalkConnector.h"

#include <atomic>

#include "messaging/DebugAlert.h"

namespace Velt {

namespace {

std::atomic<ArborTalkConnector*> gCurrent{nullptr};
std::atomic<bool> gExited{false};

}  // namespace

ArborTalkConnector::ArborTalkConnector(const VtString& appSpecifier)
    : mAppSpecifier(appSpecifier) {}

ArborTalkConnector::~ArborTalkConnector() = default;

VtString ArborTalkConnector::getApplicationSpecifier(int index) const {
  if (index == -1) return mAppSpecifier;
  return VtString();
}

bool ArborTalkConnector::getMessageAuthentication(const VtString&) const {
  return true;
}

bool ArborTalkConnector::getMessageDigest(const VtString&) const {
  return true;
}

bool ArborTalkConnector::InitTerm::exit() {
  delete gCurrent.exchange(nullptr);
  gExited.store(true);
  return true;
}

ArborTalkConnector* ArborTalkConnector::get() {
  if (gExited.load())
    VT_DEBUG_ALERT(
        "You are using ArborTalkConnector after ArborTalkConnector::InitTerm::exit() has been "
        "called.");
  return gCurrent.load();
}

void ArborTalkConnector::set(ArborTalkConnector* connector) {
  if (connector == gCurrent.load()) return;
  if (gExited.load()) {
    // Nobody else owns it any more.
    delete connector;
    return;
  }
  delete gCurrent.exchange(connector);
}

}  // namespace Velt
