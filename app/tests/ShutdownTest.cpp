// The worker's life as the window's player handler runs it: started when
// the movie is ready, stopped in order when the movie asks to exit, and a
// start-up that fails ends the program.

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/CommandExecutor_Impl.h"
#include "app/CTAMBFrontController.h"
#include "app/PlexarApp.h"
#include "app/PlexarEngine.h"
#include "app/WindowEventHandlers.h"
#include "app/tests/MovieTestSupport.h"
#include "engine/CZorbHostMessenger.h"
#include "platform/os/Clock.h"
#include "platform/tamb/MainLoop.h"
#include "platform/tamb/ScriptMovie.h"
#include "platform/tamb/Window.h"
#include "testsupport/TestProduct.h"
#include "transaction/CZorbPlexarUI.h"

using movietest::eventually;
using movietest::MovieTest;
using movietest::ScriptedCommand;
using tamb::Invocation;
using tamb::ScriptMovie;

namespace {

constexpr uint32_t kBoundMs = 30000;

class Shutdown : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    shell::resetForTest();
    window = std::make_unique<tamb::Window>(loop, tamb::Rect{100, 100, 630, 890});
    view = &window->addView(platform::fourCC("Lumn"), 0);
    shell::window = window.get();
    shell::player = view;
    auto made = std::make_unique<ScriptMovie>();
    movie = made.get();
    const MessageEscapeCodec& codec = CTAMBFrontController::getInstance()->codec();
    movie->setTextCodec([&codec](const std::string& s) { return codec.encode(s); },
                        [&codec](const std::string& s) { return codec.decode(s); });
    // As the start-up wires it: the movie's calls reach the player handler.
    view->player().setExternalCallHandler([this](const std::string& text) {
      tamb::Event e = tamb::Event::of(tamb::kEventClassPlayer, tamb::kEventPlayerExternalCall);
      e.requestText = text;
      view->sendEvent(e);
    });
    view->installEventHandler({{tamb::kEventClassPlayer, tamb::kEventPlayerExternalCall}},
                              &WindowedQmvPlayerEventHandler);
    view->player().load(std::move(made));
    MovieConnection::setMainLoop(&loop);
    MovieConnection::setPlayer(&view->player());
    shell::setWorkerFactory([this] {
      ++workersMade;
      return std::make_unique<CommandExecutor_Impl>(initJob);
    });
  }
  void TearDown() override {
    shell::resetForTest();
    for (const char* name : m_registered) CCommandFactory::getInstance()->unregisterCommand(name);
    MovieConnection::setPlayer(nullptr);
    MovieConnection::setMainLoop(nullptr);
    MovieTest::TearDown();
  }

  void registerCommand(const char* name, ScriptedCommand::Work work) {
    CCommandFactory::getInstance()->registerCommand(
        [name, work] { return std::make_unique<ScriptedCommand>(name, work); });
    m_registered.push_back(name);
  }
  void ready() {
    movie->inject("brioCallBackReady", {"m0"});
    ASSERT_TRUE(loop.runUntil([] { return shell::worker() != nullptr; }, kBoundMs));
  }

  tamb::MainLoop loop;
  std::unique_ptr<tamb::Window> window;
  tamb::View* view = nullptr;
  ScriptMovie* movie = nullptr;
  CommandExecutor_Impl::InitJob initJob = [] { return true; };
  std::atomic<int> workersMade{0};

 private:
  std::vector<const char*> m_registered;
};

}  // namespace

TEST_F(Shutdown, TheWorkerStartsOnceWhenTheMovieIsReady) {
  ready();
  movie->inject("brioCallBackReady", {"m1"});
  bool drained = false;
  loop.post([&] { drained = true; });
  ASSERT_TRUE(loop.runUntil([&] { return drained; }, kBoundMs));
  EXPECT_EQ(workersMade.load(), 1);
  EXPECT_EQ(CTAMBFrontController::m_CommandExecutor.load(), shell::worker());
}

