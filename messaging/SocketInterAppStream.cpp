#include "messaging/SocketInterAppStream.h"

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "messaging/DebugAlert.h"
#include "platform/os/MessagePort.h"

namespace Velt {

namespace {

// Deliveries that keep arriving while they are taken are taken in the same
// call, but only this many rounds, so that the call always ends.
constexpr int kMaxCollectRounds = 16;

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

}  // namespace

class SocketInterAppStream::DataRef : public VtHeap {
 public:
  explicit DataRef(std::string bytes) : data(std::move(bytes)) {}
  std::string data;
};

SocketInterAppStream::SocketInterAppStream(const VtString& specifier, bool flag)
    : BaseInterAppStream(specifier, flag) {
  setPortNamePrefix(VtString(platform::messagePortNamespace().c_str()));
  if (specifier.length() == 0) return;
  auto* port = new platform::MessagePort;
  const int err = port->open(text(getPortName()));
  if (err == 0) {
    mPort = port;
    return;
  }
  delete port;
  // A name another stream owns is the normal way to find it taken.
  if (err != EADDRINUSE) VT_DEBUG_ALERT("SocketInterAppStream: Error creating message port (bind)");
}

SocketInterAppStream::~SocketInterAppStream() {
  ObjectLock lock(*this);
  while (DataRef* data = mIncoming.removeAt(0)) delete data;
  // Closing the port frees the name for other processes.
  delete mPort;
  mPort = nullptr;
}

bool SocketInterAppStream::isGood() const {
  ObjectLock lock(*this);
  return mPort != nullptr;
}

bool SocketInterAppStream::send(const VtString& target, const VtString& text) const {
  if (!isGood()) return false;
  const std::string name = ::Velt::text(getPortName(target));
  ObjectLock lock(mSendLock);
  return platform::MessagePort::send(name, text.get(), static_cast<size_t>(text.length()),
                                     getSendTimeout()) == 0;
}

bool SocketInterAppStream::messagePending() const {
  ObjectLock lock(*this);
  if (!mPort) return false;
  std::vector<std::string> arrived;
  for (int round = 0; round < kMaxCollectRounds; ++round) {
    arrived.clear();
    if (mPort->collect(arrived) == 0) break;
    for (std::string& bytes : arrived) mIncoming.append(new DataRef(std::move(bytes)));
  }
  return mIncoming.length() > 0;
}

uint32_t SocketInterAppStream::readFromMsgQueue() {
  ObjectLock lock(*this);
  DataRef* oldest = mIncoming.removeAt(0);
  if (!oldest) return 0;
  const uint32_t size =
      appendDelivery(oldest->data.data(), static_cast<uint32_t>(oldest->data.size()));
  delete oldest;
  return size;
}

bool SocketInterAppStream::receive() {
  if (!isGood()) return false;
  return readFromMsgQueue() > 0;
}

// The port is made with the stream and goes with it: it is read here without
// the stream's lock, so that a wait holds up no send or collect.
bool SocketInterAppStream::waitForDelivery(uint32_t ms) const {
  return mPort ? mPort->waitForDelivery(ms) : BaseInterAppStream::waitForDelivery(ms);
}

bool SocketInterAppStream::pauseForDelivery(uint32_t ms) const {
  return mPort ? mPort->pauseForDelivery(ms) : BaseInterAppStream::pauseForDelivery(ms);
}

void SocketInterAppStream::wakeWaiter() const {
  if (mPort)
    mPort->wake();
  else
    BaseInterAppStream::wakeWaiter();
}

bool SocketInterAppStream::canOpen(const VtString& specifier, bool) const {
  if (specifier.length() == 0) return false;
  platform::MessagePort probe;
  return probe.open(::Velt::text(getPortName(specifier))) == 0;
}

}  // namespace Velt
