#include "messaging/Launcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "messaging/InterAppStream.h"
#include "messaging/LaunchReceivedMsgHandler.h"
#include "messaging/LaunchTimeoutMsgHandler.h"
#include "messaging/Message.h"
#include "messaging/MsgHandler.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/MessagingFixture.h"
#include "messaging/tests/StreamTestSupport.h"
#include "platform/os/Applications.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/Clock.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "testsupport/AppBundle.h"
#include "testsupport/TempDir.h"

using Velt::VtString;
using Velt::ArborTalkUtils::Launcher;
using Message = Velt::ArborTalk::Message;
using MsgHandler = Velt::ArborTalk::MsgHandler;
namespace Utils = Velt::ArborTalkUtils;

namespace {

constexpr uint32_t kPatienceMs = 20000;

template <class Done>
bool eventually(Done done) {
  const uint64_t deadline = platform::systemClock().nowMs() + kPatienceMs;
  while (!done()) {
    if (platform::systemClock().nowMs() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::vector<std::string> gOpened;
bool gOpenerAnswer = true;

bool recordUrl(const VtString& url) {
  gOpened.push_back(bytes(url));
  return gOpenerAnswer;
}

class ScopedUrlOpener {
 public:
  ScopedUrlOpener() {
    gOpened.clear();
    gOpenerAnswer = true;
    Launcher::setUrlOpener(&recordUrl);
  }
  ~ScopedUrlOpener() { Launcher::setUrlOpener(nullptr); }
};

// The launching application's main instance, as far as launches see it:
// it keeps what is queued and installed, and notes every other call.
class RecordingOutlet : public Launcher::Outlet {
 public:
  explicit RecordingOutlet(const VtString& name) : mName(name) { Launcher::setOutlet(this); }
  ~RecordingOutlet() override {
    Launcher::setOutlet(nullptr);
    for (Message* m : queued) delete m;
    // Handlers go while the outlet still hears them.
    Launcher::setOutlet(this);
    for (MsgHandler* h : handlers) delete h;
    Launcher::setOutlet(nullptr);
  }

  VtString getAppName() override { return mName; }
  uint32_t getNextSerialNumber() override { return mSerial++; }
  void queueOutgoing(Message* message) override { queued.push_back(message); }
  MsgHandler* changeHandler(MsgHandler* handler) override {
    MsgHandler* replaced = take(handler->getMsgType(), handler->getSerialNumber());
    handlers.push_back(handler);
    return replaced;
  }
  MsgHandler* removeHandler(const VtString& instance, const VtString& type,
                            uint32_t serial) override {
    calls.push_back("remove " + bytes(type) + " " + std::to_string(serial) + " of " +
                    bytes(instance));
    return instance == mName ? take(type, serial) : nullptr;
  }
  bool removeOutgoingMessage(const VtString& instance, uint32_t serial) override {
    calls.push_back("unqueue " + std::to_string(serial) + " of " + bytes(instance));
    for (size_t i = 0; i < queued.size(); ++i) {
      if (queued[i]->mSerialNumber != serial) continue;
      delete queued[i];
      queued.erase(queued.begin() + static_cast<long>(i));
      return true;
    }
    return false;
  }
  void setPingValue(const VtString& key, const VtString& value) override {
    calls.push_back("ping " + bytes(key) + "=" + bytes(value));
  }

  // "Type serial" of each installed handler, oldest first.
  std::vector<std::string> handlerList() const {
    std::vector<std::string> out;
    for (const MsgHandler* h : handlers)
      out.push_back(bytes(h->getMsgType()) + " " + std::to_string(h->getSerialNumber()));
    return out;
  }
  const Message* queuedFor(const std::string& target) const {
    for (const Message* m : queued)
      if (bytes(m->mTarget) == target) return m;
    return nullptr;
  }

  std::vector<Message*> queued;
  std::vector<MsgHandler*> handlers;
  std::vector<std::string> calls;

 private:
  MsgHandler* take(const VtString& type, uint32_t serial) {
    for (size_t i = 0; i < handlers.size(); ++i) {
      if (handlers[i]->getMsgType() != type || handlers[i]->getSerialNumber() != serial) continue;
      MsgHandler* found = handlers[i];
      handlers.erase(handlers.begin() + static_cast<long>(i));
      return found;
    }
    return nullptr;
  }

  VtString mName;
  uint32_t mSerial = 1;
};

// A bundle around the peer program, told where to report and whom to
// outlive.
std::string makePeerBundle(const TempDir& folder, const std::string& extra = "") {
  const std::string bundle = testsupport::makeAppBundle(
      folder.path(), "Peer", "Peer", "org.example.peer", "1.0", PLEXAR_MESSAGING_PEER);
  TempDir::write(bundle + "/Contents/Resources/peer.conf",
                 "parent=" + std::to_string(platform::processId()) +
                     "\nreport=" + (folder / "report") +
                     "\ntemproot=" + platform::PlatformConfig::current().tempRootFolder() +
                     "\nhome=" + platform::PlatformConfig::current().homeFolder() + "\n" + extra);
  return std::filesystem::canonical(bundle).string();
}

}  // namespace

TEST(Launcher, AWebTargetGoesToTheOpenerWithTheSender) {
  ScopedUrlOpener opener;
  uint32_t pid = 99;
  EXPECT_TRUE(Launcher::launch(VtString("site"), VtString("https://example.org/page"), nullptr,
                               Launcher::kFront, &pid));
  EXPECT_EQ(pid, 0u);
  {
    RecordingOutlet outlet(VtString("plexo-5.0"));
    EXPECT_TRUE(Launcher::launch(VtString("site"), VtString("https://example.org/page"), "-param",
                                 Launcher::kFront, nullptr));
    // A web page takes no launch parameters.
    EXPECT_TRUE(outlet.queued.empty());
    EXPECT_TRUE(outlet.handlers.empty());
  }
  gOpenerAnswer = false;
  EXPECT_FALSE(Launcher::launch(VtString("site"), VtString("https://example.org/page"), nullptr,
                                Launcher::kFront, nullptr));
  EXPECT_EQ(gOpened, (std::vector<std::string>{"https://example.org/page?sender=",
                                               "https://example.org/page?sender=plexo-5.0",
                                               "https://example.org/page?sender="}));
  // Only https addresses are web targets.
  gOpened.clear();
  EXPECT_FALSE(Launcher::launch(VtString("site"), VtString("http://example.org/"), nullptr,
                                Launcher::kFront, nullptr));
  EXPECT_TRUE(gOpened.empty());
}

TEST(Launcher, WhatIsNoApplicationIsNotLaunched) {
  TempDir folder;
  std::filesystem::create_directories(folder / "NoPlist.app/Contents/MacOS");
  TempDir::write(folder / "NoPlist.app/Contents/MacOS/NoPlist", "#!/bin/sh\n");
  const std::string noExecutable =
      testsupport::makeAppBundle(folder.path(), "Empty", "Empt", "org.example.empty", "1.0");
  const std::string paths[] = {"", folder / "absent.app", folder / "NoPlist.app", noExecutable};
  for (const std::string& path : paths) {
    uint32_t pid = 99;
    EXPECT_FALSE(Launcher::launch(VtString("x"), vt(path), nullptr, Launcher::kFront, &pid))
        << path;
    EXPECT_EQ(pid, 0u);
  }
}

TEST(Launcher, ALaunchedApplicationRunsUnderTheIdItReports) {
  TempDir folder;
  const std::string bundle = makePeerBundle(folder);
  uint32_t pid = 0;
  // Without a main instance the parameters have nobody to hand them over.
  ASSERT_TRUE(
      Launcher::launch(VtString("peer"), vt(bundle + "/"), "-p", Launcher::kBackground, &pid));
  ASSERT_GT(pid, 0u);
  const std::string report = folder / "report";
  auto reported = [&](const std::string& line) {
    return TempDir::read(report).find(line + "\n") != std::string::npos;
  };
  EXPECT_TRUE(eventually([&] { return reported("pid=" + std::to_string(pid)); }))
      << TempDir::read(report);
  EXPECT_TRUE(Launcher::isProcessRunning(pid));

  bool found = false;
  for (const platform::RunningProcess& process : platform::runningProcesses())
    if (process.pid == static_cast<pid_t>(pid)) found = process.bundlePath == bundle;
  EXPECT_TRUE(found);

  {
    AlertCapture alerts;
    Launcher::bringToFront(vt(bundle), 2);
    EXPECT_EQ(alerts.count("ArborTalkUtils::Launcher::bringToFront - unsupported SearchHint."), 1);
  }
  Launcher::bringToFront(vt(bundle), Launcher::kByBundleLocation);
  EXPECT_TRUE(eventually([&] { return reported("reopened"); })) << TempDir::read(report);
  // The other hint reopened nothing.
  EXPECT_EQ(TempDir::read(report).find("reopened"), TempDir::read(report).rfind("reopened"));

  EXPECT_EQ(platform::killProcess(static_cast<pid_t>(pid)), 0);
  EXPECT_FALSE(Launcher::isProcessRunning(0));
}

namespace {

VtString joined(const VtString& head, const char* tail) {
  VtString out(head);
  out << tail;
  return out;
}

VtString ownIdName(const VtString& app, uint32_t pid) {
  VtString name(app);
  name << '#' << pid;
  return name;
}

// Puts back the waits and the process stream a test changed.
class LaunchParametersTest : public MessagingTest {
 protected:
  ~LaunchParametersTest() override {
    Utils::setLaunchWaits(Utils::LaunchWaits());
    Velt::InterAppStream::InitTerm::exit();
  }
};

}  // namespace

TEST(Launcher, TheQueueNameKeepsNameVersionAndLocaleOnly) {
  const struct {
    const char* specifier;
    const char* expected;
  } cases[] = {
      {"loom-11.0-en_us", "loom-11.0-en_us#launchparams"},
      {"Loom_2-11.0-de_de#thread", "loom-11.0-de_de#launchparams"},
      {"loom-fr_fr", "loom-fr_fr#launchparams"},
      {"loom", "loom#launchparams"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bytes(Utils::getLaunchMsgQueueName(VtString(c.specifier))), c.expected)
        << c.specifier;
}

TEST(Launcher, ParametersWaitForTheNewProcessUnderItsIdAndTheQueueName) {
  TempDir folder;
  const std::string bundle = makePeerBundle(folder);
  const VtString app = uniqueSpecifier("launched");
  const VtString specifier = joined(app, "-2.0-en_us");
  RecordingOutlet outlet(VtString("launcher"));
  uint32_t pid = 0;
  ASSERT_TRUE(Launcher::launch(specifier, vt(bundle), "-a b", Launcher::kBackground, &pid));
  ASSERT_GT(pid, 0u);
  (void)platform::killProcess(static_cast<pid_t>(pid));

  ASSERT_EQ(outlet.queued.size(), 3u);
  const Message* p1 = outlet.queued[0];
  const Message* notice = outlet.queued[1];
  const Message* p2 = outlet.queued[2];
  EXPECT_EQ(bytes(p1->mTarget), bytes(app) + "-2.0-en_us#launchparams");
  EXPECT_EQ(bytes(p2->mTarget), bytes(ownIdName(app, pid)));
  EXPECT_EQ(bytes(notice->mTarget), bytes(specifier));
  for (const Message* m : {p1, p2}) {
    EXPECT_EQ(bytes(m->mType), "LaunchParams");
    EXPECT_EQ(bytes(m->mBody), "-a b");
    EXPECT_EQ(bytes(m->mResponseRequest), "");
  }
  EXPECT_EQ(bytes(notice->mType), "Orrery");
  EXPECT_EQ(bytes(notice->mResponseRequest), "Received");
  EXPECT_EQ(bytes(notice->mBody), "// LAUNCHPARAMS:launcher\n// -a b\n");
  for (const Message* m : {p1, notice, p2}) {
    EXPECT_EQ(bytes(m->mSender), "launcher");
    EXPECT_EQ(m->mTimeout, 300u);
  }
  EXPECT_EQ(p1->mSerialNumber, 1u);
  EXPECT_EQ(p2->mSerialNumber, 2u);
  EXPECT_EQ(notice->mSerialNumber, 3u);

  EXPECT_EQ(outlet.handlerList(),
            (std::vector<std::string>{"Timeout 3", "Received 3", "Received 2", "Timeout 2"}));
  auto* noticeWatch = dynamic_cast<Utils::LaunchTimeoutMsgHandler*>(outlet.handlers[0]);
  auto* p2Received = dynamic_cast<Utils::LaunchReceivedMsgHandler*>(outlet.handlers[2]);
  auto* p2Watch = dynamic_cast<Utils::LaunchTimeoutMsgHandler*>(outlet.handlers[3]);
  ASSERT_TRUE(noticeWatch && p2Received && p2Watch);
  EXPECT_EQ(p2Received->getCompanions(), std::vector<uint32_t>{3});
  // The notice's watcher holds the marker that tells the new process to
  // wait for its parameters.
  EXPECT_TRUE(noticeWatch->hasMarker());
  EXPECT_FALSE(p2Watch->hasMarker());
  const VtString marker = joined(app, "-2.0-en_us#haslaunchparams");
  EXPECT_FALSE(makeStream(marker)->isGood());
}

TEST(Launcher, AFailedLaunchLeavesTheQueuedParametersToExpire) {
  TempDir folder;
  RecordingOutlet outlet(VtString("launcher"));
  uint32_t pid = 99;
  EXPECT_FALSE(Launcher::launch(joined(uniqueSpecifier("failed"), "-1.0"),
                                vt(folder / "absent.app"), "-x", Launcher::kFront, &pid));
  EXPECT_EQ(pid, 0u);
  ASSERT_EQ(outlet.queued.size(), 2u);
  EXPECT_EQ(bytes(outlet.queued[0]->mType), "LaunchParams");
  EXPECT_EQ(bytes(outlet.queued[1]->mType), "Orrery");
  EXPECT_EQ(outlet.handlerList(), (std::vector<std::string>{"Timeout 3", "Received 3"}));
}

TEST(Launcher, TheWatchersDropEachOtherAndTheCompanions) {
  RecordingOutlet outlet(VtString("me"));
  Message answer;
  answer.mTarget = "me";

  // A time-out: the acknowledgement watcher of the same message goes.
  outlet.changeHandler(new Utils::LaunchReceivedMsgHandler(7));
  {
    Utils::LaunchTimeoutMsgHandler watch(VtString("LAUNCHPARAMS:me"), 7, VtString());
    EXPECT_EQ(bytes(watch.getMsgType()), "Timeout");
    EXPECT_EQ(watch.getSerialNumber(), 7u);
    VtString result;
    EXPECT_EQ(watch.handleMessage(5, answer, &result), 0);
    EXPECT_EQ(bytes(result), "LAUNCHED");
    EXPECT_TRUE(outlet.handlers.empty());
  }
  EXPECT_EQ(outlet.calls,
            (std::vector<std::string>{"ping LAUNCHPARAMS:me=", "remove Received 7 of me",
                                      "ping LAUNCHPARAMS:me="}));

  // An acknowledgement: the time-out watchers of the message and of its
  // companions go, and so do the companions still queued.
  outlet.calls.clear();
  outlet.changeHandler(new Utils::LaunchTimeoutMsgHandler(VtString("k"), 4, VtString()));
  outlet.changeHandler(new Utils::LaunchTimeoutMsgHandler(VtString("k"), 9, VtString()));
  auto* companion = new Message;
  companion->mSerialNumber = 9;
  outlet.queueOutgoing(companion);
  Utils::LaunchReceivedMsgHandler received(4);
  received.addCompanions({9});
  EXPECT_EQ(bytes(received.getMsgType()), "Received");
  EXPECT_EQ(received.handleMessage(2, answer, nullptr), 0);
  EXPECT_TRUE(outlet.handlers.empty());
  EXPECT_TRUE(outlet.queued.empty());
  EXPECT_EQ(outlet.calls,
            (std::vector<std::string>{"remove Timeout 4 of me", "ping k=", "remove Timeout 9 of me",
                                      "ping k=", "unqueue 9 of me"}));
}

TEST(Launcher, AMarkerIsOwnedAsLongAsItsWatcherLives) {
  const VtString app = uniqueSpecifier("marked");
  const VtString marker = joined(app, "-3.0#haslaunchparams");
  auto probe = makeStream(uniqueSpecifier("probe"));
  {
    Utils::LaunchTimeoutMsgHandler watch(VtString("k"), 1, joined(app, "-3.0#launchparams"));
    EXPECT_TRUE(watch.hasMarker());
    EXPECT_FALSE(probe->canOpen(marker, false));
  }
  EXPECT_TRUE(probe->canOpen(marker, false));
}

TEST_F(LaunchParametersTest, WithoutALauncherTheAnswerIsAtOnceAndEmpty) {
  VtString parameters("stale");
  EXPECT_TRUE(Utils::getLaunchParameters(joined(uniqueSpecifier("alone"), "-1.0"), parameters));
  EXPECT_EQ(bytes(parameters), "");
  EXPECT_EQ(clock.sleptMs(), 0u);
  EXPECT_FALSE(Utils::getLaunchParameters(VtString(""), parameters));
}

TEST_F(LaunchParametersTest, AWaitingLauncherIsAskedOnScheduleUntilTheWaitsRunOut) {
  const VtString app = uniqueSpecifier("waiting");
  auto marker = makeStream(joined(app, "-1.0#haslaunchparams"));
  ASSERT_TRUE(marker->isGood());
  const struct {
    Utils::LaunchWaits waits;
    uint64_t sleeps;
    uint64_t sleptMs;
  } cases[] = {
      // Asked at 0, 4, 8 and 12 seconds under its id, then every 4 seconds
      // for 200 seconds under the queue name.
      {Utils::LaunchWaits(), 3 + 50, 12000 + 200000},
      {{100, 250, 1000}, 3 + 10, 300 + 1000},
      {{0, 3, 2}, 3 + 2, 5},
  };
  for (const auto& c : cases) {
    Utils::setLaunchWaits(c.waits);
    const uint64_t callsBefore = clock.sleepCalls(), sleptBefore = clock.sleptMs();
    VtString parameters("stale");
    EXPECT_FALSE(Utils::getLaunchParameters(joined(app, "-1.0"), parameters));
    EXPECT_EQ(bytes(parameters), "");
    EXPECT_EQ(clock.sleepCalls() - callsBefore, c.sleeps);
    EXPECT_EQ(clock.sleptMs() - sleptBefore, c.sleptMs);
  }
}

TEST_F(LaunchParametersTest, ANameAnotherProcessHoldsSettlesTheQuestion) {
  const VtString app = uniqueSpecifier("held");
  auto marker = makeStream(joined(app, "#haslaunchparams"));
  auto held = makeStream(ownIdName(app, platform::processId()));
  ASSERT_TRUE(held->isGood());
  VtString parameters("stale");
  EXPECT_TRUE(Utils::getLaunchParameters(app, parameters));
  EXPECT_EQ(bytes(parameters), "");
  EXPECT_EQ(clock.sleptMs(), 0u);
}

// The launcher's side delivers while the launched side waits, on the
// system clock with shortened waits.
TEST(LaunchParameters, AreHandedOverUnderTheIdOrTheQueueName) {
  const struct {
    const char* label;
    bool underId;
    Utils::LaunchWaits waits;
  } cases[] = {
      {"under its id", true, {10, 10000, 10000}},
      {"under the queue name", false, {10, 100, 10000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Utils::setLaunchWaits(c.waits);
    const VtString app = uniqueSpecifier("handover");
    const VtString specifier = joined(app, "-1.0-en_us");
    auto marker = makeStream(joined(app, "-1.0-en_us#haslaunchparams"));
    auto sender = makeStream(uniqueSpecifier("launcher"));
    const VtString target =
        c.underId ? ownIdName(app, platform::processId()) : Utils::getLaunchMsgQueueName(specifier);
    Message message;
    message.mTarget = target;
    message.mSender = sender->getSpecifier();
    message.mType = "LaunchParams";
    message.mBody = "-specifier other-2.0";
    VtString text;
    ASSERT_TRUE(message.writeToString(text));

    VtString parameters;
    std::atomic<bool> result{false};
    std::thread launched([&] { result = Utils::getLaunchParameters(specifier, parameters); });
    EXPECT_TRUE(eventually([&] { return sender->send(target, text); }));
    launched.join();
    EXPECT_TRUE(result.load());
    EXPECT_EQ(bytes(parameters), "-specifier other-2.0");
  }
  Utils::setLaunchWaits(Utils::LaunchWaits());
  Velt::InterAppStream::InitTerm::exit();
}

// A launched process of its own: the parameters reach it through the
// launcher's queued messages, delivered as the main instance's pump would.
TEST(LaunchParameters, ReachALaunchedProcess) {
  const struct {
    const char* label;
    bool deliverUnderId;
    const char* waits;
  } cases[] = {
      {"under its id", true, "10,10000,10000"},
      {"under the queue name", false, "10,200,10000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir folder;
    const VtString app = uniqueSpecifier("peer");
    const VtString specifier = joined(app, "-1.0");
    const std::string bundle =
        makePeerBundle(folder, "specifier=" + bytes(specifier) + "\nwaits=" + c.waits + "\n");
    RecordingOutlet outlet(uniqueSpecifier("launcher"));
    auto pump = makeStream(outlet.getAppName());
    ASSERT_TRUE(pump->isGood());
    uint32_t pid = 0;
    ASSERT_TRUE(Launcher::launch(specifier, vt(bundle), "-instance 7", Launcher::kFront, &pid));

    std::vector<const Message*> toDeliver;
    for (const Message* m : outlet.queued)
      if (bytes(m->mType) == "LaunchParams" &&
          (c.deliverUnderId || bytes(m->mTarget) == bytes(Utils::getLaunchMsgQueueName(specifier))))
        toDeliver.push_back(m);
    ASSERT_EQ(toDeliver.size(), c.deliverUnderId ? 2u : 1u);
    const std::string report = folder / "report";
    auto answered = [&] { return TempDir::read(report).find("params") != std::string::npos; };
    EXPECT_TRUE(eventually([&] {
      for (const Message* m : toDeliver) {
        VtString text;
        if (m->writeToString(text)) (void)pump->send(m->mTarget, text);
      }
      return answered();
    }));
    EXPECT_NE(TempDir::read(report).find("params=-instance 7\n"), std::string::npos)
        << TempDir::read(report);
    (void)platform::killProcess(static_cast<pid_t>(pid));
  }
}
