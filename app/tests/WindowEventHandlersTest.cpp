#include "app/WindowEventHandlers.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/CommandExecutor.h"
#include "app/tests/MovieTestSupport.h"
#include "platform/tamb/Invocation.h"
#include "platform/tamb/MainLoop.h"

using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::ScriptedCommand;
using tamb::Event;
using tamb::Rect;

namespace {

// 800 x 600 pixels of content.
constexpr Rect kContent{100, 200, 700, 1000};
constexpr int32_t kNotHandled = tamb::eventNotHandledErr;
constexpr int32_t kSwallowed = tamb::eventInternalErr;

// Keeps the commands it is given instead of running them.
class QueueingExecutor final : public CommandExecutor {
 public:
  bool start() override { return true; }
  void postMessage(std::unique_ptr<CBrioCommand> cmd) override {
    if (cmd) queued.push_back(std::move(cmd));
  }
  void postMessageToMainThread(std::unique_ptr<request_t> request) override {
    MovieConnection::post(std::move(request));
  }
  bool getThreadID(std::thread::id*) override { return true; }

  std::vector<std::unique_ptr<CBrioCommand>> queued;
};

class WindowHandlers : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    shell::resetForTest();
    window = std::make_unique<tamb::Window>(loop, kContent);
    view = &window->addView(platform::fourCC("Lumn"), 0);
    shell::window = window.get();
    shell::player = view;
    MovieConnection::setMainLoop(&loop);
  }
  void TearDown() override {
    shell::resetForTest();
    MovieConnection::setMainLoop(nullptr);
    MovieTest::TearDown();
  }

  // An external call of the movie, its texts escaped as the movie does.
  int32_t call(const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> encoded;
    for (const std::string& a : args)
      encoded.push_back(CTAMBFrontController::getInstance()->codec().encode(a));
    Event e = Event::of(tamb::kEventClassPlayer, tamb::kEventPlayerExternalCall);
    e.requestText = tamb::formatRequest(tamb::Invocation::of(name, encoded));
    return WindowedQmvPlayerEventHandler(e);
  }
  int32_t mouse(uint32_t kind, float x, float y, uint32_t clicks = 1, uint16_t button = 1) {
    Event e = Event::mouse(kind, x, y, clicks, button);
    return QmvPlayerNibWindowEventHandler(e);
  }
  Rect bounds() const {
    Rect r;
    EXPECT_TRUE(window->getContentBounds(r));
    return r;
  }
  std::vector<std::string> boundsOperations() const {
    std::vector<std::string> out;
    for (const std::string& op : window->operations())
      if (op.rfind("bounds ", 0) == 0) out.push_back(op);
    return out;
  }
  std::vector<std::vector<std::string>> sentNamed(const std::string& name) const {
    std::vector<std::vector<std::string>> out;
    for (const movietest::Sent& s : sink.sent())
      if (s.name == name) out.push_back(s.args);
    return out;
  }

  tamb::MainLoop loop;
  RecordingSink sink;
  std::unique_ptr<tamb::Window> window;
  tamb::View* view = nullptr;
};

}  // namespace

TEST_F(WindowHandlers, TheStripDragsExceptInsideItsAreasWhoseEdgesStillDrag) {
  // Before the movie names a strip only the content's top row drags.
  EXPECT_TRUE(isAcceptDrag(500, 100));
  EXPECT_FALSE(isAcceptDrag(500, 101));

  // A strip of 40 with one area from 300 to 100 pixels left of the right
  // edge and from 5 to 30 pixels below the top.
  call("externalSendDraggableArea", {"-1", "40", "300", "5", "100", "30"});
  const struct {
    int x, y;
    bool drags;
  } cases[] = {
      {950, 110, true},   // right of the area
      {800, 110, false},  // inside
      {700, 110, true},   // on its left side
      {900, 110, true},   // on its right side
      {800, 105, true},   // on its top
      {800, 130, true},   // on its bottom
      {800, 129, false},  // just inside
      {800, 140, true},   // the strip's last row
      {800, 141, false},  // below the strip
      {300, 100, true},   // the top row
  };
  for (const auto& c : cases) EXPECT_EQ(isAcceptDrag(c.x, c.y), c.drags) << c.x << "," << c.y;
}

