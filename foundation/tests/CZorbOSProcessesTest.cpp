#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "foundation/CZorbOS.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/FourCharCode.h"
#include "platform/os/MacStatus.h"
#include "platform/os/TextEncodings.h"
#include "testsupport/AppBundle.h"
#include "testsupport/SandboxMachine.h"

using platform::fourCC;
using testsupport::SandboxMachine;

namespace {

const uint32_t kFake = fourCC("FaKe");

// The events this process takes while the test runs.
class Inbox {
 public:
  Inbox() {
    EXPECT_EQ(m_listener.start([this](const platform::AppleEvent& e) { return take(e); }),
              platform::noErr);
  }
  // Waits (on the real clock: another process is at work) for n events.
  bool waitFor(size_t n) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(20), [&] { return m_events.size() >= n; });
  }
  std::vector<platform::AppleEvent> events() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
  }
  // The handler holds each event until released.
  void holdEvents() { m_hold = true; }
  void waitUntilHeld() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return m_held; });
  }
  void release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hold = false;
    m_cv.notify_all();
  }
  void stop() { m_listener.stop(); }

 private:
  int32_t take(const platform::AppleEvent& e) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_events.push_back(e);
    m_held = m_hold;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return !m_hold; });
    return 0;
  }

  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<platform::AppleEvent> m_events;
  bool m_hold = false;
  bool m_held = false;
  platform::AppleEventListener m_listener;
};

std::string paramText(const platform::AppleEvent& e, const char (&keyword)[5]) {
  const platform::AEDesc* d = e.find(fourCC(keyword));
  return d ? d->bytes : "<none>";
}

// The stand-in application installed as a bundle in the sandbox.
std::string installFakeApp(SandboxMachine& box, const std::string& folder,
                           const std::string& version) {
  return testsupport::makeAppBundle(box.posix(folder), "Fake", "FaKe", "x.fake", version,
                                    PLEXAR_FAKE_APP);
}

platform::FSRef refTo(const std::string& posix) {
  platform::FSRef ref;
  EXPECT_EQ(platform::makeRef(posix, ref), platform::noErr) << posix;
  return ref;
}

// Ends a process this test started.
struct Killer {
  pid_t pid = -1;
  ~Killer() {
    if (pid > 0) ::kill(pid, SIGKILL);
  }
};

}  // namespace

