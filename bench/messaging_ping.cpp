// Round trips between two processes: the library's ping and a request
// answered by the peer's handler, beside the same bytes echoed through bare
// message ports, one connection per message as the library's transport
// sends them. All of them run in one run, against peer programs started
// here, in a home folder of their own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/Message.h"
#include "messaging/MsgHandler.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/MessagePort.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "platform/os/SmallFiles.h"

namespace {

using Velt::ArborTalk;
using Velt::VtString;

// Google Benchmark may run a benchmark function more than once: every run
// gets names and folders of its own.
std::string unique(const std::string& label) {
  static int runs = 0;
  return "bench" + std::to_string(platform::processId()) + "r" + std::to_string(++runs) + label;
}

// Waits up to ten seconds for done().
template <class Done>
bool within(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// A folder of its own for the per-user files, removed at the end.
class Sandbox {
 public:
  Sandbox() : mRoot(std::filesystem::temp_directory_path() / unique("messaging")) {
    std::filesystem::create_directories(mRoot / "home");
    std::filesystem::create_directories(mRoot / "shared");
    platform::PlatformConfig config = platform::PlatformConfig::current();
    config.home = (mRoot / "home").string();
    config.tempRoot = mRoot.string();
    config.sharedAppData = (mRoot / "shared").string();
    mOverride = std::make_unique<platform::PlatformConfig::Override>(config);
  }
  ~Sandbox() {
    mOverride.reset();
    std::error_code ignored;
    std::filesystem::remove_all(mRoot, ignored);
  }
  std::string path(const std::string& name) const { return (mRoot / name).string(); }
  std::vector<std::string> places() const {
    const platform::PlatformConfig& config = platform::PlatformConfig::current();
    return {"home=" + config.homeFolder(), "temproot=" + config.tempRootFolder(),
            "shared=" + config.sharedAppDataFolder()};
  }

 private:
  std::filesystem::path mRoot;
  std::unique_ptr<platform::PlatformConfig::Override> mOverride;
};

// A peer program, ended with the benchmark.
class Peer {
 public:
  Peer(std::vector<std::string> arguments, const std::string& ready) {
    arguments.insert(arguments.begin(), PLEXAR_MESSAGING_PEER);
    if (platform::spawnDetached(arguments, "/", mPid) != 0) return;
    std::string state;
    if (within([&] { return platform::readWholeFile(ready, state) == 0 && !state.empty(); }))
      mGood = state.rfind("good", 0) == 0;
  }
  ~Peer() {
    if (mPid > 0) (void)platform::killProcess(mPid);
  }
  bool good() const { return mGood; }

 private:
  pid_t mPid = -1;
  bool mGood = false;
};

// Catches the answer of the one request in flight.
class Answer : public ArborTalk::MsgHandler {
 public:
  int handleMessage(int, ArborTalk::Message&, VtString*) override {
    arrived = true;
    return 0;
  }
  VtString getMsgType() const override { return "Result"; }
  bool arrived = false;
};

// The text of a ping as the library writes it, kept by the ping benchmark
// (which runs first) for the baseline: messages are made while the library
// runs.
std::string gPingText;

std::string pingText(const std::string& self, const std::string& target) {
  ArborTalk::Message m;
  m.mTarget = (target + "#thread").c_str();
  m.mSender = (self + "#ping").c_str();
  m.mType = "ping";
  m.mTimeout = 2;
  m.setHeader(VtString("ECHO_REQUEST"), VtString("ECHO_REQUEST"));
  VtString text;
  (void)m.writeToString(text);
  return std::string(text.get(), static_cast<size_t>(text.length()));
}

std::string parentId() {
  return std::to_string(platform::processId());
}

void LibraryPing(benchmark::State& state) {
  Sandbox sandbox;
  const std::string self = unique("self") + "-1.0";
  const std::string target = unique("pinged") + "-1.0";
  std::vector<std::string> arguments = {"serve", target, sandbox.path("ready"), parentId()};
  for (const std::string& place : sandbox.places()) arguments.push_back(place);
  Peer peer(arguments, sandbox.path("ready"));
  if (!peer.good() || !ArborTalk::InitTerm::init(VtString(self.c_str()), true)) {
    state.SkipWithError("the peer or the library did not start");
    return;
  }
  auto ping = [&] {
    return ArborTalk::Thread::ping(target.c_str(), nullptr, 2, nullptr) == "ECHO_RESPONSE";
  };
  if (!within(ping)) state.SkipWithError("the peer does not answer its ping");
  gPingText = pingText(self, target);
  for (auto _ : state)
    if (!ping()) state.SkipWithError("a ping went unanswered");
  ArborTalk::InitTerm::exit();
}
BENCHMARK(LibraryPing)->Unit(benchmark::kMicrosecond)->UseRealTime();

void LibraryRequestAnswered(benchmark::State& state) {
  Sandbox sandbox;
  const std::string self = unique("asker") + "-1.0";
  const std::string target = unique("echoer") + "-1.0";
  // The peer pumps without pause.
  std::vector<std::string> arguments = {"serve",    target, sandbox.path("ready"),
                                        parentId(), "echo", "every=0"};
  for (const std::string& place : sandbox.places()) arguments.push_back(place);
  Peer peer(arguments, sandbox.path("ready"));
  if (!peer.good() || !ArborTalk::InitTerm::init(VtString(self.c_str()), true)) {
    state.SkipWithError("the peer or the library did not start");
    return;
  }
  auto* main = new ArborTalk(self.c_str(), nullptr, true);  // the context owns it
  auto request = [&] {
    ArborTalk::Message m;
    m.mTarget = target.c_str();
    m.mType = "Echo";
    m.mBody = "ECHO_REQUEST";
    m.mResponseRequest = "Result";
    m.mSerialNumber = main->getContext()->getNextSerialNumber();
    auto* answer = new Answer;
    delete main->changeHandler(answer);
    if (!main->send(m, false, 0)) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!answer->arrived && std::chrono::steady_clock::now() < deadline)
      ArborTalk::pump(ArborTalk::kBoth);
    return answer->arrived;
  };
  if (!within(request)) state.SkipWithError("the peer does not answer");
  for (auto _ : state)
    if (!request()) state.SkipWithError("a request went unanswered");
  ArborTalk::InitTerm::exit();
}
BENCHMARK(LibraryRequestAnswered)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The baseline: the text of a ping to the port and back, nothing else.
void RawPortEcho(benchmark::State& state) {
  Sandbox sandbox;
  const std::string echoPort = platform::messagePortNamespace() + unique("echo");
  const std::string replyPort = platform::messagePortNamespace() + unique("reply");
  platform::MessagePort reply;
  if (reply.open(replyPort) != 0) {
    state.SkipWithError("no reply port");
    return;
  }
  Peer peer({"echo", echoPort, replyPort, sandbox.path("ready"), parentId()},
            sandbox.path("ready"));
  if (!peer.good()) {
    state.SkipWithError("the echo peer did not start");
    return;
  }
  if (gPingText.empty()) {
    state.SkipWithError("run with LibraryPing, which writes the bytes");
    return;
  }
  const std::string& text = gPingText;
  std::vector<std::string> messages;
  for (auto _ : state) {
    if (platform::MessagePort::send(echoPort, text.data(), text.size(), 2000) != 0) {
      state.SkipWithError("send failed");
      break;
    }
    messages.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (reply.collect(messages) == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    if (messages.empty()) {
      state.SkipWithError("no echo came back");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(RawPortEcho)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
