#include "messaging/ArborTalkThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/Specifier.h"
#include "messaging/tests/LibraryFixture.h"

namespace {

using Velt::ArborTalk;
using Velt::ArborTalkThread;
using Velt::VtString;
using Message = Velt::ArborTalk::Message;

// Pings sent by hand to the background thread, one pass at a time.
class PingStoreTest : public LibraryTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(start());
    stopBackground();
    main = std::make_unique<ArborTalk>(appName.c_str(), nullptr, true);
    asker = port("asker");
  }
  void TearDown() override { main.reset(); }

  // The thread's answer to one ping; "<none>" when it gave none.
  std::string ask(const std::string& request, const std::string& body = "",
                  const std::string& sender = "") {
    Message m;
    m.mTarget = thread()->getSpecifier();
    m.mSender = sender.empty() ? asker->getSpecifier() : vt(sender);
    m.mType = "ping";
    m.mSerialNumber = 1;
    m.setHeader(VtString("ECHO_REQUEST"), vt(request));
    m.mBody = vt(body);
    VtString text;
    EXPECT_TRUE(m.writeToString(text));
    EXPECT_TRUE(asker->send(m.mTarget, text));
    thread()->runLocked();
    auto replies = take(*asker);
    std::string answer = "<none>";
    if (!replies.empty()) {
      answer = bytes(replies.back()->getUserHeaderValue("ECHO_REQUEST"));
      lastBody = bytes(replies.back()->mBody);
      EXPECT_EQ(replies.back()->mSender, thread()->getSpecifier());
    }
    deleteAll(replies);
    return answer;
  }
  void status(const char* value) { thread()->setKeyValuePair(VtString("STATUS"), VtString(value)); }

  std::unique_ptr<ArborTalk> main;
  std::unique_ptr<Velt::BaseInterAppStream> asker;
  std::string lastBody;
};

TEST_F(PingStoreTest, ReadsAnswerFromTheStore) {
  EXPECT_EQ(thread()->getSpecifier(), ArborTalkThread::createThreadSpecifier(vt(appName)));
  EXPECT_EQ(ask("ECHO_REQUEST"), "ECHO_RESPONSE");
  EXPECT_EQ(ask("STATUS"), "IDLE");
  EXPECT_EQ(ask("NO SUCH KEY"), "UNDEFINED");
  thread()->setKeyValuePair(VtString("COLOUR"), VtString("blue"));
  EXPECT_EQ(ask("COLOUR"), "blue");
}

TEST_F(PingStoreTest, StatusTurnsBusyAfterTenAverageIntervalsWithoutPump) {
  struct Step {
    uint64_t afterMs;
    double average;
  };
  // Deltas of 10 ms or less are not measured; one of ten averages or more
  // leaves the average alone.
  const Step steps[] = {{0, 0}, {5, 0}, {50, 50}, {30, 40}, {600, 40}};
  for (const Step& s : steps) {
    clock.advance(s.afterMs);
    status("PUMPING");
    EXPECT_EQ(thread()->getAveragePumpInterval(), s.average) << "after " << s.afterMs;
  }
  status("IDLE");
  clock.advance(400);
  EXPECT_EQ(ask("STATUS"), "IDLE");
  EXPECT_TRUE(thread()->isIdle());
  clock.advance(1);
  EXPECT_EQ(ask("STATUS"), "BUSY");
  EXPECT_FALSE(thread()->isIdle());
  // The store itself still holds what the pump wrote.
  status("PUMPING");
  EXPECT_EQ(ask("STATUS"), "PUMPING");
}

TEST_F(PingStoreTest, OnlyForwardingKeysCanBeWritten) {
  const std::string target = bytes(uniqueSpecifier("watcher")) + "-1.0";
  EXPECT_EQ(ask("FWDLOGS=" + target), target);
  EXPECT_EQ(bytes(thread()->getValueForKey(VtString("FWDLOGS"))), target);
  ASSERT_NE(main->findHandler(VtString("FWDLOGS"), ArborTalk::kAnySerial), nullptr);

  EXPECT_EQ(ask("FWDLOGS="), "<none>");
  EXPECT_EQ(thread()->locateKey(VtString("FWDLOGS")), -1);
  EXPECT_EQ(main->findHandler(VtString("FWDLOGS"), ArborTalk::kAnySerial), nullptr);

  for (const char* readOnly : {"STATUS=BUSY", "ECHO_REQUEST=x", "LAUNCHPARAMS=-evil"}) {
    SCOPED_TRACE(readOnly);
    EXPECT_EQ(ask(readOnly), "<none>");
  }
  EXPECT_EQ(bytes(thread()->getValueForKey(VtString("STATUS"))), "IDLE");
  EXPECT_EQ(thread()->locateKey(VtString("LAUNCHPARAMS")), -1);
}

