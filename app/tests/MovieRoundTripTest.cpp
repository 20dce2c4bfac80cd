// The whole road between the program and its movie: a scripted movie in a
// player on a main loop run by the test thread, the front controller, the
// request ids and the worker thread.

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/CommandExecutor_Impl.h"
#include "app/tests/MovieTestSupport.h"
#include "foundation/CZorbOS.h"
#include "platform/tamb/MainLoop.h"
#include "platform/tamb/Player.h"
#include "platform/tamb/ScriptMovie.h"
#include "transaction/CZorbPlexarUI.h"

using movietest::eventually;
using movietest::MovieTest;
using movietest::ScriptedCommand;
using tamb::Invocation;
using tamb::ScriptMovie;

namespace {

namespace lei = vesko::tamb_canvas::lumen_external_interface;

constexpr uint32_t kBoundMs = 30000;

// Answers questions from a thread of its own after a random number of
// yields, so answers race the asking thread's wait and the main loop.
class LateAnswerer {
 public:
  explicit LateAnswerer(ScriptMovie& movie) : m_movie(movie), m_thread([this] { run(); }) {}
  ~LateAnswerer() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    m_cond.notify_all();
    m_thread.join();
  }
  void answerLater(const std::string& id, const std::string& value) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_pending.push_back({id, value});
    }
    m_cond.notify_all();
  }

 private:
  void run() {
    std::mt19937 random(99);
    for (;;) {
      std::pair<std::string, std::string> next;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cond.wait(lock, [&] { return m_stop || !m_pending.empty(); });
        if (m_stop) return;
        next = m_pending.front();
        m_pending.pop_front();
      }
      for (unsigned i = random() % 300; i > 0; --i) std::this_thread::yield();
      m_movie.inject(ScriptMovie::kAnswerName, {next.first, next.second});
    }
  }

  ScriptMovie& m_movie;
  std::mutex m_mutex;
  std::condition_variable m_cond;
  std::deque<std::pair<std::string, std::string>> m_pending;
  bool m_stop = false;
  std::thread m_thread;
};

class RoundTrip : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    auto made = std::make_unique<ScriptMovie>();
    movie = made.get();
    const MessageEscapeCodec& codec = CTAMBFrontController::getInstance()->codec();
    movie->setTextCodec([&codec](const std::string& s) { return codec.encode(s); },
                        [&codec](const std::string& s) { return codec.decode(s); });
    // What the player-view handler does with the movie's external calls.
    player.setExternalCallHandler([](const std::string& text) {
      lei::request_t request = lei::read_request(text.c_str(), static_cast<unsigned>(text.size()));
      CTAMBFrontController::getInstance()->dispatchInvocation(request);
    });
    player.load(std::move(made));
    MovieConnection::setMainLoop(&loop);
    MovieConnection::setPlayer(&player);
  }
  void TearDown() override {
    if (executor) {
      executor->stop();
      EXPECT_TRUE(executor->waitForEnd(kBoundMs));
      executor.reset();
    }
    for (const char* name : m_registered) CCommandFactory::getInstance()->unregisterCommand(name);
    MovieConnection::setPlayer(nullptr);
    MovieConnection::setMainLoop(nullptr);
    MovieTest::TearDown();
  }

  void startWorker(CommandExecutor_Impl::InitJob init = [] { return true; }) {
    executor = std::make_unique<CommandExecutor_Impl>(std::move(init));
    CTAMBFrontController::m_CommandExecutor = executor.get();
    ASSERT_TRUE(executor->start());
  }
  void registerCommand(const char* name, ScriptedCommand::Work work) {
    CCommandFactory::getInstance()->registerCommand(
        [name, work] { return std::make_unique<ScriptedCommand>(name, work); });
    m_registered.push_back(name);
  }
  bool runUntil(const std::function<bool()>& done) { return loop.runUntil(done, kBoundMs); }

  // The movie's calls of one name whose argument 1 is the given text.
  std::vector<std::vector<std::string>> calls(const std::string& name, const std::string& arg1) {
    std::vector<std::vector<std::string>> out;
    for (const Invocation& call : movie->callsNamed(name)) {
      const auto strings = call.strings();
      if (strings.size() > 1 && strings[1] == arg1) out.push_back(strings);
    }
    return out;
  }

  tamb::MainLoop loop;
  tamb::Player player{loop};
  ScriptMovie* movie = nullptr;
  std::unique_ptr<CommandExecutor_Impl> executor;

 private:
  std::vector<const char*> m_registered;
};

// Asks OK/Cancel with its argument 1 and replies [id, "0", the movie's answer].
void askThenReply(ScriptedCommand& cmd) {
  cmd.askOKCancel(cmd.argumentText(1), CZorbPlexarUI::kYesNo);
  cmd.sendReply({"0", cmd.argumentText(1)});
}

}  // namespace

