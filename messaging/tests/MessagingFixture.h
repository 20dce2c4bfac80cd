#pragma once

#include <gtest/gtest.h>

#include <string>

#include "messaging/Message.h"
#include "messaging/MessageGlobals.h"
#include "messaging/VtString.h"
#include "platform/os/Clock.h"
#include "platform/os/PlatformConfig.h"
#include "testsupport/TempDir.h"

// A home folder of the test's own (so the identity files land there), both
// message switches on, and a test clock.
class MessagingTest : public ::testing::Test {
 protected:
  MessagingTest() : mConfig(withHome(mHome.path())), mScopedClock(clock) { resetSwitches(); }
  // The switches live in a locked object; no lock may outlive a test.
  ~MessagingTest() override { Velt::MessageGlobals::exit(); }

  const std::string& home() const { return mHome.path(); }
  uint32_t nowSeconds() { return static_cast<uint32_t>(clock.wallMs() / 1000); }

  static void resetSwitches() {
    Velt::ArborTalk::Message::setAuthentication(true);
    Velt::ArborTalk::Message::setCreateDigest(true);
  }

  static platform::PlatformConfig withHome(const std::string& home) {
    platform::PlatformConfig config = platform::PlatformConfig::current();
    config.home = home;
    return config;
  }

 private:
  TempDir mHome;
  platform::PlatformConfig::Override mConfig;

 protected:
  platform::TestClock clock;

 private:
  platform::ScopedClock mScopedClock;
};

inline std::string bytes(const Velt::VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

inline Velt::VtString vt(const std::string& s) {
  return Velt::VtString(s.data(), static_cast<int32_t>(s.size()));
}
