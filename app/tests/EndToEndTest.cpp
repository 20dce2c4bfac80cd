// The program as a person runs it from a shell: the built Plexar, laid out
// on a fake machine with a web host and a graphics host, run in processes
// of its own in suppress mode, judged by its output, its exit status and
// the machine's files.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "app/PlexarApp.h"
#include "app/tests/EndToEndMachine.h"
#include "platform/os/SingleInstance.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class EndToEndCli : public ::testing::Test {
 protected:
  endtoend::Machine machine;
};

TEST_F(EndToEndCli, ListsTheHostsAndWhatIsInstalled) {
  platform::SpawnResult products = machine.run({"products"});
  ASSERT_EQ(products.startError, 0);
  EXPECT_EQ(products.exitCode, 0) << products.errorOutput;
  EXPECT_TRUE(contains(products.output, "Loomwright WB5\t11")) << products.output;
  EXPECT_TRUE(contains(products.output, "Emberly WB5\t11")) << products.output;
  // The program itself is no host.
  EXPECT_FALSE(contains(products.output, "Plexar")) << products.output;

  platform::SpawnResult list = machine.run({"list"});
  EXPECT_EQ(list.exitCode, 0) << list.errorOutput;
  EXPECT_EQ(list.output, "No extensions installed.\n");
}

TEST_F(EndToEndCli, BadCommandLinesSayWhyAndEndWithTheirOwnCode) {
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    int exitCode;
    std::string errorPart;
  } cases[] = {
      {"unknown operation", {"frobnicate"}, 2, "unknown operation \"frobnicate\""},
      {"missing argument", {"install"}, 2, "install needs an argument"},
      {"unknown option", {"list", "--colour"}, 2, "unknown option --colour"},
      {"bad time-out", {"install", "x.kxp", "--timeout", "soon"}, 2, "--timeout"},
      {"no such host", {"list", "--product", "Lumen 11"}, 1, "no host product is called"},
      {"nothing to remove",
       {"remove", "Nothing Here"},
       1,
       "no installed extension \"Nothing Here\""},
  };
  for (const Case& c : cases) {
    const platform::SpawnResult result = machine.run(c.arguments);
    ASSERT_EQ(result.startError, 0) << c.what;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.what << "\n" << result.errorOutput;
    EXPECT_TRUE(contains(result.errorOutput, c.errorPart)) << c.what << "\n" << result.errorOutput;
    EXPECT_EQ(result.output, "") << c.what;
  }

  const platform::SpawnResult help = machine.run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(contains(help.output, "Usage: Plexar")) << help.output;
  const platform::SpawnResult bare = machine.run({});
  EXPECT_EQ(bare.exitCode, 0);
  EXPECT_TRUE(contains(bare.output, "Usage: Plexar")) << bare.output;
}

TEST_F(EndToEndCli, ASecondProcessHandsItsLineToTheRunningOneAndEndsWithSeven) {
  // This test holds the place of the running Plexar: the same per-user lock
  // and socket, in the machine's temporary folder.
  platform::SingleInstance running(PlexarApp::kInstanceName);
  bool first = false;
  ASSERT_EQ(running.claim(first), 0);
  ASSERT_TRUE(first);
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<platform::SingleInstance::Message> messages;
  ASSERT_EQ(running.listen([&](const platform::SingleInstance::Message& message) {
    std::lock_guard<std::mutex> lock(mutex);
    messages.push_back(message);
    arrived.notify_all();
  }),
            0);

  const platform::SpawnResult second = machine.run({"install", "a b.kxp", "--product", "X"});
  ASSERT_EQ(second.startError, 0);
  EXPECT_EQ(second.exitCode, PlexarApp::kForwardedStatus) << second.errorOutput;
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(60), [&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].kind, platform::SingleInstance::Kind::kForward);
  EXPECT_EQ(messages[0].text,
            "install\na b.kxp\n--product\nX\n-CurrDir=\"" + machine.work() + "\"");
  lock.unlock();
  running.release();
}

}  // namespace
