#include "messaging/ArborTalk.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/LibraryFixture.h"

namespace {

using Velt::ArborTalk;
using Velt::ArborTalkContext;
using Velt::VtString;
using Message = Velt::ArborTalk::Message;

constexpr uint32_t kAny = ArborTalk::kAnySerial;

// Every message of the incoming queue, oldest first; the queue is emptied.
std::vector<std::unique_ptr<Message>> drainIncoming(ArborTalk& instance) {
  std::vector<std::unique_ptr<Message>> out;
  auto& queue = instance.getPrivateData()->getIncomingMessageQueue();
  while (Message* m = queue.getNextMessage(kAny)) out.emplace_back(m);
  return out;
}

const Message* firstOfType(const std::vector<std::unique_ptr<Message>>& messages,
                           const char* type) {
  for (const auto& m : messages)
    if (m->mType == type) return m.get();
  return nullptr;
}

class InstanceTest : public LibraryTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(start());
    stopBackground();
    main = std::make_unique<ArborTalk>(appName.c_str(), nullptr, true);
    peerHandler = new RecordingHandler();
    peer = std::make_unique<ArborTalk>(bytes(uniqueSpecifier("peer")).c_str(), peerHandler, false);
  }
  void TearDown() override {
    peer.reset();
    main.reset();
  }

  Message request(const char* body, const char* responseRequest) {
    Message m;
    m.mTarget = peer->getAppName();
    m.mBody = body;
    m.mResponseRequest = responseRequest;
    return m;
  }

  std::unique_ptr<ArborTalk> main;
  std::unique_ptr<ArborTalk> peer;
  RecordingHandler* peerHandler = nullptr;
};

TEST_F(InstanceTest, AnInstanceOfThisProcessGetsACopyAndTheSenderAnAcknowledgement) {
  peerHandler->result = "done";
  Message m = request("hello", "Received Result");
  ASSERT_TRUE(main->send(m));
  EXPECT_NE(m.mSerialNumber, 0u);
  EXPECT_EQ(m.mSender, main->getAppName());

  auto acks = drainIncoming(*main);
  ASSERT_EQ(acks.size(), 1u);
  EXPECT_EQ(acks[0]->mType, "Received");
  EXPECT_EQ(acks[0]->mSerialNumber, m.mSerialNumber);
  EXPECT_EQ(acks[0]->mTarget, main->getAppName());
  EXPECT_EQ(acks[0]->mSender, peer->getAppName());

  // The peer's handler runs at the pump, and its result comes back.
  EXPECT_TRUE(ArborTalk::pump(ArborTalk::kIncoming));
  ASSERT_EQ(peerHandler->bodies, std::vector<std::string>{"hello"});
  EXPECT_EQ(peerHandler->reasons, std::vector<int>{1});
  auto answers = drainIncoming(*main);
  const Message* result = firstOfType(answers, "Result");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(bytes(result->mBody), "done");
  EXPECT_EQ(result->mSerialNumber, m.mSerialNumber);
  EXPECT_NE(firstOfType(answers, "Processed"), nullptr);
}

TEST_F(InstanceTest, AMessageWaitsBehindAnEarlierOneToTheSameTarget) {
  auto target = port("target");
  auto* earlier = new Message;
  earlier->mTarget = target->getSpecifier();
  earlier->mSender = main->getAppName();
  earlier->mBody = "first";
  ASSERT_TRUE(main->getPrivateData()->getOutgoingMessageQueue().append(earlier));

  Message later;
  later.mTarget = target->getSpecifier();
  later.mBody = "second";
  // Queued, not delivered: the target runs, so nothing is launched.
  EXPECT_FALSE(main->send(later, true));
  EXPECT_TRUE(main->outgoingMessagePending());

  auto before = take(*target);
  for (auto* m : before) EXPECT_NE(bytes(m->mBody), "second");
  deleteAll(before);

  EXPECT_FALSE(main->processOutgoingMessage());
  EXPECT_FALSE(main->outgoingMessagePending());
  auto delivered = take(*target);
  std::vector<std::string> bodies;
  for (auto* m : delivered)
    if (m->mBody.length() > 0) bodies.push_back(bytes(m->mBody));
  EXPECT_EQ(bodies, (std::vector<std::string>{"first", "second"}));
  deleteAll(delivered);
}