TEST_F(PingStoreTest, InfoAnswersOnlyThePartsAskedFor) {
  EXPECT_EQ(ask("INFO", "thread,connector"), "SEE BODY");
  EXPECT_NE(lastBody.find("/thread;1;Thread;"), std::string::npos);
  EXPECT_NE(lastBody.find("/thread/ping/STATUS;1;STATUS;IDLE;"), std::string::npos);
  EXPECT_EQ(lastBody.find("/context;1;Info;;"), std::string::npos);
  EXPECT_EQ(lastBody.find("/messages;1;Messages;;"), std::string::npos);
  // The registry's records, without a prefix.
  EXPECT_NE(lastBody.find("\n/targets;1;Targets;0;\n/targets/connector;0;Connector;memory;\n"),
            std::string::npos)
      << lastBody;
  EXPECT_NE(lastBody.find("\n/targets/groups;0;Groups;(no groups defined);\n"), std::string::npos);

  EXPECT_EQ(ask("INFO", ""), "SEE BODY");
  EXPECT_NE(lastBody.find("/context;1;Info;;"), std::string::npos);
  EXPECT_NE(lastBody.find("/messages;1;Messages;;"), std::string::npos);
  EXPECT_EQ(lastBody.find("/log;1;Log;;"), std::string::npos);

  EXPECT_EQ(ask("DIAGNOSTICS"), "SEE BODY");
  EXPECT_EQ(lastBody.rfind("ArborTalk Diagnostics\n", 0), 0u);
  EXPECT_NE(lastBody.find("Instances: 1"), std::string::npos);
}

TEST_F(PingStoreTest, ALaunchedApplicationTakesItsLaunchEntryAway) {
  const VtString key("LAUNCHPARAMS:lumen-9.0");
  thread()->setKeyValuePair(key, VtString("-specifier lumen-9.0"));
  EXPECT_EQ(ask("LAUNCHED", "", "lumen_2-9.0#launchparams"), "<none>");
  EXPECT_EQ(thread()->locateKey(key), -1);
}

TEST_F(PingStoreTest, EntriesGoWhenTheirTimeoutHasPassed) {
  const VtString key("SHORTLIVED");
  thread()->setKeyValuePair(key, VtString("v"));
  EXPECT_FALSE(thread()->setTimeout(VtString("MISSING"), 5));
  ASSERT_TRUE(thread()->setTimeout(key, 5));
  VtString diagnostics;
  thread()->appendDiagnostics(diagnostics, VtString("/app"));
  EXPECT_NE(bytes(diagnostics).find("/app/thread/ping/SHORTLIVED/timeout;0;Timeout;in 5secs at "),
            std::string::npos);
  clock.advance(4999);
  thread()->runLocked();
  EXPECT_NE(thread()->locateKey(key), -1);
  clock.advance(1);
  thread()->runLocked();
  EXPECT_EQ(thread()->locateKey(key), -1);
}

