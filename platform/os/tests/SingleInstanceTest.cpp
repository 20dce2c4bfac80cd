#include "platform/os/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/Clock.h"
#include "platform/os/MacStatus.h"
#include "testsupport/SandboxMachine.h"

using platform::SingleInstance;
using Message = platform::SingleInstance::Message;
using Kind = platform::SingleInstance::Kind;

namespace {

// Collects what the holder's listener hands over.
class Inbox {
 public:
  void take(const Message& message) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(message);
    m_cv.notify_all();
  }
  // On the real clock: the listener is a thread of its own.
  bool waitFor(size_t n) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(20), [&] { return m_messages.size() >= n; });
  }
  std::vector<Message> messages() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<Message> m_messages;
};

Message forward(std::string text) {
  Message m;
  m.kind = Kind::kForward;
  m.text = std::move(text);
  return m;
}

Message documents(std::vector<std::string> paths) {
  Message m;
  m.kind = Kind::kDocuments;
  m.paths = std::move(paths);
  return m;
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  testsupport::SandboxMachine sandbox;
  Inbox inbox;
};

}  // namespace

TEST_F(SingleInstanceTest, TheFirstHoldsTheLockAndTakesWhatLaterOnesSend) {
  SingleInstance first("Plexar");
  SingleInstance second("Plexar");
  bool isFirst = false;
  ASSERT_EQ(first.claim(isFirst), platform::noErr);
  EXPECT_TRUE(isFirst);
  ASSERT_EQ(second.claim(isFirst), platform::noErr);
  EXPECT_FALSE(isFirst);
  EXPECT_FALSE(second.holdsLock());
  EXPECT_EQ(second.listen([](const Message&) {}), platform::paramErr);

  ASSERT_EQ(first.listen([this](const Message& m) { inbox.take(m); }), platform::noErr);
  struct stat st;
  ASSERT_EQ(::stat(first.lockPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  const std::string line = "-install\n/tmp/a \"b\".kxp\n-CurrDir=\"/t\xC3\xA9st\"";
  EXPECT_EQ(second.send(forward(line), 20000), platform::noErr);
  EXPECT_EQ(second.send(documents({"/x/one.kxp", "", "/y/tw\xC3\xB6.kxi"}), 20000),
            platform::noErr);
  ASSERT_TRUE(inbox.waitFor(2));
  EXPECT_EQ(
      inbox.messages(),
      (std::vector<Message>{forward(line), documents({"/x/one.kxp", "", "/y/tw\xC3\xB6.kxi"})}));
}

TEST_F(SingleInstanceTest, OnceTheHolderIsGoneALaterProcessSendsNothingAndTakesOver) {
  SingleInstance first("Plexar");
  bool isFirst = false;
  ASSERT_EQ(first.claim(isFirst), platform::noErr);
  ASSERT_EQ(first.listen([this](const Message& m) { inbox.take(m); }), platform::noErr);
  SingleInstance second("Plexar");
  ASSERT_EQ(second.claim(isFirst), platform::noErr);
  ASSERT_FALSE(isFirst);

  first.release();
  EXPECT_FALSE(std::filesystem::exists(first.socketPath()));
  EXPECT_EQ(second.send(forward("-list"), 20000), platform::procNotFound);
  EXPECT_TRUE(inbox.messages().empty());

  ASSERT_EQ(second.claim(isFirst), platform::noErr);
  EXPECT_TRUE(isFirst);
}

TEST_F(SingleInstanceTest, AHolderThatCrashedLeavesASocketTheNextOneReplaces) {
  SingleInstance probe("Plexar");
  const std::string socket = probe.socketPath();
  std::ofstream(socket) << "left behind";

  SingleInstance first("Plexar");
  bool isFirst = false;
  ASSERT_EQ(first.claim(isFirst), platform::noErr);
  ASSERT_TRUE(isFirst);
  ASSERT_EQ(first.listen([this](const Message& m) { inbox.take(m); }), platform::noErr);
  SingleInstance second("Plexar");
  ASSERT_EQ(second.claim(isFirst), platform::noErr);
  EXPECT_EQ(second.send(forward("again"), 20000), platform::noErr);
  ASSERT_TRUE(inbox.waitFor(1));
  EXPECT_EQ(inbox.messages()[0].text, "again");
}

TEST_F(SingleInstanceTest, ASenderWaitsForAHolderStillStartingUntilItsTimeOut) {
  SingleInstance first("Plexar");
  bool isFirst = false;
  ASSERT_EQ(first.claim(isFirst), platform::noErr);
  SingleInstance second("Plexar");
  ASSERT_EQ(second.claim(isFirst), platform::noErr);

  // The holder starts listening while the sender tries.
  std::atomic<int32_t> sent{1};
  std::thread sender([&] { sent = second.send(forward("late"), 20000); });
  ASSERT_EQ(first.listen([this](const Message& m) { inbox.take(m); }), platform::noErr);
  sender.join();
  EXPECT_EQ(sent.load(), platform::noErr);
  ASSERT_TRUE(inbox.waitFor(1));

  // A holder that never listens: the sender gives up when its time is out.
  first.release();
  SingleInstance mute("Plexar");
  ASSERT_EQ(mute.claim(isFirst), platform::noErr);
  ASSERT_TRUE(isFirst);
  SingleInstance third("Plexar");
  ASSERT_EQ(third.claim(isFirst), platform::noErr);
  platform::TestClock clock;
  platform::ScopedClock useClock(clock);
  std::atomic<bool> done{false};
  std::thread ticker([&] {
    while (!done) {
      clock.advance(1000);
      std::this_thread::yield();
    }
  });
  EXPECT_EQ(third.send(forward("nobody"), 5000), platform::errAETimeout);
  done = true;
  ticker.join();
}

TEST(SingleInstanceWire, MessagesComeBackAndMalformedBodiesAreRefused) {
  for (const Message& m : {forward(""), forward(std::string("a\nb\0c", 5)), documents({}),
                           documents({"/p", std::string(300, 'x')})}) {
    Message back;
    ASSERT_TRUE(SingleInstance::decode(SingleInstance::encode(m), back));
    EXPECT_EQ(back, m);
  }
  const std::string docs = SingleInstance::encode(documents({"/p"}));
  const struct {
    const char* what;
    std::string body;
  } bad[] = {
      {"empty", ""},
      {"short kind", std::string("\0\0\0", 3)},
      {"unknown kind", std::string("\0\0\0\x09", 4)},
      {"missing count", std::string("\0\0\0\x02", 4)},
      {"count beyond the items", docs.substr(0, docs.size() - 1)},
      {"bytes after the items", docs + "x"},
      {"too many paths", std::string("\0\0\0\x02\x7f\xff\xff\xff", 8)},
      {"too large",
       SingleInstance::encode(forward(std::string(SingleInstance::kMaxBodyBytes, 'x')))},
  };
  for (const auto& b : bad) {
    Message back;
    EXPECT_FALSE(SingleInstance::decode(b.body, back)) << b.what;
  }
}
