#include "app/CTAMBFrontController.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/CTAMBControllerUI.h"
#include "app/CommandExecutor.h"
#include "app/tests/MovieTestSupport.h"
#include "foundation/CZorbOS.h"
#include "platform/tamb/MainLoop.h"
#include "platform/tamb/Player.h"
#include "platform/tamb/ScriptMovie.h"

using movietest::movieCall;
using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::ScriptedCommand;
using movietest::Sent;

namespace {

// Keeps what it is given instead of running it.
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

std::vector<std::string> texts(const CBrioCommand& cmd) {
  std::vector<std::string> out;
  for (size_t i = 0; i < cmd.argumentCount(); ++i) out.push_back(cmd.argumentText(i));
  return out;
}

class FrontController : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    CCommandFactory::getInstance()->registerCommand(
        [] { return std::make_unique<ScriptedCommand>("testCommand", nullptr); });
    CCommandFactory::getInstance()->registerCommand(
        [] { return std::make_unique<ScriptedCommand>("testRefuses", nullptr, false); });
    CTAMBFrontController::m_CommandExecutor = &executor;
  }
  void TearDown() override {
    CCommandFactory::getInstance()->unregisterCommand("testCommand");
    CCommandFactory::getInstance()->unregisterCommand("testRefuses");
    MovieTest::TearDown();
  }
  void dispatch(const std::string& name, const std::vector<std::string>& args) {
    auto request = movieCall(name, args);
    CTAMBFrontController::getInstance()->dispatchInvocation(request);
  }

  QueueingExecutor executor;
};

}  // namespace

TEST_F(FrontController, ACommandCallIsQueuedWithItsIdAndDecodedArguments) {
  dispatch("testCommand", {"m1", "a<b", "#"});
  ASSERT_EQ(executor.queued.size(), 1u);
  EXPECT_EQ(executor.queued[0]->getRequestId(), "m1");
  EXPECT_EQ(texts(*executor.queued[0]), (std::vector<std::string>{"m1", "a<b", "#"}));
}

TEST_F(FrontController, TwoCallsOfOneNameGetTwoCommands) {
  dispatch("testCommand", {"m1", "first"});
  dispatch("testCommand", {"m2", "second"});
  ASSERT_EQ(executor.queued.size(), 2u);
  EXPECT_NE(executor.queued[0].get(), executor.queued[1].get());
  EXPECT_EQ(texts(*executor.queued[0]), (std::vector<std::string>{"m1", "first"}));
  EXPECT_EQ(texts(*executor.queued[1]), (std::vector<std::string>{"m2", "second"}));
}

TEST_F(FrontController, CallsThatCantRunAreDropped) {
  // No string argument: not even an id.
  dispatch("testCommand", {});
  {
    movietest::lei::request_t numbers;
    numbers.name_m = vesko::name_t("testCommand");
    numbers.arguments_m.push_back(vesko::any_regular_t(5.0));
    CTAMBFrontController::getInstance()->dispatchInvocation(numbers);
  }
  // The command itself refuses its arguments.
  dispatch("testRefuses", {"m1"});
  EXPECT_TRUE(executor.queued.empty());

  // Before the worker exists a command has nowhere to go.
  CTAMBFrontController::m_CommandExecutor = nullptr;
  dispatch("testCommand", {"m2"});
  EXPECT_TRUE(executor.queued.empty());
}

TEST_F(FrontController, NonStringArgumentsAreLeftOutAndTheRestGoOn) {
  movietest::lei::request_t mixed;
  mixed.name_m = vesko::name_t("testCommand");
  mixed.arguments_m.push_back(vesko::any_regular_t(1.0));
  mixed.arguments_m.push_back(vesko::any_regular_t(vesko::string_t("m9")));
  mixed.arguments_m.push_back(vesko::any_regular_t(vesko::name_t("true")));
  mixed.arguments_m.push_back(vesko::any_regular_t(vesko::string_t("x")));
  CTAMBFrontController::getInstance()->dispatchInvocation(mixed);
  ASSERT_EQ(executor.queued.size(), 1u);
  EXPECT_EQ(texts(*executor.queued[0]), (std::vector<std::string>{"m9", "x"}));
}

