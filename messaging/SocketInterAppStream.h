#pragma once

#include <cstdint>

#include "messaging/BaseInterAppStream.h"
#include "messaging/VtVector.h"

namespace platform {
class MessagePort;
}

namespace Velt {

// The stream over the platform's message ports: the port is named by the
// user's port namespace followed by the specifier, so a name has one owner
// among the user's processes at a time and is free again as soon as its
// owner is gone. Each send is one connection; deliveries wait in the kernel
// until messagePending takes them, oldest first.
class SocketInterAppStream : public BaseInterAppStream {
 public:
  SocketInterAppStream(const VtString& specifier, bool flag);
  ~SocketInterAppStream() override;

  bool isGood() const override;
  bool send(const VtString& target, const VtString& text) const override;
  bool receive() override;
  bool messagePending() const override;
  bool canOpen(const VtString& specifier, bool flag) const override;
  // Also end early when the port has a connection, or bytes on one taken
  // earlier.
  bool waitForDelivery(uint32_t ms) const override;
  bool pauseForDelivery(uint32_t ms) const override;
  void wakeWaiter() const override;

 private:
  // One delivery taken from the port and not yet received.
  class DataRef;

  // Takes the oldest delivery into the received text; its size, 0 when
  // none waited.
  uint32_t readFromMsgQueue();

  platform::MessagePort* mPort = nullptr;
  // Filled by messagePending, which callers see as const.
  mutable VtVector<DataRef> mIncoming;
  VtLockable mSendLock;
};

}  // namespace Velt
