// The program's start-up and end as real processes: the start-up with a
// test movie (tests/helpers/StartupTestApp.cpp) is laid out in a bundle of
// its own, whose settings put the per-user lock and socket in a fresh
// folder, and run as "Plexar".

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/Process.h"
#include "testsupport/ScopedEnvironment.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kProcessLimitMs = 60000;

// The lines the test movie writes to a named pipe as it records them, so a
// test waits for a line without polling the record. The pipe is held open
// for writing here too: it never reaches its end between two programs.
class LineWatch {
 public:
  explicit LineWatch(const std::string& path) {
    if (::mkfifo(path.c_str(), 0600) == 0) m_fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd >= 0) m_reader = std::thread([this] { read(); });
  }
  ~LineWatch() {
    if (m_fd < 0) return;
    const std::string stop = std::string(kStop) + "\n";
    if (::write(m_fd, stop.data(), stop.size()) == static_cast<ssize_t>(stop.size()))
      m_reader.join();
    else
      m_reader.detach();
    ::close(m_fd);
  }
  bool ready() const { return m_fd >= 0; }
  // Waits, on the real clock as another process works, for the line; it
  // and the lines before it are then used up, so a later program has to
  // write it anew.
  bool waitFor(const std::string& line) {
    std::unique_lock<std::mutex> lock(m_mutex);
    std::vector<std::string>::iterator found;
    if (!m_seen.wait_for(lock, std::chrono::seconds(60), [&] {
          found = std::find(m_lines.begin(), m_lines.end(), line);
          return found != m_lines.end();
        }))
      return false;
    m_lines.erase(m_lines.begin(), found + 1);
    return true;
  }

 private:
  static constexpr const char* kStop = "\x01stop";
  void read() {
    std::string pending;
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      pending.append(buffer, static_cast<size_t>(n));
      for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line == kStop) return;
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_lines.push_back(std::move(line));
        }
        m_seen.notify_all();
      }
    }
  }

  int m_fd = -1;
  std::mutex m_mutex;
  std::condition_variable m_seen;
  std::vector<std::string> m_lines;
  std::thread m_reader;
};

class StartupProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string root = m_temp.path();
    contents = root + "/Plexar.app/Contents";
    fs::create_directories(contents + "/MacOS");
    fs::create_directories(contents + "/Resources");
    fs::create_directories(root + "/home");
    program = contents + "/MacOS/Plexar";
    // A hard link where the file system allows it: the program is large.
    std::error_code ec;
    fs::create_hard_link(PLEXAR_STARTUP_TEST_APP, program, ec);
    if (ec) fs::copy_file(PLEXAR_STARTUP_TEST_APP, program);
    write(contents + "/Resources/platform.conf",
          "temp_root = " + root + "/tmp/plexar-<uid>\nhome = " + root + "/home\n");
    record = root + "/record.txt";
    workFolder = root + "/work \"dir\"";
    fs::create_directories(workFolder);
    m_watch = std::make_unique<LineWatch>(root + "/record.pipe");
    ASSERT_TRUE(m_watch->ready());
  }

  static void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }
  void movie(const std::string& settings) {
    write(contents + "/Resources/Plexo.qmv", "movie = startup-test\nrecord = " + record +
                                                 "\nnotify = " + m_temp.path() + "/record.pipe\n" +
                                                 settings);
  }
  platform::SpawnResult run(std::vector<std::string> arguments) {
    platform::SpawnOptions options;
    options.arguments = {program};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.workingFolder = workFolder;
    options.timeoutMs = kProcessLimitMs;
    return platform::runProcess(options);
  }
  std::vector<std::string> recorded() const {
    std::ifstream in(record);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      if (line.rfind("pid|", 0) != 0) lines.push_back(line);
    return lines;
  }
  bool recordedLine(const std::string& line) const {
    for (const std::string& l : recorded())
      if (l == line) return true;
    return false;
  }
  bool waitForLine(const std::string& line) { return m_watch->waitFor(line); }
  pid_t recordedPid() const {
    std::ifstream in(record);
    for (std::string line; std::getline(in, line);)
      if (line.rfind("pid|", 0) == 0) return static_cast<pid_t>(std::stol(line.substr(4)));
    return 0;
  }
  std::string currDir() const {
    return "-CurrDir=\"" + std::string(m_temp.path()) + "/work \\\"dir\\\"\"";
  }

  std::string contents;
  std::string program;
  std::string record;
  std::string workFolder;

 private:
  TempDir m_temp;
  std::unique_ptr<LineWatch> m_watch;
};

// Runs the first instance on a thread of its own.
class Background {
 public:
  explicit Background(std::function<platform::SpawnResult()> run)
      : m_thread([this, run] { m_result = run(); }) {}
  ~Background() {
    if (m_thread.joinable()) m_thread.join();
  }
  platform::SpawnResult result() {
    if (m_thread.joinable()) m_thread.join();
    return m_result;
  }

