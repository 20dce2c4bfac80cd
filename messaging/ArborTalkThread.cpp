#include "messaging/ArborTalkThread.h"

#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkSetupThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/InterAppStream.h"
#include "messaging/Message.h"
#include "messaging/MsgHandler.h"
#include "messaging/Specifier.h"
#include "messaging/ThreadMsgHandler.h"
#include "platform/os/RandomBytes.h"

namespace Velt {

namespace {

// Deliveries taken in one pass; the rest wait for the next.
constexpr int kMaxDeliveriesPerPass = 64;

uint32_t randomSerial() {
  uint32_t value = 0;
  if (!platform::randomBytes(&value, sizeof value))
    value = static_cast<uint32_t>(ArborTalkUtils::Timer::now());
  // 0xFFFFFFFF means "any message".
  return value == ArborTalk::kAnySerial ? 1 : value;
}

}  // namespace

ArborTalkThread::PingData::~PingData() {
  delete mHandler;
}

ArborTalkThread::ArborTalkThread(ArborTalkContext* context, const VtString& appSpecifier)
    : mSpecifier(createThreadSpecifier(appSpecifier)), mContext(context) {
  setKeyValuePair(VtString(AK_ECHO_REQUEST), VtString(AK_ECHO_RESPONSE));
  setKeyValuePair(VtString(AK_STATUS), VtString(AK_IDLE));
  setHandler(VtString(AK_MAIN), new ThreadMainMsgHandler(context, this));
  setHandler(VtString(AK_LAUNCHED), new ThreadLaunchedMsgHandler(context));
  setHandler(VtString(AK_DIAGNOSTICS), new ThreadDiagnosticsMsgHandler(context));
  setHandler(VtString(AK_INFO), new ThreadInfoMsgHandler(context));
}

ArborTalkThread::~ArborTalkThread() {
  if (!mStop.load())
    VT_DEBUG_ALERT("You need to call ArborTalkThread::stop() instead of delete ArborTalkThread");
  // The body must be over before the members go.
  {
    ObjectLock lock(*this);
    mStop.store(true);
    if (mStream) mStream->wakeWaiter();
  }
  Thread::stop();
  (void)waitForRunExit();
  ObjectLock lock(*this);
  delete mStream;
  mStream = nullptr;
  while (mEntries.length() > 0) delete mEntries.removeAt(mEntries.length() - 1);
}

VtString ArborTalkThread::createThreadSpecifier(const VtString& specifier) {
  const ArborTalk::Specifier parts(specifier, false);
  VtString text = parts.appName();
  if (parts.instance().length() > 0) text << '_' << parts.instance();
  if (parts.version().length() > 0) text << '-' << parts.version();
  if (parts.locale().length() > 0) text << '-' << parts.locale();
  text << '#' << kThreadSuffix;
  return text;
}

ArborTalkThread* ArborTalkThread::getMainThread() {
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  return context ? context->getThread() : nullptr;
}

bool ArborTalkThread::isPingReadOnly(const VtString& key) {
  return key != AK_FWDMESSAGES && key != AK_FWDLOGS && key != AK_FWDERRORS;
}

int32_t ArborTalkThread::locateKey(const VtString& key) const {
  ObjectLock lock(*this);
  for (int32_t i = 0; i < mEntries.length(); ++i)
    if (mEntries[i]->mKey == key) return i;
  return -1;
}

ArborTalk::MsgHandler* ArborTalkThread::findHandler(const VtString& key) const {
  ObjectLock lock(*this);
  const int32_t index = locateKey(key);
  return index < 0 ? nullptr : mEntries[index]->mHandler;
}

bool ArborTalkThread::isOverdue() const {
  if (mLastPumpTime <= 0 || mAveragePumpInterval <= 0) return false;
  double since = ArborTalkUtils::Timer::now() - mLastPumpTime;
  if (since < 0) since = 0;
  return since > kOverdueFactor * mAveragePumpInterval;
}

VtString ArborTalkThread::getValueForKey(const VtString& key) const {
  ObjectLock lock(*this);
  const int32_t index = locateKey(key);
  if (index < 0) return VtString();
  const VtString& value = mEntries[index]->mValue;
  if (key == AK_STATUS && value == AK_IDLE && isOverdue()) return VtString(AK_BUSY);
  return value;
}

bool ArborTalkThread::isIdle() const {
  ObjectLock lock(*this);
  const int32_t index = locateKey(VtString(AK_STATUS));
  return index >= 0 && mEntries[index]->mValue == AK_IDLE && !isOverdue();
}

bool ArborTalkThread::setKeyValuePair(const VtString& key, const VtString& value) {
  if (key.length() == 0) return false;
  ObjectLock lock(*this);
  if (key == AK_STATUS) {
    const double now = ArborTalkUtils::Timer::now();
    if (value == AK_PUMPING) {
      const double delta = now - mLastPumpTime;
      if (mLastPumpTime > 0 && delta > kMinPumpDeltaMs) {
        if (mAveragePumpInterval == 0)
          mAveragePumpInterval = delta;
        else if (delta < kOverdueFactor * mAveragePumpInterval)
          mAveragePumpInterval = (mAveragePumpInterval + delta) / 2;
      }
      mLastPumpTime = now;
    } else if (value == AK_IDLE) {
      mLastPumpTime = now;
    }
  }
  const int32_t index = locateKey(key);
  if (index < 0) {
    if (value.length() > 0) mEntries.append(new PingData(key, value));
  } else if (value.length() > 0) {
    mEntries[index]->mValue = value;
  } else {
    delete mEntries.removeAt(index);
  }
  return true;
}

bool ArborTalkThread::setHandler(const VtString& key, ArborTalk::MsgHandler* handler) {
  ObjectLock lock(*this);
  int32_t index = locateKey(key);
  if (index < 0) {
    mEntries.append(new PingData(key, key));
    index = mEntries.length() - 1;
  }
  PingData* entry = mEntries[index];
  if (entry->mHandler != handler) delete entry->mHandler;
  entry->mHandler = handler;
  return true;
}

bool ArborTalkThread::setTimeout(const VtString& key, uint32_t seconds) {
  ObjectLock lock(*this);
  const int32_t index = locateKey(key);
  if (index < 0) return false;
  mEntries[index]->mTimeout = seconds == 0 ? 0 : ArborTalkUtils::getTimeSeconds() + seconds;
  return true;
}

VtString ArborTalkThread::getSpecifier() const {
  ObjectLock lock(*this);
  return mStream && mStream->isGood() ? mStream->getSpecifier() : VtString();
}

ArborTalkContext* ArborTalkThread::getContext() const {
  return mContext.load();
}

bool ArborTalkThread::setContext(ArborTalkContext* context) {
  ObjectLock lock(*this);
  if (!context || !context->getMainInstance()) {
    mContext.store(nullptr);
    return true;
  }
  const VtString specifier = createThreadSpecifier(context->getAppSpecifier());
  if (!mStream || specifier != mStream->getSpecifier()) {
    if (mStream) mStream->wakeWaiter();
    std::lock_guard<std::mutex> inUse(mStreamInUse);
    delete mStream;
    mStream = ArborTalkUtils::createNextAvailableInterAppStream(specifier);
    if (mStream) mSpecifier = mStream->getSpecifier();
  }
  mContext.store(context);
  return true;
}

VtString ArborTalkThread::ping(const VtString& target, const VtString& key, int32_t timeoutSeconds,
                               const VtString* value) {
  // No lock: a ping waits for its answer, and this thread's pass must go
  // on meanwhile (it may be the one to answer).
  BaseInterAppStream* stream = InterAppStream::get();
  if (!stream || !stream->isGood()) return VtString(AK_NOINTERAPPSTREAM);
  return ArborTalkUtils::ping(target, true, key, randomSerial(), timeoutSeconds, value, nullptr);
}

bool ArborTalkThread::sendResponse(const ArborTalk::Message& request, const VtString& answer) {
  ObjectLock lock(*this);
  if (!mStream) return false;
  ArborTalk::Message response;
  response.mTarget = request.mSender;
  response.mSender = getSpecifier();
  response.mType = AK_PINGTYPE;
  response.mBody = request.mBody;
  response.setHeader(VtString(AK_ECHO_REQUEST), answer);
  ArborTalkContext* context = mContext.load();
  response.mSerialNumber = context ? context->getNextSerialNumber() : 0;
  VtString text;
  return response.writeToString(text) && mStream->send(request.mSender, text);
}

bool ArborTalkThread::stop() {
  {
    ObjectLock lock(*this);
    mStop.store(true);
    // The flag is set first, under the lock the waiter reads it with, so
    // the wake-up ends its wait or the next one.
    if (mStream) mStream->wakeWaiter();
  }
  // Joined without the lock: the pass being waited for takes it.
  Thread::stop();
  if (!waitForRunExit() && isActive()) {
    VT_DEBUG_ALERT("waitForRunExit() failed");
    return false;
  }
  return true;
}

void ArborTalkThread::run() {
  {
    ObjectLock lock(*this);
    if (!mStream) {
      mStream = ArborTalkUtils::createNextAvailableInterAppStream(mSpecifier);
      if (!mStream) return;
      mSpecifier = mStream->getSpecifier();
    }
  }
  while (!mStop.load() && ArborTalkSetupThread::isSetupThreadRunning()) wait(kSetupPollMs);
  while (!mStop.load()) {
    runLocked();
    waitForPass();
  }
}

void ArborTalkThread::waitForPass() {
  std::unique_lock<std::mutex> inUse(mStreamInUse, std::defer_lock);
  BaseInterAppStream* stream = nullptr;
  {
    ObjectLock lock(*this);
    if (mStop.load()) return;
    stream = mStream;
    if (stream) inUse.lock();
  }
  // A ping is answered as soon as it arrives; the interval still bounds the
  // time between passes for the instances and the store.
  if (stream)
    (void)stream->waitForDelivery(kPassIntervalMs);
  else
    wait(kPassIntervalMs);
}

void ArborTalkThread::answerPings() {
  ObjectLock lock(*this);
  if (!mStream) return;
  bool received = false;
  for (int i = 0; i < kMaxDeliveriesPerPass && mStream->messagePending(); ++i) {
    if (!mStream->receive()) break;
    received = true;
  }
  if (!received || mStream->isEmpty()) return;
  const VtString text = mStream->getMessages();
  const char* next = text.get();
  const char* end = text.get() + text.length();
  ArborTalk::MsgHandler* main = findHandler(VtString(AK_MAIN));
  while (next && next < end) {
    ArborTalk::Message message;
    const char* after = message.readFromString(next, static_cast<size_t>(end - next));
    // A reader that does not move on would never end.
    if (!after || after <= next) break;
    next = after;
    message.mTimestamp = ArborTalkUtils::getTimeSeconds();
    if (!main) continue;
    VtString answer;
    if (main->handleMessage(1, message, &answer) == 0 && answer.length() > 0)
      sendResponse(message, answer);
  }
}

void ArborTalkThread::removeExpiredPingData() {
  ObjectLock lock(*this);
  const uint32_t now = ArborTalkUtils::getTimeSeconds();
  for (int32_t i = mEntries.length() - 1; i >= 0; --i)
    if (mEntries[i]->mTimeout != 0 && mEntries[i]->mTimeout <= now) delete mEntries.removeAt(i);
}

void ArborTalkThread::runLocked() {
  answerPings();
  // No instance leaves while the pass drives it. Neither this thread's nor
  // the context's lock is held meanwhile: the instances' sends take them.
  if (ArborTalkContext* context = mContext.load()) {
    std::lock_guard<std::mutex> driving(context->drivingLock());
    for (int32_t i = 0; !context->isBeingDeleted() && i < context->getNumberOfInstances(); ++i) {
      ArborTalk* instance = context->getNthInstance(i);
      if (!instance) break;
      instance->processIncomingMessage(ArborTalk::kAnySerial, false);
      instance->processOutgoingMessage();
    }
  }
  removeExpiredPingData();
  ObjectLock lock(*this);
  if (!isIdle()) return;
  if (ArborTalk::MsgHandler* idle = findHandler(VtString(AK_IDLEHANDLER))) {
    ArborTalk::Message message;
    message.mType = ArborTalkData::kTypeIdle;
    idle->handleMessage(7, message, nullptr);
  }
}

double ArborTalkThread::getAveragePumpInterval() const {
  ObjectLock lock(*this);
  return mAveragePumpInterval;
}

double ArborTalkThread::getLastPumpTime() const {
  ObjectLock lock(*this);
  return mLastPumpTime;
}

void ArborTalkThread::appendDiagnostics(VtString& out, const VtString& prefix) const {
  ObjectLock lock(*this);
  VtString p(prefix);
  p << "/thread";
  out << p << ";1;Thread;" << mSpecifier << ";\n";
  out << p << "/avgpump;0;Avg. pump interval;" << mAveragePumpInterval << "ms;\n";
  double since = ArborTalkUtils::Timer::now() - mLastPumpTime;
  if (since < 0) since = 0;
  out << p << "/lastpump;0;Last pump;" << since << "ms ago;\n";
  if (mEntries.length() == 0) return;
  VtString q(p);
  q << "/ping";
  out << q << ";1;Ping;" << mEntries.length() << ";\n";
  const uint32_t now = ArborTalkUtils::getTimeSeconds();
  for (int32_t i = 0; i < mEntries.length(); ++i) {
    const PingData* entry = mEntries[i];
    VtString e(q);
    e << '/' << entry->mKey;
    out << e << ";1;" << entry->mKey << ';' << entry->mValue << ";\n";
    if (entry->mTimeout == 0) {
      out << e << "/timeout;0;Timeout;undefined;\n";
    } else {
      const uint32_t left = entry->mTimeout > now ? entry->mTimeout - now : 0;
      out << e << "/timeout;0;Timeout;in " << left << "secs at "
          << ArborTalkUtils::getTimeString(&entry->mTimeout) << ";;\n";
    }
    out << e
        << (entry->mHandler ? "/msghandler;0;Handler;installed;\n"
                            : "/msghandler;0;Handler;undefined;\n");
  }
}

}  // namespace Velt