TEST_F(PingStoreTest, ThePingOfThisProcessTellsWhyNobodyAnswered) {
  registry->add("installedapp-1.0");
  registry->clearCache();
  struct Case {
    const char* target;
    int32_t timeout;
    const char* answer;
  };
  const Case cases[] = {
      {"installedapp-1.0", 2, "ISNOTRUNNING"},
      {"unknownapp-1.0", 2, "ISNOTINSTALLED"},
      {"", 2, "INVALIDSPEC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    int32_t answered = -1;
    EXPECT_EQ(bytes(Velt::ArborTalkUtils::ping(VtString(c.target), true, VtString(), 9, c.timeout,
                                               nullptr, &answered)),
              c.answer);
    EXPECT_EQ(answered, 0);
  }
  // Without a timeout nothing is awaited.
  EXPECT_EQ(
      bytes(Velt::ArborTalkUtils::ping(vt(appName), true, VtString(), 9, 0, nullptr, nullptr)),
      "NOERROR");

  Message self;
  self.mSender = "same#thread";
  self.mTarget = "same#thread";
  self.mType = "ping";
  EXPECT_EQ(bytes(Velt::ArborTalkUtils::pingMsg(self, Velt::InterAppStream::get())), "UNDEFINED");
}

// A peer whose background-thread port the test owns: it answers the first
// ping it gets with the replies it is given, then stops.
class ScriptedPeer {
 public:
  explicit ScriptedPeer(const VtString& name)
      : mEndpoint(ArborTalkThread::createThreadSpecifier(name)), mPort(makeStream(mEndpoint)) {}
  ~ScriptedPeer() {
    mQuit = true;
    if (mThread.joinable()) mThread.join();
  }

  // Each reply: its sender ("" for the peer's own endpoint) and answer.
  void answerWith(std::vector<std::pair<std::string, std::string>> replies) {
    mThread = std::thread([this, replies] {
      while (!mQuit) {
        auto pings = LibraryTest_take(*mPort);
        if (pings.empty()) {
          std::this_thread::yield();
          continue;
        }
        for (const auto& [sender, answer] : replies) {
          Message reply;
          reply.mTarget = pings[0]->mSender;
          reply.mSender = sender.empty() ? mEndpoint : vt(sender);
          reply.mType = "ping";
          reply.setHeader(VtString("ECHO_REQUEST"), vt(answer));
          VtString text;
          if (reply.writeToString(text)) (void)mPort->send(reply.mTarget, text);
        }
        deleteAll(pings);
        return;
      }
    });
  }
  const VtString& endpoint() const { return mEndpoint; }

  static std::vector<Message*> LibraryTest_take(Velt::BaseInterAppStream& stream) {
    std::vector<Message*> out;
    while (stream.messagePending())
      if (!stream.receive()) break;
    const VtString text = stream.getMessages();
    const char* next = text.get();
    const char* end = next + text.length();
    while (next < end) {
      auto* m = new Message;
      const char* after = m->readFromString(next, static_cast<size_t>(end - next));
      if (!after || after <= next) {
        delete m;
        break;
      }
      next = after;
      out.push_back(m);
    }
    return out;
  }

 private:
  VtString mEndpoint;
  std::unique_ptr<Velt::BaseInterAppStream> mPort;
  std::atomic<bool> mQuit{false};
  std::thread mThread;
};

TEST_F(PingStoreTest, APingTakesOnlyTheAnswerOfThePingedEndpoint) {
  const VtString peerName = uniqueSpecifier("peer");
  ScriptedPeer peer(peerName);
  // A late answer to an earlier ping is already waiting.
  {
    auto late = port("late");
    Message stale;
    stale.mTarget = Velt::InterAppStream::get()->getSpecifier();
    stale.mSender = peer.endpoint();
    stale.mType = "ping";
    stale.setHeader(VtString("ECHO_REQUEST"), VtString("STALE"));
    VtString text;
    ASSERT_TRUE(stale.writeToString(text));
    ASSERT_TRUE(late->send(stale.mTarget, text));
  }
  peer.answerWith({{"otherapp#thread", "FORGED"}, {"", "REAL"}});
  int32_t answered = 0;
  EXPECT_EQ(bytes(Velt::ArborTalkUtils::ping(peerName, true, VtString("KEY"), 3, 600, nullptr,
                                             &answered)),
            "REAL");
  EXPECT_EQ(answered, 1);
}

TEST_F(PingStoreTest, AnAnswerFromAnotherEndpointIsNoAnswer) {
  const VtString peerName = uniqueSpecifier("peer");
  ScriptedPeer peer(peerName);
  peer.answerWith({{"otherapp#thread", "FORGED"}});
  EXPECT_EQ(
      bytes(Velt::ArborTalkUtils::ping(peerName, true, VtString("KEY"), 3, 1, nullptr, nullptr)),
      "Timeout");
}

TEST_F(PingStoreTest, APingOfAllApplicationsCountsOnlyRealAnswers) {
  const VtString peerName = uniqueSpecifier("peer");
  ScriptedPeer peer(peerName);
  registry->add(bytes(uniqueSpecifier("absent")).c_str());
  registry->add(peerName.get());
  registry->clearCache();
  peer.answerWith({{"", "HERE"}});
  int32_t answered = 0;
  EXPECT_EQ(bytes(Velt::ArborTalkUtils::ping(VtString("allRunningApps"), true, VtString(), 4, 600,
                                             nullptr, &answered)),
            "HERE");
  EXPECT_EQ(answered, 1);
}

// The background thread runs on its own here.
class BackgroundTest : public LibraryTest {};

TEST_F(BackgroundTest, PingsStatusWritesAndSendsRunSideBySide) {
  ASSERT_TRUE(start());
  auto* main = new ArborTalk(appName.c_str(), nullptr, true);
  auto* handler = new RecordingHandler();
  auto* peer = new ArborTalk(bytes(uniqueSpecifier("peer")).c_str(), handler, false);
  const VtString peerName = peer->getAppName();

  std::atomic<int> echoes{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i)
        if (ArborTalk::Thread::ping(appName.c_str(), nullptr, 600, nullptr) == "ECHO_RESPONSE")
          ++echoes;
    });
  }
  threads.emplace_back([] {
    for (int i = 0; i < 200; ++i) {
      ArborTalk::Thread::setPingValue(VtString("STATUS"), VtString(i % 2 ? "IDLE" : "PUMPING"));
      (void)ArborTalk::Thread::getPingValue(VtString("STATUS"));
    }
  });
  threads.emplace_back([&] {
    for (int i = 0; i < 50; ++i) {
      Message m;
      m.mTarget = peerName;
      m.mBody = "n";
      main->send(m);
      ArborTalk::pump(ArborTalk::kBoth);
    }
  });
  for (auto& t : threads) t.join();
  ArborTalk::pump(ArborTalk::kBoth);
  EXPECT_EQ(echoes.load(), 20);
  EXPECT_EQ(handler->bodies.size(), 50u);
  // The context deletes both instances when the library stops.
}

}  // namespace