TEST_F(InstanceTest, SendFailuresAnswerTheSenderWithError59) {
  struct Case {
    const char* target;
    bool launch;
    const char* text;
  };
  const Case cases[] = {
      {"nowhere-1.0", false, "ERROR: LAUNCHING IS SUPPRESSED"},
      // Not registered: nothing to launch.
      {"nowhere-1.0", true, "ERROR: TARGET COULD NOT BE LAUNCHED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Message m;
    m.mTarget = c.target;
    m.mBody = "x";
    m.mResponseRequest = "Error";
    EXPECT_FALSE(main->send(m, c.launch));
    EXPECT_FALSE(main->outgoingMessagePending());
    auto answers = drainIncoming(*main);
    const Message* error = firstOfType(answers, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->getUserHeaderValue("Error-Code"), "59");
    EXPECT_EQ(bytes(error->mBody), c.text);
    EXPECT_EQ(error->mSerialNumber, m.mSerialNumber);
  }
}

TEST_F(InstanceTest, AnEmptyScriptMessageIsNeverSent) {
  Message m;
  m.mTarget = peer->getAppName();
  EXPECT_FALSE(main->send(m));
  EXPECT_FALSE(peer->incomingMessagePending());
  EXPECT_FALSE(main->incomingMessagePending());
}

TEST_F(InstanceTest, AHandlersResultOrFailureIsAnsweredAsAsked) {
  struct Case {
    const char* name;
    int code;
    bool throws;
    const char* responseRequest;
    const char* answerType;
    const char* errorCode;
    const char* body;
  };
  const Case cases[] = {
      {"result", 0, false, "Result", "Result", "", "the result"},
      {"error code", 7, false, "Error", "Error", "7", "the result"},
      {"exception", 0, true, "Error", "Error", "-29", "Exception"},
      {"error not asked for", 7, false, "Result", nullptr, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    peerHandler->code = c.code;
    peerHandler->throws = c.throws;
    peerHandler->result = "the result";
    Message m = request("do it", c.responseRequest);
    ASSERT_TRUE(main->send(m));
    ArborTalk::pump(ArborTalk::kIncoming);
    auto answers = drainIncoming(*main);
    if (!c.answerType) {
      EXPECT_EQ(firstOfType(answers, "Error"), nullptr);
      EXPECT_EQ(firstOfType(answers, "Result"), nullptr);
      continue;
    }
    const Message* answer = firstOfType(answers, c.answerType);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->mSerialNumber, m.mSerialNumber);
    EXPECT_EQ(answer->getUserHeaderValue("Error-Code"), c.errorCode);
    EXPECT_EQ(bytes(answer->mBody), c.body);
  }
}

TEST_F(InstanceTest, AMessageWithAWrongDigestIsRejectedWithError53) {
  Message original = request("genuine", "Error Result");
  original.mSender = main->getAppName();
  original.mSerialNumber = 77;
  VtString text;
  ASSERT_TRUE(original.writeToString(text));
  std::string tampered = bytes(text);
  const size_t at = tampered.find("genuine");
  ASSERT_NE(at, std::string::npos);
  tampered[at] = 'G';
  Message received;
  received.readFromString(tampered.data(), tampered.size());
  ASSERT_TRUE(received.isRejected());

  peer->handleMessage(received);
  EXPECT_TRUE(peerHandler->bodies.empty());
  auto answers = drainIncoming(*main);
  const Message* error = firstOfType(answers, "Error");
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->getUserHeaderValue("Error-Code"), "53");
  EXPECT_EQ(bytes(error->mBody).rfind("ERROR: MESSAGE REJECTED", 0), 0u);
}

TEST_F(InstanceTest, WaitingForAResponseEndsWhenItsHandlerWasAnswered) {
  Message none = request("x", "");
  EXPECT_FALSE(main->waitForResponse(none, 0));

  Message m = request("question", "Result");
  m.mSerialNumber = context()->getNextSerialNumber();
  auto* waiting = new RecordingHandler("Result", m.mSerialNumber);
  EXPECT_EQ(main->changeHandler(waiting), nullptr);
  peerHandler->result = "answer";
  EXPECT_TRUE(main->send(m, true, 5));
  // The handler got its answer and left the table.
  EXPECT_EQ(main->findHandler(VtString(), m.mSerialNumber), nullptr);
}

