#include "platform/os/AppleEvents.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/os/Applications.h"
#include "platform/os/Clock.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Process.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TempDir.h"

using namespace platform;

namespace {

// Collects the events a listener takes.
class Inbox {
 public:
  int32_t take(const AppleEvent& event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(event);
    m_cv.notify_all();
    return m_answer;
  }
  // Waits (on the real clock: another process is at work) for n events.
  bool waitFor(size_t n) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(20), [&] { return m_events.size() >= n; });
  }
  std::vector<AppleEvent> events() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
  }
  void answer(int32_t status) { m_answer = status; }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<AppleEvent> m_events;
  int32_t m_answer = 0;
};

AppleEvent sampleEvent() {
  AppleEvent e;
  e.eventClass = kCoreEventClass;
  e.eventId = kAEOpenDocuments;
  e.put(fourCC("prod"), AEDesc{typeText, std::string("-CurrDir=\"/tmp\"\n\xC3\xA9t\xC3\xA9", 20)});
  e.put(keyDirectObject, AEDesc{typeAEList, encodeList({AEDesc{typeAlias, "/a/b.kxp"}})});
  return e;
}

}  // namespace

TEST(AppleEvents, EncodingRoundTrips) {
  AppleEvent e = sampleEvent();
  e.put(fourCC("prod"), AEDesc{typeText, std::string("x\0y", 3)});  // replaces
  ASSERT_EQ(e.params.size(), 2u);
  AppleEvent back;
  bool wants = false;
  ASSERT_TRUE(decodeAppleEvent(encodeAppleEvent(e, true), back, wants));
  EXPECT_TRUE(wants);
  EXPECT_EQ(back.eventClass, kCoreEventClass);
  EXPECT_EQ(back.eventId, kAEOpenDocuments);
  ASSERT_NE(back.find(fourCC("prod")), nullptr);
  EXPECT_EQ(back.find(fourCC("prod"))->bytes, std::string("x\0y", 3));
  std::vector<AEDesc> items;
  ASSERT_TRUE(decodeList(back.find(keyDirectObject)->bytes, items));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].type, typeAlias);
  EXPECT_EQ(items[0].bytes, "/a/b.kxp");

  // Truncated or padded bodies are refused.
  std::string body = encodeAppleEvent(e, false);
  for (size_t cut : {size_t{0}, size_t{3}, size_t{15}, body.size() - 1})
    EXPECT_FALSE(decodeAppleEvent(body.substr(0, cut), back, wants)) << cut;
  EXPECT_FALSE(decodeAppleEvent(body + "x", back, wants));
  EXPECT_FALSE(decodeList(std::string("\0\0\0\1", 4), items));
  // A count far beyond the bytes is refused before anything is reserved.
  EXPECT_FALSE(decodeList(std::string("\xFF\xFF\xFF\xFF", 4), items));
}

