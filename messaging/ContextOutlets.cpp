#include "messaging/ContextOutlets.h"

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/Launcher.h"
#include "messaging/Message.h"
#include "messaging/MessageQueue.h"
#include "messaging/MsgHandler.h"
#include "messaging/PrivateData.h"

namespace Velt {

namespace {

ArborTalk* mainInstance() {
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  return context ? context->getMainInstance() : nullptr;
}

ArborTalk* namedInstance(const VtString& name) {
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  return context ? context->findInstance(name) : nullptr;
}

class QueueOutlet : public ArborTalkData::MessageQueue::Outlet {
 public:
  bool sendNotice(ArborTalk::Message& notice) override {
    ArborTalk* main = mainInstance();
    return main && main->send(notice, false, 0, nullptr);
  }
  void forward(const ArborTalk::Message& message, const VtString& root,
               const char* action) override {
    ArborTalkUtils::forwardMessage(message, VtString(ArborTalkThread::AK_FWDMESSAGES), root,
                                   VtString(action));
  }
  void log(const char* reason, const ArborTalk::Message& message) override {
    ArborTalkUtils::logMessage(reason, message, false);
  }
};

class LaunchOutlet : public ArborTalkUtils::Launcher::Outlet {
 public:
  VtString getAppName() override {
    ArborTalk* main = mainInstance();
    return main ? main->getAppName() : VtString();
  }
  uint32_t getNextSerialNumber() override {
    ArborTalkContext* context = ArborTalkContext::getCurrentContext();
    return context ? context->getNextSerialNumber() : 0;
  }
  void queueOutgoing(ArborTalk::Message* message) override {
    ArborTalk* main = mainInstance();
    if (!main || !main->getPrivateData()->getOutgoingMessageQueue().append(message)) delete message;
  }
  ArborTalk::MsgHandler* changeHandler(ArborTalk::MsgHandler* handler) override {
    ArborTalk* main = mainInstance();
    if (main) return main->changeHandler(handler);
    // Nobody to take it: it goes.
    delete handler;
    return nullptr;
  }
  ArborTalk::MsgHandler* removeHandler(const VtString& instanceName, const VtString& type,
                                       uint32_t serial) override {
    ArborTalk* instance = namedInstance(instanceName);
    return instance ? instance->removeHandler(type, serial) : nullptr;
  }
  bool removeOutgoingMessage(const VtString& instanceName, uint32_t serial) override {
    ArborTalk* instance = namedInstance(instanceName);
    return instance && instance->getPrivateData()->getOutgoingMessageQueue().removeMessage(serial);
  }
  void setPingValue(const VtString& key, const VtString& value) override {
    if (ArborTalkThread* thread = ArborTalkThread::getMainThread())
      thread->setKeyValuePair(key, value);
  }
};

QueueOutlet gQueueOutlet;
LaunchOutlet gLaunchOutlet;

}  // namespace

void installContextOutlets() {
  ArborTalkData::MessageQueue::setOutlet(&gQueueOutlet);
  ArborTalkUtils::Launcher::setOutlet(&gLaunchOutlet);
}

void removeContextOutlets() {
  if (ArborTalkData::MessageQueue::getOutlet() == &gQueueOutlet)
    ArborTalkData::MessageQueue::setOutlet(nullptr);
  if (ArborTalkUtils::Launcher::getOutlet() == &gLaunchOutlet)
    ArborTalkUtils::Launcher::setOutlet(nullptr);
}

}  // namespace Velt
