#include "messaging/ArborTalkSetupThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "messaging/ArborTalkUtils.h"
#include "messaging/Specifier.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/LibraryFixture.h"

namespace {

using Velt::ArborTalk;
using Velt::ArborTalkContext;
using Velt::ArborTalkSetupThread;
using Velt::VtString;
using Message = Velt::ArborTalk::Message;

std::string setupTime() {
  ArborTalkContext* context = ArborTalkSetupThread::getSetupContext();
  return context ? bytes(context->getThread()->getValueForKey(VtString("SETUPTIME"))) : "";
}

using SetupTest = LibraryTest;

TEST_F(SetupTest, StartsOnceAndStopsOnce) {
  AlertCapture alerts;
  EXPECT_TRUE(start());
  EXPECT_NE(context(), nullptr);
  EXPECT_EQ(bytes(ArborTalk::getSharedAppName()), appName);
  ASSERT_TRUE(thread()->stop());
  EXPECT_EQ(bytes(thread()->getSpecifier()), appName + "#thread");
  EXPECT_FALSE(start());
  EXPECT_EQ(alerts.count("ArborTalk::InitTerm::init() has already been called."), 1);
  EXPECT_TRUE(ArborTalk::InitTerm::exit());
  EXPECT_EQ(context(), nullptr);
  EXPECT_FALSE(ArborTalk::InitTerm::exit());
  EXPECT_EQ(alerts.count("ArborTalk::InitTerm::exit() has already been called."), 1);
  EXPECT_EQ(bytes(ArborTalk::getLaunchOptions()), "");
}

TEST_F(SetupTest, StartsAndStops200TimesWithTheBackgroundThreadBusy) {
  for (int round = 0; round < 200; ++round) {
    ASSERT_TRUE(start()) << round;
    auto* main = new ArborTalk(appName.c_str(), nullptr, true);
    Message m;
    m.mTarget = main->getAppName();
    m.mBody = "to myself";
    main->send(m);
    // Wakes the background thread for a pass while the library stops.
    clock.advance(100);
    ASSERT_TRUE(ArborTalk::InitTerm::exit()) << round;
    // The registry went with the library; the next start gets another.
    Velt::ArborTalkConnector::set(new MemoryConnector(appName.c_str()));
  }
}

TEST_F(SetupTest, ASynchronousSetupPublishesItsTimeAndTheFirstWait) {
  ASSERT_TRUE(start());
  const std::string synchronous = setupTime();
  EXPECT_EQ(synchronous.rfind("thread=", 0), 0u) << synchronous;
  EXPECT_NE(synchronous.find("ms, (synchronous setup)"), std::string::npos) << synchronous;
  clock.advance(30);
  ASSERT_NE(ArborTalkContext::getCurrentContext(), nullptr);
  EXPECT_NE(setupTime().find("ms, left=30ms"), std::string::npos) << setupTime();
}

TEST_F(SetupTest, AThreadedSetupIsWaitedForByWhoeverNeedsTheContext) {
  ASSERT_TRUE(ArborTalk::InitTerm::init(vt(appName), false));
  // Bounded: the set-up does not wait for anything.
  for (int i = 0; i < 10000000 && ArborTalkSetupThread::isSetupThreadRunning(); ++i)
    std::this_thread::yield();
  clock.advance(200);
  ArborTalkContext* found = ArborTalkContext::getCurrentContext();
  ASSERT_NE(found, nullptr);
  EXPECT_FALSE(ArborTalkSetupThread::hasSetupThread());
  EXPECT_NE(setupTime().find("ms, left=200ms"), std::string::npos) << setupTime();
}

TEST_F(SetupTest, WaitingDuringAThreadedSetupGivesTheContext) {
  ASSERT_TRUE(ArborTalk::InitTerm::init(vt(appName), false));
  EXPECT_NE(ArborTalkContext::getCurrentContext(), nullptr);
  EXPECT_FALSE(ArborTalkSetupThread::isSetupThreadRunning());
  EXPECT_NE(setupTime().find("thread="), std::string::npos);
}

TEST_F(SetupTest, ASpecifierThatCompletesToNothingGivesNoContext) {
  AlertCapture alerts;
  EXPECT_FALSE(ArborTalk::InitTerm::init(VtString(), true));
  EXPECT_EQ(ArborTalkSetupThread::getSetupContext(), nullptr);
  EXPECT_EQ(context(), nullptr);
  EXPECT_FALSE(ArborTalk::pump(ArborTalk::kBoth));
}

TEST_F(SetupTest, AnotherContextTakesTheInstancesOverWithoutDeletingThem) {
  ASSERT_TRUE(start());
  std::atomic<int> deleted{0};
  auto* instance =
      new ArborTalk(bytes(uniqueSpecifier("kept")).c_str(),
                    new RecordingHandler("Orrery", ArborTalk::kAnySerial, &deleted), true);
  ArborTalkContext* first = context();
  const uint32_t serial = first->getNextSerialNumber();
  auto* second = new ArborTalkContext(vt(appName));
  ArborTalkContext::setCurrentContext(second);
  EXPECT_EQ(context(), second);
  EXPECT_EQ(second->findInstance(instance), instance);
  EXPECT_EQ(second->getMainInstance(), instance);
  EXPECT_EQ(instance->getContext(), second);
  EXPECT_EQ(deleted.load(), 0);
  EXPECT_GT(second->getNextSerialNumber(), serial);
  // The instance still works in its new context.
  Message m;
  m.mTarget = instance->getAppName();
  m.mBody = "still here";
  EXPECT_TRUE(instance->send(m));
  ASSERT_TRUE(ArborTalk::InitTerm::exit());
  EXPECT_EQ(deleted.load(), 1);
}

TEST_F(SetupTest, ContextLookupsAndItsApplicationSpecifier) {
  ASSERT_TRUE(start());
  const int32_t count = context()->getNumberOfInstances();
  EXPECT_EQ(context()->getNthInstance(count), nullptr);
  EXPECT_EQ(context()->getNthInstance(-1), nullptr);

  auto* other = new ArborTalkContext(vt(appName));
  const std::string name = bytes(uniqueSpecifier("named"));
  {
    ArborTalk instance((name + "_2-5.0#extra").c_str(), nullptr, true, other);
    EXPECT_EQ(other->getNthInstance(0), &instance);
    EXPECT_EQ(other->findInstance(VtString((name + "_2-5.0#extra").c_str())), &instance);
    EXPECT_EQ(bytes(other->getAppSpecifier()), name + "_2-5.0");
  }
  EXPECT_EQ(other->getNumberOfInstances(), 0);
  EXPECT_EQ(other->getMainInstance(), nullptr);
  delete other;
}

TEST_F(SetupTest, AMainInstanceWithoutLibrarySetsItUpAndTakesItDown) {
  ASSERT_EQ(context(), nullptr);
  auto* main = new ArborTalk(appName.c_str(), nullptr, true);
  ArborTalkContext* made = context();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(ArborTalkContext::getDeleteContextWithLastInstance(), made);
  VtString diagnostics;
  main->appendDiagnostics(diagnostics, VtString("/x"));
  EXPECT_NE(bytes(diagnostics).find("(main, init() hasn't been called)"), std::string::npos);
  delete main;
  EXPECT_EQ(context(), nullptr);
}

}  // namespace
