#include "platform/os/MessagePort.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/Clock.h"

using namespace platform;

namespace {

// Names of this process only, so that test runs in parallel never meet.
std::string uniqueName(const std::string& label) {
  static std::atomic<int> counter{0};
  return messagePortNamespace() + "port-test-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++) + "-" + label;
}

// A connection made by hand to the address of name, for frames the port
// itself would never send. -1 when it cannot connect.
int connectRaw(const std::string& name) {
  const std::string address = messagePortAddress(name);
  sockaddr_un to{};
  to.sun_family = AF_UNIX;
  std::memcpy(to.sun_path, address.data(), address.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const socklen_t size = static_cast<socklen_t>(sizeof to.sun_family + address.size());
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), size) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void writeRaw(int fd, const std::string& bytes) {
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string frame(const std::string& body, uint32_t length) {
  std::string out = "AKT1";
  out += static_cast<char>(length >> 24);
  out += static_cast<char>(length >> 16);
  out += static_cast<char>(length >> 8);
  out += static_cast<char>(length);
  return out + body;
}

std::string frame(const std::string& body) {
  return frame(body, static_cast<uint32_t>(body.size()));
}

}  // namespace

TEST(MessagePort, MessagesArriveWholeAndInOrderOnlyWhenCollected) {
  MessagePort port;
  const std::string name = uniqueName("order");
  ASSERT_EQ(port.open(name), 0);
  const std::string withNul("a\0b", 3);
  const std::vector<std::string> sent = {"first", "", withNul, std::string(5000, 'x')};
  for (const std::string& text : sent)
    ASSERT_EQ(MessagePort::send(name, text.data(), text.size(), 1000), 0);

  std::vector<std::string> got;
  EXPECT_EQ(port.collect(got), sent.size());
  EXPECT_EQ(got, sent);
  EXPECT_EQ(port.collect(got), 0u);
}

TEST(MessagePort, ANameHasOneOwnerUntilItIsGivenUp) {
  const std::string name = uniqueName("exclusive");
  MessagePort first, second;
  ASSERT_EQ(first.open(name), 0);
  EXPECT_EQ(second.open(name), EADDRINUSE);
  EXPECT_FALSE(second.isOpen());
  first.close();
  EXPECT_EQ(second.open(name), 0);
  EXPECT_EQ(second.name(), name);
  EXPECT_EQ(first.open(""), EINVAL);
}

TEST(MessagePort, ASendToANameNobodyOwnsFailsAtOnce) {
  const std::string name = uniqueName("nobody");
  // A clock that never moves: a send that waited for it would never end.
  TestClock clock;
  ScopedClock scoped(clock);
  EXPECT_EQ(MessagePort::send(name, "x", 1, 60000), ECONNREFUSED);
  EXPECT_EQ(MessagePort::send("", "x", 1, 1000), EINVAL);
}

TEST(MessagePort, ASendWaitsForAnOwnerThatDoesNotCollectAndThenTimesOut) {
  MessagePort port;
  const std::string name = uniqueName("full");
  ASSERT_EQ(port.open(name), 0);
  // The kernel keeps a few connections for the owner; past them a send waits.
  int accepted = 0;
  int rc = 0;
  const uint64_t start = systemClock().nowMs();
  for (int i = 0; i < 4 * kMessagePortBacklog && rc == 0; ++i) {
    rc = MessagePort::send(name, "m", 1, 200);
    if (rc == 0) ++accepted;
  }
  EXPECT_EQ(rc, ETIMEDOUT);
  EXPECT_GE(accepted, kMessagePortBacklog);
  EXPECT_GE(systemClock().nowMs() - start, 200u);

  // Collecting makes room again, and nothing that was accepted is lost.
  std::vector<std::string> got;
  EXPECT_EQ(port.collect(got), static_cast<size_t>(accepted));
  EXPECT_EQ(MessagePort::send(name, "n", 1, 200), 0);
  EXPECT_EQ(port.collect(got), 1u);
  EXPECT_EQ(got.back(), "n");
}

TEST(MessagePort, AMessageLargerThanTheSocketBufferArrivesOverSeveralCollects) {
  MessagePort port;
  const std::string name = uniqueName("large");
  ASSERT_EQ(port.open(name), 0);
  std::string big(3u << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);

  std::atomic<int> result{-1};
  std::thread sender([&] { result = MessagePort::send(name, big.data(), big.size(), 20000); });
  std::vector<std::string> got;
  const uint64_t deadline = systemClock().nowMs() + 20000;
  while (got.empty() && systemClock().nowMs() < deadline) {
    port.collect(got);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  sender.join();
  EXPECT_EQ(result.load(), 0);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got[0] == big);
}

TEST(MessagePort, FramesThatAreNotMessagesAreDroppedAndTheNextOneStillArrives) {
  const std::string tooLong = frame("", kMessagePortMaxBytes + 1);
  const struct {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"wrong magic", "AKT2" + frame("abc").substr(4)},
      {"cut in the header", std::string("AKT1\0", 5)},
      {"cut in the body", frame("abcdef", 10)},
      {"longer than the cap", tooLong},
      {"nothing at all", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    MessagePort port;
    const std::string name = uniqueName("bad");
    ASSERT_EQ(port.open(name), 0);
    const int fd = connectRaw(name);
    ASSERT_GE(fd, 0);
    writeRaw(fd, c.bytes);
    ::close(fd);
    ASSERT_EQ(MessagePort::send(name, "good", 4, 1000), 0);
    std::vector<std::string> got;
    port.collect(got);
    EXPECT_EQ(got, std::vector<std::string>{"good"});
  }
}

TEST(MessagePort, AnUnfinishedConnectionIsDroppedAfterTheTransferLimit) {
  TestClock clock;
  ScopedClock scoped(clock);
  MessagePort port;
  const std::string name = uniqueName("stalled");
  ASSERT_EQ(port.open(name), 0);
  const int fd = connectRaw(name);
  ASSERT_GE(fd, 0);
  writeRaw(fd, frame("abc", 6));
  std::vector<std::string> got;
  EXPECT_EQ(port.collect(got), 0u);
  // Still within the limit, the rest completes it.
  clock.advance(kMessagePortSendTimeoutMs);
  writeRaw(fd, "de");
  EXPECT_EQ(port.collect(got), 0u);
  clock.advance(1);
  EXPECT_EQ(port.collect(got), 0u);
  // The port has let go of it: the rest finds nobody reading.
  EXPECT_EQ(::send(fd, "f", 1, MSG_NOSIGNAL), -1);
  ::close(fd);
  EXPECT_EQ(port.collect(got), 0u);
  EXPECT_TRUE(got.empty());
}

TEST(MessagePort, LongNamesAreHashedIntoTheAddressAndStayApart) {
  const std::string base = uniqueName("long-") + std::string(200, 'n');
  const std::string a = base + "a", b = base + "b";
  const std::string addressA = messagePortAddress(a);
  EXPECT_LE(addressA.size(), sizeof(sockaddr_un::sun_path));
  EXPECT_EQ(addressA[0], '\0');
  EXPECT_NE(addressA, messagePortAddress(b));
  EXPECT_EQ(messagePortAddress("short"), std::string("\0short", 6));

  MessagePort portA, portB;
  ASSERT_EQ(portA.open(a), 0);
  ASSERT_EQ(portB.open(b), 0);
  ASSERT_EQ(MessagePort::send(b, "to b", 4, 1000), 0);
  std::vector<std::string> got;
  EXPECT_EQ(portA.collect(got), 0u);
  EXPECT_EQ(portB.collect(got), 1u);
}

TEST(MessagePort, NamesOfOneUserAreApartFromAnother) {
  EXPECT_EQ(messagePortNamespace(), "vesko-arbortalk/" + std::to_string(::geteuid()) + "/");
}

// Another user reaches the name in the abstract namespace; what it sends is
// dropped unread, and it cannot pass for the owner of a name either.
TEST(MessagePort, AnotherUserIsNeitherHeardNorTrusted) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a child as another user";
  constexpr uid_t kNobody = 65534;