TEST_F(Shutdown, AnExitWhileACommandWaitsEndsItsWaitLetsItFinishAndRunsNothingMore) {
  g_isInSuppressMode = true;
  std::atomic<int> answer{-1};
  std::atomic<bool> cancelled{false};
  std::atomic<bool> laterRan{false};
  registerCommand("testAsk", [&](ScriptedCommand& cmd) {
    answer = cmd.askOKCancel("Go on?", CZorbPlexarUI::kYesNo);
    cancelled = cmd.isCancelled();
    // Rolled back; the reply still reaches the movie.
    g_exitCode = 1;
    cmd.sendReply({"2", std::to_string(answer.load())});
  });
  registerCommand("testLater", [&](ScriptedCommand&) { laterRan = true; });
  // The movie does not answer the question: it asks the program to exit.
  movie->respond("brioCallBack", [](const Invocation& call, ScriptMovie& m) {
    const auto s = call.strings();
    if (s.size() > 1 && s[1] == "8") m.inject("externalAppExit", {"m9", "3"});
  });
  ready();
  movie->inject("testAsk", {"m1"});
  movie->inject("testLater", {"m2"});

  loop.runUntil([] { return false; }, kBoundMs);  // until the exit request ends it
  ASSERT_TRUE(shell::exitCommandFromBrio);
  ASSERT_TRUE(PlexarApp::finishWorker(kBoundMs));
  EXPECT_TRUE(shell::worker()->hasEnded());
  EXPECT_EQ(answer.load(), CZorbPlexarUI::kAnswerCancel);
  EXPECT_TRUE(cancelled.load());
  EXPECT_FALSE(laterRan.load());
  // The loop ran while the worker finished: its reply was delivered.
  std::vector<std::vector<std::string>> replies;
  for (const Invocation& c : movie->callsNamed("brioCallBack"))
    if (c.strings().size() > 1 && c.strings()[1] == "2") replies.push_back(c.strings());
  EXPECT_EQ(replies, (std::vector<std::vector<std::string>>{
                         {"m1", "2", std::to_string(CZorbPlexarUI::kAnswerCancel)}}));
  // The request decided 3; the command rolled back after it and reported
  // its failure, which is what the program ends with.
  EXPECT_EQ(shell::requestedExitCode(), 3);
  EXPECT_EQ(shell::exitCodeAtEnd(), 1);
}

TEST_F(Shutdown, ACommandThatDoesNotEndInTimeIsLeftBehind) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> started{false};
  registerCommand("testStuck", [&, released](ScriptedCommand&) {
    started = true;
    released.wait();  // deaf to the stop
  });
  ready();
  movie->inject("testStuck", {"m1"});
  loop.runPending();
  ASSERT_TRUE(eventually([&] { return started.load(); }));

  platform::TestClock clock;
  bool finished = true;
  {
    platform::ScopedClock useClock(clock);
    std::atomic<bool> done{false};
    std::thread ticker([&] {
      while (!done) {
        clock.advance(1000);
        std::this_thread::yield();
      }
    });
    finished = PlexarApp::finishWorker(PlexarApp::kWorkerStopBoundMs);
    done = true;
    ticker.join();
  }
  EXPECT_FALSE(finished);
  EXPECT_FALSE(shell::worker()->hasEnded());
  release.set_value();
  EXPECT_TRUE(PlexarApp::finishWorker(kBoundMs));
}

TEST_F(Shutdown, AFailedStartUpEndsEveryLoopWithMinusOneAndSaysSo) {
  initJob = [] { return false; };
  testing::internal::CaptureStderr();
  movie->inject("brioCallBackReady", {"m0"});
  bool nestedEnded = false;
  loop.post([&] {
    loop.run();  // as if a hand-shake were under way
    nestedEnded = true;
  });
  loop.runUntil([] { return false; }, kBoundMs);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(nestedEnded);
  EXPECT_EQ(g_exitCode.load(), -1);
  EXPECT_TRUE(shell::exitCommandFromBrio);
  EXPECT_EQ(shell::requestedExitCode(), -1);
  EXPECT_NE(printed.find("Plexar can't start"), std::string::npos) << printed;
  EXPECT_TRUE(PlexarApp::finishWorker(kBoundMs));
}

