#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "messaging/InterAppStream.h"
#include "messaging/Specifier.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/FakeInterAppStream.h"
#include "messaging/tests/MessagingFixture.h"
#include "messaging/tests/StreamTestSupport.h"
#include "platform/os/Clock.h"

using Velt::BaseInterAppStream;
using Velt::InterAppStream;
using Velt::VtString;

// The contract every stream keeps, run over the platform's ports and over
// the in-process stand-in the other tests of the library may use.
struct StreamKind {
  const char* name;
  InterAppStream::Factory factory;
};

class StreamContract : public ::testing::TestWithParam<StreamKind> {
 protected:
  StreamContract() { InterAppStream::setFactory(GetParam().factory); }
  ~StreamContract() override { InterAppStream::setFactory(nullptr); }
};

INSTANTIATE_TEST_SUITE_P(Kinds, StreamContract,
                         ::testing::Values(StreamKind{"Sockets", nullptr},
                                           StreamKind{"Fake", &FakeInterAppStream::make}),
                         [](const auto& kind) { return std::string(kind.param.name); });

TEST_P(StreamContract, ANameHasOneOwnerAndIsFreeAgainWhenItIsGone) {
  const VtString name = uniqueSpecifier("owner");
  auto first = makeStream(name);
  ASSERT_TRUE(first->isGood());
  EXPECT_EQ(bytes(first->getSpecifier()), bytes(name));

  auto second = makeStream(name);
  EXPECT_FALSE(second->isGood());
  EXPECT_FALSE(second->canOpen(name, false));
  EXPECT_FALSE(first->canOpen(name, false));
  EXPECT_TRUE(first->canOpen(uniqueSpecifier("other"), false));

  first.reset();
  EXPECT_TRUE(second->canOpen(name, false));
  // Asking does not take the name.
  EXPECT_TRUE(second->canOpen(name, false));
  EXPECT_TRUE(makeStream(name)->isGood());
}

TEST_P(StreamContract, DeliveriesWaitForMessagePendingAndArriveInOrder) {
  auto receiver = makeStream(uniqueSpecifier("receiver"));
  auto sender = makeStream(uniqueSpecifier("sender"));
  ASSERT_TRUE(receiver->isGood());
  ASSERT_TRUE(sender->isGood());

  const char* texts[] = {"first message\n", "second", "third one"};
  for (const char* t : texts) ASSERT_TRUE(sender->send(receiver->getSpecifier(), VtString(t)));
  // Nothing is taken before the owner asks.
  EXPECT_FALSE(receiver->receive());
  EXPECT_TRUE(receiver->isEmpty());

  EXPECT_TRUE(receiver->messagePending());
  for (const char* t : texts) {
    EXPECT_TRUE(receiver->receive());
    EXPECT_EQ(bytes(receiver->getMessages()), std::string(t));
  }
  EXPECT_FALSE(receiver->receive());
  EXPECT_FALSE(receiver->messagePending());
  EXPECT_TRUE(receiver->isEmpty());
}

TEST_P(StreamContract, ReceivedTextsAccumulateUntilTaken) {
  auto receiver = makeStream(uniqueSpecifier("accumulate"));
  auto sender = makeStream(uniqueSpecifier("accsender"));
  for (const char* t : {"one;", "two;", "three;"})
    ASSERT_TRUE(sender->send(receiver->getSpecifier(), VtString(t)));
  EXPECT_TRUE(receiver->messagePending());
  while (receiver->receive()) {
  }
  EXPECT_FALSE(receiver->isEmpty());
  EXPECT_EQ(bytes(receiver->getMessages()), "one;two;three;");
  EXPECT_TRUE(receiver->isEmpty());
  EXPECT_EQ(bytes(receiver->getMessages()), "");
}

