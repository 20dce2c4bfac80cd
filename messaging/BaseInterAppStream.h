#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "messaging/VtLockable.h"
#include "messaging/VtString.h"

namespace Velt {

// The transport of message texts between applications: each endpoint owns
// one named port, named by its specifier, through which other processes of
// the same user deliver texts to it; it sends by naming the target's port.
// Deliveries are taken only when the owner asks (messagePending), and
// receive() moves them one by one into the received text. This class holds
// what does not depend on the transport; the operations below are where a
// transport, or a test's stand-in for one, plugs in.
class BaseInterAppStream : public VtLockable {
 public:
  // The default time a send waits for the receiver to take the text.
  static constexpr uint32_t kDefaultSendTimeoutMs = 10000;
  static constexpr uint32_t kInitialBufferSize = 4096;

  // An empty specifier raises a debug alert; the stream is still made.
  // The flag is not used.
  BaseInterAppStream(const VtString& specifier, bool flag);
  BaseInterAppStream(const BaseInterAppStream&) = delete;
  BaseInterAppStream& operator=(const BaseInterAppStream&) = delete;
  ~BaseInterAppStream() override;

  // Whether no received text waits.
  virtual bool isEmpty() const;
  // Hands out the received text and clears it.
  virtual VtString getMessages();
  // Whether the stream owns its port.
  virtual bool isGood() const = 0;
  // Delivers text to the port of target; false without a port of its own,
  // when nobody owns target's port, or when the receiver does not take the
  // text within the send time-out.
  virtual bool send(const VtString& target, const VtString& text) const = 0;
  // Moves the oldest delivery into the received text; true when it held
  // bytes.
  virtual bool receive() = 0;
  // Takes what has been delivered to the port, without ever waiting; true
  // when some delivery waits for receive().
  virtual bool messagePending() const = 0;
  // Whether this process could own the port of specifier now.
  virtual bool canOpen(const VtString& specifier, bool flag) const = 0;

  // Waits until a delivery may wait for messagePending, wakeWaiter() is
  // called, or the platform clock reaches ms from now (a test's clock moves
  // only when advanced). False when the time ran out. This class cannot tell
  // when deliveries come: it ends early only when woken.
  virtual bool waitForDelivery(uint32_t ms) const;
  // As sleeping ms on the platform clock, but ends as soon as a delivery
  // may wait or wakeWaiter() is called. True when it ended early.
  virtual bool pauseForDelivery(uint32_t ms) const;
  // Ends the wait or pause in progress early, or else the next one. Any
  // thread.
  virtual void wakeWaiter() const;

  // The specifier the stream was made for, unchanged.
  const VtString& getSpecifier() const { return mSpecifier; }
  // Always true; read by the ping.
  bool getNamingFlag() const { return mNamingFlag; }
  // The name of the port: the prefix the transport gives, then the
  // specifier.
  VtString getPortName() const;
  VtString getPortName(const VtString& specifier) const;

  // How long every send waits for its receiver (tests shorten it).
  static void setSendTimeout(uint32_t ms);
  static uint32_t getSendTimeout();

 protected:
  void setPortNamePrefix(const VtString& prefix);
  // Copies one delivery into the read buffer, every NUL byte becoming a
  // line feed, and appends it to the received text. Returns the bytes.
  uint32_t appendDelivery(const char* data, uint32_t size);

 private:
  VtString mReceived;
  VtString mSpecifier;
  char* mBuffer = nullptr;
  uint32_t mBufferSize = 0;
  VtString mPortNamePrefix;
  VtString mPortNameSpecifier;
  bool mNamingFlag = true;
  mutable std::mutex mWakeMutex;
  mutable std::condition_variable mWakeCond;
  mutable bool mWoken = false;
};

}  // namespace Velt