TEST_F(RoundTrip, TheStartUpHandShakeThenTheCommandLine) {
  std::string savedPath = gAppPath;
  gAppPath.clear();
  CString savedLocale;
  CZorbOS::getLocale(savedLocale);
  CZorbOS::ResetLocaleListForTest();
  setStartupLine(u"-install <a>.kxp", true);
  movie->expect("brioParseSuppress", {"0"});
  movie->expect("brioGetLocaleList", {"0", "en_US,de_DE"});
  movie->expect("brioParseLocale", {"0", "de_DE"});

  startWorker(&CommandExecutor::init);
  ASSERT_TRUE(runUntil([&] { return !movie->callsNamed("brioNotifyReady").empty(); }));
  std::vector<std::string> names;
  for (const Invocation& call : movie->calls()) names.push_back(call.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"brioParseSuppress", "brioGetLocaleList", "brioParseLocale",
                                      "brioSetLocale", "brioNotifyReady"}));
  EXPECT_EQ(movie->callsNamed("brioParseSuppress")[0].strings()[1], "-install <a>.kxp");
  EXPECT_TRUE(g_isInSuppressMode);
  EXPECT_EQ(movie->callsNamed("brioSetLocale")[0].strings()[1], "de_DE");
  EXPECT_EQ(engine.initCalls, 1);

  movie->inject("brioCommandLineRequestReady", {"r1"});
  ASSERT_TRUE(runUntil([&] { return !movie->callsNamed("brioEnableUI").empty(); }));
  const auto handed = movie->callsNamed("brioHandleCommandLine");
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].strings()[1], "-install <a>.kxp");
  EXPECT_TRUE(movie->unansweredCalls().size() >= 3u);  // the posts that need no answer

  gAppPath = savedPath;
  CZorbOS::setLocale(savedLocale);
  CZorbOS::ResetLocaleListForTest();
}

TEST_F(RoundTrip, AThousandMixedCommandsEachReplyOnceWithItsOwnId) {
  registerCommand("testAsk", &askThenReply);
  registerCommand("testQuick", [](ScriptedCommand& cmd) {
    cmd.sendReply({"0", cmd.argumentText(1)});
  });
  LateAnswerer answerer(*movie);
  size_t replies = 0;
  movie->respond("brioCallBack", [&](const Invocation& call, ScriptMovie&) {
    const auto s = call.strings();
    if (s.size() == 4 && s[1] == "8") answerer.answerLater(s[0], "answer to " + s[3]);
    if (s.size() > 1 && s[1] == "0") ++replies;
  });
  startWorker();

  constexpr int kCommands = 1000;
  std::map<std::string, std::string> expected;
  std::mt19937 random(1);
  std::vector<std::tuple<std::string, std::string, std::string>> plan;
  for (int i = 0; i < kCommands; ++i) {
    const bool asks = random() % 2;
    const std::string id = "c" + std::to_string(i);
    // Texts with escaped characters travel both ways.
    const std::string value = "v<" + std::to_string(i) + ">&#";
    plan.push_back({asks ? "testAsk" : "testQuick", id, value});
    // A command that asked replies with the movie's answer to it.
    expected[id] = asks ? "answer to " + value : value;
  }
  std::thread injector([&] {
    for (const auto& [name, id, value] : plan) movie->inject(name, {id, value});
  });
  ASSERT_TRUE(runUntil([&] { return replies == kCommands; }));
  injector.join();

  std::set<std::string> seen;
  for (const auto& reply : calls("brioCallBack", "0")) {
    ASSERT_EQ(reply.size(), 3u);
    EXPECT_TRUE(seen.insert(reply[0]).second) << "second reply for " << reply[0];
    EXPECT_EQ(reply[2], expected[reply[0]]) << reply[0];
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kCommands));
  EXPECT_EQ(CRequestIdManager::getInstance()->waitingCount(), 0u);
}

TEST_F(RoundTrip, TwoCallsOfOneNameAtOnceKeepTheirOwnIdsAndAnswers) {
  registerCommand("testAsk", [](ScriptedCommand& cmd) {
    const std::string asked = cmd.argumentText(1);
    const int answer = cmd.askOKCancel(asked, CZorbPlexarUI::kYesNo);
    cmd.sendReply({"0", asked, std::to_string(answer)});
  });
  std::vector<Invocation> questions;
  movie->respond("brioCallBack", [&](const Invocation& call, ScriptMovie&) {
    if (call.strings()[1] == "8") questions.push_back(call);
  });
  startWorker();

  movie->inject("testAsk", {"first", "a"});
  ASSERT_TRUE(runUntil([&] { return questions.size() == 1; }));
  // The second call arrives while the first waits for its answer.
  movie->inject("testAsk", {"second", "b"});
  ASSERT_TRUE(runUntil([&] { return executor->queuedCount() == 1; }));
  movie->answer(questions[0], {"6"});
  ASSERT_TRUE(runUntil([&] { return questions.size() == 2; }));
  movie->answer(questions[1], {"7"});
  ASSERT_TRUE(runUntil([&] { return calls("brioCallBack", "0").size() == 2; }));

  EXPECT_EQ(questions[0].strings(), (std::vector<std::string>{"first", "8", "4", "a"}));
  EXPECT_EQ(questions[1].strings(), (std::vector<std::string>{"second", "8", "4", "b"}));
  EXPECT_EQ(calls("brioCallBack", "0"), (std::vector<std::vector<std::string>>{
                                            {"first", "0", "a", "6"}, {"second", "0", "b", "7"}}));
}

TEST_F(RoundTrip, ShutdownWhileTheWorkerWaitsForTheMovie) {
  int answer = 0;
  bool finished = false;
  registerCommand("testAsk", [&](ScriptedCommand& cmd) {
    answer = cmd.askOKCancel("Quit the host?", CZorbPlexarUI::kQuitRunningHost);
    finished = true;
  });
  startWorker();
  movie->inject("testAsk", {"m1"});
  ASSERT_TRUE(runUntil([&] { return !movie->callsNamed("brioCallBack").empty(); }));
  ASSERT_TRUE(eventually([] { return CRequestIdManager::getInstance()->threadsInWait() == 1; }));

  executor->stop();
  // The worker wakes the loop when it ends.
  ASSERT_TRUE(runUntil([&] { return executor->hasEnded(); }));
  ASSERT_TRUE(executor->waitForEnd(kBoundMs));
  EXPECT_TRUE(finished);
  EXPECT_EQ(answer, CZorbPlexarUI::kAnswerCancel);
}
