// The program's engine wired to the messaging library as the start-up
// does it: the products' running test pings through the library and the
// engine's messages leave through the program's messaging instance.

#include "app/PlexarEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/AppServices.h"
#include "engine/CZorbHostMessenger.h"
#include "messaging/tests/LibraryFixture.h"
#include "platform/os/Clock.h"
#include "products/CZorbProduct.h"
#include "testsupport/TestProduct.h"

namespace {

using Velt::ArborTalk;

// A host whose running test is the products' own, through the ping.
class PingedHost : public testsupport::TestProduct {
 public:
  explicit PingedHost(const std::string& specifier) : TestProduct(u"Host") {
    m_arborName = CString(std::u16string(specifier.begin(), specifier.end()).c_str());
  }
  bool IsRunning() const override { return CZorbProduct::IsRunning(); }
};

// The background thread opens its port in its own time after the set-up,
// so a ping sent at once can find nobody listening yet.
bool answersItsPing(const std::string& name) {
  for (int i = 0; i < 2000; ++i) {
    if (PlexarEngine::PingHost(name.c_str(), nullptr, 2) == "ECHO_RESPONSE") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class EngineMessaging : public LibraryTest {
 protected:
  ~EngineMessaging() override {
    CZorbProduct::SetPinger(nullptr);
    CZorbHostMessenger::SetSender(nullptr);
  }

  // A ping polls its answer on the clock; on the sandbox's test clock each
  // poll moves time on, so a background thread that is slow to be scheduled
  // looked like one that timed out. These pings cross real threads.
  platform::ScopedClock realClock{platform::systemClock()};
};

TEST_F(EngineMessaging, AHostRunsOnlyWhenItsEndpointAnswersThePing) {
  const std::string nobody = bytes(uniqueSpecifier("nobody")) + "-1.0";
  {
    PlexarEngine engine;
    // Before the start-up set the library up nothing counts as running.
    EXPECT_FALSE(PingedHost(appName).IsRunning());
    ASSERT_TRUE(PlexarEngine::InitMessaging(appName));
    // This process answers its own ping.
    EXPECT_TRUE(answersItsPing(appName));
    EXPECT_TRUE(PingedHost(appName).IsRunning());
    EXPECT_FALSE(PingedHost(nobody).IsRunning());
    EXPECT_EQ(PlexarEngine::PingHost(nullptr, nullptr, 2), "");
  }
  // The engine's end stopped the library and took the ping away.
  EXPECT_EQ(Velt::ArborTalkContext::getCurrentContext(), nullptr);
  EXPECT_FALSE(PingedHost(appName).IsRunning());
}

TEST_F(EngineMessaging, TheStartUpServicesSetTheLibraryUpAndReadItsLaunchOptions) {
  PlexarEngine::InstallServices();
  ASSERT_TRUE(AppServices::initMessaging(appName));
  EXPECT_EQ(AppServices::launchOptions(), "");
  std::unique_ptr<IEngine> engine = AppServices::makeEngine();
  ASSERT_NE(engine, nullptr);
  EXPECT_NE(engine->GetPlexar(), nullptr);
  // A second set-up is refused; the first stays in place.
  EXPECT_FALSE(PlexarEngine::InitMessaging(appName));
  ASSERT_TRUE(answersItsPing(appName));
  EXPECT_TRUE(PingedHost(appName).IsRunning());
  engine.reset();
  EXPECT_EQ(Velt::ArborTalkContext::getCurrentContext(), nullptr);
  PlexarEngine::StopMessaging();  // once is enough

  // A start-up that ends before making the engine stops the library itself.
  Velt::ArborTalkConnector::set(registry = new MemoryConnector(appName.c_str()));
  ASSERT_TRUE(AppServices::initMessaging(appName));
  PlexarEngine::StopMessaging();
  EXPECT_EQ(Velt::ArborTalkContext::getCurrentContext(), nullptr);
  EXPECT_FALSE(PingedHost(appName).IsRunning());
  AppServices::setMakeEngine(nullptr);
  AppServices::setMessaging(nullptr, nullptr);
}

TEST_F(EngineMessaging, MessagesLeaveThroughTheProgramsInstanceOnlyOnceItExists) {
  PlexarEngine engine;
  ASSERT_TRUE(PlexarEngine::InitMessaging(appName));
  auto* handler = new RecordingHandler();
  auto* peer = new ArborTalk(bytes(uniqueSpecifier("host")).c_str(), handler, false);
  const std::string host = bytes(peer->getAppName());
  CZorbHostMessenger& messenger = CZorbHostMessenger::Current();

  // No instance yet: the engine is told so and nothing is sent.
  EXPECT_FALSE(messenger.HasInstance());
  EXPECT_FALSE(messenger.Send(host, "early"));

  // The program's instance (the context deletes it when the library stops).
  new ArborTalk(appName.c_str(), nullptr, true);
  ASSERT_TRUE(messenger.HasInstance());
  const std::string body =
      "Notification Operation=\"Update\" Name=\"T\xC3\xB6ol\" Type=\"command\"";
  EXPECT_TRUE(messenger.Send(host, body));
  EXPECT_FALSE(messenger.Send("", body));
  for (int i = 0; i < 10 && handler->bodies.empty(); ++i) ArborTalk::pump(ArborTalk::kBoth);
  EXPECT_EQ(handler->bodies, std::vector<std::string>{body});
}

}  // namespace
