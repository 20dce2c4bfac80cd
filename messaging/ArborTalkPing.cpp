// The ping of ArborTalkUtils: asks another application's background thread
// for a value over the process stream.
#include <mutex>

#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/InterAppStream.h"
#include "messaging/Message.h"
#include "messaging/Specifier.h"

namespace Velt::ArborTalkUtils {

namespace {

using T = ArborTalkThread;

constexpr char kAllRunningApps[] = "allRunningApps";
constexpr char kTimeoutAnswer[] = "Timeout";
// Deliveries thrown away before a ping; a flood beyond it is read later.
constexpr int kMaxDrained = 1024;
// Between tries of a send the target did not take, and the longest pause
// for an answer before looking again (another reader of the stream may have
// taken the delivery that ended it). A test's clock moves by it each round.
constexpr uint32_t kPollMs = 1;

// Pings of this process share the process stream: one at a time, so that
// each reads only the answers to itself.
std::mutex gPingMutex;

bool isRealAnswer(const VtString& answer) {
  return answer != T::AK_UNDEFINED && answer != T::AK_ISNOTINSTALLED &&
         answer != T::AK_ISNOTRUNNING && answer != T::AK_MSGTOSTRINGERROR;
}

// Late answers to earlier pings must not pass for the answer to this one.
void drain(BaseInterAppStream& stream) {
  for (int i = 0; i < kMaxDrained && stream.messagePending(); ++i)
    if (!stream.receive()) break;
  if (!stream.isEmpty()) (void)stream.getMessages();
}

// The first message of the buffered text that target sent as a ping
// answer; false when none.
bool takeReply(BaseInterAppStream& stream, const VtString& target, ArborTalk::Message& reply) {
  const VtString text = stream.getMessages();
  const char* next = text.get();
  const char* end = text.get() + text.length();
  while (next < end) {
    ArborTalk::Message message;
    const char* after = message.readFromString(next, static_cast<size_t>(end - next));
    if (!after || after <= next) break;
    next = after;
    if (message.mSender == target && message.mType == T::AK_PINGTYPE) {
      reply.mBody = message.mBody;
      reply.setHeader(VtString(T::AK_ECHO_REQUEST), message.getUserHeaderValue(T::AK_ECHO_REQUEST));
      return true;
    }
  }
  return false;
}

}  // namespace

VtString ping(const VtString& target, bool isRequest, const VtString& key, uint32_t serial,
              int32_t timeoutSeconds, const VtString* value, int32_t* answered) {
  if (answered) *answered = 0;
  std::lock_guard<std::mutex> guard(gPingMutex);
  BaseInterAppStream* stream = InterAppStream::get();
  if (!stream || !stream->isGood()) return VtString();

  ArborTalk::Message message;
  message.mSender = stream->getSpecifier();
  message.mType = T::AK_PINGTYPE;
  message.mSerialNumber = serial;
  message.mTimeout = timeoutSeconds > 0 ? static_cast<uint32_t>(timeoutSeconds) : 0;
  message.setHeader(VtString(isRequest ? T::AK_ECHO_REQUEST : T::AK_ECHO_RESPONSE),
                    key.length() > 0 ? key : VtString(T::AK_ECHO_REQUEST));
  if (value && value->length() > 0) message.mBody = *value;

  VtVector<VtString> targets;
  if (target == kAllRunningApps) {
    if (ArborTalkConnector* connector = ArborTalkConnector::get())
      for (int32_t i = 0; i < connector->getNumberOfRegisteredApplications(); ++i)
        targets.append(new VtString(connector->getApplicationSpecifier(i)));
  } else {
    targets.append(new VtString(target));
  }

  VtString answer;
  for (int32_t i = 0; i < targets.length(); ++i) {
    const ArborTalk::Specifier parts(*targets[i], false);
    if (parts.appName().length() == 0) {
      answer = T::AK_INVALIDSPEC;
      continue;
    }
    message.mTarget = T::createThreadSpecifier(*targets[i]);
    answer = pingMsg(message, stream);
    if (answered && isRealAnswer(answer)) ++*answered;
  }
  while (targets.length() > 0) delete targets.removeAt(targets.length() - 1);
  return answer;
}

VtString pingMsg(ArborTalk::Message& message, BaseInterAppStream* stream) {
  if (message.mSender == message.mTarget) return VtString(T::AK_UNDEFINED);
  VtString text;
  if (!stream || !message.writeToString(text)) return VtString(T::AK_MSGTOSTRINGERROR);
  if (stream->canOpen(message.mTarget, stream->getNamingFlag())) {
    // Nobody listens there.
    ArborTalk::Specifier application(message.mTarget, true);
    application.setSuffix(VtString());
    return VtString(application.isInstalled() ? T::AK_ISNOTRUNNING : T::AK_ISNOTINSTALLED);
  }

  drain(*stream);
  VtString answer(T::AK_NOERROR);
  Timer timer;
  timer.start();
  bool sent = stream->send(message.mTarget, text);
  if (!sent) answer = T::AK_UNDEFINED;
  if (message.mTimeout == 0) return answer;

  ArborTalk::Message reply;
  bool received = false;
  const double limit = 1000.0 * message.mTimeout;
  while (!received && timer.stop() < limit) {
    if (!sent) {
      sent = stream->send(message.mTarget, text);
      if (!sent) sleep(kPollMs);
      continue;
    }
    // Everything delivered so far is looked at before waiting again.
    for (int i = 0; !received && i < kMaxDrained && stream->messagePending(); ++i) {
      if (!stream->receive()) break;
      received = takeReply(*stream, message.mTarget, reply);
    }
    // The answer ends the pause as soon as it arrives.
    if (!received) (void)stream->pauseForDelivery(kPollMs);
  }
  if (!sent) return answer;
  if (!received) return VtString(kTimeoutAnswer);
  answer = reply.getUserHeaderValue(T::AK_ECHO_REQUEST);
  if (answer == T::AK_SEEBODY) answer = reply.mBody;
  return answer;
}

}  // namespace Velt::ArborTalkUtils
