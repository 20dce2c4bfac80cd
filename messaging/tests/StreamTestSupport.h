#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "messaging/BaseInterAppStream.h"
#include "messaging/InterAppStream.h"
#include "messaging/VtString.h"
#include "platform/os/ArchiveSupport.h"

// Specifiers of this process and test only, so that test runs in parallel
// never meet on a port name.
inline Velt::VtString uniqueSpecifier(const std::string& label) {
  static std::atomic<int> counter{0};
  const std::string text = "streamtest" + std::to_string(platform::processId()) + "x" +
                           std::to_string(counter++) + label;
  return Velt::VtString(text.c_str());
}

inline std::unique_ptr<Velt::BaseInterAppStream> makeStream(const Velt::VtString& specifier) {
  return std::unique_ptr<Velt::BaseInterAppStream>(Velt::InterAppStream::create(specifier, false));
}

// Restores the send time-out a test shortened.
class ScopedSendTimeout {
 public:
  explicit ScopedSendTimeout(uint32_t ms) : mPrevious(Velt::BaseInterAppStream::getSendTimeout()) {
    Velt::BaseInterAppStream::setSendTimeout(ms);
  }
  ~ScopedSendTimeout() { Velt::BaseInterAppStream::setSendTimeout(mPrevious); }
  ScopedSendTimeout(const ScopedSendTimeout&) = delete;
  ScopedSendTimeout& operator=(const ScopedSendTimeout&) = delete;

 private:
  uint32_t mPrevious;
};
