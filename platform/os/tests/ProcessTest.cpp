#include "platform/os/Process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>

#include "platform/os/Clock.h"
#include "testsupport/SandboxMachine.h"

using namespace platform;

TEST(Process, CapturesBothStreamsAndTheExitCode) {
  SpawnOptions o;
  o.arguments = {"/bin/sh", "-c", "echo out; echo err >&2; printf 'a b'; exit 3"};
  SpawnResult r = runProcess(o);
  EXPECT_EQ(r.startError, 0);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.output, "out\na b");
  EXPECT_EQ(r.errorOutput, "err\n");
  EXPECT_FALSE(r.succeeded());
}

TEST(Process, ArgumentsReachTheProgramUntouchedByAShell) {
  SpawnOptions o;
  o.arguments = {"printf", "%s|", "a b", "$HOME", "*", "'q'"};
  SpawnResult r = runProcess(o);
  ASSERT_TRUE(r.succeeded()) << r.startError << " " << r.errorOutput;
  EXPECT_EQ(r.output, "a b|$HOME|*|'q'|");
}

TEST(Process, WorkingFolderAndNullInput) {
  testsupport::SandboxMachine box;
  SpawnOptions o;
  o.arguments = {"/bin/sh", "-c", "pwd; cat; echo end"};
  o.workingFolder = box.root();
  SpawnResult r = runProcess(o);
  ASSERT_TRUE(r.succeeded());
  // cat ends at once on the null device.
  EXPECT_EQ(r.output, std::filesystem::canonical(box.root()).string() + "\nend\n");
}

TEST(Process, InputReachesTheChildWhileItsOutputIsRead) {
  // Larger than the socket's and the pipe's buffers: both sides must move
  // at once or they stall.
  std::string input(4u << 20, 'i');
  for (size_t i = 0; i < input.size(); i += 4096) input[i] = static_cast<char>('a' + i % 26);
  SpawnOptions o;
  o.arguments = {"cat"};
  o.input = input;
  o.maxOutputBytes = input.size();
  SpawnResult r = runProcess(o);
  ASSERT_TRUE(r.succeeded()) << r.errorOutput;
  EXPECT_FALSE(r.outputTruncated);
  EXPECT_TRUE(r.output == input) << r.output.size();
}

TEST(Process, AChildThatReadsNoInputStillEnds) {
  SpawnOptions o;
  o.arguments = {"/bin/sh", "-c", "exec 0<&-; echo done"};
  o.input = std::string(4u << 20, 'i');
  SpawnResult r = runProcess(o);
  ASSERT_TRUE(r.succeeded()) << r.errorOutput;
  EXPECT_EQ(r.output, "done\n");
}

TEST(Process, AProgramThatCannotStart) {
  SpawnOptions o;
  o.arguments = {"/nonexistent/program"};
  EXPECT_EQ(runProcess(o).startError, ENOENT);
  o.arguments = {"no-such-program-plexar"};
  EXPECT_EQ(runProcess(o).startError, ENOENT);
  o.arguments = {};
  EXPECT_EQ(runProcess(o).startError, EINVAL);
  o.arguments = {"/bin/true"};
  o.workingFolder = "/nonexistent/folder";
  EXPECT_NE(runProcess(o).startError, 0);
}

TEST(Process, DescriptorsOfTheCallerAreNotInherited) {
  // A descriptor without close-on-exec, at a number nothing else takes.
  int fd = ::fcntl(1, F_DUPFD, 200);
  ASSERT_GE(fd, 200);
  SpawnOptions o;
  o.arguments = {
      "/bin/sh", "-c",
      "if [ -e /proc/self/fd/" + std::to_string(fd) + " ]; then echo leaked; else echo clean; fi"};
  SpawnResult r = runProcess(o);
  ::close(fd);
  ASSERT_TRUE(r.succeeded());
  EXPECT_EQ(r.output, "clean\n");
}

TEST(Process, OutputBeyondTheCapIsDropped) {
  SpawnOptions o;
  o.arguments = {"/bin/sh", "-c", "head -c 300000 /dev/zero"};
  o.maxOutputBytes = 1000;
  SpawnResult r = runProcess(o);
  EXPECT_TRUE(r.succeeded());
  EXPECT_EQ(r.output.size(), 1000u);
  EXPECT_TRUE(r.outputTruncated);
}

TEST(Process, TimeOutKillsTheChild) {
  TestClock clock(1000);
  ScopedClock scoped(clock);
  std::atomic<bool> done{false};
  // The clock moves only when told; move it until the run gives up.
  std::thread mover([&] {
    while (!done) {
      clock.advance(1000);
      std::this_thread::yield();
    }
  });
  SpawnOptions o;
  o.arguments = {"/bin/sh", "-c", "echo started; exec sleep 60"};
  o.timeoutMs = 5000;
  SpawnResult r = runProcess(o);
  done = true;
  mover.join();
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.signal, SIGKILL);
  EXPECT_EQ(r.exitCode, -1);
  EXPECT_FALSE(r.succeeded());
}

TEST(Process, DetachedProgramIsNotOurChild) {
  pid_t pid = -1;
  ASSERT_EQ(spawnDetached({"sleep", "30"}, "/", pid), 0);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(processExists(pid));
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  // A session of its own, apart from ours.
  EXPECT_NE(::getsid(pid), ::getsid(0));
  ::kill(pid, SIGKILL);

  EXPECT_EQ(spawnDetached({"/nonexistent/program"}, "/", pid), ENOENT);
  EXPECT_EQ(pid, -1);
  EXPECT_FALSE(processExists(0));
}