TEST_F(FrontController, AnUnknownNameIsAnAnswerAndAnUnknownIdIsDropped) {
  // Nobody waits for "-7": the answer goes nowhere and nothing is queued.
  dispatch("externalCallBack", {"-7", "0"});
  dispatch("brioSomethingElse", {"-8"});
  EXPECT_TRUE(executor.queued.empty());
  EXPECT_EQ(CRequestIdManager::getInstance()->waitingCount(), 0u);

  // A waiting request gets the answer whatever name it comes under.
  RecordingSink sink;
  sink.setResponder([this](const Sent& sent) -> std::optional<std::vector<std::string>> {
    dispatch("anyNameTheMovieLikes", {sent.args[0], "yes", "&"});
    return std::nullopt;
  });
  ScriptedCommand asker("asker", nullptr);
  asker.setRequestId("-3");
  EXPECT_TRUE(CRequestIdManager::getInstance()->SendRequestAndWait(
      &asker, makeArguments({"-3", "question"})));
  EXPECT_EQ(texts(asker), (std::vector<std::string>{"-3", "yes", "&"}));
}

TEST_F(FrontController, CallsToTheMovieAreEscapedAndReachItBeforeTheWorkerExists) {
  CTAMBFrontController::m_CommandExecutor = nullptr;
  tamb::MainLoop loop;
  tamb::Player player(loop);
  auto movie = std::make_unique<tamb::ScriptMovie>();
  tamb::ScriptMovie* script = movie.get();
  player.load(std::move(movie));
  MovieConnection::setMainLoop(&loop);
  MovieConnection::setPlayer(&player);

  CBrioCommand::ArgumentVector args = makeArguments({"-1", "a<b>&'\"#"});
  args.push_back(vesko::any_regular_t(3.0));
  CTAMBFrontController::getInstance()->sendCallbackMessage("brioShowAboutDialog", args);
  EXPECT_EQ(loop.runPending(), 1u);

  MovieConnection::setPlayer(nullptr);
  MovieConnection::setMainLoop(nullptr);
  ASSERT_EQ(script->callCount(), 1u);
  const tamb::Invocation call = script->calls()[0];
  EXPECT_EQ(call.name, "brioShowAboutDialog");
  EXPECT_EQ(call.strings(), (std::vector<std::string>{"-1", "a#Eb#F#B#C#D#A"}));
}

namespace {

struct SuppressCase {
  std::vector<std::string> answer;
  bool suppress;
};

}  // namespace

TEST_F(FrontController, SuppressModeIsOnOnlyForAnExactZero) {
  const SuppressCase cases[] = {
      {{"0"}, true}, {{"00"}, false}, {{"1"}, false}, {{}, false}, {{"0", "extra"}, true},
  };
  for (const SuppressCase& c : cases) {
    g_isInSuppressMode = false;
    setStartupLine(u"-install x.kxp", true);
    RecordingSink sink;
    sink.answerWith(c.answer);
    CTAMBFrontController::getInstance()->evaluateSupressMode();
    EXPECT_EQ(g_isInSuppressMode.load(), c.suppress) << testing::PrintToString(c.answer);
    const auto sent = sink.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].name, "brioParseSuppress");
    ASSERT_EQ(sent[0].args.size(), 4u);
    EXPECT_EQ(sent[0].args[1], "-install x.kxp");
    EXPECT_EQ(sent[0].args[2], "1");
    EXPECT_EQ(sent[0].args[3], "1");
  }
}

TEST_F(FrontController, WithoutAStartupLineNothingIsAskedAndSuppressStaysOff) {
  RecordingSink sink;
  sink.answerWith({"0"});
  CTAMBFrontController::getInstance()->evaluateSupressMode();
  EXPECT_TRUE(sink.sent().empty());
  EXPECT_FALSE(g_isInSuppressMode);
}

namespace {

// The hand-shake of Initialize, with the movie's answers given per request.
class Handshake : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    m_savedAppPath = gAppPath;
    gAppPath.clear();  // no string tables to load
    CZorbOS::getLocale(m_savedLocale);
    CZorbOS::ResetLocaleListForTest();
  }
  void TearDown() override {
    gAppPath = m_savedAppPath;
    CZorbOS::setLocale(m_savedLocale);
    CZorbOS::ResetLocaleListForTest();
    MovieTest::TearDown();
  }
  // Answers by request name; any other request that waits gets the bare
  // [id], so nothing waits for ever.
  void answers(std::map<std::string, std::vector<std::string>> byName) {
    sink.setResponder([byName](const Sent& sent) -> std::optional<std::vector<std::string>> {
      const auto it = byName.find(sent.name);
      if (it != byName.end()) return it->second;
      if (sent.name == "brioSetLocale") return std::nullopt;
      return std::vector<std::string>{};
    });
  }
  std::string chosenLocale() const {
    CString code = CStartupCLIParser::getInstance()->getLocaleCode();
    std::string out;
    for (int32_t i = 0; i < code.GetLength(); ++i) out += static_cast<char>(code.GetAt(i));
    return out;
  }

  RecordingSink sink;

 private:
  std::string m_savedAppPath;
  CString m_savedLocale;
};

}  // namespace