TEST_F(WindowHandlers, TheResizeCornerIsTwentyPixelsSquareAndPointsBeyondPass) {
  const struct {
    int x, y;
    bool resizes;
  } cases[] = {
      {981, 681, true},  {1000, 700, true}, {980, 690, false},
      {990, 680, false}, {1005, 705, true}, {500, 690, false},
  };
  for (const auto& c : cases) EXPECT_EQ(isAcceptResize(c.x, c.y), c.resizes) << c.x << "," << c.y;
}

TEST_F(WindowHandlers, DraggableAreasAddUpAndIncompleteOnesChangeNothing) {
  call("externalSendDraggableArea", {"-1", "40", "300", "5", "100", "30"});
  call("externalSendDraggableArea", {"-2", "50", "60", "0", "20", "10", "7", "8"});
  EXPECT_EQ(shell::titleBarHeight, 50);
  EXPECT_EQ(shell::excludeAreaList, (std::vector<ExcludeRect>{{300, 5, 100, 30}, {60, 0, 20, 10}}));
  EXPECT_EQ(call("externalSendDraggableArea", {"-3", "70", "1", "2", "3"}), kNotHandled);
  EXPECT_EQ(shell::titleBarHeight, 50);
  EXPECT_EQ(shell::excludeAreaList.size(), 2u);
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(WindowHandlers, DraggingMovesTheWindowButNeverAboveThirty) {
  call("externalSendDraggableArea", {"-1", "40", "0", "0", "0", "0"});
  const struct {
    float x, y;
    std::vector<std::string> applied;
  } cases[] = {
      {520, 130, {"bounds 120 220 720 1020"}},
      {400, 50, {"bounds 40 100 640 900"}},
      // Up beyond the limit: the top stops at 30, sideways still follows.
      {450, 30, {"bounds 20 150 620 950", "bounds 30 150 630 950"}},
      {700, -500.7f, {"bounds -510 400 90 1200", "bounds 30 400 630 1200"}},
      // Back where it began: nothing to do.
      {500, 110, {}},
  };
  for (const auto& c : cases) {
    window->setContentBounds(kContent);
    window->clearOperations();
    ASSERT_EQ(mouse(tamb::kEventMouseDown, 500, 110), kNotHandled);
    ASSERT_TRUE(shell::startDraging);
    EXPECT_EQ(mouse(tamb::kEventMouseDragged, c.x, c.y), kNotHandled);
    EXPECT_EQ(boundsOperations(), c.applied) << c.x << "," << c.y;
    EXPECT_EQ(mouse(tamb::kEventMouseUp, c.x, c.y), kNotHandled);
    EXPECT_FALSE(shell::startDraging);
  }
}

TEST_F(WindowHandlers, ResizingStopsAt790By530AndTheSameSizeIsNotAppliedTwice) {
  ASSERT_EQ(mouse(tamb::kEventMouseDown, 990, 690), kNotHandled);
  ASSERT_TRUE(shell::startResizing);
  EXPECT_EQ(shell::currWidth, 800);
  EXPECT_EQ(shell::currHeight, 600);
  const struct {
    float x, y;
    std::vector<std::string> applied;
  } steps[] = {
      {1090, 740, {"bounds 100 200 750 1100"}},
      {500, 300, {"bounds 100 200 630 990"}},  // far too small: the minimum
      {400, 200, {}},                          // the minimum again
      {979, 690, {"bounds 100 200 700 990"}},  // 789 wide becomes 790
      {991, 690, {"bounds 100 200 700 1001"}},
      {991, 690, {}},  // the same size again
      {990, 690, {}},  // back at the start: nothing to do
  };
  for (const auto& s : steps) {
    window->clearOperations();
    EXPECT_EQ(mouse(tamb::kEventMouseDragged, s.x, s.y), kNotHandled);
    EXPECT_EQ(boundsOperations(), s.applied) << s.x << "," << s.y;
  }
  // Outside the corner a click starts nothing.
  window->setContentBounds(kContent);
  mouse(tamb::kEventMouseDown, 900, 500);
  EXPECT_FALSE(shell::startResizing);
  window->clearOperations();
  mouse(tamb::kEventMouseDragged, 950, 550);
  EXPECT_TRUE(boundsOperations().empty());
}

TEST_F(WindowHandlers, DoubleClicksMinimiseInTheStripAndAreSwallowedElsewhere) {
  call("externalSendDraggableArea", {"-1", "40", "300", "5", "100", "30"});
  EXPECT_EQ(mouse(tamb::kEventMouseDown, 800, 110, 2), kSwallowed);  // in an area
  EXPECT_FALSE(window->isCollapsed());
  EXPECT_EQ(mouse(tamb::kEventMouseDown, 500, 500, 2), kSwallowed);
  EXPECT_FALSE(window->isCollapsed());
  EXPECT_FALSE(shell::startDraging || shell::startResizing);
  EXPECT_EQ(mouse(tamb::kEventMouseDown, 990, 690, 2), kSwallowed);  // even in the corner
  EXPECT_FALSE(shell::startResizing);
  EXPECT_EQ(mouse(tamb::kEventMouseDown, 500, 120, 2), kSwallowed);
  EXPECT_TRUE(window->isCollapsed());
  EXPECT_FALSE(shell::startDraging);
  // Only the primary button counts.
  EXPECT_EQ(mouse(tamb::kEventMouseDown, 500, 120, 1, 2), kNotHandled);
  EXPECT_FALSE(shell::startDraging);
}

TEST_F(WindowHandlers, ThePlayerIsNotHitWhileTheWindowMovesOrGrows) {
  call("externalSendDraggableArea", {"-1", "40", "0", "0", "0", "0"});
  Event hit = Event::of(tamb::kEventClassControl, tamb::kEventControlHitTest);
  EXPECT_EQ(WindowedQmvPlayerEventHandler(hit), kNotHandled);
  mouse(tamb::kEventMouseDown, 500, 110);
  EXPECT_EQ(WindowedQmvPlayerEventHandler(hit), 0);
  EXPECT_FALSE(hit.partCode.has_value());
  mouse(tamb::kEventMouseUp, 500, 110);
  mouse(tamb::kEventMouseDown, 995, 695);
  EXPECT_EQ(WindowedQmvPlayerEventHandler(hit), 0);
  mouse(tamb::kEventMouseUp, 995, 695);
  EXPECT_EQ(WindowedQmvPlayerEventHandler(hit), kNotHandled);
  Event resized = Event::of(tamb::kEventClassPlayer, tamb::kEventPlayerResized);
  EXPECT_EQ(WindowedQmvPlayerEventHandler(resized), 0);
}

TEST_F(WindowHandlers, SetWindowPreferencesPlacesShowsAndFocusesTheWindowThenAnswers) {
  EXPECT_EQ(call("externalSetWindowPreferences", {"-1", "10", "50", "800", "600", "0"}), 0);
  EXPECT_EQ(
      window->operations(),
      (std::vector<std::string>{"bounds 50 10 649 809", "view-visible 1", "bounds 50 10 650 810",
                                "show", "user-focus", "keyboard-focus 1282764142 0"}));
  EXPECT_EQ(shell::currWidth, 800);
  EXPECT_EQ(shell::currHeight, 600);
  EXPECT_EQ(sentNamed("brioCallBack"), (std::vector<std::vector<std::string>>{{"-1", "0"}}));

  // Wrong counts: nothing changes and nothing answers.
  window->clearOperations();
  sink.clear();
  EXPECT_EQ(call("externalSetWindowPreferences", {"-2", "10", "50", "800", "600"}), 0);
  EXPECT_EQ(call("externalGetWindowPreferences", {"-3", "x"}), 0);
  EXPECT_TRUE(window->operations().empty());
  EXPECT_TRUE(sink.sent().empty());

  // Suppress mode: the window never shows.
  window->hide();
  g_isInSuppressMode = true;
  call("externalSetWindowPreferences", {"-4", "0", "40", "900", "700", "0"});
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(bounds(), (Rect{40, 0, 740, 900}));
  EXPECT_EQ(sentNamed("brioCallBack"), (std::vector<std::vector<std::string>>{{"-4", "0"}}));
}

TEST_F(WindowHandlers, TheWindowReportsTheRectangleOfItsState) {
  call("externalSetWindowPreferences", {"-1", "10", "50", "800", "600", "1"});
  EXPECT_TRUE(window->isInStandardState());
  EXPECT_EQ(shell::currWindowRect, (Rect{50, 10, 650, 810}));
  // Maximised: the size the movie asked for.
  call("externalGetWindowPreferences", {"-2"});
  // Minimised only by a double click: nothing saved yet.
  call("externalSendDraggableArea", {"-3", "40", "0", "0", "0", "0"});
  mouse(tamb::kEventMouseDown, 700, 30, 2);
  call("externalGetWindowPreferences", {"-4"});
  window->collapse(false);
  call("externalAppWindowOperate", {"-5", "2"});
  call("externalGetWindowPreferences", {"-6"});
  call("externalAppWindowOperate", {"-7", "0"});
  call("externalGetWindowPreferences", {"-8"});
  window->dispose();
  call("externalGetWindowPreferences", {"-9"});
  EXPECT_EQ(sentNamed("brioCallBack"),
            (std::vector<std::vector<std::string>>{{"-1", "0"},
                                                   {"-2", "0", "10", "50", "800", "600"},
                                                   {"-4", "0", "0", "0", "0", "0"},
                                                   {"-6", "0", "10", "50", "800", "600"},
                                                   {"-8", "0", "10", "50", "800", "600"},
                                                   {"-9", "1"}}));
}

TEST_F(WindowHandlers, WindowOperationsMinimiseMaximiseAndRestore) {
  call("externalAppWindowOperate", {"-1", "1"});
  EXPECT_EQ(shell::currWindowRect, kContent);
  EXPECT_EQ(bounds(), tamb::Window::kDefaultStandardBounds);
  window->clearOperations();
  call("externalAppWindowOperate", {"-2", "2"});
  EXPECT_EQ(window->operations(), (std::vector<std::string>{"zoom 7", "bounds 100 200 701 1001",
                                                            "bounds 100 200 700 1000"}));
  call("externalAppWindowOperate", {"-3", "0"});
  EXPECT_TRUE(window->isCollapsed());
  EXPECT_EQ(shell::priorWindowCollapsedRect, kContent);
  // An unknown or missing operation does nothing.
  window->clearOperations();
  EXPECT_EQ(call("externalAppWindowOperate", {"-4", "3"}), kNotHandled);
  EXPECT_EQ(call("externalAppWindowOperate", {"-5"}), kNotHandled);
  EXPECT_EQ(call("externalAppWindowOperate", {}), kNotHandled);
  EXPECT_TRUE(window->operations().empty());

  EXPECT_EQ(call("externalRequestToRestoreFocus", {"-6"}), 0);
  EXPECT_EQ(window->operations(),
            (std::vector<std::string>{"user-focus", "keyboard-focus 1282764142 0"}));
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(WindowHandlers, TheExitCodeIsTheMoviesOnlyInSuppressModeAndOnlyWhileNoneIsSet) {
  const struct {
    bool suppress;
    int32_t before;
    std::vector<std::string> args;
    int32_t after;
  } cases[] = {
      {false, 0, {"-1", "3"}, 0},
      {false, 1, {"-1", "3"}, 0},
      {true, 0, {"-1", "3"}, 3},
      {true, 5, {"-1", "3"}, 5},
      {true, 0, {"-1", "x"}, 0},
      {true, 0, {"-1", " -2z"}, -2},
      {true, 0, {"-1"}, 0},
      {true, 1, {}, 1},
      {true, 0, {"-1", "99999999999"}, 2147483647},
  };
  for (const auto& c : cases) {
    shell::resetForTest();
    shell::window = window.get();
    g_isInSuppressMode = c.suppress;
    g_exitCode = c.before;
    EXPECT_EQ(call("externalAppExit", c.args), kNotHandled);
    EXPECT_EQ(g_exitCode.load(), c.after) << c.suppress << " " << c.before;
    EXPECT_EQ(shell::requestedExitCode(), c.after);
    EXPECT_TRUE(shell::exitCommandFromBrio);
  }
  // The request ends every running loop level.
  loop.post([&] {
    loop.post([&] { call("externalAppExit", {"-1", "0"}); });
    loop.run();
  });
  EXPECT_TRUE(loop.runUntil([] { return false; }, 60000) == false);
  EXPECT_EQ(loop.depth(), 0u);
  EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(WindowHandlers, AFailureACommandReportsAfterTheExitRequestStaysInSuppressMode) {
  const struct {
    bool suppress;
    const char* requested;
    std::optional<int32_t> commandSets;  // once the request was taken
    int32_t atEnd;
  } cases[] = {
      {true, "3", std::nullopt, 3},
      {true, "3", 1, 1},
      {true, "3", 0, 3},
      {true, "0", 1, 1},
      {false, "3", 1, 0},
      {false, "0", std::nullopt, 0},
  };
  for (const auto& c : cases) {
    shell::resetForTest();
    shell::window = window.get();
    g_isInSuppressMode = c.suppress;
    g_exitCode = 0;
    call("externalAppExit", {"-1", c.requested});
    if (c.commandSets) g_exitCode = *c.commandSets;
    EXPECT_EQ(shell::exitCodeAtEnd(), c.atEnd)
        << c.suppress << " " << c.requested << " " << c.commandSets.value_or(-99);
  }
}

TEST_F(WindowHandlers, DisposalBeforeTheExitRequestAsksTheMovieAndWaitsForIt) {
  size_t depthAtAnswer = 0;
  sink.setResponder([&](const movietest::Sent& sent) -> std::optional<std::vector<std::string>> {
    if (sent.name == "brioPostExit") {
      // The movie answers later, from the loop.
      loop.post([&] {
        depthAtAnswer = loop.depth();
        call("externalAppExit", {"-1", "0"});
      });
    }
    return std::nullopt;
  });
  bool disposed = false;
  loop.post([&] {
    Event dispose = Event::of(tamb::kEventClassWindow, tamb::kEventWindowDispose);
    EXPECT_EQ(QmvPlayerNibWindowEventHandler(dispose), kNotHandled);
    disposed = true;
  });
  EXPECT_TRUE(loop.runUntil([&] { return disposed; }, 60000));
  EXPECT_EQ(depthAtAnswer, 2u);  // the hand-shake's own level inside the outer one
  EXPECT_EQ(sentNamed("brioPostExit").size(), 1u);
  EXPECT_TRUE(shell::exitCommandFromBrio);

  // After the exit request a disposal asks nothing.
  Event again = Event::of(tamb::kEventClassWindow, tamb::kEventWindowDispose);
  EXPECT_EQ(QmvPlayerNibWindowEventHandler(again), kNotHandled);
  EXPECT_EQ(sentNamed("brioPostExit").size(), 1u);
}

TEST_F(WindowHandlers, ClosingAMinimisedWindowEndsTheLoop) {
  Event close = Event::of(tamb::kEventClassWindow, tamb::kEventWindowClose);
  bool closed = false;
  loop.post([&] {
    EXPECT_EQ(QmvPlayerNibWindowEventHandler(close), kNotHandled);
    closed = true;
  });
  EXPECT_TRUE(loop.runUntil([&] { return closed; }, 60000));
  window->collapse(true);
  bool ranAfter = false;
  loop.post([&] { QmvPlayerNibWindowEventHandler(close); });
  loop.post([&] { ranAfter = true; });
  loop.run();
  EXPECT_FALSE(ranAfter);
  EXPECT_EQ(loop.runPending(), 1u);
}

TEST_F(WindowHandlers, OtherCallsGoToTheFrontControllerAndBadRequestsAreDropped) {
  QueueingExecutor executor;
  CTAMBFrontController::m_CommandExecutor = &executor;
  CCommandFactory::getInstance()->registerCommand(
      [] { return std::make_unique<ScriptedCommand>("testCommand", nullptr); });
  EXPECT_EQ(call("testCommand", {"m1", "a<b"}), kNotHandled);
  ASSERT_EQ(executor.queued.size(), 1u);
  EXPECT_EQ(executor.queued[0]->argumentText(1), "a<b");
  CCommandFactory::getInstance()->unregisterCommand("testCommand");

  Event bad = Event::of(tamb::kEventClassPlayer, tamb::kEventPlayerExternalCall);
  bad.requestText = "<invoke name=";
  EXPECT_EQ(WindowedQmvPlayerEventHandler(bad), kNotHandled);
  EXPECT_TRUE(sink.sent().empty());
  CTAMBFrontController::m_CommandExecutor = nullptr;
}

TEST_F(WindowHandlers, AboutNeedsTheMovieReadyAndACommandId) {
  Event noId = Event::of(tamb::kEventClassCommand, tamb::kEventCommandProcess);
  EXPECT_EQ(MyAppEventHandler(noId), tamb::eventParameterNotFoundErr);
  Event other = noId;
  other.commandId = platform::fourCC("quit");
  EXPECT_EQ(MyAppEventHandler(other), kNotHandled);
  Event about = noId;
  about.commandId = platform::fourCC("abou");
  window->collapse(true);
  EXPECT_EQ(GetMyAppEventHandlerUPP()(about), 0);
  EXPECT_TRUE(sink.sent().empty());
  EXPECT_TRUE(window->isCollapsed());
}
