#include "platform/tamb/ScriptMovie.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/os/MacStatus.h"
#include "platform/tamb/MainLoop.h"
#include "platform/tamb/Player.h"
#include "platform/tamb/Tamb.h"
#include "testsupport/TempDir.h"

using tamb::Invocation;
using tamb::ScriptMovie;

namespace {

constexpr uint32_t kBoundMs = 20000;

// A player running a script movie, with the external calls it delivers.
struct Stage {
  tamb::MainLoop loop;
  tamb::Player player{loop};
  ScriptMovie* movie = nullptr;
  std::vector<Invocation> received;

  Stage() {
    player.setExternalCallHandler([this](const std::string& text) {
      auto call = tamb::parseRequest(text);
      ASSERT_TRUE(call.has_value()) << text;
      received.push_back(*call);
    });
    auto made = std::make_unique<ScriptMovie>();
    movie = made.get();
    player.load(std::move(made));
  }
  bool receive(size_t count) {
    return loop.runUntil([&] { return received.size() >= count; }, kBoundMs);
  }
};

// Writes a movie file in the folder.
std::string writeMovieFile(const TempDir& folder, const std::string& text) {
  const std::string path = folder / "Plexo.qmv";
  TempDir::write(path, text);
  return path;
}

}  // namespace

TEST(ScriptMovie, CannedAnswersGoOutInOrderUnderTheCallersId) {
  Stage stage;
  stage.movie->expect("brioParseLocale", {"0", "de_DE"});
  stage.movie->expect("brioParseLocale", {"1"}, "otherAnswer");
  stage.player.invoke(Invocation::of("brioParseLocale", {"-4", "line"}));
  stage.player.invoke(Invocation::of("brioParseLocale", {"-5", "line"}));
  stage.player.invoke(Invocation::of("brioSetLocale", {"-6", "de_DE"}));
  ASSERT_TRUE(stage.receive(2));
  EXPECT_EQ(stage.received[0], Invocation::of(ScriptMovie::kAnswerName, {"-4", "0", "de_DE"}));
  EXPECT_EQ(stage.received[1], Invocation::of("otherAnswer", {"-5", "1"}));
  EXPECT_EQ(stage.movie->callCount(), 3u);
  EXPECT_EQ(stage.movie->callsNamed("brioSetLocale").size(), 1u);
  ASSERT_EQ(stage.movie->unansweredCalls().size(), 1u);
  EXPECT_EQ(stage.movie->unansweredCalls()[0].name, "brioSetLocale");
  EXPECT_EQ(stage.movie->pendingAnswers(), 0u);
}

TEST(ScriptMovie, RespondersAnswerWhatHasNoCannedAnswer) {
  Stage stage;
  stage.movie->expect("q", {"canned"});
  stage.movie->respond("q", [](const Invocation& call, ScriptMovie& movie) {
    movie.answer(call, {"from responder"});
  });
  stage.movie->respondToOthers(
      [](const Invocation& call, ScriptMovie& movie) { movie.answer(call, {call.name}); });
  for (const char* name : {"q", "q", "other"}) stage.player.invoke(Invocation::of(name, {"id"}));
  ASSERT_TRUE(stage.receive(3));
  EXPECT_EQ(stage.received[0].strings(), (std::vector<std::string>{"id", "canned"}));
  EXPECT_EQ(stage.received[1].strings(), (std::vector<std::string>{"id", "from responder"}));
  EXPECT_EQ(stage.received[2].strings(), (std::vector<std::string>{"id", "other"}));
  EXPECT_TRUE(stage.movie->unansweredCalls().empty());
}

TEST(ScriptMovie, CallsInjectedFromOtherThreadsArriveOnTheLoop) {
  Stage stage;
  constexpr int kThreads = 3;
  constexpr int kEach = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i)
        stage.movie->inject("externalCall" + std::to_string(t), {std::to_string(i)});
    });
  ASSERT_TRUE(stage.receive(kThreads * kEach));
  for (auto& th : threads) th.join();
  std::vector<int> next(kThreads, 0);
  for (const Invocation& call : stage.received) {
    const int t = call.name.back() - '0';
    EXPECT_EQ(call.strings()[0], std::to_string(next[t]++));
  }
}

