#include "messaging/ThreadMsgHandler.h"

#include <cstring>

#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/Message.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

using T = ArborTalkThread;

constexpr char kLaunchParamsPrefix[] = "LAUNCHPARAMS:";
constexpr char kCommandHeader[] = "Command";
constexpr char kDefaultInfo[] = "context,thread,messages,connector";

bool has(const VtString& text, const char* word) {
  return std::strstr(text.get(), word) != nullptr;
}

}  // namespace

int ThreadMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString* answer) {
  ArborTalk* main = mContext ? mContext->getMainInstance() : nullptr;
  if (!main) return 0;
  ArborTalk::Message passed(message);
  passed.mTarget = main->getAppName();
  passed.mType = answer && answer->length() > 0 ? *answer : getMsgType();
  passed.mTimeout = 0;
  passed.mSerialNumber = message.mReceived;
  passed.mReceived = 0;
  passed.removeHeader(T::AK_ECHO_REQUEST);
  passed.removeHeader(T::AK_ECHO_RESPONSE);
  main->send(passed, true, 0, nullptr);
  return 0;
}

int ThreadMainMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString* answer) {
  if (message.mType != T::AK_PINGTYPE) return 0;
  const VtString request = message.getUserHeaderValue(T::AK_ECHO_REQUEST);
  if (request.length() == 0) {
    const VtString response = message.getUserHeaderValue(T::AK_ECHO_RESPONSE);
    if (response.length() == 0) return 0;
    ArborTalk::MsgHandler* handler = mThread->findHandler(response);
    return handler ? handler->handleMessage(3, message, nullptr) : 0;
  }

  VtString result;
  const char* equals = std::strchr(request.get(), '=');
  if (equals) {
    const VtString key(request.get(), static_cast<int32_t>(equals - request.get()));
    const VtString value(equals + 1,
                         request.length() - static_cast<int32_t>(equals + 1 - request.get()));
    if (ArborTalkThread::isPingReadOnly(key)) return 0;
    if (ArborTalk* main = mContext ? mContext->getMainInstance() : nullptr) {
      if (value.length() > 0)
        delete main->changeHandler(new ThreadForwardMsgHandler(mContext, value, key));
      else
        delete main->removeHandler(key, ArborTalk::kAnySerial);
    }
    mThread->setKeyValuePair(key, value);
    result = value;
  } else if (ArborTalk::MsgHandler* handler = mThread->findHandler(request)) {
    const int code = handler->handleMessage(1, message, &result);
    if (answer && result.length() > 0) *answer = result;
    return code;
  } else {
    result = mThread->getValueForKey(request);
    if (result.length() == 0) result = T::AK_UNDEFINED;
  }
  if (answer && result.length() > 0) *answer = result;
  return 0;
}

int ThreadLaunchedMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString* answer) {
  ArborTalk::Specifier sender(message.mSender, false);
  sender.setSuffix(VtString());
  sender.setInstance(VtString());
  VtString key(kLaunchParamsPrefix);
  key << sender;
  if (ArborTalkThread* thread = mContext ? mContext->getThread() : nullptr)
    thread->setKeyValuePair(key, VtString());
  if (answer) *answer = T::AK_LAUNCHED;
  return 0;
}

VtString ThreadLaunchedMsgHandler::getMsgType() const {
  return VtString(T::AK_LAUNCHED);
}

int ThreadDiagnosticsMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString* answer) {
  if (!answer) return 0;
  *answer = T::AK_SEEBODY;
  ArborTalk::getDiagnostics(message.mBody, true);
  return 0;
}

VtString ThreadDiagnosticsMsgHandler::getMsgType() const {
  return VtString(T::AK_DIAGNOSTICS);
}

int ThreadInfoMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString* answer) {
  if (!answer || !mContext) return 0;
  *answer = T::AK_SEEBODY;
  const ArborTalk::Specifier specifier(mContext->getAppSpecifier(), false);
  VtString prefix("/");
  prefix << specifier;
  VtString request(message.mBody);
  message.mBody = VtString();
  if (request.length() == 0 || request == "all") request = kDefaultInfo;

  ArborTalkThread* thread = mContext->getThread();
  VtString statusLine(prefix);
  statusLine << ";1;" << specifier << ';'
             << (thread ? thread->getValueForKey(VtString(T::AK_STATUS)) : VtString()) << ";\n";
  VtString& body = message.mBody;
  if (has(request, "context")) {
    body << statusLine;
    mContext->appendDiagnostics(body, prefix);
  }
  if (has(request, "thread")) {
    body << statusLine;
    if (thread) thread->appendDiagnostics(body, prefix);
  }
  for (const char* part : {"messages", "log"}) {
    if (!has(request, part)) continue;
    const bool log = std::strcmp(part, "log") == 0;
    VtString root(log ? "/log" : "/messages");
    body << root << (log ? ";1;Log;;\n" : ";1;Messages;;\n");
    root << prefix;
    body << root << ";1;" << specifier << ';' << mContext->getNumberOfInstances() << ";\n";
    for (int32_t i = 0; i < mContext->getNumberOfInstances(); ++i)
      if (ArborTalk* instance = mContext->getNthInstance(i))
        instance->appendDiagnostics(body, root);
  }
  if (has(request, "connector"))
    if (ArborTalkConnector* connector = mContext->getConnector())
      connector->appendDiagnostics(body, VtString());
  return 0;
}

VtString ThreadInfoMsgHandler::getMsgType() const {
  return VtString(T::AK_INFO);
}

int ThreadForwardMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString*) {
  ArborTalk* main = mContext ? mContext->getMainInstance() : nullptr;
  if (!main || mTarget.length() == 0 || !ArborTalk::Specifier(mTarget, false).isRunning()) return 0;
  ArborTalk::Message forwarded(message);
  forwarded.mTarget = mTarget;
  forwarded.mSender = main->getAppName();
  forwarded.mType = ArborTalkData::kTypeDebug;
  forwarded.mTimeout = 0;
  forwarded.setHeader(kCommandHeader, mKey.get());
  main->send(forwarded, false, 0, nullptr);
  return 0;
}

VtString ThreadForwardMsgHandler::getMsgType() const {
  return mKey;
}

}  // namespace Velt
