#include "messaging/BaseInterAppStream.h"

#include <atomic>
#include <cstring>

#include "messaging/DebugAlert.h"
#include "platform/os/Clock.h"

namespace Velt {

namespace {

std::atomic<uint32_t> gSendTimeoutMs{BaseInterAppStream::kDefaultSendTimeoutMs};

}  // namespace

BaseInterAppStream::BaseInterAppStream(const VtString& specifier, bool)
    : mSpecifier(specifier), mPortNameSpecifier(specifier) {
  if (specifier.length() == 0) VT_DEBUG_ALERT("BaseInterAppStream: empty specifier");
  mBuffer = static_cast<char*>(VtHeap::mallocHeap(kInitialBufferSize));
  if (mBuffer) mBufferSize = kInitialBufferSize;
}

BaseInterAppStream::~BaseInterAppStream() {
  VtHeap::freeHeap(mBuffer);
}

bool BaseInterAppStream::isEmpty() const {
  ObjectLock lock(*this);
  return mReceived.length() == 0;
}

bool BaseInterAppStream::waitForDelivery(uint32_t ms) const {
  std::unique_lock<std::mutex> guard(mWakeMutex);
  const bool woken =
      platform::currentClock().waitFor(guard, mWakeCond, ms, [this] { return mWoken; });
  mWoken = false;
  return woken;
}

bool BaseInterAppStream::pauseForDelivery(uint32_t ms) const {
  {
    std::lock_guard<std::mutex> guard(mWakeMutex);
    if (mWoken) {
      mWoken = false;
      return true;
    }
  }
  platform::currentClock().sleepFor(ms);
  return false;
}

void BaseInterAppStream::wakeWaiter() const {
  {
    std::lock_guard<std::mutex> guard(mWakeMutex);
    mWoken = true;
  }
  mWakeCond.notify_all();
}

VtString BaseInterAppStream::getMessages() {
  ObjectLock lock(*this);
  VtString messages(mReceived);
  mReceived = "";
  return messages;
}

VtString BaseInterAppStream::getPortName() const {
  return getPortName(mPortNameSpecifier);
}

VtString BaseInterAppStream::getPortName(const VtString& specifier) const {
  VtString name(mPortNamePrefix);
  name << specifier;
  return name;
}

void BaseInterAppStream::setPortNamePrefix(const VtString& prefix) {
  mPortNamePrefix = prefix;
}

uint32_t BaseInterAppStream::appendDelivery(const char* data, uint32_t size) {
  ObjectLock lock(*this);
  if (size == 0) return 0;
  if (mBufferSize < size) {
    char* bigger = static_cast<char*>(VtHeap::mallocHeap(size));
    if (!bigger) return 0;
    VtHeap::freeHeap(mBuffer);
    mBuffer = bigger;
    mBufferSize = size;
  }
  std::memcpy(mBuffer, data, size);
  // The text is read up to its first NUL elsewhere; a NUL must not cut it.
  for (uint32_t i = 0; i < size; ++i)
    if (mBuffer[i] == '\0') mBuffer[i] = '\n';
  mReceived.append(mBuffer, static_cast<int32_t>(size));
  return size;
}

void BaseInterAppStream::setSendTimeout(uint32_t ms) {
  gSendTimeoutMs.store(ms);
}

uint32_t BaseInterAppStream::getSendTimeout() {
  return gSendTimeoutMs.load();
}

}  // namespace Velt