  MessagePort port;
  const std::string name = uniqueName("other-user");
  ASSERT_EQ(port.open(name), 0);
  const std::string impostorName = uniqueName("impostor");

  // Everything the child needs is made before the fork.
  auto addressOf = [](const std::string& portName, sockaddr_un& address) {
    const std::string bytes = messagePortAddress(portName);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bytes.data(), bytes.size());
    return static_cast<socklen_t>(sizeof address.sun_family + bytes.size());
  };
  sockaddr_un ownerAddress, impostorAddress;
  const socklen_t ownerSize = addressOf(name, ownerAddress);
  const socklen_t impostorSize = addressOf(impostorName, impostorAddress);
  const std::string bytes = frame("from another user");

  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    char byte = 0;
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&ownerAddress), ownerSize) != 0)
      ::_exit(3);
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) ::_exit(4);
    ::close(fd);
    // Takes the name the owner's next port wants.
    const int squat = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (squat < 0 ||
        ::bind(squat, reinterpret_cast<const sockaddr*>(&impostorAddress), impostorSize) != 0 ||
        ::listen(squat, 4) != 0)
      ::_exit(5);
    if (::write(ready[1], &byte, 1) != 1) ::_exit(6);
    if (::read(done[0], &byte, 1) != 1) ::_exit(7);
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(done[0]);
  char byte = 0;
  const bool childReady = ::read(ready[0], &byte, 1) == 1;

  std::vector<std::string> got;
  port.collect(got);
  EXPECT_TRUE(got.empty());
  ASSERT_EQ(MessagePort::send(name, "own", 3, 1000), 0);
  port.collect(got);
  EXPECT_EQ(got, std::vector<std::string>{"own"});

  if (childReady) {
    const std::string secret = "for the owner only";
    EXPECT_EQ(MessagePort::send(impostorName, secret.data(), secret.size(), 1000), EACCES);
    MessagePort mine;
    EXPECT_EQ(mine.open(impostorName), EADDRINUSE);
  }

  EXPECT_EQ(::write(done[1], &byte, 1), 1);
  ::close(done[1]);
  ::close(ready[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(childReady);
}

// The waits run on a test clock that nobody advances unless the test says
// so: only a delivery or a wake-up can end them otherwise.
class MessagePortWait : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(port.open(name), 0); }

  TestClock clock;
  ScopedClock scoped{clock};
  MessagePort port;
  const std::string name = uniqueName("wait");
};