TEST(ScriptMovie, TheTextCodecDecodesWhatItRecordsAndEncodesWhatItSends) {
  Stage stage;
  stage.movie->setTextCodec([](const std::string& s) { return "enc(" + s + ")"; },
                            [](const std::string& s) { return "dec(" + s + ")"; });
  stage.movie->expect("ask", {"yes"});
  stage.player.invoke(Invocation::of("ask", {"7"}));
  ASSERT_TRUE(stage.receive(1));
  EXPECT_EQ(stage.movie->calls()[0].strings(), (std::vector<std::string>{"dec(7)"}));
  EXPECT_EQ(stage.received[0].strings(), (std::vector<std::string>{"enc(dec(7))", "enc(yes)"}));
}

TEST(ScriptMovie, RawRequestTextReachesTheHandlerAsWritten) {
  tamb::MainLoop loop;
  tamb::Player player(loop);
  std::vector<std::string> texts;
  player.setExternalCallHandler([&](const std::string& text) { texts.push_back(text); });
  auto movie = std::make_unique<ScriptMovie>();
  ScriptMovie* script = movie.get();
  player.load(std::move(movie));
  script->injectText("<invoke name=\"x\"><arguments><number>1</number></arguments></invoke>");
  loop.runPending();
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "<invoke name=\"x\"><arguments><number>1</number></arguments></invoke>"}));
}

TEST(ScriptMovie, CallsPostedBeforeThePlayerGoesAreDropped) {
  tamb::MainLoop loop;
  bool delivered = false;
  {
    tamb::Player player(loop);
    player.setExternalCallHandler([&](const std::string&) { delivered = true; });
    player.externalCall(Invocation::of("late", {}));
  }
  loop.runPending();
  EXPECT_FALSE(delivered);
}

TEST(Tamb, TheMovieFileChoosesABuiltInMovie) {
  TempDir folder;
  tamb::MainLoop loop;
  tamb::Player player(loop);
  const TAMBInitParams params{1, 0};
  ASSERT_EQ(TAMBInitialize(&params), platform::noErr);

  struct Case {
    const char* text;
    int32_t status;
  };
  const Case cases[] = {
      {"# test movie\n\nmovie = script\nlocales=en_US,de_DE\n", platform::noErr},
      {"movie=nosuchmovie\n", platform::paramErr},
      {"locales=en_US\n", platform::paramErr},
      {"movie\n", platform::paramErr},
      {"=script\n", platform::paramErr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TAMBLumenPlayerLoadMovie(&player, writeMovieFile(folder, c.text), 1), c.status)
        << c.text;
  EXPECT_EQ(TAMBLumenPlayerLoadMovie(&player, writeMovieFile(folder, "movie=script"), 1),
            platform::noErr);
  EXPECT_NE(dynamic_cast<ScriptMovie*>(player.movie()), nullptr);
  EXPECT_EQ(TAMBLumenPlayerLoadMovie(&player, "/nonexistent/Plexo.qmv", 1), platform::fnfErr);
  EXPECT_EQ(TAMBLumenPlayerLoadMovie(nullptr, writeMovieFile(folder, "movie=script"), 1),
            platform::paramErr);

  tamb::MovieSettings seen;
  tamb::registerMovie("recording", [&](const tamb::MovieSettings& settings) {
    seen = settings;
    return std::make_unique<ScriptMovie>();
  });
  EXPECT_EQ(TAMBLumenPlayerLoadMovie(
                &player, writeMovieFile(folder, "movie=recording\nlocales = en_US , fr_FR"), 1),
            platform::noErr);
  EXPECT_EQ(seen["locales"], "en_US , fr_FR");

  TAMBTerminate();
  EXPECT_EQ(TAMBLumenPlayerLoadMovie(&player, writeMovieFile(folder, "movie=script"), 1),
            platform::paramErr);
  EXPECT_EQ(TAMBInitialize(nullptr), platform::paramErr);
}

TEST(Tamb, PlayerAttributesAreSetThenCleared) {
  tamb::MainLoop loop;
  tamb::Player player(loop);
  TAMBLumenPlayerChangeAttributes(&player, 2 | 8, 0);
  TAMBLumenPlayerChangeAttributes(&player, 1, 8);
  EXPECT_EQ(TAMBLumenPlayerGetAttributes(&player), 3u);
  EXPECT_EQ(TAMBLumenPlayerGetAttributes(nullptr), 0u);
}
