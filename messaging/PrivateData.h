#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "messaging/ArborTalk.h"
#include "messaging/MessageQueue.h"
#include "messaging/VtLockable.h"
#include "messaging/VtString.h"
#include "messaging/VtVector.h"

namespace Velt {

class ArborTalkContext;
class BaseInterAppStream;

namespace ArborTalkData {

// What an instance holds: its port, its two queues and its handler table.
class PrivateData : public VtLockable {
 public:
  // Opens the port under name, or the next free numbered name. A numbered
  // endpoint of an installed application is registered under the install
  // path of its base name for as long as it lives.
  PrivateData(ArborTalkContext* context, const VtString& name);
  PrivateData(const PrivateData&) = delete;
  PrivateData& operator=(const PrivateData&) = delete;
  // Closes the port and deletes the handlers, newest first.
  ~PrivateData() override;

  ArborTalkContext* getContext() const;
  void setContext(ArborTalkContext* context);
  BaseInterAppStream* getInterAppStream() const { return mStream; }
  bool getUnregisterApp() const { return mUnregister; }
  MessageQueue& getIncomingMessageQueue() { return mIncoming; }
  MessageQueue& getOutgoingMessageQueue() { return mOutgoing; }
  const MessageQueue& getIncomingMessageQueue() const { return mIncoming; }
  const MessageQueue& getOutgoingMessageQueue() const { return mOutgoing; }

  // The name the port was opened under; empty without port.
  VtString getAppName() const;
  // Reopens the port under name when it differs.
  void setAppName(const VtString& name);

  // The newest handler of type for exactly serial, else the oldest of type
  // for every serial; with an empty type, any handler for exactly serial.
  ArborTalk::MsgHandler* findHandler(const VtString& type, uint32_t serial) const;
  // Adds the handler, deleting the one of its type and serial it replaces.
  void addHandler(ArborTalk::MsgHandler* handler);
  // Adds the handler; returns the one replaced (the caller owns it), null
  // when none or when handler is already in the table.
  ArborTalk::MsgHandler* changeHandler(ArborTalk::MsgHandler* handler);
  // Takes the handler findHandler gives out of the table.
  ArborTalk::MsgHandler* removeHandler(const VtString& type, uint32_t serial);
  bool deleteHandler(ArborTalk::MsgHandler* handler);
  // Deletes every handler of serial and the time-out watcher of it; true
  // when a handler went.
  bool deleteHandlers(uint32_t serial);
  int32_t getNumberOfHandlers() const;

  // The handler records.
  void appendDiagnostics(VtString& out, const VtString& prefix) const;

  // Held while one thread moves messages from the port into the incoming
  // queue, and while one sends the outgoing queue; others skip the step.
  std::mutex& receiving() { return mReceiving; }
  std::mutex& sending() { return mSending; }

 private:
  std::atomic<ArborTalkContext*> mContext;
  BaseInterAppStream* mStream = nullptr;
  bool mUnregister = false;
  MessageQueue mIncoming;
  MessageQueue mOutgoing;
  VtVector<ArborTalk::MsgHandler> mHandlers;
  std::mutex mReceiving;
  std::mutex mSending;
};

}  // namespace ArborTalkData
}  // namespace Velt
