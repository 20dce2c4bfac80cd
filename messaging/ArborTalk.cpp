#include "messaging/ArborTalk.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkData.h"
#include "messaging/ArborTalkSetupThread.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/InterAppStream.h"
#include "messaging/Message.h"
#include "messaging/MsgHandler.h"
#include "messaging/PrivateData.h"
#include "messaging/Specifier.h"

namespace Velt {

using namespace ArborTalkData;

namespace {

constexpr uint32_t kAny = ArborTalk::kAnySerial;
constexpr int32_t kSendFailed = 59;
constexpr int32_t kRejected = 53;
constexpr int32_t kHandlerThrew = -29;
constexpr uint32_t kDefaultWatchSeconds = 60;
constexpr uint32_t kRunningWaitSeconds = 300;
constexpr uint32_t kPollMs = 100;
constexpr uint32_t kRequeueSeconds = 600;
constexpr uint32_t kLastRequeueTimeout = 599;

constexpr char kTimeoutDetector[] = "TIMEOUT_DETECTOR";
constexpr char kDetectorSender[] = "SENDER";
constexpr char kDetectorTarget[] = "TARGET";
constexpr char kQueueStamp[] = "QUEUESTAMP";
constexpr char kForwardMessages[] = "FWDMESSAGES";

bool contains(const VtString& text, const char* word) {
  return std::strstr(text.get(), word) != nullptr;
}

bool equalsIgnoringCase(const VtString& text, const char* other) {
  return text.lowercase() == VtString(other).lowercase();
}

bool isSet(uint32_t serial) {
  return serial != kAny;
}

bool isEmptyScript(const ArborTalk::Message& message) {
  return message.mType == kTypeOrrery && message.mBody.length() == 0 && !isSet(message.mReceived) &&
         !isSet(message.mResult) && !isSet(message.mError);
}

int getReason(const ArborTalk::Message& message) {
  const VtString& type = message.mType;
  if (type == kTypeReceived) return 2;
  if (type == kTypeResult) return 3;
  if (type == kTypeError) return 4;
  if (type == kTypeTimeout) return 5;
  if (type == kTypeLog) return 6;
  if (type == kTypeIdle) return 7;
  if (type == kTypeOrrery || type == kTypeDebug) {
    if (isSet(message.mReceived)) return 2;
    if (isSet(message.mResult)) return 3;
    if (isSet(message.mError)) return 4;
    return 1;
  }
  return 0;
}

// Appends a message the queue may refuse; a refused one is deleted.
void enqueue(MessageQueue& queue, ArborTalk::Message* message) {
  if (!queue.append(message)) delete message;
}

VtString withoutSuffix(const VtString& name) {
  ArborTalk::Specifier specifier(name, false);
  specifier.setSuffix(VtString());
  return specifier;
}

VtString normalisedName(const char* text) {
  const ArborTalk::Specifier specifier(text, true);
  VtString name = specifier.appName();
  if (specifier.instance().length() > 0) name << '_' << specifier.instance();
  if (specifier.version().length() > 0) name << '-' << specifier.version();
  if (specifier.locale().length() > 0) name << '-' << specifier.locale();
  if (specifier.suffix().length() > 0) name << '#' << specifier.suffix();
  return name;
}

bool holdsTarget(const VtVector<VtString>& targets, const VtString& target) {
  for (int32_t i = 0; i < targets.length(); ++i)
    if (*targets[i] == target) return true;
  return false;
}

}  // namespace

ArborTalk::ArborTalk(const char* specifier, MsgHandler* handler, bool isMain,
                     ArborTalkContext* context)
    : mData(nullptr) {
  if (ArborTalkSetupThread::isSetupThreadRunning()) ArborTalkSetupThread::syncWithSetupThread();
  if (isMain && !context && !ArborTalkContext::getCurrentContext()) {
    if (InitTerm::init(VtString(specifier), true))
      ArborTalkContext::setDeleteContextWithLastInstance(ArborTalkContext::getCurrentContext());
  }
  if (context && context == ArborTalkContext::getCurrentContext()) context = nullptr;
  mData = new PrivateData(context, normalisedName(specifier));
  if (ArborTalkContext* reachable = getContext()) {
    reachable->appendInstance(this);
    if (isMain) reachable->setMainInstance(this);
  }
  const VtString name = getAppName();
  VtString root("/messages/");
  root << withoutSuffix(name) << '/' << name;
  VtString in(root);
  in << "/in";
  VtString out(root);
  out << "/out";
  mData->getIncomingMessageQueue().setDiagnosticsRoot(in);
  mData->getOutgoingMessageQueue().setDiagnosticsRoot(out);
  if (handler) {
    mData->addHandler(handler);
    handler->initialize(this);
  }
}

ArborTalk::~ArborTalk() {
  ObjectLock lock(*this);
  if (mData->getUnregisterApp()) Specifier(getAppName(), true).unregisterApplication(nullptr);
  setContext(nullptr);
  delete mData;
  mData = nullptr;
}

ArborTalkContext* ArborTalk::getContext() const {
  ArborTalkContext* context = mData ? mData->getContext() : nullptr;
  return context ? context : ArborTalkContext::getCurrentContext();
}

void ArborTalk::setContext(ArborTalkContext* newContext) {
  if (newContext && mData->getContext() == newContext) return;
  ArborTalkContext* context = getContext();
  if (context == newContext) return;
  if (context) {
    bool deleteIt = false;
    {
      std::lock_guard<std::mutex> driving(context->drivingLock());
      ObjectLock lock(*context);
      if (context->getMainInstance() == this) context->setMainInstance(nullptr);
      context->removeInstance(this);
      deleteIt = context == ArborTalkContext::getDeleteContextWithLastInstance() &&
                 context->getNumberOfInstances() == 0 && !context->isBeingDeleted();
    }
    if (deleteIt) {
      ArborTalkContext::setDeleteContextWithLastInstance(nullptr);
      // The library this instance started goes with it.
      if (context == ArborTalkContext::getCurrentContext())
        InitTerm::exit();
      else
        delete context;
    }
  }
  mData->setContext(newContext);
}

VtString ArborTalk::getAppName() const {
  return mData ? mData->getAppName() : VtString();
}

void ArborTalk::setAppName(const char* name) {
  mData->setAppName(VtString(name));
}

ArborTalk::MsgHandler* ArborTalk::findHandler(const VtString& type, uint32_t serial) {
  return mData->findHandler(type, serial);
}

ArborTalk::MsgHandler* ArborTalk::changeHandler(MsgHandler* handler) {
  return mData->changeHandler(handler);
}

ArborTalk::MsgHandler* ArborTalk::removeHandler(const VtString& type, uint32_t serial) {
  return mData->removeHandler(type, serial);
}

bool ArborTalk::deleteHandler(MsgHandler* handler) {
  return mData->deleteHandler(handler);
}

bool ArborTalk::deleteHandlers(uint32_t serial) {
  return mData->deleteHandlers(serial);
}

bool ArborTalk::send(Message& message, bool launch, uint32_t waitSeconds,
                     const VtString* launchParameters) {
  if (isEmptyScript(message)) return false;
  const Specifier target(message.mTarget, true);
  if (target.length() == 0)
    return sendError(message, VtString("ERROR: INVALID SPECIFIER"), kSendFailed);
  if (message.mType == kTypeTimeout && target != message.mSender &&
      message.getUserHeaderValue(kTimeoutDetector) == kDetectorSender)
    return false;

  ArborTalkContext* context = getContext();
  if (message.mSerialNumber == 0 && context) message.mSerialNumber = context->getNextSerialNumber();
  if (message.mSender.length() == 0) message.mSender = getAppName();
  message.mTarget = target;
  message.mTimestamp = ArborTalkUtils::getTimeSeconds();

  const bool wantsResponse =
      message.mType != kTypeIgnore &&
      (message.mResponseRequest.length() > 0 || findHandler(VtString(), message.mSerialNumber));
  if (wantsResponse && !contains(message.mResponseRequest, kTypeProcessed) &&
      message.mType != kTypeDebug) {
    if (message.mResponseRequest.length() > 0) message.mResponseRequest << ' ';
    message.mResponseRequest << kTypeProcessed;
  }

  VtString text;
  if (!message.writeToString(text)) {
    sendError(message, VtString("ERROR: CAN'T STREAM MESSAGE TO STRING"), kSendFailed);
    return false;
  }

  bool delivered = false;
  bool throughStream = false;
  ArborTalk* local = context ? context->findInstance(target) : nullptr;
  if (local) {
    if (contains(message.mResponseRequest, kTypeReceived)) {
      auto* ack = new Message(message);
      ack->mTarget = message.mSender;
      ack->mSender = message.mTarget;
      ack->mResponseRequest = VtString();
      ack->mTimeout = 0;
      ack->mType = kTypeReceived;
      ack->mReceived = message.mSerialNumber;
      enqueue(mData->getIncomingMessageQueue(), ack);
    }
    enqueue(local->mData->getIncomingMessageQueue(), new Message(message));
    ArborTalkUtils::logMessage("RECEIVED", message, false);
    delivered = true;
  } else if (!mData->getOutgoingMessageQueue().findMessageForTarget(target)) {
    // A message queued for the target goes first; this one waits behind it.
    if (BaseInterAppStream* stream = mData->getInterAppStream())
      delivered = throughStream = stream->send(target, text);
  }

  if (!delivered) {
    if (!launch) {
      sendError(message, VtString("ERROR: LAUNCHING IS SUPPRESSED"), kSendFailed);
      return false;
    }
    if (!target.isRunning()) {
      ArborTalkUtils::logMessage("TARGET IS NOT RUNNING", message, false);
      const VtString parameters = launchParameters ? *launchParameters : VtString();
      if (!launchTarget(target, parameters, kFront, context)) {
        sendError(message, VtString("ERROR: TARGET COULD NOT BE LAUNCHED"), kSendFailed);
        return false;
      }
      ArborTalkUtils::logMessage("LAUNCHING TARGET", message, false);
    }
    enqueue(mData->getOutgoingMessageQueue(), new Message(message));
    ArborTalkUtils::logMessage("ENQUEUED OUTGOING MESSAGE", message, false);
  } else if (throughStream) {
    ArborTalkUtils::logMessage("SEND", message, false);
  }

  if (contains(message.mResponseRequest, kTypeTimeout) &&
      message.getUserHeaderValue(kTimeoutDetector) != kDetectorTarget) {
    auto* marker = new Message;
    marker->mTarget = message.mSender;
    marker->mSender = message.mSender;
    marker->mType = kTypeIgnore;
    marker->mResponseRequest = kTypeTimeout;
    marker->mTimeout = message.mTimeout > 0 ? message.mTimeout + 1 : kDefaultWatchSeconds;
    marker->mSerialNumber = message.mSerialNumber;
    enqueue(mData->getIncomingMessageQueue(), marker);
  }

  if (waitSeconds == 0) return delivered;
  if (!delivered) {
    const Specifier running(target, false);
    for (uint32_t waited = 0; waited < kRunningWaitSeconds * 1000 && !running.isRunning();
         waited += kPollMs)
      ArborTalkUtils::sleep(kPollMs);
  }
  return waitForResponse(message, waitSeconds);
}

bool ArborTalk::waitForResponse(const Message& message, uint32_t waitSeconds) {
  if (waitSeconds == 0) return false;
  const double deadline = ArborTalkUtils::Timer::now() + 1000.0 * waitSeconds;
  while (ArborTalkUtils::Timer::now() < deadline) {
    pump(kBoth, nullptr);
    if (!findHandler(VtString(), message.mSerialNumber)) return true;
    ArborTalkUtils::sleep(kPollMs);
  }
  return false;
}

bool ArborTalk::sendResponse(const Message& request, const char* keyword, Message* response) {
  if (!contains(request.mResponseRequest, keyword)) return false;
  Message fresh;
  Message& answer = response ? *response : fresh;
  answer.mTarget = request.mSender;
  answer.mSender = request.mTarget.length() > 0 ? request.mTarget : getAppName();
  answer.mResponseRequest = VtString();
  answer.mTimeout = 0;
  if (request.mVersion.length() == 0) {
    ArborTalkContext* context = getContext();
    answer.mType = request.mType;
    answer.mSerialNumber = context ? context->getNextSerialNumber() : request.mSerialNumber;
  } else {
    answer.mSerialNumber = request.mSerialNumber;
    answer.mType = keyword;
    if (answer.isUserType()) answer.mType << request.mType;
  }
  return send(answer, false, 0, nullptr);
}

bool ArborTalk::sendResult(const Message& request, const VtString& result) {
  Message copy(request);
  copy.mResult = request.mSerialNumber;
  copy.mBody = result;
  return sendResponse(request, kTypeResult, &copy);
}

bool ArborTalk::sendError(const Message& request, const VtString& text, int32_t code,
                          uint32_t waitSeconds) {
  Message error;
  error.mBody = text;
  error.setHeader(AK_ERROR_CODE, code);
  sendResponse(request, kTypeError, &error);
  if (waitSeconds != 0 && findHandler(VtString(kTypeError), request.mSerialNumber))
    waitForResponse(request, waitSeconds);
  ArborTalkUtils::logMessage(text, request, false);
  return false;
}

void ArborTalk::handleMessage(const Message& message) {
  if (isEmptyScript(message)) return;
  Message copy(message);
  if (Message::getAuthentication() && message.isRejected()) {
    VtString text("ERROR: MESSAGE REJECTED");
    text << "\nThe message digest is invalid.\n"
         << "Please update to a more recent version of " << message.mSender
         << " that uses OR 3.7.57 or higher.";
    debugStr(text);
    sendError(copy, text, kRejected, 0);
    return;
  }
  MsgHandler* handler = findHandler(message.mType, message.mSerialNumber);
  if (!handler) handler = findHandler(VtString(kTypeOrrery), kAny);
  if (!handler) return;

  if (message.mType == kTypeReceived || message.mType == kTypeResult ||
      message.mType == kTypeError) {
    if (message.mType == kTypeReceived) copy.mReceived = 2;
    if (message.mType == kTypeResult) copy.mResult = 3;
    if (message.mType == kTypeError) copy.mError = 4;
    copy.mType = kTypeOrrery;
  }
  const int reason = getReason(message);
  const uint32_t own = handler->getSerialNumber();
  VtString result;
  try {
    const int code = handler->handleMessage(reason, copy, &result);
    // A handler waiting for exactly this message is done.
    if (isSet(message.mSerialNumber) && message.mSerialNumber == own)
      delete removeHandler(message.mType, message.mSerialNumber);
    if (code != 0 && contains(copy.mResponseRequest, kTypeError))
      sendError(copy, result, code, 0);
    else if (code == 0 && contains(copy.mResponseRequest, kTypeResult))
      sendResult(copy, result);
  } catch (...) {
    if (contains(copy.mResponseRequest, kTypeError))
      sendError(copy, VtString("Exception"), kHandlerThrew, 0);
  }
}

bool ArborTalk::putOneIncomingMessageInQueue() {
  BaseInterAppStream* stream = mData->getInterAppStream();
  if (!stream || stream->isEmpty()) return false;
  const VtString text = stream->getMessages();
  const char* next = text.get();
  const char* end = text.get() + text.length();
  while (next < end) {
    auto* message = new Message;
    const char* after = message->readFromString(next, static_cast<size_t>(end - next));
    if (!after || after <= next) {
      delete message;
      break;
    }
    next = after;
    if (message->mType == kTypeIgnore) {
      delete message;
      continue;
    }
    sendResponse(*message, kTypeReceived);
    if (equalsIgnoringCase(message->mType, kTypeDebug) && message->mBody == kTypeTimeout)
      message->mTimestamp = ArborTalkUtils::getTimeSeconds() - message->mTimeout - 1;
    ArborTalkUtils::logMessage("RECEIVE", *message, false);
    enqueue(mData->getIncomingMessageQueue(), message);
  }
  return true;
}

bool ArborTalk::processIncomingMessage(uint32_t serial, bool dispatch) {
  MessageQueue& incoming = mData->getIncomingMessageQueue();
  incoming.removeExpiredMessages();
  {
    // One thread at a time moves deliveries into the queue; another skips.
    std::unique_lock<std::mutex> busy(mData->receiving(), std::try_to_lock);
    if (busy.owns_lock() && incomingMessagePending()) {
      if (BaseInterAppStream* stream = mData->getInterAppStream()) (void)stream->receive();
      while (putOneIncomingMessageInQueue()) {
      }
    }
  }
  if (!dispatch || incoming.isEmpty()) return false;
  Message* message = incoming.getNextMessage(serial);
  if (!message) return false;
  if (message->mTarget.length() > 0) {
    handleMessage(*message);
    const VtString root = incoming.getDiagnosticsRoot();
    const VtString key(kForwardMessages);
    const VtString& type = message->mType;
    if (type == kTypeProcessed) {
      deleteHandlers(message->mSerialNumber);
      ArborTalkUtils::logMessage("PROCESSED CLEANUP", *message, false);
      ArborTalkUtils::forwardMessage(*message, key, root, VtString("handled: Processed"));
    } else if (type == kTypeError) {
      deleteHandlers(message->mSerialNumber);
      ArborTalkUtils::logMessage("PROCESSED ERROR", *message, false);
      ArborTalkUtils::forwardMessage(*message, key, root, VtString("handled: error"));
    } else if (type == kTypeTimeout) {
      deleteHandlers(message->mSerialNumber);
      ArborTalkUtils::logMessage("PROCESSED TIMEOUT", *message, false);
      ArborTalkUtils::forwardMessage(*message, key, root, VtString("handled: time out"));
    } else if (type != kTypeIgnore) {
      sendResponse(*message, kTypeProcessed);
      ArborTalkUtils::logMessage("PROCESSED INCOMING MESSAGE", *message, false);
      ArborTalkUtils::forwardMessage(*message, key, root, VtString("processed"));
    }
  }
  delete message;
  return true;
}

bool ArborTalk::processOutgoingMessage() {
  // Never run by two threads at once: the second skips the pass.
  std::unique_lock<std::mutex> busy(mData->sending(), std::try_to_lock);
  if (!busy.owns_lock()) return false;
  MessageQueue& outgoing = mData->getOutgoingMessageQueue();
  if (outgoing.isEmpty()) return false;
  outgoing.removeExpiredMessages();
  BaseInterAppStream* stream = mData->getInterAppStream();
  VtVector<VtString> failed;
  VtVector<Message> back;
  while (Message* message = outgoing.getNextMessage(kAny)) {
    VtString text;
    if (!stream || !message->writeToString(text)) {
      delete message;
      continue;
    }
    if (!holdsTarget(failed, message->mTarget) && stream->send(message->mTarget, text)) {
      ArborTalkUtils::logMessage("SEND ENQUEUED MESSAGE", *message, false);
      delete message;
      continue;
    }
    if (!holdsTarget(failed, message->mTarget)) failed.append(new VtString(message->mTarget));
    const VtString stamp = message->getUserHeaderValue(kQueueStamp);
    uint32_t firstQueued = message->mTimestamp;
    if (stamp.length() == 0)
      ArborTalkUtils::setHeader(*message, kQueueStamp, static_cast<int32_t>(firstQueued));
    else
      firstQueued = static_cast<uint32_t>(std::strtoul(stamp.get(), nullptr, 10));
    const uint32_t now = ArborTalkUtils::getTimeSeconds();
    if (uint64_t{firstQueued} + kRequeueSeconds > now) {
      message->mTimestamp = now;
    } else {
      // Its time is up: the next expiry pass takes it out.
      message->mTimestamp = firstQueued;
      if (message->mTimeout == 0)
        message->mTimeout = 1;
      else if (message->mTimeout > kLastRequeueTimeout)
        message->mTimeout = kLastRequeueTimeout;
    }
    ArborTalkUtils::logMessage("REQUEUED MESSAGE ", *message, false);
    back.append(message);
  }
  for (int32_t i = 0; i < back.length(); ++i) enqueue(outgoing, back[i]);
  while (failed.length() > 0) delete failed.removeAt(failed.length() - 1);
  return false;
}

bool ArborTalk::removeIncomingMessage(uint32_t serial) {
  return mData->getIncomingMessageQueue().removeMessage(serial);
}

bool ArborTalk::incomingMessagePending() {
  if (!mData->getIncomingMessageQueue().isEmpty()) return true;
  BaseInterAppStream* stream = mData->getInterAppStream();
  if (!stream) return false;
  return !stream->isEmpty() || stream->messagePending();
}

bool ArborTalk::outgoingMessagePending() {
  return !mData->getOutgoingMessageQueue().isEmpty();
}

bool ArborTalk::messagePending() {
  if (incomingMessagePending() || outgoingMessagePending()) return true;
  if (ArborTalkThread* thread = ArborTalkThread::getMainThread())
    thread->setKeyValuePair(VtString(ArborTalkThread::AK_STATUS),
                            VtString(ArborTalkThread::AK_IDLE));
  return false;
}

void ArborTalk::appendDiagnostics(VtString& out, const VtString& prefix) const {
  const VtString name = getAppName();
  VtString path(prefix);
  path << '/' << name;
  ArborTalkContext* context = getContext();
  out << path << ";1;" << name << ';';
  if (context && context->getMainInstance() == this)
    out << (context == ArborTalkContext::getDeleteContextWithLastInstance()
                ? "(main, init() hasn't been called)"
                : "(main)");
  out << ";\n";
  const struct {
    const MessageQueue& queue;
    const char* ending;
    const char* label;
  } queues[] = {{mData->getIncomingMessageQueue(), "/in", ";1;Incoming;"},
                {mData->getOutgoingMessageQueue(), "/out", ";1;Outgoing;"}};
  for (const auto& q : queues) {
    if (q.queue.isEmpty()) continue;
    VtString root(path);
    root << q.ending;
    ObjectLock lock(q.queue);
    const int32_t count = q.queue.appendDiagnostics(out, root);
    out << root << q.label << count << ";\n";
  }
  mData->appendDiagnostics(out, prefix);
}

}  // namespace Velt