TEST_F(InstanceTest, AnUndeliverableMessageIsRequeuedFor600SecondsThenDropped) {
  auto* m = new Message;
  m->mTarget = uniqueSpecifier("gone");
  m->mSender = main->getAppName();
  m->mBody = "later";
  ASSERT_TRUE(main->getPrivateData()->getOutgoingMessageQueue().append(m));
  const uint32_t firstQueued = nowSeconds();

  main->processOutgoingMessage();
  ASSERT_TRUE(main->outgoingMessagePending());
  clock.advance(599 * 1000);
  main->processOutgoingMessage();
  ASSERT_TRUE(main->outgoingMessagePending());
  {
    const Message* held =
        main->getPrivateData()->getOutgoingMessageQueue().findMessageForTarget(m->mTarget);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->getUserHeaderValue("QUEUESTAMP"), std::to_string(firstQueued).c_str());
    EXPECT_EQ(held->mTimestamp, nowSeconds());
  }
  clock.advance(2 * 1000);
  // Past 600 seconds: put back one last time, already expired.
  main->processOutgoingMessage();
  ASSERT_TRUE(main->outgoingMessagePending());
  main->processOutgoingMessage();
  EXPECT_FALSE(main->outgoingMessagePending());
}

TEST_F(InstanceTest, HandlerLookupPrefersTheExactSerialNumber) {
  std::atomic<int> deleted{0};
  auto* all = new RecordingHandler("T", kAny, &deleted);
  auto* exact = new RecordingHandler("T", 5, &deleted);
  auto* other = new RecordingHandler("U", 6, &deleted);
  EXPECT_EQ(main->changeHandler(all), nullptr);
  EXPECT_EQ(main->changeHandler(exact), nullptr);
  EXPECT_EQ(main->changeHandler(other), nullptr);

  struct Case {
    const char* type;
    uint32_t serial;
    Velt::ArborTalk::MsgHandler* expected;
  };
  const Case cases[] = {
      {"T", 5, exact}, {"T", 9, all},     {"T", kAny, all},  {"", 6, other},
      {"", 5, exact},  {"U", 7, nullptr}, {"V", 5, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.serial));
    EXPECT_EQ(main->findHandler(VtString(c.type), c.serial), c.expected);
  }

  // Same type and serial: the old one comes back; the same one: nothing.
  auto* replacement = new RecordingHandler("T", 5, &deleted);
  EXPECT_EQ(main->changeHandler(replacement), exact);
  delete exact;
  EXPECT_EQ(main->changeHandler(replacement), nullptr);
  EXPECT_EQ(main->findHandler(VtString("T"), 5), replacement);

  EXPECT_FALSE(main->deleteHandlers(kAny));
  EXPECT_TRUE(main->deleteHandlers(5));
  EXPECT_EQ(main->findHandler(VtString("T"), 5), all);
  EXPECT_EQ(deleted.load(), 2);
}

TEST_F(InstanceTest, ADispatchedAnswerRemovesTheHandlerWaitingForIt) {
  std::atomic<int> deleted{0};
  auto* waiting = new RecordingHandler("Result", 41, &deleted);
  main->changeHandler(waiting);
  auto* answer = new Message;
  answer->mTarget = main->getAppName();
  answer->mSender = peer->getAppName();
  answer->mType = "Result";
  answer->mSerialNumber = 41;
  answer->mBody = "forty-one";
  main->getPrivateData()->getIncomingMessageQueue().append(answer);
  EXPECT_TRUE(main->processIncomingMessage(kAny, true));
  EXPECT_EQ(deleted.load(), 1);
  EXPECT_EQ(main->findHandler(VtString("Result"), 41), nullptr);
}

TEST_F(InstanceTest, TheSenderSeesATimeoutWhenNoAnswerCameInTime) {
  auto* timeouts = new RecordingHandler("Timeout");
  main->changeHandler(timeouts);
  auto silent = port("silent");
  Message m;
  m.mTarget = silent->getSpecifier();
  m.mBody = "anyone?";
  m.mResponseRequest = "Timeout";
  m.mTimeout = 5;
  ASSERT_TRUE(main->send(m));
  clock.advance(7 * 1000);
  ArborTalk::pump(ArborTalk::kIncoming);
  EXPECT_EQ(timeouts->reasons, std::vector<int>{5});
}

}  // namespace
