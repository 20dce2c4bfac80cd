// The whole library across two real processes: this test and the peer
// program. Each case has a fresh home, names of its own (cases run in
// parallel), a product database that registers the peer, and waits that
// end after a bounded time on the system clock.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/Message.h"
#include "messaging/SharedLib.h"
#include "messaging/tests/LibraryFixture.h"
#include "platform/os/Clock.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "platform/os/SmallFiles.h"
#include "testsupport/AppBundle.h"
#include "testsupport/TarnFixture.h"
#include "testsupport/TempDir.h"

using Velt::ArborTalk;
using Velt::VtString;
using Message = Velt::ArborTalk::Message;

namespace {

constexpr uint32_t kPatienceMs = 20000;

// Polls on the system clock until done() holds or the patience runs out.
template <class Done>
bool eventually(Done done) {
  const uint64_t deadline = platform::systemClock().nowMs() + kPatienceMs;
  while (!done()) {
    if (platform::systemClock().nowMs() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::string places() {
  const platform::PlatformConfig& config = platform::PlatformConfig::current();
  return "home=" + config.homeFolder() + "\ntemproot=" + config.tempRootFolder() +
         "\nshared=" + config.sharedAppDataFolder() + "\n";
}

// The peer running the library for a specifier until the test ends it.
class Peer {
 public:
  Peer(const std::string& specifier, std::vector<std::string> options) {
    const platform::PlatformConfig& config = platform::PlatformConfig::current();
    const std::string ready = mFolder / "ready";
    std::vector<std::string> arguments = {PLEXAR_MESSAGING_PEER,
                                          "serve",
                                          specifier,
                                          ready,
                                          std::to_string(platform::processId()),
                                          "temproot=" + config.tempRootFolder(),
                                          "shared=" + config.sharedAppDataFolder()};
    bool ownHome = false;
    for (const std::string& option : options) ownHome = ownHome || option.rfind("home=", 0) == 0;
    if (!ownHome) arguments.push_back("home=" + config.homeFolder());
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (platform::spawnDetached(arguments, "/", mPid) != 0) return;
    std::string state;
    if (!eventually([&] { return platform::readWholeFile(ready, state) == 0 && !state.empty(); }))
      return;
    const std::string good = "good name=";
    if (state.rfind(good, 0) == 0) mName = state.substr(good.size());
  }
  ~Peer() { kill(); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  // The name of its main instance; empty when it could not start.
  const std::string& name() const { return mName; }
  void kill() {
    if (mPid > 0) (void)platform::killProcess(mPid);
    mPid = -1;
  }

 private:
  TempDir mFolder;
  pid_t mPid = -1;
  std::string mName;
};

class Processes : public MessagingTest {
 protected:
  Processes() {
    Velt::ArborTalkUtils::SharedLib::setApplicationBundle(PLEXAR_BINARY_DIR "/Plexar.app");
    tarn.registerApplication(app, {{"Specifier", app}, {"Path", "/Apps/Plexo.app"}});
    tarn.registerApplication(peer, {{"Specifier", peer}, {"Path", "/Apps/Peer.app"}});
  }
  ~Processes() override {
    if (Velt::ArborTalkContext::getCurrentContext()) ArborTalk::InitTerm::exit();
    // The next case starts with a registry that may be used again.
    Velt::ArborTalkConnector::InitTerm::init(VtString());
    Velt::ArborTalkConnector::set(nullptr);
    Velt::ArborTalkUtils::SharedLib::setApplicationBundle("");
  }

  // The library of this process with its main instance.
  ArborTalk* start() {
    if (!ArborTalk::InitTerm::init(vt(app), true)) return nullptr;
    return new ArborTalk(app.c_str(), nullptr, true);  // the context owns it
  }
  static std::string ping(const std::string& target, const char* key = nullptr) {
    return bytes(ArborTalk::Thread::ping(target.c_str(), key, 2, nullptr));
  }
  static bool answers(const std::string& target) {
    return eventually([&] { return ping(target) == "ECHO_RESPONSE"; });
  }

  // Waits come from the system clock: the other process does not share a
  // test clock.
  platform::ScopedClock realTime{platform::systemClock()};
  TempDir dir;
  testsupport::TarnFixture tarn{dir.path()};
  std::string app = bytes(uniqueSpecifier("plexo")) + "-5.0";
  std::string peer = bytes(uniqueSpecifier("peer")) + "-1.0";
};

// What the handler of this process's main instance saw of a response.
struct Response {
  std::string body;
  std::string errorCode;
  bool rejected = false;
  bool arrived = false;
};

// A request to the peer whose answer of type `type` lands in `response`.
bool request(ArborTalk& main, const std::string& target, const char* type, Response& response) {
  Message m;
  m.mTarget = target.c_str();
  m.mType = "Echo";
  m.mBody = "hello over there";
  m.mResponseRequest = "Error Result";
  m.mSerialNumber = main.getContext()->getNextSerialNumber();
  auto* waiting = new RecordingHandler(type, m.mSerialNumber);
  waiting->onMessage = [&response](Message& answer) {
    response.body = bytes(answer.mBody);
    response.errorCode = bytes(answer.getUserHeaderValue("Error-Code"));
    response.rejected = answer.isRejected();
    response.arrived = true;
  };
  delete main.changeHandler(waiting);
  if (!main.send(m, false, 0)) return false;
  return eventually([&] {
    ArborTalk::pump(ArborTalk::kBoth);
    return response.arrived;
  });
}

}  // namespace

TEST_F(Processes, APeerAnswersThePingOnceItsThreadListens) {
  ASSERT_NE(start(), nullptr);
  Peer other(peer, {});
  ASSERT_EQ(other.name(), peer);
  EXPECT_TRUE(answers(peer));
  // Its status is one of the pump's.
  const std::string status = ping(peer, "STATUS");
  EXPECT_TRUE(status == "IDLE" || status == "PUMPING") << status;
  EXPECT_EQ(ping(peer, "NOSUCHKEY"), "UNDEFINED");
  EXPECT_TRUE(ArborTalk::targetIsRunning(peer.c_str()));
}

TEST_F(Processes, ASendIsAnsweredByThePeersHandler) {
  ArborTalk* main = start();
  ASSERT_NE(main, nullptr);
  Peer other(peer, {"echo"});
  ASSERT_EQ(other.name(), peer);
  Response response;
  ASSERT_TRUE(request(*main, peer, "Result", response));
  EXPECT_EQ(response.body, "hello over there");
  EXPECT_FALSE(response.rejected);
}

TEST_F(Processes, APeerThatStopsPumpingReportsBusy) {
  ASSERT_NE(start(), nullptr);
  // Pumps 20 ms apart give an average; ten of them without a pump make it
  // overdue.
  Peer other(peer, {"every=20", "pumps=10"});
  ASSERT_EQ(other.name(), peer);
  EXPECT_TRUE(answers(peer));
  EXPECT_TRUE(eventually([&] { return ping(peer, "STATUS") == "BUSY"; }));
  // Busy is not gone: the ping is answered by its background thread.
  EXPECT_EQ(ping(peer), "ECHO_RESPONSE");
}

TEST_F(Processes, AMessageSignedWithAnotherKeyIsRejectedWithError53) {
  ArborTalk* main = start();
  ASSERT_NE(main, nullptr);
  // Another home, another per-user key.
  TempDir otherHome;
  Peer other(peer, {"echo", "home=" + otherHome.path()});
  ASSERT_EQ(other.name(), peer);
  // This side takes the answer whatever its digest says, to see it.
  Message::setAuthentication(false);
  Response response;
  ASSERT_TRUE(request(*main, peer, "Error", response));
  EXPECT_EQ(response.errorCode, "53");
  EXPECT_EQ(response.body.rfind("ERROR: MESSAGE REJECTED", 0), 0u) << response.body;
  // And the peer's answer does not pass here either.
  EXPECT_TRUE(response.rejected);
}

TEST_F(Processes, ASecondPeerOfTheSameSpecifierGetsTheFirstInstance) {
  ASSERT_NE(start(), nullptr);
  Peer first(peer, {});
  ASSERT_EQ(first.name(), peer);
  Peer second(peer, {});
  const std::string numbered =
      bytes(Velt::ArborTalk::Specifier(peer.c_str(), false).appName()) + "_1-1.0";
  EXPECT_EQ(second.name(), numbered);
  EXPECT_TRUE(answers(peer));
  EXPECT_TRUE(answers(numbered));
}

TEST_F(Processes, AKilledPeerIsInstalledButNotRunning) {
  ASSERT_NE(start(), nullptr);
  Peer other(peer, {});
  ASSERT_EQ(other.name(), peer);
  ASSERT_TRUE(answers(peer));
  other.kill();
  EXPECT_TRUE(eventually([&] { return ping(peer) == "ISNOTRUNNING"; }));
  EXPECT_FALSE(ArborTalk::targetIsRunning(peer.c_str()));
  // A name nobody registered is not installed at all.
  EXPECT_EQ(ping(bytes(uniqueSpecifier("stranger")) + "-1.0"), "ISNOTINSTALLED");
}

TEST_F(Processes, TheDiagnosticsOfARunningPeerComeOverMessaging) {
  ASSERT_NE(start(), nullptr);
  Peer other(peer, {});
  ASSERT_EQ(other.name(), peer);
  ASSERT_TRUE(answers(peer));
  VtString out;
  ArborTalk::getDiagnostics(out, false);
  const std::string records = bytes(out);
  const std::string running = "/" + app + "/targets/running";
  const std::string entry = running + "/" + peer;
  EXPECT_NE(records.find(entry + "/status;0;Status;"), std::string::npos) << records;
  // The peer's own records, under the running node.
  EXPECT_NE(records.find(running + "/" + peer + "/context/version;0;Version;2.0;\n"),
            std::string::npos)
      << records;
  EXPECT_NE(records.find(running + "/" + peer + "/thread;1;Thread;" + peer + "#thread;\n"),
            std::string::npos);
  EXPECT_NE(records.find(running + ";1;Running;"), std::string::npos);
}

TEST_F(Processes, LaunchTargetStartsThePeerAndHandsItItsParameters) {
  ArborTalk* main = start();
  ASSERT_NE(main, nullptr);
  TempDir folder;
  const std::string bundle = testsupport::makeAppBundle(
      folder.path(), "Peer", "Peer", "org.example.peer", "1.0", PLEXAR_MESSAGING_PEER);
  const std::string report = folder / "report";
  const std::string launched = bytes(uniqueSpecifier("launched")) + "-1.0";
  TempDir::write(bundle + "/Contents/Resources/peer.conf",
                 "parent=" + std::to_string(platform::processId()) + "\nreport=" + report + "\n" +
                     places() + "specifier=" + launched + "\nlibrary=1\nwaits=10,10000,10000\n");
  tarn.registerApplication(
      launched, {{"Specifier", launched}, {"Path", std::filesystem::canonical(bundle).string()}});
  ArborTalk::useConnector("refresh");

  ASSERT_TRUE(ArborTalk::launchTarget(launched.c_str(), "-colour blue", ArborTalk::kFront));
  // The parameters leave through this process's pump.
  const bool reported = eventually([&] {
    ArborTalk::pump(ArborTalk::kOutgoing);
    return TempDir::read(report).find("options=") != std::string::npos;
  });
  const std::string text = TempDir::read(report);
  const size_t pid = text.find("pid=");
  if (pid != std::string::npos)
    (void)platform::killProcess(static_cast<pid_t>(std::atoi(text.c_str() + pid + 4)));
  ASSERT_TRUE(reported) << text;
  EXPECT_NE(text.find("options=-specifier " + launched + " -nostartupscreen -colour blue\n"),
            std::string::npos)
      << text;
}
