// Streams of two real processes: the test and the peer program.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "messaging/InterAppStream.h"
#include "messaging/tests/MessagingFixture.h"
#include "messaging/tests/StreamTestSupport.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/Clock.h"
#include "platform/os/Process.h"
#include "platform/os/SmallFiles.h"
#include "testsupport/TempDir.h"

using Velt::VtString;

namespace {

constexpr uint32_t kPatienceMs = 20000;

// Polls on real time until done() holds or the patience runs out.
template <class Done>
bool eventually(Done done) {
  const uint64_t deadline = platform::systemClock().nowMs() + kPatienceMs;
  while (!done()) {
    if (platform::systemClock().nowMs() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

// The peer owning a port until the test ends it.
class PortOwner {
 public:
  explicit PortOwner(const VtString& specifier) {
    const std::string ready = mFolder / "ready";
    mStarted = platform::spawnDetached({PLEXAR_MESSAGING_PEER, "own", text(specifier), ready,
                                        std::to_string(platform::processId())},
                                       "/", mPid) == 0;
    if (mStarted && eventually([&] { return platform::pathExists(ready); }))
      (void)platform::readWholeFile(ready, mState);
  }
  ~PortOwner() { kill(); }
  PortOwner(const PortOwner&) = delete;
  PortOwner& operator=(const PortOwner&) = delete;

  // "good" or "bad" once the peer has tried to own the port.
  const std::string& state() const { return mState; }
  void kill() {
    if (mPid > 0) (void)platform::killProcess(mPid);
    mPid = -1;
  }

 private:
  TempDir mFolder;
  pid_t mPid = -1;
  bool mStarted = false;
  std::string mState;
};

}  // namespace

TEST(InterAppStreamProcesses, ANameOwnedByAnotherProcessIsFreedWhenItIsKilled) {
  const VtString name = uniqueSpecifier("crossowner");
  PortOwner owner(name);
  ASSERT_EQ(owner.state(), "good");

  auto mine = makeStream(name);
  EXPECT_FALSE(mine->isGood());
  EXPECT_FALSE(mine->canOpen(name, false));
  // The other process holds the port: texts reach it.
  auto sender = makeStream(uniqueSpecifier("crosssender"));
  EXPECT_TRUE(sender->send(name, VtString("to the other process")));

  owner.kill();
  EXPECT_TRUE(eventually([&] { return mine->canOpen(name, false); }));
  EXPECT_TRUE(makeStream(name)->isGood());
}

TEST(InterAppStreamProcesses, TheSecondOfTwoProcessesDoesNotGetTheName) {
  const VtString name = uniqueSpecifier("crosspair");
  auto mine = makeStream(name);
  ASSERT_TRUE(mine->isGood());
  PortOwner other(name);
  EXPECT_EQ(other.state(), "bad");
}

TEST(InterAppStreamProcesses, ThreeDeliveriesOfAnotherProcessArriveInOrder) {
  auto receiver = makeStream(uniqueSpecifier("crossreceiver"));
  ASSERT_TRUE(receiver->isGood());
  platform::SpawnOptions peer;
  peer.arguments = {PLEXAR_MESSAGING_PEER,
                    "send",
                    text(uniqueSpecifier("crosspeer")),
                    text(receiver->getSpecifier()),
                    "first;",
                    "sec\\0ond;",
                    "third\\0"};
  peer.timeoutMs = kPatienceMs;
  const platform::SpawnResult result = platform::runProcess(peer);
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;

  // All three wait; one question takes them.
  EXPECT_TRUE(receiver->messagePending());
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(receiver->receive());
  EXPECT_FALSE(receiver->receive());
  EXPECT_EQ(bytes(receiver->getMessages()), "first;sec\nond;third\n");
}