 private:
  platform::SpawnResult m_result;
  std::thread m_thread;
};

}  // namespace

TEST_F(StartupProcess, TheMoviesExitCodeCountsOnlyInSuppressMode) {
  movie("suppress = 1\non_enable_ui = exit\nexit_code = 3\n");
  platform::SpawnResult result = run({"-install", "a b.kxp"});
  ASSERT_EQ(result.startError, 0);
  EXPECT_EQ(result.exitCode, 3) << result.errorOutput;
  const std::string line = "-install\\na b.kxp\\n" + currDir();
  EXPECT_EQ(recorded(), (std::vector<std::string>{
                            "brioParseSuppress|-1|" + line + "|1|1", "brioGetLocaleList|-2",
                            "brioParseLocale|-3|" + line + "|1|1", "brioSetLocale|-4|en_US",
                            "brioNotifyReady|-5", "brioHandleCommandLine|-6|" + line + "|1|1",
                            "brioEnableUI|-7"}));

  movie("suppress = 0\non_enable_ui = exit\nexit_code = 3\n");
  EXPECT_EQ(run({"-install", "a.kxp"}).exitCode, 0);
}

TEST_F(StartupProcess, StartedThroughThePathTheProgramStillFindsItsBundle) {
  movie("suppress = 1\non_enable_ui = exit\nexit_code = 6\n");
  testsupport::ScopedEnvironment env({{"PATH", (contents + "/MacOS").c_str()}});
  platform::SpawnOptions options;
  options.arguments = {"Plexar", "-list"};
  options.workingFolder = workFolder;
  options.timeoutMs = kProcessLimitMs;
  const platform::SpawnResult result = platform::runProcess(options);
  ASSERT_EQ(result.startError, 0);
  EXPECT_EQ(result.exitCode, 6) << result.errorOutput;
}

TEST_F(StartupProcess, LaunchOptionsWinOverArgumentsAndNoneMeansNoLine) {
  movie("suppress = 1\non_enable_ui = exit\n");
  {
    testsupport::ScopedEnvironment env({{"PLEXAR_TEST_LAUNCH_OPTIONS", "-remove ext"}});
    ASSERT_EQ(run({"-install", "a.kxp"}).exitCode, 0);
  }
  EXPECT_TRUE(recordedLine("brioHandleCommandLine|-6|-remove ext " + currDir() + "|1|0"));

  fs::remove(record);
  ASSERT_EQ(run({}).exitCode, 0);
  const std::vector<std::string> lines = recorded();
  EXPECT_EQ(lines, (std::vector<std::string>{"brioGetLocaleList|-1", "brioSetLocale|-2|en_US",
                                             "brioNotifyReady|-3", "brioEnableUI|-4"}));
}

TEST_F(StartupProcess, ASecondProcessForwardsItsCommandLineAndEndsWithSeven) {
  movie("on_enable_ui = wait\non_forwarded = exit\n");
  const std::string staleLog = contents + "/MacOS/Plexar.log";
  write(staleLog, "an earlier run");
  Background first([&] { return run({}); });
  ASSERT_TRUE(waitForLine("brioEnableUI|-4"));
  EXPECT_FALSE(fs::exists(staleLog));  // the first instance removed it

  write(staleLog, "the first one's");
  const platform::SpawnResult second = run({"-remove", "ext"});
  EXPECT_EQ(second.exitCode, 7) << second.errorOutput;
  EXPECT_TRUE(fs::exists(staleLog));  // the second one left it

  const platform::SpawnResult result = first.result();
  EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
  EXPECT_TRUE(recordedLine("brioHandleCommandLine|-5|-remove\\next\\n" + currDir() + "|0|1"));

  // Once it has ended, the next process is the first again.
  movie("on_enable_ui = exit\n");
  EXPECT_EQ(run({"-remove", "ext"}).exitCode, 0);
}

TEST_F(StartupProcess, ASecondProcessWithoutACurrentFolderEndsWithMinusOne) {
  movie("on_enable_ui = wait\non_forwarded = exit\non_post_exit = exit\n");
  Background first([&] { return run({}); });
  ASSERT_TRUE(waitForLine("brioEnableUI|-4"));

  // Its folder is gone by the time it asks for it.
  const std::string gone = workFolder + "/gone";
  fs::create_directories(gone);
  platform::SpawnOptions options;
  options.arguments = {"/bin/sh", "-c", "cd \"$1\" && rmdir \"$1\" && exec \"$2\" -list",
                       "sh",      gone, program};
  options.timeoutMs = kProcessLimitMs;
  const platform::SpawnResult second = platform::runProcess(options);
  EXPECT_EQ(second.exitCode, 255);
  EXPECT_NE(second.errorOutput.find("get curr directory failed"), std::string::npos)
      << second.errorOutput;

  ASSERT_EQ(::kill(recordedPid(), SIGTERM), 0);
  EXPECT_EQ(first.result().exitCode, 0);
  for (const std::string& line : recorded())
    EXPECT_EQ(line.find("brioHandleCommandLine"), std::string::npos) << line;
}

