#include "messaging/MessageQueue.h"

#include <atomic>
#include <cstring>

#include "messaging/ArborTalkUtils.h"

namespace Velt::ArborTalkData {

namespace {

constexpr uint32_t kNone = AK_INVALID_MESSAGE_NUMBER;
constexpr char kTimeoutDetector[] = "TIMEOUT_DETECTOR";
constexpr char kDetectorSender[] = "SENDER";
constexpr char kNotifyReason[] = "REMOVING MSG - NOTIFYING SENDER";
constexpr char kLogRoot[] = "/log";

std::atomic<MessageQueue::Outlet*> gOutlet{nullptr};

bool contains(const VtString& text, const char* part) {
  return std::strstr(text.get(), part) != nullptr;
}

bool matches(const ArborTalk::Message& message, uint32_t serial) {
  return serial == kNone || message.mSerialNumber == serial || message.mReceived == serial ||
         message.mResult == serial || message.mError == serial;
}

}  // namespace

void MessageQueue::setOutlet(Outlet* outlet) {
  gOutlet.store(outlet);
}

MessageQueue::Outlet* MessageQueue::getOutlet() {
  return gOutlet.load();
}

MessageQueue::MessageQueue() = default;

MessageQueue::~MessageQueue() {
  ObjectLock lock(*this);
  // A notice may land in this very queue; it is taken in turn.
  while (ArborTalk::Message* message = mMessages.removeAt(0)) {
    notifySender(*message, kTypeTimeout, mDiagnosticsRoot);
    delete message;
  }
}

bool MessageQueue::hasTimedOut(const ArborTalk::Message& message, uint32_t now) {
  if (message.mTimeout == 0) return message.mType == kTypeIgnore;
  // In 64 bits, so a huge timeout does not wrap into the past.
  return message.mTimestamp > 0 &&
         uint64_t{now} >= uint64_t{message.mTimestamp} + uint64_t{message.mTimeout};
}

void MessageQueue::forward(const ArborTalk::Message& message, const char* action) const {
  const VtString root = getDiagnosticsRoot();
  if (root.length() == 0 || message.mType == kTypeDebug) return;
  if (Outlet* outlet = getOutlet()) outlet->forward(message, root, action);
}

bool MessageQueue::append(ArborTalk::Message* message) {
  if (!message || message->mSender.length() == 0 || message->mTarget.length() == 0) return false;
  if (message->mTimestamp == 0) message->mTimestamp = ArborTalkUtils::getTimeSeconds();
  if (message->mTimeout == 0) message->mTimeout = kDefaultTimeout;
  // Forwarded before it is shared, and without the queue's lock: the
  // forwarder sends, which takes other locks.
  forward(*message, "added");
  ObjectLock lock(*this);
  mMessages.append(message);
  return true;
}

bool MessageQueue::isEmpty() const {
  ObjectLock lock(*this);
  return mMessages.length() == 0;
}

const ArborTalk::Message* MessageQueue::findMessageForTarget(const VtString& target) const {
  ObjectLock lock(*this);
  for (int32_t i = 0; i < mMessages.length(); ++i)
    if (mMessages[i]->mTarget == target) return mMessages[i];
  return nullptr;
}

ArborTalk::Message* MessageQueue::getNextMessage(uint32_t serial) {
  ArborTalk::Message* chosen = takeNextMessage(serial);
  if (chosen) forward(*chosen, "picked");
  return chosen;
}

ArborTalk::Message* MessageQueue::takeNextMessage(uint32_t serial) {
  ObjectLock lock(*this);
  const uint32_t now = ArborTalkUtils::getTimeSeconds();
  VtVector<ArborTalk::Message> watchers;
  ArborTalk::Message* chosen = nullptr;
  int32_t i = 0;
  while (!chosen && i < mMessages.length()) {
    ArborTalk::Message* message = mMessages[i];
    if (hasTimedOut(*message, now)) {
      mMessages.removeAt(i);
      notifySender(*message, kTypeTimeout, mDiagnosticsRoot);
      delete message;
    } else if (!matches(*message, serial)) {
      // Messages for other serial numbers keep their place.
      ++i;
    } else if (message->mType == kTypeIgnore) {
      watchers.append(mMessages.removeAt(i));
    } else {
      chosen = mMessages.removeAt(i);
    }
  }
  for (int32_t w = 0; w < watchers.length(); ++w) mMessages.append(watchers[w]);
  return chosen;
}

bool MessageQueue::removeMessage(uint32_t serial) {
  if (serial == kNone) return false;
  ArborTalk::Message* message = takeNextMessage(serial);
  if (!message) return false;
  delete message;
  return true;
}

bool MessageQueue::removeTimeoutMessage(uint32_t serial) {
  if (serial == kNone) return false;
  ObjectLock lock(*this);
  for (int32_t i = mMessages.length() - 1; i >= 0; --i) {
    const ArborTalk::Message* m = mMessages[i];
    if (m->mSerialNumber == serial && m->mTimeout > 0 && m->mType == kTypeIgnore &&
        m->mResponseRequest == kTypeTimeout && m->mTarget == m->mSender)
      delete mMessages.removeAt(i);
  }
  return false;
}

void MessageQueue::removeExpiredMessages() {
  ObjectLock lock(*this);
  const uint32_t now = ArborTalkUtils::getTimeSeconds();
  // Notices sent meanwhile may be appended; they lie behind the walk.
  for (int32_t i = mMessages.length() - 1; i >= 0; --i) {
    if (i >= mMessages.length() || !hasTimedOut(*mMessages[i], now)) continue;
    ArborTalk::Message* message = mMessages.removeAt(i);
    notifySender(*message, kTypeTimeout, mDiagnosticsRoot);
    delete message;
  }
}

void MessageQueue::setDiagnosticsRoot(const VtString& root) {
  ObjectLock lock(*this);
  mDiagnosticsRoot = root;
}

VtString MessageQueue::getDiagnosticsRoot() const {
  ObjectLock lock(*this);
  return mDiagnosticsRoot;
}

int32_t MessageQueue::appendDiagnostics(VtString& out, const VtString& root) const {
  const bool logs = std::strncmp(root.get(), kLogRoot, sizeof kLogRoot - 1) == 0;
  int32_t count = 0;
  for (int32_t i = 0; i < mMessages.length(); ++i) {
    const ArborTalk::Message* message = mMessages[i];
    if ((message->mType == kTypeLog) != logs) continue;
    message->appendDiagnostics(out, root);
    ++count;
  }
  return count;
}

bool MessageQueue::notifySender(const ArborTalk::Message& message, const char* kind,
                                const VtString& root) {
  if (!kind || !contains(message.mResponseRequest, kind)) return false;
  if (message.getUserHeaderValue(kTimeoutDetector) == kDetectorSender) return false;

  ArborTalk::Message notice;
  notice.mTarget = message.mSender;
  notice.mSender = message.mTarget;
  if (message.mVersion == "" || message.mVersion == "1.0") {
    // Older peers know no answer types; the instance numbers the notice
    // when it sends it.
    notice.mType = message.mType;
    notice.mSerialNumber = 0;
  } else {
    notice.mSerialNumber = message.mSerialNumber;
    notice.mType = kind;
    if (notice.isUserType()) notice.mType << message.mType;
  }

  Outlet* outlet = getOutlet();
  if (outlet) outlet->log(kNotifyReason, notice);
  if (root.length() > 0 && message.mType != kTypeDebug && outlet)
    outlet->forward(message, root, "timed out");
  return outlet && outlet->sendNotice(notice);
}

}  // namespace Velt::ArborTalkData
