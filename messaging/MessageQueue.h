#pragma once

#include <cstdint>

#include "messaging/Message.h"
#include "messaging/VtVector.h"

namespace Velt::ArborTalkData {

// Messages waiting to be handled, to be delivered or for an answer, oldest
// first. The queue owns what it holds, expires messages by their timeout and
// tells a sender who asked for it when its message expired.
class MessageQueue : public VtLockable {
 public:
  // Where a queue's notices and events go: the calling application's main
  // instance sends the notices, and the diagnostics and the log take the
  // events. Without one, nothing is sent, forwarded or logged.
  class Outlet : public VtHeap {
   public:
    // Sends a notice to the sender of an expired message; false when it is
    // not sent.
    virtual bool sendNotice(ArborTalk::Message& notice) = 0;
    // A queue event under the diagnostics root: "added", "picked" or
    // "timed out".
    virtual void forward(const ArborTalk::Message& message, const VtString& root,
                         const char* action) = 0;
    virtual void log(const char* reason, const ArborTalk::Message& message) = 0;
  };
  // The outlet is not owned; null removes it.
  static void setOutlet(Outlet* outlet);
  static Outlet* getOutlet();

  // A message without timeout stays this long after its timestamp.
  static constexpr uint32_t kDefaultTimeout = 600;

  MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;
  // Tells the sender of every message still held that it timed out.
  ~MessageQueue() override;

  // Takes the message over; refuses (false, the caller keeps it) a null one
  // or one without sender or target. A missing timestamp becomes now, a
  // missing timeout 600 seconds.
  bool append(ArborTalk::Message* message);
  bool isEmpty() const;
  // The first held message for that target; the queue keeps it.
  const ArborTalk::Message* findMessageForTarget(const VtString& target) const;
  // Hands out the oldest message for serial (0xFFFFFFFF: any): one whose
  // serial, received, result or error number is serial. Time-out watchers
  // are passed over and kept, expired messages dropped on the way. Null when
  // none; the caller owns the result.
  ArborTalk::Message* getNextMessage(uint32_t serial);
  // Deletes the message getNextMessage(serial) would give; false when none,
  // and for 0xFFFFFFFF.
  bool removeMessage(uint32_t serial);
  // Deletes the time-out watchers of serial. Always false.
  bool removeTimeoutMessage(uint32_t serial);
  // Deletes every expired message, after telling its sender.
  void removeExpiredMessages();

  void setDiagnosticsRoot(const VtString& root);
  VtString getDiagnosticsRoot() const;
  // Appends the records of the log messages when root begins with "/log",
  // else of all others; returns how many messages.
  int32_t appendDiagnostics(VtString& out, const VtString& root) const;

  static bool hasTimedOut(const ArborTalk::Message& message, uint32_t now);
  // Tells the sender of an expiring message that it expired (kind
  // "Timeout"), when it asked for that kind of answer and does not watch its
  // time-outs itself. True when the notice was sent.
  static bool notifySender(const ArborTalk::Message& message, const char* kind,
                           const VtString& root);

 private:
  void forward(const ArborTalk::Message& message, const char* action) const;
  ArborTalk::Message* takeNextMessage(uint32_t serial);

  VtVector<ArborTalk::Message> mMessages;
  VtString mDiagnosticsRoot;
};

}  // namespace Velt::ArborTalkData
