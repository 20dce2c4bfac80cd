// Interactive runs of the command-line movie: answers come from lines of
// standard input read on a thread of their own while the main loop goes on.

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CTAMBFrontController.h"
#include "app/CliMovie.h"
#include "platform/tamb/MainLoop.h"

namespace {

class RecordingHost final : public tamb::MovieHost {
 public:
  void externalCall(const tamb::Invocation& call) override {
    std::vector<std::string> args;
    for (const std::string& s : call.strings())
      args.push_back(CTAMBFrontController::getInstance()->codec().decode(s));
    calls.emplace_back(call.name, args);
  }
  void externalCallText(const std::string&) override {}
  std::vector<std::pair<std::string, std::vector<std::string>>> calls;
};

class CliMovieInput : public ::testing::Test {
 protected:
  CliMovieInput() {
    EXPECT_EQ(::pipe(m_pipe), 0);
    movie = std::make_unique<CliMovie>(tamb::MovieSettings{}, loop,
                                       CliMovie::Streams{&out, &err, m_pipe[0]});
    movie->setCommandCheck([](const std::string&) { return true; });
    movie->start(host);
  }
  ~CliMovieInput() override {
    movie.reset();
    ::close(m_pipe[0]);
    if (m_pipe[1] >= 0) ::close(m_pipe[1]);
  }
  void program(const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> encoded;
    for (const std::string& a : args)
      encoded.push_back(CTAMBFrontController::getInstance()->codec().encode(a));
    movie->invoke(tamb::Invocation::of(name, encoded));
    loop.runPending();
  }
  void type(const std::string& text) {
    ASSERT_EQ(::write(m_pipe[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void endInput() {
    ::close(m_pipe[1]);
    m_pipe[1] = -1;
  }
  size_t answers() const {
    size_t n = 0;
    for (const auto& [name, args] : host.calls) n += name == CliMovie::kAnswerName;
    return n;
  }
  // Runs the loop until the movie has sent that many answers.
  std::vector<std::string> waitForAnswer(size_t count) {
    EXPECT_TRUE(loop.runUntil([&] { return answers() >= count; }, 30000));
    for (auto it = host.calls.rbegin(); it != host.calls.rend(); ++it)
      if (it->first == CliMovie::kAnswerName) return it->second;
    return {};
  }
  // Starts an interactive install and returns its request id.
  std::string startInstall() {
    const std::string line = "-i\ninstall\n/p.kxp\n-CurrDir=\"/\"";
    program("brioParseSuppress", {"-1", line, "1", "1"});
    program("brioHandleCommandLine", {"-2", line, "1", "1"});
    std::string id;
    for (const auto& [name, args] : host.calls)
      if (name == "externalGetSupportedProducts") id = args[0];
    program("brioCallBack", {id, "0"});
    for (const auto& [name, args] : host.calls)
      if (name == "externalLoadExtension") id = args[0];
    program("brioCallBack", {id, "0"});
    id.clear();
    for (const auto& [name, args] : host.calls)
      if (name == "externalInstallExtension") id = args[0];
    return id;
  }

  std::ostringstream out;
  std::ostringstream err;
  tamb::MainLoop loop;
  RecordingHost host;
  std::unique_ptr<CliMovie> movie;

 private:
  int m_pipe[2] = {-1, -1};
};

TEST_F(CliMovieInput, QuestionsWaitForTheirLineWithoutHoldingTheLoop) {
  const std::string id = startInstall();
  ASSERT_FALSE(id.empty());
  const size_t before = answers();
  program("brioCallBack", {id, "8", "8", "x.htm exists."});
  EXPECT_NE(out.str().find("x.htm exists. [o]verwrite"), std::string::npos) << out.str();
  // Nothing typed yet: no answer, and the loop still runs other work.
  program("brioCallBack", {id, "9", "40"});
  EXPECT_EQ(answers(), before);
  EXPECT_NE(err.str().find("40%"), std::string::npos);

  type("a\n");
  EXPECT_EQ(waitForAnswer(before + 1), (std::vector<std::string>{id, "10"}));
  // Typed ahead of the question: kept for it.
  type("y\n");
  program("brioCallBack", {id, "8", "4", "Replace it?"});
  EXPECT_EQ(waitForAnswer(before + 2), (std::vector<std::string>{id, "6"}));
}

TEST_F(CliMovieInput, TheEndOfInputAnswersWhatNobodyTyped) {
  const std::string id = startInstall();
  const size_t before = answers();
  endInput();
  program("brioCallBack", {id, "8", "4", "Replace it?"});
  EXPECT_EQ(waitForAnswer(before + 1), (std::vector<std::string>{id, "7"}));
  program("brioCallBack", {id, "6", "Choose the folder for x.", "/A/x"});
  EXPECT_EQ(waitForAnswer(before + 2), (std::vector<std::string>{id, "1"}));
  program("brioCallBack", {id, "0", "P", "p.kxi"});
  EXPECT_TRUE(loop.runUntil(
      [&] {
        for (const auto& [name, args] : host.calls)
          if (name == "externalAppExit") return true;
        return false;
      },
      30000));
}

}  // namespace