TEST_F(MessagePortWait, ADeliveryOrAWakeUpEndsTheWaitAtOnce) {
  struct Case {
    const char* label;
    void (*during)(MessagePort& owner, const std::string& to);
  };
  const Case cases[] = {
      {"a message sent meanwhile",
       [](MessagePort&, const std::string& to) {
         EXPECT_EQ(MessagePort::send(to, "hi", 2, 1000), 0);
       }},
      {"a wake-up from another thread",
       [](MessagePort& owner, const std::string&) { owner.wake(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::thread other([&] { c.during(port, name); });
    EXPECT_TRUE(port.waitForDelivery(60000));
    other.join();
    std::vector<std::string> got;
    port.collect(got);
    EXPECT_EQ(clock.nowMs(), 0u);
  }
}

TEST_F(MessagePortWait, WhatAlreadyWaitsEndsTheWaitAndAWakeUpIsTakenOnce) {
  port.wake();
  EXPECT_TRUE(port.waitForDelivery(60000));
  // The wake-up is spent; with nothing to collect the time runs out.
  EXPECT_FALSE(port.waitForDelivery(0));
  ASSERT_EQ(MessagePort::send(name, "x", 1, 1000), 0);
  EXPECT_TRUE(port.waitForDelivery(60000));
  // Until it is collected, it keeps ending waits.
  EXPECT_TRUE(port.waitForDelivery(60000));
  std::vector<std::string> got;
  EXPECT_EQ(port.collect(got), 1u);
  EXPECT_FALSE(port.waitForDelivery(0));
}

TEST_F(MessagePortWait, TheRestOfAMessageTakenInPartEndsTheWait) {
  const int fd = connectRaw(name);
  ASSERT_GE(fd, 0);
  writeRaw(fd, frame("ab", 5));
  std::vector<std::string> got;
  EXPECT_EQ(port.collect(got), 0u);
  // The connection is taken: only its next bytes mean something new.
  EXPECT_FALSE(port.waitForDelivery(0));
  std::thread sender([&] { writeRaw(fd, "cde"); });
  EXPECT_TRUE(port.waitForDelivery(60000));
  sender.join();
  EXPECT_EQ(port.collect(got), 1u);
  EXPECT_EQ(got, std::vector<std::string>{"abcde"});
  ::close(fd);
}

TEST_F(MessagePortWait, TheTimeRunsOutWhenTheClockPassesTheDeadline) {
  std::atomic<bool> done{false};
  std::thread waiter([&] {
    EXPECT_FALSE(port.waitForDelivery(500));
    done = true;
  });
  clock.advance(499);
  EXPECT_FALSE(done.load());
  // Nothing but the clock ends this wait.
  while (!done.load()) {
    clock.advance(1);
    std::this_thread::yield();
  }
  waiter.join();
}

TEST_F(MessagePortWait, APausePassesTheTimeOnTheClockUnlessSomethingWaits) {
  EXPECT_FALSE(port.pauseForDelivery(40));
  EXPECT_EQ(clock.sleptMs(), 40u);
  ASSERT_EQ(MessagePort::send(name, "x", 1, 1000), 0);
  EXPECT_TRUE(port.pauseForDelivery(40));
  EXPECT_EQ(clock.sleptMs(), 40u);
  port.wake();
  std::vector<std::string> got;
  port.collect(got);
  EXPECT_TRUE(port.pauseForDelivery(40));
  EXPECT_EQ(clock.sleptMs(), 40u);
}

TEST(MessagePort, AWaitOnTheSystemClockEndsWithADeliveryLongBeforeItsTimeOut) {
  MessagePort port;
  const std::string name = uniqueName("system-wait");
  ASSERT_EQ(port.open(name), 0);
  std::thread sender([&] { EXPECT_EQ(MessagePort::send(name, "x", 1, 1000), 0); });
  // Ten minutes: the test would time out if the delivery did not end it.
  EXPECT_TRUE(port.waitForDelivery(600000));
  EXPECT_TRUE(port.pauseForDelivery(600000));
  sender.join();
  // An unopened port still hears its wake-up.
  MessagePort closed;
  closed.wake();
  EXPECT_TRUE(closed.waitForDelivery(600000));
  EXPECT_FALSE(closed.waitForDelivery(0));
}
