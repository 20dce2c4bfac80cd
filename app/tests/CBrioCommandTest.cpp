#include "app/CBrioCommand.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/CTAMBControllerUI.h"
#include "app/tests/MovieTestSupport.h"

using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::ScriptedCommand;

namespace {

class BrioCommand : public MovieTest {
 protected:
  // The command as it stands after the movie answered with these values.
  ScriptedCommand& answered(const std::vector<std::string>& values) {
    std::vector<std::string> all{"m1"};
    all.insert(all.end(), values.begin(), values.end());
    cmd.setArguments(makeArguments(all));
    return cmd;
  }

  ScriptedCommand cmd{"test", nullptr};
};

}  // namespace

TEST_F(BrioCommand, OKCancelAnswers) {
  const struct {
    std::vector<std::string> answer;
    int result;
  } cases[] = {
      {{"1"}, 1}, {{"6"}, 6}, {{"x"}, 0}, {{}, 3}, {{"1", "2"}, 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(answered(c.answer).onRecvOKCancelMsg(), c.result) << testing::PrintToString(c.answer);
}

TEST_F(BrioCommand, ConfirmationAnswers) {
  const struct {
    std::vector<std::string> answer;
    bool result;
  } cases[] = {
      {{"0"}, true}, {{"1"}, false}, {{"00"}, false}, {{}, false}, {{"0", "x"}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(answered(c.answer).OnConfirmLegalMsg(), c.result) << testing::PrintToString(c.answer);
}

TEST_F(BrioCommand, FolderPromptAnswers) {
  const struct {
    std::vector<std::string> answer;
    bool result;
    std::string folder;
  } cases[] = {
      {{"0", "/tmp/x"}, true, "/tmp/x"},
      {{"1", "/tmp/x"}, false, "unchanged"},
      {{"0"}, false, "unchanged"},
      {{}, false, "unchanged"},
      {{"0", "/a", "/b"}, false, "unchanged"},
  };
  for (const auto& c : cases) {
    std::string folder = "unchanged";
    EXPECT_EQ(answered(c.answer).onHandlePromptMsg(folder), c.result)
        << testing::PrintToString(c.answer);
    EXPECT_EQ(folder, c.folder);
  }
}

TEST_F(BrioCommand, QuestionsAreAskedInTheirFramesAndTheirAnswersRead) {
  RecordingSink sink;
  cmd.setRequestId("m5");
  sink.answerWith({"6"});
  EXPECT_EQ(cmd.askOKCancel("Overwrite <this>?", 8), 6);
  sink.answerWith({"0"});
  EXPECT_TRUE(cmd.askConfirmation("licence", "text"));
  sink.answerWith({"0", "/chosen"});
  std::string folder;
  EXPECT_TRUE(cmd.askFolder("title", "/default", folder));
  EXPECT_EQ(folder, "/chosen");
  const auto sent = sink.sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].args, (std::vector<std::string>{"m5", "8", "8", "Overwrite <this>?"}));
  EXPECT_EQ(sent[1].args, (std::vector<std::string>{"m5", "7", "licence", "text"}));
  EXPECT_EQ(sent[2].args, (std::vector<std::string>{"m5", "6", "title", "/default"}));
  for (const auto& s : sent) EXPECT_EQ(s.name, "brioCallBack");
}

TEST_F(BrioCommand, ACancelledWaitAnswersCancelAndNo) {
  RecordingSink sink;
  CRequestIdManager::getInstance()->cancelAllWaits();
  cmd.setRequestId("m6");
  EXPECT_EQ(cmd.askOKCancel("q", 5), CZorbPlexarUI::kAnswerCancel);
  EXPECT_TRUE(cmd.isCancelled());
  EXPECT_FALSE(cmd.askConfirmation("a", "b"));
  std::string folder = "unchanged";
  EXPECT_FALSE(cmd.askFolder("a", "b", folder));
  EXPECT_EQ(folder, "unchanged");
  // Nothing is asked once the program shuts down.
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(BrioCommand, ARunningCommandIsTheAdaptersOnlyWhileItRuns) {
  CTAMBControllerUI ui;
  engine.SetUI(&ui);
  CBrioCommand* seen = nullptr;
  ScriptedCommand running("test", [&](ScriptedCommand&) { seen = ui.currentCommand(); });
  running.doComand();
  EXPECT_EQ(seen, &running);
  EXPECT_EQ(ui.currentCommand(), nullptr);

  ScriptedCommand throwing("test", [](ScriptedCommand&) { throw std::runtime_error("boom"); });
  throwing.doComand();  // logged, not passed on
  EXPECT_EQ(ui.currentCommand(), nullptr);
}

TEST_F(BrioCommand, RepliesCarryTheIdUnderTheCallbackName) {
  RecordingSink sink;
  cmd.setRequestId("m7");
  cmd.sendReply({"0", "done"});
  const auto sent = sink.sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].name, "brioCallBack");
  EXPECT_EQ(sent[0].args, (std::vector<std::string>{"m7", "0", "done"}));
}
