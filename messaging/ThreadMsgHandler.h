#pragma once

#include "messaging/MsgHandler.h"
#include "messaging/VtString.h"

namespace Velt {

class ArborTalkContext;
class ArborTalkThread;

// The handlers of the background thread's ping keys, and the forwarder a
// ping installs on the main instance. The base passes a ping on to the
// main instance as a message of its type.
class ThreadMsgHandler : public ArborTalk::MsgHandler {
 public:
  explicit ThreadMsgHandler(ArborTalkContext* context) : mContext(context) {}
  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;

 protected:
  ArborTalkContext* mContext;
};

// The ping protocol: reads the store ("KEY"), writes a writable key
// ("KEY=value"), or hands the ping to the key's handler.
class ThreadMainMsgHandler : public ThreadMsgHandler {
 public:
  ThreadMainMsgHandler(ArborTalkContext* context, ArborTalkThread* thread)
      : ThreadMsgHandler(context), mThread(thread) {}
  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;

 private:
  ArborTalkThread* mThread;
};

// A launched application took its parameters: the launcher's entry for it
// goes.
class ThreadLaunchedMsgHandler : public ThreadMsgHandler {
 public:
  using ThreadMsgHandler::ThreadMsgHandler;
  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;
  VtString getMsgType() const override;
};

// Answers with the library's diagnostics report in the body.
class ThreadDiagnosticsMsgHandler : public ThreadMsgHandler {
 public:
  using ThreadMsgHandler::ThreadMsgHandler;
  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;
  VtString getMsgType() const override;
};

// Answers with the records the body asks for: context, thread, messages,
// log, connector (empty or "all": all but the log).
class ThreadInfoMsgHandler : public ThreadDiagnosticsMsgHandler {
 public:
  using ThreadDiagnosticsMsgHandler::ThreadDiagnosticsMsgHandler;
  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;
  VtString getMsgType() const override;
};

// Installed on the main instance under a forwarding key: sends what it is
// given to the target application as a "Debug" message.
class ThreadForwardMsgHandler : public ThreadMsgHandler {
 public:
  ThreadForwardMsgHandler(ArborTalkContext* context, const VtString& target, const VtString& key)
      : ThreadMsgHandler(context), mTarget(target), mKey(key) {}
  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;
  VtString getMsgType() const override;
  const VtString& getTarget() const { return mTarget; }

 private:
  VtString mTarget;
  VtString mKey;
};

}  // namespace Velt
