#include "testsupport/ScriptedUI.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using testsupport::ScriptedUI;

TEST(ScriptedUI, AnswersInScriptOrderAndRecordsEveryCall) {
  ScriptedUI ui;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
  ui.answerPromptForLocale(true, u"de_DE");
  ui.answerSupports(true);
  ui.ShowWaitCursor();
  EXPECT_EQ(ui.MessageBox(u"busy", CZorbPlexarUI::kRetryCancel, true), CZorbPlexarUI::kAnswerRetry);
  CString chosen;
  CZorbTypedVector<CString> locales;
  locales.push_back(CString(u"en_US"));
  locales.push_back(CString(u"de_DE"));
  EXPECT_TRUE(ui.PromptForLocale(CString(u"Loomwright 9"), CString(u"Tools"), locales, chosen));
  EXPECT_EQ(std::u16string(chosen.Get()), u"de_DE");
  // The worker thread asks as well.
  std::thread worker([&ui] {
    EXPECT_TRUE(
        ui.Supports(CString(u"p"), CString(u"k"), CString(u"1"), CString(), true, false, 2));
  });
  worker.join();
  ui.SetProgressCount(7);
  EXPECT_EQ(ui.getTotalProgressCount(), 7);

  EXPECT_EQ(ui.names(),
            (std::vector<std::string>{"ShowWaitCursor", "MessageBox", "PromptForLocale", "Supports",
                                      "SetProgressCount", "getTotalProgressCount"}));
  const auto calls = ui.calls();
  EXPECT_EQ(calls[1].args, (std::vector<std::u16string>{u"busy", u"5", u"1"}));
  EXPECT_EQ(calls[2].args,
            (std::vector<std::u16string>{u"Loomwright 9", u"Tools", u"en_US", u"de_DE"}));
  EXPECT_EQ(calls[3].args, (std::vector<std::u16string>{u"p", u"k", u"1", u"", u"1", u"0", u"2"}));
}

TEST(ScriptedUI, StandingAnswersCoverRepeatedQuestions) {
  ScriptedUI ui;
  ui.always(ScriptedUI::Question::Supports, [](const ScriptedUI::Call& call) {
    ScriptedUI::Answer answer;
    answer.yes = call.args[1] == u"yes";
    return answer;
  });
  ui.answerSupports(false);  // a scripted answer comes first
  EXPECT_FALSE(ui.Supports(CString(u"p"), CString(u"yes"), CString(), CString(), false, false, 0));
  EXPECT_TRUE(ui.Supports(CString(u"p"), CString(u"yes"), CString(), CString(), false, false, 0));
  EXPECT_FALSE(ui.Supports(CString(u"p"), CString(u"no"), CString(), CString(), false, false, 0));
}

TEST(ScriptedUI, UnscriptedOrLeftoverQuestionsFailTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUI ui;
        EXPECT_EQ(ui.MessageBox(u"Replace it?", CZorbPlexarUI::kYesNo, true),
                  CZorbPlexarUI::kAnswerCancel);
      },
      "unscripted question MessageBox(Replace it?, 4, 1)");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUI ui;
        ui.answerConfirmInstall(true);
        CString folder(u"unchanged");
        EXPECT_FALSE(ui.PromptForFolder(CString(u"t"), CString(u"d"), false, folder));
        EXPECT_EQ(std::u16string(folder.Get()), u"unchanged");
        EXPECT_TRUE(ui.ConfirmInstall(u"a", u"b"));
      },
      "the script expected ConfirmInstall next");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUI ui;
        ui.answerGetInstallType(true, CZorbPlexarUI::kInstallForAllUsers);
      },
      "a scripted answer to GetInstallType was never asked for");
}
