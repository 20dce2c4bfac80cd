#include "messaging/MessageGlobals.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "messaging/ArborTalkConnector.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/MemoryConnector.h"

using Velt::ArborTalkConnector;
using Velt::MessageGlobals;
using Velt::VtString;

namespace {

// A registry that knows only this application, with its own switches.
class FixedConnector : public MemoryConnector {
 public:
  FixedConnector(bool authentication, bool digest, bool* deleted = nullptr)
      : MemoryConnector("plexo-5.0"),
        mAuthentication(authentication),
        mDigest(digest),
        mDeleted(deleted) {}
  ~FixedConnector() override {
    if (mDeleted) *mDeleted = true;
  }

  bool getMessageAuthentication(const VtString& specifier) const override {
    return specifier == "plexo-5.0" ? mAuthentication : true;
  }
  bool getMessageDigest(const VtString& specifier) const override {
    return specifier == "plexo-5.0" ? mDigest : true;
  }

 private:
  bool mAuthentication;
  bool mDigest;
  bool* mDeleted;
};

// Leaves the process with no connector and fresh switches.
class Globals : public ::testing::Test {
 protected:
  ~Globals() override {
    ArborTalkConnector::set(nullptr);
    MessageGlobals::exit();
  }
};

TEST_F(Globals, SwitchesFollowTheConnectorEntryOfThisApplication) {
  const struct {
    bool authentication, digest;
  } cases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
  for (const auto& c : cases) {
    ArborTalkConnector::set(new FixedConnector(c.authentication, c.digest));
    MessageGlobals::exit();
    MessageGlobals::init();
    EXPECT_EQ(MessageGlobals::get()->getAuthentication(), c.authentication);
    EXPECT_EQ(MessageGlobals::get()->getCreateDigest(), c.digest);
  }
}

TEST_F(Globals, WithoutAConnectorBothSwitchesStartOn) {
  ArborTalkConnector::set(nullptr);
  MessageGlobals::exit();
  MessageGlobals* globals = MessageGlobals::get();
  EXPECT_TRUE(globals->getAuthentication());
  EXPECT_TRUE(globals->getCreateDigest());
  globals->setCreateDigest(false);
  EXPECT_FALSE(MessageGlobals::get()->getCreateDigest());
  EXPECT_EQ(MessageGlobals::get(), globals);
}

TEST_F(Globals, TheCurrentConnectorIsOwnedAndReplaced) {
  bool firstDeleted = false, secondDeleted = false;
  auto* first = new FixedConnector(true, true, &firstDeleted);
  ArborTalkConnector::set(first);
  EXPECT_EQ(ArborTalkConnector::get(), first);
  ArborTalkConnector::set(first);
  EXPECT_FALSE(firstDeleted);
  auto* second = new FixedConnector(true, true, &secondDeleted);
  ArborTalkConnector::set(second);
  EXPECT_TRUE(firstDeleted);
  EXPECT_EQ(ArborTalkConnector::get(), second);
  EXPECT_EQ(second->getApplicationSpecifier(-1), "plexo-5.0");
  ArborTalkConnector::set(nullptr);
  EXPECT_TRUE(secondDeleted);
}

// The end is final for the whole process, so it runs in a child.
TEST(ConnectorEnd, UseAfterTheEndAlertsAndSetsNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        AlertCapture alerts;
        bool deleted = false;
        ArborTalkConnector::set(new FixedConnector(true, true));
        const bool ended = ArborTalkConnector::InitTerm::exit();
        ArborTalkConnector::set(new FixedConnector(true, true, &deleted));
        const bool ok = ended && ArborTalkConnector::get() == nullptr && deleted &&
                        alerts.count(
                            "You are using ArborTalkConnector after "
                            "ArborTalkConnector::InitTerm::exit() has been called.") == 1;
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