TEST(CZorbOSProcesses, LaunchFindAndTalkToARunningApplication) {
  SandboxMachine box;
  Inbox inbox;
  std::string bundle = installFakeApp(box, "Applications/Old", "1.0");
  installFakeApp(box, "Applications/New", "2.0");
  platform::FSRef app = refTo(bundle);

  platform::ProcessSerialNumber psn;
  EXPECT_EQ(CZorbOS::FindProcess(app, psn), platform::fnfErr);
  EXPECT_TRUE(psn.isNull());
  platform::AppParameters params;
  params.arguments = {"--notify", std::to_string(::getpid()), "--temp-root",
                      box.config().tempRootFolder()};
  ASSERT_EQ(CZorbOS::LaunchApp(app, psn, &params), platform::noErr);
  Killer killer{platform::processOfPsn(psn)};
  ASSERT_FALSE(psn.isNull());
  ASSERT_TRUE(inbox.waitFor(1)) << "the application did not come up";

  // Found by its bundle and by its signature; a second launch starts nothing.
  platform::ProcessSerialNumber found;
  EXPECT_EQ(CZorbOS::FindProcess(app, found), platform::noErr);
  EXPECT_EQ(found, psn);
  platform::FSRef running;
  EXPECT_EQ(CZorbOS::FindProcess(kFake, running, found), platform::noErr);
  EXPECT_EQ(found, psn);
  EXPECT_EQ(running.path, bundle);
  platform::ProcessSerialNumber again;
  EXPECT_EQ(CZorbOS::LaunchApp(app, again, &params), platform::noErr);
  EXPECT_EQ(again, psn);
  size_t copies = 0;
  for (const auto& p : platform::runningProcesses()) copies += p.bundlePath == bundle;
  EXPECT_EQ(copies, 1u);
  EXPECT_EQ(CZorbOS::BringProcessToFront(kFake), platform::noErr);

  // The running copy answers first while it is in the range; outside it the
  // search goes on to the installed ones.
  EXPECT_TRUE(CZorbOS::IsAppRunning(kFake, CZorbVersionNumber(u"1.0"), CZorbVersionNumber(u"2.0"),
                                    nullptr));
  EXPECT_FALSE(
      CZorbOS::IsAppRunning(kFake, CZorbVersionNumber(u"2.0"), CZorbVersionNumber(), nullptr));
  char16_t path[2048] = {};
  ASSERT_TRUE(CZorbOS::FindApp(kFake, CZorbVersionNumber(u"1.0"), CZorbVersionNumber(), path));
  EXPECT_EQ(std::u16string(path), box.colon("Applications/Old/Fake.app"));
  ASSERT_TRUE(CZorbOS::FindApp(kFake, CZorbVersionNumber(u"2.0"), CZorbVersionNumber(), path));
  EXPECT_EQ(std::u16string(path), box.colon("Applications/New/Fake.app"));

  // A command line with the application as its document.
  EXPECT_EQ(CZorbOS::SendCommandLine(app, psn, fourCC("prod"), u"run \u00e9t\u00e9 \U0001F600"),
            platform::noErr);
  EXPECT_EQ(CZorbOS::SendSimpleEvent(psn, platform::kCoreEventClass, platform::kAEOpenDocuments,
                                     fourCC("prod"), u"-CurrDir=\"/tmp\""),
            platform::noErr);
  ASSERT_TRUE(inbox.waitFor(3));
  auto events = inbox.events();
  EXPECT_EQ(paramText(events[1], "evid"), "odoc");
  EXPECT_EQ(paramText(events[1], "prod"),
            std::string("run \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", 15));
  std::vector<platform::AEDesc> documents;
  ASSERT_TRUE(platform::decodeList(events[1].find(platform::keyDirectObject)->bytes, documents));
  ASSERT_EQ(documents.size(), 1u);
  EXPECT_EQ(documents[0].type, platform::typeAlias);
  EXPECT_EQ(documents[0].bytes, bundle);
  EXPECT_EQ(paramText(events[2], "prod"), std::string("-CurrDir=\"/tmp\"\0", 16));
}

TEST(CZorbOSProcesses, LaunchesAPlainExecutableButNoOtherFile) {
  SandboxMachine box;
  Inbox inbox;
  platform::ProcessSerialNumber psn;
  box.writeFile("notes.txt", "x");
  EXPECT_EQ(CZorbOS::LaunchApp(refTo(box.posix("notes.txt")), psn, nullptr), platform::fnfErr);
  EXPECT_TRUE(psn.isNull());

  const std::string tool = box.posix("tool");
  std::filesystem::copy_file(PLEXAR_FAKE_APP, tool);
  platform::AppParameters params;
  params.arguments = {"--notify", std::to_string(::getpid()), "--temp-root",
                      box.config().tempRootFolder()};
  ASSERT_EQ(CZorbOS::LaunchApp(refTo(tool), psn, &params), platform::noErr);
  Killer killer{platform::processOfPsn(psn)};
  ASSERT_TRUE(inbox.waitFor(1)) << "the program did not come up";
  platform::ProcessSerialNumber found;
  EXPECT_EQ(CZorbOS::FindProcess(refTo(tool), found), platform::noErr);
  EXPECT_EQ(found, psn);
}

TEST(CZorbOSProcesses, EventsToNobody) {
  SandboxMachine box;
  platform::ProcessSerialNumber gone = platform::psnForProcess(0x7FFFFFF0);
  EXPECT_EQ(CZorbOS::SendSimpleEvent(gone, platform::kCoreEventClass, platform::kAEOpenDocuments,
                                     fourCC("prod"), u"x"),
            platform::procNotFound);
  EXPECT_EQ(CZorbOS::SendSimpleEvent(platform::ProcessSerialNumber(), 1, 2, 3, u"x"),
            platform::procNotFound);
  box.writeFile("doc.txt", "x");
  EXPECT_EQ(CZorbOS::SendCommandLine(refTo(box.posix("doc.txt")), gone, fourCC("prod"), u"x"),
            platform::procNotFound);
  EXPECT_EQ(CZorbOS::BringProcessToFront(gone), platform::procNotFound);
  EXPECT_EQ(CZorbOS::BringProcessToFront(fourCC("None")), platform::fnfErr);
  // This process is there, but takes no events.
  EXPECT_EQ(CZorbOS::SendSimpleEvent(platform::psnForProcess(::getpid()), 1, 2, 3, u"x"),
            platform::connectionInvalid);
}