TEST_P(StreamContract, NulBytesArriveAsLineFeedsAndLongTextsWhole) {
  auto receiver = makeStream(uniqueSpecifier("nul"));
  auto sender = makeStream(uniqueSpecifier("nulsender"));
  const std::string withNul("Type:Orrery\0\0body\0", 18);
  // Longer than the stream's first read buffer.
  std::string longText(3 * BaseInterAppStream::kInitialBufferSize + 5, 'L');
  longText[100] = '\0';
  ASSERT_TRUE(sender->send(receiver->getSpecifier(), vt(withNul)));
  ASSERT_TRUE(sender->send(receiver->getSpecifier(), vt(longText)));
  ASSERT_TRUE(sender->send(receiver->getSpecifier(), vt("after")));

  ASSERT_TRUE(receiver->messagePending());
  ASSERT_TRUE(receiver->receive());
  EXPECT_EQ(bytes(receiver->getMessages()), "Type:Orrery\n\nbody\n");
  ASSERT_TRUE(receiver->receive());
  std::string expected = longText;
  expected[100] = '\n';
  EXPECT_EQ(bytes(receiver->getMessages()), expected);
  ASSERT_TRUE(receiver->receive());
  EXPECT_EQ(bytes(receiver->getMessages()), "after");
}

TEST_P(StreamContract, ASendToANameNobodyOwnsFails) {
  auto sender = makeStream(uniqueSpecifier("lonely"));
  ASSERT_TRUE(sender->isGood());
  EXPECT_FALSE(sender->send(uniqueSpecifier("nobody"), VtString("hello")));
}

TEST_P(StreamContract, AStreamWithoutAPortDoesNothing) {
  const VtString name = uniqueSpecifier("taken");
  auto owner = makeStream(name);
  auto loser = makeStream(name);
  ASSERT_FALSE(loser->isGood());
  auto other = makeStream(uniqueSpecifier("peer"));
  // It can neither send nor take deliveries.
  EXPECT_FALSE(loser->send(other->getSpecifier(), VtString("x")));
  ASSERT_TRUE(other->send(name, VtString("for the owner")));
  EXPECT_FALSE(loser->messagePending());
  EXPECT_FALSE(loser->receive());
  EXPECT_TRUE(owner->messagePending());
}

TEST_P(StreamContract, AnEmptySpecifierIsReportedAndGivesNoPort) {
  AlertCapture alerts;
  auto stream = makeStream(VtString(""));
  EXPECT_EQ(alerts.count("BaseInterAppStream: empty specifier"), 1);
  EXPECT_FALSE(stream->isGood());
  EXPECT_FALSE(stream->canOpen(VtString(""), false));
}

TEST(InterAppStream, ASendToANameNobodyOwnsFailsWithoutWaiting) {
  ScopedSendTimeout timeout(60000);
  auto sender = makeStream(uniqueSpecifier("atonce"));
  ASSERT_TRUE(sender->isGood());
  const uint64_t start = platform::systemClock().nowMs();
  EXPECT_FALSE(sender->send(uniqueSpecifier("unowned"), VtString("hello")));
  // Far below the time-out: the send did not wait for anyone.
  EXPECT_LT(platform::systemClock().nowMs() - start, 10000u);
}

TEST(InterAppStream, ASendTimesOutWhenTheReceiverTakesNothing) {
  ScopedSendTimeout timeout(150);
  auto receiver = makeStream(uniqueSpecifier("deaf"));
  auto sender = makeStream(uniqueSpecifier("patient"));
  // The receiver never asks for its deliveries; once the system's queue for
  // it is full, a send waits for the time-out and fails.
  int sent = 0;
  bool failed = false;
  const uint64_t start = platform::systemClock().nowMs();
  for (int i = 0; i < 200 && !failed; ++i) {
    if (sender->send(receiver->getSpecifier(), VtString("m")))
      ++sent;
    else
      failed = true;
  }
  ASSERT_TRUE(failed);
  EXPECT_GE(platform::systemClock().nowMs() - start, 150u);
  EXPECT_GT(sent, 0);

  // Taking the deliveries makes room; nothing accepted was lost.
  ASSERT_TRUE(receiver->messagePending());
  int received = 0;
  while (receiver->receive()) ++received;
  EXPECT_EQ(received, sent);
  EXPECT_TRUE(sender->send(receiver->getSpecifier(), VtString("again")));
}