TEST_F(Shutdown, AStartUpEndedByTheExitRequestIsNoFailure) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> started{false};
  initJob = [&, released] {
    started = true;
    released.wait();
    return false;  // as the hand-shake does once its waits are cancelled
  };
  ready();
  ASSERT_TRUE(eventually([&] { return started.load(); }));
  movie->inject("externalAppExit", {"m9", "4"});
  loop.runUntil([] { return false; }, kBoundMs);
  release.set_value();
  ASSERT_TRUE(PlexarApp::finishWorker(kBoundMs));
  loop.runPending();  // the worker's end is looked at
  EXPECT_FALSE(shell::worker()->initFailed());
  EXPECT_EQ(g_exitCode.load(), 0);  // outside suppress mode
  EXPECT_EQ(shell::requestedExitCode(), 0);
}

TEST_F(Shutdown, AboutOnceReadyShowsTheDialogAndTheWindow) {
  ready();
  window->collapse(true);
  tamb::Event about = tamb::Event::of(tamb::kEventClassCommand, tamb::kEventCommandProcess);
  about.commandId = platform::fourCC("abou");
  EXPECT_EQ(MyAppEventHandler(about), 0);
  EXPECT_FALSE(window->isCollapsed());
  ASSERT_TRUE(
      loop.runUntil([&] { return !movie->callsNamed("brioShowAboutDialog").empty(); }, kBoundMs));
}

namespace {

// Starting a host blocks until the program ends the engine's waits, as a
// host that never comes up keeps the relaunch loop going.
class StuckLauncher : public CZorbHostMessenger {
 public:
  explicit StuckLauncher(const CZorbPlexar& plexar, testsupport::TestProduct& host)
      : m_plexar(plexar), m_host(host) {}
  bool HasInstance() const override { return true; }
  bool Launch(const std::string&) override {
    ++launches;
    if (!eventually([this] { return m_plexar.WaitsCancelled(); })) m_host.m_running = true;
    return true;
  }
  std::atomic<int> launches{0};

 private:
  const CZorbPlexar& m_plexar;
  testsupport::TestProduct& m_host;
};

}  // namespace

TEST_F(Shutdown, TheEndOfTheProgramEndsTheEnginesWaitForAHost) {
  PlexarEngine plexarEngine;
  IEngine* saved = CTAMBFrontController::m_manager;
  CTAMBFrontController::m_manager = &plexarEngine;
  testsupport::TestProduct host(u"Host");
  host.m_arborName = u"lumen-11.0";
  StuckLauncher launcher(plexarEngine.plexar(), host);
  CZorbHostMessenger::SetCurrent(&launcher);
  std::atomic<bool> returned{false};
  registerCommand("testRelaunch", [&](ScriptedCommand&) {
    plexarEngine.plexar().launchPointProduct(&host);
    returned = true;
  });
  ready();
  movie->inject("testRelaunch", {"m1"});
  loop.runPending();
  ASSERT_TRUE(eventually([&] { return launcher.launches.load() == 1; }));

  EXPECT_TRUE(PlexarApp::finishWorker(kBoundMs));
  EXPECT_TRUE(returned.load());
  EXPECT_TRUE(plexarEngine.plexar().WaitsCancelled());
  // Given up at once: no further attempt, and the host never ran.
  EXPECT_EQ(launcher.launches.load(), 1);
  EXPECT_FALSE(host.m_running);
  CZorbHostMessenger::SetCurrent(nullptr);
  CTAMBFrontController::m_manager = saved;
}