TEST_F(StartupProcess, ATerminationSignalAsksTheMovieAndASecondOneEndsAtOnce) {
  movie("on_enable_ui = wait\non_post_exit = exit\n");
  {
    Background first([&] { return run({}); });
    ASSERT_TRUE(waitForLine("brioEnableUI|-4"));
    ASSERT_EQ(::kill(recordedPid(), SIGTERM), 0);
    EXPECT_EQ(first.result().exitCode, 0);
    EXPECT_TRUE(recordedLine("brioPostExit|-5"));
  }

  // A movie that never answers: the second signal ends the process.
  fs::remove(record);
  movie("on_enable_ui = wait\non_post_exit = ignore\n");
  Background first([&] { return run({}); });
  ASSERT_TRUE(waitForLine("brioEnableUI|-4"));
  ASSERT_EQ(::kill(recordedPid(), SIGINT), 0);
  ASSERT_TRUE(waitForLine("brioPostExit|-5"));
  ASSERT_EQ(::kill(recordedPid(), SIGINT), 0);
  EXPECT_EQ(first.result().exitCode, 128 + SIGINT);
}

TEST_F(StartupProcess, AnExitWhileACommandWaitsLetsTheCommandFinish) {
  movie("suppress = 1\non_enable_ui = ask\non_question = exit\nexit_code = 4\n");
  const platform::SpawnResult result = run({"-x"});
  // The command failed after the exit request: its failure is the status.
  EXPECT_EQ(result.exitCode, 1) << result.errorOutput;
  const std::vector<std::string> lines = recorded();
  ASSERT_GE(lines.size(), 4u);
  // The question was never answered; its wait ended with Cancel (2) and
  // the command's reply still reached the movie before the end.
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
            (std::vector<std::string>{"command-asks", "brioCallBack|m2|8|4|Go on?",
                                      "command-ends|2|1", "brioCallBack|m2|2"}));
}

TEST_F(StartupProcess, ACommandDeafToTheStopIsLeftBehindOnceTheBoundPasses) {
  movie("suppress = 1\non_enable_ui = stuck\nexit_code = 4\n");
  testsupport::ScopedEnvironment env({{"PLEXAR_TEST_STOP_BOUND_MS", "200"}});
  const platform::SpawnResult result = run({"-x"});
  ASSERT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 4) << result.errorOutput;
  EXPECT_NE(result.errorOutput.find("The worker did not stop in time"), std::string::npos)
      << result.errorOutput;
  const std::vector<std::string> lines = recorded();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"command-stuck", "brioCallBack|m2|stuck"}));
}

TEST_F(StartupProcess, StartUpFailuresEndWithMinusOneAndSaySo) {
  const struct {
    const char* what;
    const char* variable;
    const char* value;
    const char* movieFile;
    const char* nibName;
    const char* nibText;
    const char* said;
  } cases[] = {
      {"the UI framework", "PLEXAR_TEST_TAMB_STATUS", "-108", nullptr, nullptr, nullptr,
       "TAMBInitialize error : -108"},
      {"no movie", nullptr, nullptr, "", nullptr, nullptr, "Load movie error : -43"},
      {"an unknown movie", nullptr, nullptr, "movie = nothing\n", nullptr, nullptr,
       "Load movie error : -50"},
      {"a malformed window resource", nullptr, nullptr, nullptr, "TAMBMain", "[MainWindow]\n",
       "can not get the main bundle resource, exit"},
      {"a malformed menu bar", nullptr, nullptr, nullptr, "menubar", "kind = menubar\n",
       "can not get the menubar resource, exit"},
      {"no main window", nullptr, nullptr, nullptr, "TAMBMain", "[Other]\nkind = window\n",
       "can not create the MainWindow"},
      {"no player view", nullptr, nullptr, nullptr, "TAMBMain",
       "[MainWindow]\nkind = window\nview = Side 0\n", "can not find the player view"},
      {"the engine", "PLEXAR_TEST_ENGINE_INIT", "fail", nullptr, nullptr, nullptr,
       "Plexar can't start: TAMB Controller initialized failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    movie("suppress = 1\non_enable_ui = exit\nexit_code = 3\n");
    fs::remove(contents + "/Resources/TAMBMain.nib");
    fs::remove(contents + "/Resources/menubar.nib");
    if (c.movieFile) {
      if (*c.movieFile)
        write(contents + "/Resources/Plexo.qmv", c.movieFile);
      else
        fs::remove(contents + "/Resources/Plexo.qmv");
    }
    if (c.nibName) write(contents + "/Resources/" + c.nibName + ".nib", c.nibText);
    testsupport::ScopedEnvironment env({{c.variable ? c.variable : "PLEXAR_TEST_UNUSED", c.value}});
    const platform::SpawnResult result = run({"-x"});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_NE(result.errorOutput.find(c.said), std::string::npos) << result.errorOutput;
  }
}