TEST_F(Handshake, AskedLocaleWinsWhenTheMovieOffersIt) {
  setStartupLine(u"-locale de_DE", false);
  answers({{"brioParseSuppress", {"1"}},
           {"brioGetLocaleList", {"0", "en_US,de_DE"}},
           {"brioParseLocale", {"0", "de_DE"}}});
  ASSERT_TRUE(CTAMBFrontController::getInstance()->Initialize());
  EXPECT_EQ(sink.names(), (std::vector<std::string>{"brioParseSuppress", "brioGetLocaleList",
                                                    "brioParseLocale", "brioSetLocale"}));
  EXPECT_EQ(sink.sent()[2].args[3], "0");  // the line was not built from arguments
  EXPECT_EQ(sink.sent()[3].args[1], "de_DE");
  EXPECT_EQ(chosenLocale(), "de_DE");
  EXPECT_EQ(engine.productLocale, CString(u"de_DE"));
  EXPECT_EQ(engine.initCalls, 1);
  EXPECT_NE(dynamic_cast<CTAMBControllerUI*>(engine.GetUI()), nullptr);
  EXPECT_FALSE(g_isInSuppressMode);
  // The ids are fresh and in order.
  std::vector<std::string> ids;
  for (const Sent& s : sink.sent()) ids.push_back(s.args[0]);
  EXPECT_EQ(ids, (std::vector<std::string>{"-1", "-2", "-3", "-4"}));
}

TEST_F(Handshake, AnyOtherLocaleAnswerFallsBackToThePreferredLanguage) {
  const std::vector<std::vector<std::string>> localeAnswers = {
      {"0"},                    // size error
      {"1", "de_DE"},           // no locale asked for
      {},                       // no answer values
      {"0", "xx_XX"},           // not offered by the movie
      {"0", "de_DE", "extra"},  // size error
  };
  for (const auto& localeAnswer : localeAnswers) {
    CZorbOS::ResetLocaleListForTest();
    engine.productLocale.Empty();
    setStartupLine(u"a\nb", true);
    sink.clear();
    answers({{"brioParseSuppress", {"1"}},
             {"brioGetLocaleList", {"0", "en_US,de_DE"}},
             {"brioParseLocale", localeAnswer}});
    ASSERT_TRUE(CTAMBFrontController::getInstance()->Initialize());
    const std::string preferred = CZorbOS::GetUserPreferredLanguageCode();
    EXPECT_EQ(chosenLocale(), preferred) << testing::PrintToString(localeAnswer);
    EXPECT_EQ(sink.sent().back().args[1], preferred);
    EXPECT_EQ(engine.productLocale, CString()) << testing::PrintToString(localeAnswer);
  }
}

TEST_F(Handshake, LocaleListAnswersOfTheWrongShapeAreIgnored) {
  const struct {
    std::vector<std::string> answer;
    size_t expected;
  } cases[] = {
      {{"0", "en_US,fr_FR"}, 2},
      {{"1", "en_US,fr_FR"}, 0},
      {{"0"}, 0},
      {{"0", "en_US", "more"}, 0},
  };
  for (const auto& c : cases) {
    CZorbOS::ResetLocaleListForTest();
    answers({{"brioGetLocaleList", c.answer}});
    ASSERT_TRUE(CTAMBFrontController::getInstance()->Initialize());
    EXPECT_EQ(CZorbOS::m_LocaleListString.size(), c.expected) << testing::PrintToString(c.answer);
  }
}

TEST_F(Handshake, WithoutAStartupLineOnlyTheLocaleListIsAsked) {
  answers({{"brioGetLocaleList", {"0", "en_US"}}});
  ASSERT_TRUE(CTAMBFrontController::getInstance()->Initialize());
  EXPECT_EQ(sink.names(), (std::vector<std::string>{"brioGetLocaleList", "brioSetLocale"}));
  EXPECT_FALSE(g_isInSuppressMode);
}

TEST_F(Handshake, AFailingEngineFailsTheStartUp) {
  answers({{"brioGetLocaleList", {"0", "en_US"}}});
  engine.initResult = -1;
  EXPECT_FALSE(CTAMBFrontController::getInstance()->Initialize());
  CTAMBFrontController::m_manager = nullptr;
  EXPECT_FALSE(CTAMBFrontController::getInstance()->Initialize());
}

TEST_F(Handshake, AShutdownDuringTheHandShakeDoesNotStartTheEngine) {
  CRequestIdManager::getInstance()->cancelAllWaits();
  setStartupLine(u"x", true);
  EXPECT_FALSE(CTAMBFrontController::getInstance()->Initialize());
  EXPECT_EQ(engine.initCalls, 0);
  EXPECT_FALSE(g_isInSuppressMode);
}