TEST(CZorbOSProcesses, TextThatCannotTravelIsNotSent) {
  SandboxMachine box;
  Inbox inbox;
  platform::ProcessSerialNumber self = platform::psnForProcess(::getpid());
  const char16_t unpaired[] = {u'a', 0xD800, u'b', 0};
  platform::AppleEvent event;
  EXPECT_EQ(CZorbOS::PutStringParameter(event, fourCC("prod"), unpaired),
            platform::textstatus::kMalformedInput);
  EXPECT_EQ(event.find(fourCC("prod")), nullptr);
  EXPECT_EQ(CZorbOS::SendSimpleEvent(self, 1, 2, fourCC("prod"), unpaired),
            platform::textstatus::kMalformedInput);
  box.writeFile("doc.txt", "x");
  EXPECT_EQ(CZorbOS::SendCommandLine(refTo(box.posix("doc.txt")), self, fourCC("prod"), unpaired),
            platform::textstatus::kMalformedInput);
  // Only the event sent after them arrives.
  EXPECT_EQ(CZorbOS::SendCommandLine(refTo(box.posix("doc.txt")), self, fourCC("prod"), u"ok"),
            platform::noErr);
  auto events = inbox.events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(paramText(events[0], "prod"), std::string("ok\0", 3));
}

TEST(CZorbOSProcesses, CommandLineTimesOutAfter500Ticks) {
  SandboxMachine box;  // its clock moves only when told
  Inbox inbox;
  inbox.holdEvents();
  box.writeFile("doc.txt", "x");
  EXPECT_EQ(CZorbOS::kSendCommandLineTimeoutMs, 8333u);
  uint64_t start = box.clock().nowMs();
  std::thread mover([&] {
    inbox.waitUntilHeld();
    box.clock().advance(CZorbOS::kSendCommandLineTimeoutMs - 1);
    box.clock().advance(1);
  });
  EXPECT_EQ(CZorbOS::SendCommandLine(refTo(box.posix("doc.txt")),
                                     platform::psnForProcess(::getpid()), fourCC("prod"), u"slow"),
            platform::errAETimeout);
  mover.join();
  EXPECT_GE(box.clock().nowMs() - start, CZorbOS::kSendCommandLineTimeoutMs);
  inbox.release();
  inbox.stop();
}

TEST(CZorbOSProcesses, UserAttentionOnlyWhenInTheBackground) {
  CZorbOS::nmr = platform::NMRec();
  CZorbOS::SetMainWindowFocusProbe([] { return true; });
  EXPECT_TRUE(CZorbOS::isPlexoWindowActivate());
  CZorbOS::callUserAttentionIfInBackground();
  EXPECT_FALSE(CZorbOS::nmr.installed);
  CZorbOS::SetMainWindowFocusProbe(nullptr);
  EXPECT_FALSE(CZorbOS::isPlexoWindowActivate());
  CZorbOS::callUserAttentionIfInBackground();
  EXPECT_TRUE(CZorbOS::nmr.installed);
  EXPECT_EQ(CZorbOS::nmr.qType, 8);
  EXPECT_EQ(CZorbOS::nmr.nmMark, 1);
  ASSERT_NE(CZorbOS::nmr.nmResp, nullptr);
  CZorbOS::nmr.nmResp(&CZorbOS::nmr);
  EXPECT_FALSE(CZorbOS::nmr.installed);
}

TEST(CZorbOSProcesses, OwnBundlePath) {
  // The test program does not run from a bundle.
  char16_t buf[2048] = u"x";
  EXPECT_FALSE(CZorbOS::GetCurrentProcessPath(buf));
}
