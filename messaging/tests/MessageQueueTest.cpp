#include "messaging/MessageQueue.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "messaging/Message.h"
#include "messaging/tests/MessagingFixture.h"

using Velt::VtString;
using Velt::ArborTalkData::MessageQueue;
using Message = Velt::ArborTalk::Message;

namespace {

constexpr uint32_t kAny = 0xFFFFFFFFu;

// Records what a queue sends, forwards and logs.
class RecordingOutlet : public MessageQueue::Outlet {
 public:
  struct Notice {
    std::string target, sender, type;
    uint32_t serial;
  };

  bool sendNotice(Message& notice) override {
    std::lock_guard<std::mutex> guard(mMutex);
    notices.push_back(
        {bytes(notice.mTarget), bytes(notice.mSender), bytes(notice.mType), notice.mSerialNumber});
    if (echoInto) echoInto->append(new Message(notice));
    return sendResult;
  }
  void forward(const Message& message, const VtString& root, const char* action) override {
    std::lock_guard<std::mutex> guard(mMutex);
    events.push_back(bytes(root) + " " + action + " " + std::to_string(message.mSerialNumber));
  }
  void log(const char* reason, const Message&) override {
    std::lock_guard<std::mutex> guard(mMutex);
    logs.push_back(reason);
  }

  std::vector<Notice> notices;
  std::vector<std::string> events;
  std::vector<std::string> logs;
  bool sendResult = true;
  // Where a sent notice lands, as a send to the same process would.
  MessageQueue* echoInto = nullptr;

 private:
  std::mutex mMutex;
};

class Queue : public MessagingTest {
 protected:
  Queue() { MessageQueue::setOutlet(&outlet); }
  ~Queue() override { MessageQueue::setOutlet(nullptr); }

  static Message* make(uint32_t serial, const char* type = "Orrery", uint32_t timeout = 0,
                       const char* request = "") {
    Message* m = new Message;
    m->mTarget = "target";
    m->mSender = "sender";
    m->mSerialNumber = serial;
    m->mType = type;
    m->mTimeout = timeout;
    m->mResponseRequest = request;
    return m;
  }

  // The serial numbers held, oldest first, as the diagnostics list them.
  static std::vector<uint32_t> serials(const MessageQueue& queue) {
    VtString out;
    queue.appendDiagnostics(out, "/q");
    std::vector<uint32_t> found;
    const std::string text = bytes(out);
    for (size_t at = text.find("/q/msg"); at != std::string::npos;
         at = text.find("/q/msg", at + 1)) {
      const size_t end = text.find(';', at);
      if (text.find('/', at + 6) < end) continue;  // a record below a message
      found.push_back(static_cast<uint32_t>(std::stoul(text.substr(at + 6, end - at - 6))));
    }
    return found;
  }

