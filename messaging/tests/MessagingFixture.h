#pragma once

#include <gtest/gtest.h>

#include <string>

#include "messaging/Message.h"
#include "messaging/MessageGlobals.h"
#include "messaging/VtString.h"
#include "platform/os/Clock.h"
#include "testsupport/SandboxMachine.h"

// A sandbox machine (so the identity files land in its home), both message
// switches on, and its test clock.
class MessagingTest : public ::testing::Test {
 protected:
  MessagingTest() { resetSwitches(); }
  // The switches live in a locked object; no lock may outlive a test.
  ~MessagingTest() override { Velt::MessageGlobals::exit(); }

  std::string home() const { return sandbox.config().homeFolder(); }
  // Moves the home folder (also to "", no home at all).
  void setHome(const std::string& folder) {
    sandbox.config().home = folder;
    sandbox.apply();
  }
  uint32_t nowSeconds() { return static_cast<uint32_t>(clock.wallMs() / 1000); }

  static void resetSwitches() {
    Velt::ArborTalk::Message::setAuthentication(true);
    Velt::ArborTalk::Message::setCreateDigest(true);
  }

  testsupport::SandboxMachine sandbox;
  platform::TestClock& clock = sandbox.clock();
};

inline std::string bytes(const Velt::VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

inline Velt::VtString vt(const std::string& s) {
  return Velt::VtString(s.data(), static_cast<int32_t>(s.size()));
}