TEST(AppleEvents, ListenerTakesEventsAndAnswersWithItsStatus) {
  testsupport::SandboxMachine box;
  Inbox inbox;
  AppleEventListener listener;
  ASSERT_EQ(listener.start([&](const AppleEvent& e) { return inbox.take(e); }), noErr);
  EXPECT_TRUE(listener.isListening());

  struct stat st;
  ASSERT_EQ(::stat(appleEventFolder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(::stat(appleEventSocketPath(::getpid()).c_str(), &st), 0);

  AppleEvent e = sampleEvent();
  EXPECT_EQ(sendAppleEvent(::getpid(), e, true, 5000), noErr);
  inbox.answer(-4321);
  EXPECT_EQ(sendAppleEvent(::getpid(), e, true, 5000), -4321);
  EXPECT_EQ(sendAppleEvent(::getpid(), e, false, 0), noErr);
  ASSERT_TRUE(inbox.waitFor(3));
  auto got = inbox.events();
  EXPECT_EQ(got[0].eventId, kAEOpenDocuments);
  EXPECT_EQ(got[0].find(fourCC("prod"))->bytes, e.find(fourCC("prod"))->bytes);

  listener.stop();
  EXPECT_NE(::stat(appleEventSocketPath(::getpid()).c_str(), &st), 0);
  // This process lives but takes no events any more.
  EXPECT_EQ(sendAppleEvent(::getpid(), e, true, 5000), connectionInvalid);
}

TEST(AppleEvents, NoSuchProcess) {
  testsupport::SandboxMachine box;
  // Beyond any process id the system hands out.
  const pid_t none = 0x7FFFFFF0;
  ASSERT_FALSE(processExists(none));
  EXPECT_EQ(sendAppleEvent(none, sampleEvent(), false, 0), procNotFound);
  EXPECT_EQ(sendAppleEvent(none, sampleEvent(), true, 100), procNotFound);
  EXPECT_EQ(sendAppleEvent(0, sampleEvent(), false, 0), procNotFound);
}

TEST(AppleEvents, AnUnansweredEventTimesOutOnTheClock) {
  testsupport::SandboxMachine box;
  std::mutex mutex;
  std::condition_variable cv;
  bool release = false, entered = false;
  AppleEventListener listener;
  ASSERT_EQ(listener.start([&](const AppleEvent&) {
    std::unique_lock<std::mutex> lock(mutex);
    entered = true;
    cv.notify_all();
    cv.wait(lock, [&] { return release; });
    return int32_t{0};
  }),
            noErr);

  TestClock clock(5000);
  ScopedClock scoped(clock);
  std::thread mover([&] {
    {
      std::unique_lock<std::mutex> lock(mutex);
      cv.wait(lock, [&] { return entered; });
    }
    // The handler holds the event; now let the sender's time run out.
    clock.advance(8334);
  });
  EXPECT_EQ(sendAppleEvent(::getpid(), sampleEvent(), true, 8333), errAETimeout);
  mover.join();
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
  }
  cv.notify_all();
  listener.stop();
}

TEST(AppleEvents, RefusesAFolderOfSomeoneElse) {
  testsupport::SandboxMachine box;
  // A file where the folder should be.
  TempDir::write(box.config().tempRootFolder() + "/events", "");
  AppleEventListener listener;
  EXPECT_NE(listener.start([](const AppleEvent&) { return int32_t{0}; }), noErr);
  EXPECT_FALSE(listener.isListening());
  std::filesystem::remove(box.config().tempRootFolder() + "/events");
  // A folder open to others is closed again.
  std::filesystem::create_directory(box.config().tempRootFolder() + "/events");
  ::chmod((box.config().tempRootFolder() + "/events").c_str(), 0777);
  ASSERT_EQ(listener.start([](const AppleEvent&) { return int32_t{0}; }), noErr);
  struct stat st;
  ASSERT_EQ(::stat((box.config().tempRootFolder() + "/events").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(AppleEvents, EventsReachAnotherProcess) {
  testsupport::SandboxMachine box;
  Inbox inbox;
  AppleEventListener listener;
  ASSERT_EQ(listener.start([&](const AppleEvent& e) { return inbox.take(e); }), noErr);

  pid_t pid = -1;
  ASSERT_EQ(spawnDetached({PLEXAR_FAKE_APP, "--notify", std::to_string(::getpid()), "--temp-root",
                           box.config().tempRootFolder()},
                          "/", pid),
            0);
  ASSERT_TRUE(inbox.waitFor(1)) << "the helper did not come up";
  EXPECT_EQ(inbox.events()[0].eventId, fourCC("redy"));

  AppleEvent e = sampleEvent();
  EXPECT_EQ(sendAppleEvent(pid, e, true, 20000), noErr);
  e.eventId = fourCC("fail");
  EXPECT_EQ(sendAppleEvent(pid, e, true, 20000), -4321);
  ASSERT_TRUE(inbox.waitFor(3));
  AppleEvent report = inbox.events()[1];
  EXPECT_EQ(report.eventId, fourCC("got_"));
  EXPECT_EQ(report.find(fourCC("clas"))->bytes, "aevt");
  EXPECT_EQ(report.find(fourCC("evid"))->bytes, "odoc");
  EXPECT_EQ(report.find(fourCC("prod"))->bytes, sampleEvent().find(fourCC("prod"))->bytes);

  AppleEvent quit;
  quit.eventClass = kCoreEventClass;
  quit.eventId = fourCC("quit");
  EXPECT_EQ(sendAppleEvent(pid, quit, true, 20000), noErr);
  ::kill(pid, SIGKILL);
}