  RecordingOutlet outlet;
};

TEST_F(Queue, AppendTakesOnlyAddressedMessagesAndFillsTheirTimes) {
  MessageQueue queue;
  EXPECT_FALSE(queue.append(nullptr));
  Message noSender;
  noSender.mTarget = "t";
  EXPECT_FALSE(queue.append(&noSender));
  Message noTarget;
  noTarget.mSender = "s";
  EXPECT_FALSE(queue.append(&noTarget));
  EXPECT_TRUE(queue.isEmpty());

  Message* untimed = make(1);
  untimed->mTimestamp = 0;
  Message* timed = make(2, "Orrery", 30);
  timed->mTimestamp = 5;
  ASSERT_TRUE(queue.append(untimed));
  ASSERT_TRUE(queue.append(timed));
  EXPECT_EQ(untimed->mTimeout, 600u);
  EXPECT_EQ(untimed->mTimestamp, nowSeconds());
  EXPECT_EQ(timed->mTimeout, 30u);
  EXPECT_EQ(timed->mTimestamp, 5u);
  EXPECT_FALSE(queue.isEmpty());
}

TEST_F(Queue, NextMessageIsTheOldestThatMatchesTheSerial) {
  const struct {
    uint32_t serial;
    int picked;  // index below, -1 none
    std::vector<uint32_t> left;
  } cases[] = {
      {kAny, 0, {2, 3, 3, 8}},
      {3, 2, {1, 2, 8, 3}},  // the watcher of 3 is passed over, kept at the end
      {9, 1, {1, 3, 3, 8}},  // a result for 9
      {4, 3, {1, 2, 3, 3}},  // an acknowledgement of 4
      {7, -1, {1, 2, 3, 3, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    MessageQueue queue;
    Message* held[] = {make(1), make(2), make(3, "Ignore", 60, "Timeout"), make(3), make(8)};
    held[1]->mResult = 9;
    held[4]->mReceived = 4;
    for (Message* m : held) ASSERT_TRUE(queue.append(m));
    const Message* expected = nullptr;
    if (c.picked == 0) expected = held[0];
    if (c.picked == 1) expected = held[1];
    if (c.picked == 2) expected = held[3];
    if (c.picked == 3) expected = held[4];
    Message* got = queue.getNextMessage(c.serial);
    EXPECT_EQ(got, expected);
    delete got;
    EXPECT_EQ(serials(queue), c.left);
  }
}

TEST_F(Queue, RemoveMessageDeletesOnlyAMatch) {
  MessageQueue queue;
  queue.append(make(1));
  queue.append(make(2));
  EXPECT_FALSE(queue.removeMessage(kAny));
  EXPECT_FALSE(queue.removeMessage(5));
  EXPECT_EQ(serials(queue), (std::vector<uint32_t>{1, 2}));
  EXPECT_TRUE(queue.removeMessage(2));
  EXPECT_EQ(serials(queue), (std::vector<uint32_t>{1}));
}

TEST_F(Queue, TimedOutRules) {
  const uint32_t now = 1000;
  const struct {
    uint32_t timeout, timestamp;
    const char* type;
    bool timedOut;
  } cases[] = {
      {30, 970, "Orrery", true},
      {30, 971, "Orrery", false},
      {30, 0, "Orrery", false},
      {0, 10, "Orrery", false},
      {0, 10, "Ignore", true},
      {0, 0, "Ignore", true},
      {0xFFFFFFFFu, 999, "Orrery", false},
  };
  for (const auto& c : cases) {
    Message m;
    m.mTimeout = c.timeout;
    m.mTimestamp = c.timestamp;
    m.mType = c.type;
    EXPECT_EQ(MessageQueue::hasTimedOut(m, now), c.timedOut)
        << c.timeout << " " << c.timestamp << " " << c.type;
  }
}

TEST_F(Queue, ExpiryTellsTheSenderWhoAskedForIt) {
  struct Case {
    const char* name;
    const char* version;
    const char* type;
    const char* request;
    const char* detector;
    bool notified;
    const char* noticeType;
    uint32_t noticeSerial;
  };
  const Case cases[] = {
      {"asked", "2.05", "Orrery", "Received Timeout", nullptr, true, "Timeout", 12},
      {"user type", "2.05", "Ping", "Timeout", nullptr, true, "Timeout", 12},
      {"old peer", "1.0", "Ping", "Timeout", nullptr, true, "Ping", 0},
      {"not asked", "2.05", "Orrery", "Received", nullptr, false, nullptr, 0},
      {"sender watches", "2.05", "Orrery", "Timeout", "SENDER", false, nullptr, 0},
      {"target watches", "2.05", "Orrery", "Timeout", "TARGET", true, "Timeout", 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    outlet.notices.clear();
    outlet.logs.clear();
    MessageQueue queue;
    Message* m = make(12, c.type, 30, c.request);
    m->mVersion = c.version;
    if (c.detector) m->setHeader("TIMEOUT_DETECTOR", c.detector);
    queue.append(m);

    clock.advance(29000);
    queue.removeExpiredMessages();
    EXPECT_FALSE(queue.isEmpty());
    EXPECT_TRUE(outlet.notices.empty());

    clock.advance(1000);
    queue.removeExpiredMessages();
    EXPECT_TRUE(queue.isEmpty());
    ASSERT_EQ(outlet.notices.size(), c.notified ? 1u : 0u);
    if (!c.notified) continue;
    EXPECT_EQ(outlet.notices[0].target, "sender");
    EXPECT_EQ(outlet.notices[0].sender, "target");
    EXPECT_EQ(outlet.notices[0].type, c.noticeType);
    EXPECT_EQ(outlet.notices[0].serial, c.noticeSerial);
    EXPECT_EQ(outlet.logs, std::vector<std::string>{"REMOVING MSG - NOTIFYING SENDER"});
  }
}

TEST_F(Queue, AnswersAndPicksPassExpiredMessagesOn) {
  MessageQueue queue;
  queue.append(make(1, "Orrery", 10, "Timeout"));
  queue.append(make(2, "Orrery", 100));
  clock.advance(10000);
  Message* got = queue.getNextMessage(kAny);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->mSerialNumber, 2u);
  delete got;
  ASSERT_EQ(outlet.notices.size(), 1u);
  EXPECT_EQ(outlet.notices[0].serial, 1u);
}

TEST_F(Queue, RemoveTimeoutMessageDeletesOnlyTheWatchersOfThatSerial) {
  MessageQueue queue;
  Message* watcher = make(5, "Ignore", 60, "Timeout");
  watcher->mTarget = "self";
  watcher->mSender = "self";
  Message* otherSerial = make(6, "Ignore", 60, "Timeout");
  otherSerial->mTarget = "self";
  otherSerial->mSender = "self";
  Message* notToSelf = make(5, "Ignore", 60, "Timeout");
  Message* notIgnore = make(5, "Orrery", 60, "Timeout");
  for (Message* m : {watcher, otherSerial, notToSelf, notIgnore}) queue.append(m);
  EXPECT_FALSE(queue.removeTimeoutMessage(kAny));
  EXPECT_FALSE(queue.removeTimeoutMessage(5));
  EXPECT_EQ(serials(queue), (std::vector<uint32_t>{6, 5, 5}));
}

TEST_F(Queue, DestroyingTheQueueTellsEveryWaitingSender) {
  {
    MessageQueue queue;
    queue.append(make(1, "Orrery", 0, "Timeout"));
    queue.append(make(2, "Orrery", 0, "Received"));
    queue.append(make(3, "Ping", 0, "Processed Timeout"));
  }
  ASSERT_EQ(outlet.notices.size(), 2u);
  EXPECT_EQ(outlet.notices[0].serial, 1u);
  EXPECT_EQ(outlet.notices[1].serial, 3u);
  EXPECT_EQ(outlet.notices[1].type, "Timeout");
}

TEST_F(Queue, ANoticeMayLandInTheQueueThatSendsIt) {
  auto* queue = new MessageQueue;
  outlet.echoInto = queue;
  queue->append(make(1, "Orrery", 10, "Timeout"));
  clock.advance(10000);
  queue->removeExpiredMessages();
  EXPECT_EQ(serials(*queue), std::vector<uint32_t>{1});
  // The notice asks for nothing, so destroying ends without a further one.
  delete queue;
  outlet.echoInto = nullptr;
  EXPECT_EQ(outlet.notices.size(), 1u);
}

TEST_F(Queue, EventsAreForwardedUnderTheDiagnosticsRoot) {
  MessageQueue queue;
  queue.append(make(1));
  queue.setDiagnosticsRoot("/messages/app/app/in");
  queue.append(make(2));
  queue.append(make(3, "Debug"));
  queue.append(make(4, "Orrery", 5, "Timeout"));
  delete queue.getNextMessage(2);
  delete queue.getNextMessage(3);
  clock.advance(5000);
  queue.removeExpiredMessages();
  const std::string root = "/messages/app/app/in ";
  EXPECT_EQ(outlet.events, (std::vector<std::string>{root + "added 2", root + "added 4",
                                                     root + "picked 2", root + "timed out 4"}));
}

TEST_F(Queue, DiagnosticsSeparateLogMessages) {
  MessageQueue queue;
  queue.append(make(1));
  queue.append(make(2, "Log"));
  queue.append(make(3));
  VtString out;
  EXPECT_EQ(queue.appendDiagnostics(out, "/log/app"), 1);
  EXPECT_NE(bytes(out).find("/log/app/msg2;1;"), std::string::npos);
  EXPECT_EQ(serials(queue), (std::vector<uint32_t>{1, 3}));
}

TEST_F(Queue, FindsTheFirstMessageForATarget) {
  MessageQueue queue;
  Message* a = make(1);
  Message* b = make(2);
  b->mTarget = "other";
  Message* c = make(3);
  c->mTarget = "other";
  for (Message* m : {a, b, c}) queue.append(m);
  EXPECT_EQ(queue.findMessageForTarget("other"), b);
  EXPECT_EQ(queue.findMessageForTarget("Other"), nullptr);
}

TEST_F(Queue, ThreadsShareAQueueAndEachMessageIsHandedOutOnce) {
  MessageQueue queue;
  constexpr uint32_t kPerProducer = 200;
  std::vector<std::thread> threads;
  for (uint32_t p = 0; p < 2; ++p)
    threads.emplace_back([&queue, p] {
      for (uint32_t i = 0; i < kPerProducer; ++i) queue.append(make(1 + p * kPerProducer + i));
    });
  std::mutex mutex;
  std::set<uint32_t> seen;
  int duplicates = 0;
  for (int c = 0; c < 2; ++c)
    threads.emplace_back([&] {
      for (uint32_t taken = 0; taken < kPerProducer;) {
        Message* m = queue.getNextMessage(kAny);
        if (!m) {
          std::this_thread::yield();
          continue;
        }
        ++taken;
        std::lock_guard<std::mutex> guard(mutex);
        if (!seen.insert(m->mSerialNumber).second) ++duplicates;
        delete m;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(seen.size(), 2 * kPerProducer);
  EXPECT_EQ(duplicates, 0);
  EXPECT_TRUE(queue.isEmpty());
}

}  // namespace