TEST(InterAppStream, TheFactoryDecidesWhatCreateMakes) {
  const VtString name = uniqueSpecifier("factory");
  {
    ScopedFakeStreams fakes;
    auto fake = makeStream(name);
    EXPECT_NE(dynamic_cast<FakeInterAppStream*>(fake.get()), nullptr);
    // The fake owns the name in its own table only: the real port is free.
    InterAppStream real(name, false);
    EXPECT_TRUE(real.isGood());
  }
  auto real = makeStream(name);
  EXPECT_NE(dynamic_cast<InterAppStream*>(real.get()), nullptr);
}

namespace {

VtString joined(const VtString& head, const char* tail) {
  VtString out(head);
  out << tail;
  return out;
}

class ProcessStream : public ::testing::Test {
 protected:
  ~ProcessStream() override { InterAppStream::InitTerm::exit(); }
};

}  // namespace

TEST_F(ProcessStream, WithoutInitOneIsMadeForTheLibraryAndKept) {
  BaseInterAppStream* stream = InterAppStream::get();
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(stream->isGood());
  // Other processes may hold the plain name; then a numbered instance.
  const Velt::ArborTalk::Specifier name(stream->getSpecifier(), false);
  EXPECT_EQ(bytes(name.appName()), "interappstream");
  EXPECT_EQ(bytes(name.version()), "1.0");
  EXPECT_EQ(InterAppStream::get(), stream);
}

TEST_F(ProcessStream, InitTakesThePingPortOfTheApplicationOrTheNextInstance) {
  const VtString app = joined(uniqueSpecifier("pinged"), "-5.0");
  InterAppStream::InitTerm::init(app);
  ASSERT_NE(InterAppStream::get(), nullptr);
  EXPECT_EQ(bytes(InterAppStream::get()->getSpecifier()), bytes(app) + "#ping");
  // A new init gives up the old port before taking one.
  InterAppStream::InitTerm::init(app);
  EXPECT_EQ(bytes(InterAppStream::get()->getSpecifier()), bytes(app) + "#ping");

  InterAppStream::InitTerm::exit();
  auto holder = makeStream(joined(app, "#ping"));
  InterAppStream::InitTerm::init(app);
  const std::string numbered = bytes(app).insert(bytes(app).find('-'), "_1") + "#ping";
  EXPECT_EQ(bytes(InterAppStream::get()->getSpecifier()), numbered);
}

TEST(InterAppStream, TheNextAvailableStreamTriesEightInstances) {
  AlertCapture alerts;
  const VtString app = uniqueSpecifier("crowded");
  const VtString specifier = joined(app, "-1.0");
  std::unique_ptr<BaseInterAppStream> first(
      Velt::ArborTalkUtils::createNextAvailableInterAppStream(specifier));
  ASSERT_TRUE(first);
  EXPECT_EQ(bytes(first->getSpecifier()), bytes(specifier));

  std::vector<std::unique_ptr<BaseInterAppStream>> held;
  for (int n = 1; n <= 8; ++n) {
    held.emplace_back(Velt::ArborTalkUtils::createNextAvailableInterAppStream(specifier));
    ASSERT_TRUE(held.back());
    EXPECT_EQ(bytes(held.back()->getSpecifier()), bytes(app) + "_" + std::to_string(n) + "-1.0");
  }
  EXPECT_EQ(Velt::ArborTalkUtils::createNextAvailableInterAppStream(specifier), nullptr);
  EXPECT_EQ(alerts.count("Can't create stream: " + bytes(specifier)), 1);

  // A specifier with an instance of its own is not numbered.
  const VtString second = joined(app, "_2-1.0");
  EXPECT_EQ(Velt::ArborTalkUtils::createNextAvailableInterAppStream(second), nullptr);
  EXPECT_EQ(alerts.count("Can't create stream: " + bytes(second)), 1);

  EXPECT_EQ(Velt::ArborTalkUtils::createNextAvailableInterAppStream(VtString("")), nullptr);
  EXPECT_EQ(alerts.count("ArborTalkUtils::createNextAvailableInterAppStream - empty specifier"), 1);

  // Freed instances are handed out again.
  held[2].reset();
  std::unique_ptr<BaseInterAppStream> again(
      Velt::ArborTalkUtils::createNextAvailableInterAppStream(specifier));
  ASSERT_TRUE(again);
  EXPECT_EQ(bytes(again->getSpecifier()), bytes(app) + "_3-1.0");
}
