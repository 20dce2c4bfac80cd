// The pump command with the messaging library over real ports: a message a
// second process sends reaches the movie as a command line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CPumpArborTalkMessageCommand.h"
#include "app/CRequestIdManager.h"
#include "app/CRuntimeCLIParser.h"
#include "app/PlexarEngine.h"
#include "app/tests/MovieTestSupport.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkSetupThread.h"
#include "messaging/Message.h"
#include "messaging/PrivateData.h"
#include "messaging/tests/MemoryConnector.h"
#include "messaging/tests/MessagingFixture.h"
#include "messaging/tests/StreamTestSupport.h"
#include "platform/os/Process.h"

namespace {

using Velt::ArborTalk;

class PumpCommand : public MessagingTest {
 protected:
  PumpCommand() {
    CRequestIdManager::getInstance()->resetForTest();
    CRuntimeCLIParser::getInstance()->resetForTest();
    Velt::ArborTalkConnector::InitTerm::init(Velt::VtString());
    Velt::ArborTalkConnector::set(new MemoryConnector(appName.c_str()));
  }
  ~PumpCommand() override {
    PlexarEngine::StopMessaging();
    Velt::ArborTalkSetupThread::reset();
    Velt::ArborTalkConnector::InitTerm::init(Velt::VtString());
    Velt::ArborTalkConnector::set(nullptr);
    CRequestIdManager::getInstance()->resetForTest();
    CRuntimeCLIParser::getInstance()->resetForTest();
  }

  // Sends one message with the body to the program's instance from a
  // process of its own; its exit status.
  int sendFromPeer(const std::string& body) {
    findTarget();
    ArborTalk::Message message;
    message.mTarget = vt(m_target);
    message.mSender = vt(m_peer);
    message.mBody = vt(body);
    Velt::VtString text;
    EXPECT_TRUE(message.writeToString(text));
    platform::SpawnOptions peer;
    peer.arguments = {PLEXAR_MESSAGING_PEER, "send", m_peer, m_target, bytes(text)};
    const platform::SpawnResult result = platform::runProcess(peer);
    EXPECT_EQ(result.startError, 0);
    return result.exitCode;
  }
  void findTarget() {
    if (!m_target.empty() || g_AKInstance == nullptr) return;
    // The port the instance listens on.
    m_target = bytes(g_AKInstance->getPrivateData()->getInterAppStream()->getSpecifier());
  }
  // Pumps until the movie got a call or the bound passes.
  std::vector<movietest::Sent> pumpUntilSent(CPumpArborTalkMessageCommand& pump) {
    movietest::eventually([&] {
      pump.execute();
      return !m_sink.sent().empty();
    });
    return m_sink.sent();
  }

  std::string appName = bytes(uniqueSpecifier("plexo")) + "-5.0";
  std::string m_peer = bytes(uniqueSpecifier("peer"));
  std::string m_target;
  movietest::RecordingSink m_sink;
};

TEST_F(PumpCommand, AMessageFromAnotherProcessReachesTheMovieAsACommandLine) {
  // Without the library there is nothing to pump and no instance.
  {
    CPumpArborTalkMessageCommand early;
    early.execute();
    EXPECT_EQ(g_AKInstance, nullptr);
  }
  ASSERT_TRUE(PlexarEngine::InitMessaging(appName));
  CPumpArborTalkMessageCommand pump;
  ASSERT_NE(g_AKInstance, nullptr);
  EXPECT_EQ(ArborTalk::get(), g_AKInstance);
  EXPECT_EQ(bytes(g_AKInstance->getAppName()), appName);
  // A second command keeps the one instance.
  CPumpArborTalkMessageCommand again;
  EXPECT_EQ(ArborTalk::get(), g_AKInstance);

  // The movie has not asked for command lines yet: the line waits.
  ASSERT_EQ(sendFromPeer("-install \"/tmp/first.yxp\""), 0);
  ASSERT_TRUE(movietest::eventually([&] {
    pump.execute();
    CString line;
    CRuntimeCLIParser::getInstance()->getCommandLine(line);
    return line == CString(u"-install \"/tmp/first.yxp\"");
  }));
  EXPECT_TRUE(m_sink.sent().empty());

  // Once it has, an empty message changes nothing and the next line goes
  // to the movie at once.
  CRuntimeCLIParser::getInstance()->resetForTest();
  CRequestIdManager::getInstance()->setBrioStateOK();
  ASSERT_EQ(sendFromPeer(""), 0);
  ASSERT_EQ(sendFromPeer("-remove \"Tool\""), 0);
  const auto sent = pumpUntilSent(pump);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].name, "brioHandleCommandLine");
  ASSERT_EQ(sent[0].args.size(), 4u);
  EXPECT_EQ(sent[0].args[1], "-remove \"Tool\"");
  EXPECT_EQ(sent[0].args[2], "0");
  EXPECT_EQ(sent[0].args[3], "0");
}

}  // namespace
