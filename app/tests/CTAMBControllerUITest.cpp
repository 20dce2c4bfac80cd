#include "app/CTAMBControllerUI.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CManagerConsoleUI.h"
#include "app/tests/MovieTestSupport.h"
#include "testsupport/SandboxMachine.h"

using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::ScriptedCommand;
using movietest::Sent;

namespace {

class ControllerUI : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    engine.SetUI(&ui);
    cmd.setRequestId("m1");
  }
  // Runs the work as the current command.
  void inCommand(const std::function<void()>& work) {
    ui.setCurrentCommand(&cmd);
    work();
    ui.setCurrentCommand(nullptr);
  }
  std::vector<std::vector<std::string>> sentArgs() const {
    std::vector<std::vector<std::string>> out;
    for (const Sent& s : sink.sent()) out.push_back(s.args);
    return out;
  }

  CTAMBControllerUI ui;
  ScriptedCommand cmd{"test", nullptr};
  RecordingSink sink;
};

}  // namespace

TEST_F(ControllerUI, MessageBoxWithoutACommandAnswersByType) {
  const struct {
    unsigned type;
    int answer;
  } cases[] = {{4, 6}, {6, 10}, {8, 10}, {0, 11}, {1, 11}, {5, 11}};
  for (const auto& c : cases) EXPECT_EQ(ui.MessageBox(u"text", c.type, false), c.answer) << c.type;
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(ControllerUI, MessageBoxAsksTheMovieWithMarkupTurnedIntoApostrophes) {
  sink.answerWith({"7"});
  int answer = 0;
  inCommand([&] { answer = ui.MessageBox(u"Replace <b>file</b>?", 4, false); });
  EXPECT_EQ(answer, 7);
  ASSERT_EQ(sink.sent().size(), 1u);
  EXPECT_EQ(sink.sent()[0].name, "brioCallBack");
  EXPECT_EQ(sink.sent()[0].args,
            (std::vector<std::string>{"m1", "8", "4", "Replace 'b'file'/b'?"}));
}

TEST_F(ControllerUI, AnErrorNoticeIsLoggedKeptAndInSuppressModePrinted) {
  g_isInSuppressMode = true;
  sink.answerWith({"0"});
  testing::internal::CaptureStderr();
  inCommand([&] { ui.MessageBox(u"Install failed: d\u00e9j\u00e0", 0, true); });
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("Install failed: d\xC3\xA9j\xC3\xA0\n"), std::string::npos) << printed;
  EXPECT_EQ(engine.lastError, CString(u"Install failed: d\u00e9j\u00e0"));
  // Still asked: the movie shows it too.
  EXPECT_EQ(sink.sent().size(), 1u);

  g_isInSuppressMode = false;
  testing::internal::CaptureStderr();
  inCommand([&] { ui.MessageBox(u"quiet", 0, true); });
  EXPECT_EQ(testing::internal::GetCapturedStderr().find("quiet"), std::string::npos);
}

TEST_F(ControllerUI, AfterShutdownQuestionsAnswerCancelNoOrFalse) {
  CRequestIdManager::getInstance()->cancelAllWaits();
  inCommand([&] {
    EXPECT_EQ(ui.MessageBox(u"q", 4, false), CZorbPlexarUI::kAnswerNo);
    EXPECT_EQ(ui.MessageBox(u"q", 8, false), CZorbPlexarUI::kAnswerCancel);
    EXPECT_EQ(ui.MessageBox(u"q", 5, false), CZorbPlexarUI::kAnswerCancel);
    EXPECT_FALSE(ui.ConfirmInstall(u"a", u"b"));
    CString locale(u"kept?");
    EXPECT_FALSE(ui.PromptForLocale(u"P", u"E", {CString(u"en_US")}, locale));
    EXPECT_EQ(locale, CString());
    EXPECT_FALSE(ui.Supports(u"P", u"P", u"1", u"2", false, false, 0));
    EXPECT_FALSE(ui.CreateKXIFromStandaloneWBXS(u"f", u"p", u"t"));
    EXPECT_EQ(ui.ShowFailedPrimaryProduct(u"P"), CZorbPlexarUI::kAnswerCancel);
  });
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(ControllerUI, ProgressIsSentOncePerPercentage) {
  ui.SetProgressCount(4);
  EXPECT_EQ(ui.getTotalProgressCount(), 4);
  inCommand([&] {
    ui.ShowProgress(u"t", u"x", false);
    ui.UpdateProgress(1);
    ui.UpdateProgress(1);
    ui.UpdateProgress(2);
    ui.HideProgress();
    ui.UpdateProgress(1);
    ui.UpdateProgressWithPriProductCount(2, 0);
    ui.UpdateProgressWithPriProductCount(4, 3);
  });
  EXPECT_EQ(sentArgs(), (std::vector<std::vector<std::string>>{{"m1", "9", "25"},
                                                               {"m1", "9", "50"},
                                                               {"m1", "9", "100"},
                                                               {"m1", "9", "25"},
                                                               {"m1", "9", "50", "1"},
                                                               {"m1", "9", "100", "3"}}));
}

TEST_F(ControllerUI, ProgressWithoutATotalOrACommandSendsNothing) {
  inCommand([&] {
    ui.SetProgressCount(0);
    ui.UpdateProgress(3);
    ui.SetProgressCount(-2);
    ui.UpdateProgressWithPriProductCount(1, 1);
  });
  ui.SetProgressCount(4);
  ui.UpdateProgress(2);
  ui.HideProgress();
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(ControllerUI, SupportsSendsTheRequirementAndReadsTheAnswer) {
  const struct {
    int mode;
    const char* modeText;
    std::vector<std::string> answer;
    bool supported;
  } cases[] = {
      {1, "1", {"0"}, true},
      {2, "2", {"1"}, false},
      {7, "0", {"x"}, true},
      {0, "0", {}, false},  // only the id: not supported
  };
  for (const auto& c : cases) {
    sink.clear();
    sink.answerWith(c.answer);
    bool supported = !c.supported;
    inCommand([&] {
      supported = ui.Supports(u"Loomwright", u"Loomwright", u"9", u"11", true, false, c.mode);
    });
    EXPECT_EQ(supported, c.supported) << c.mode;
    ASSERT_EQ(sink.sent().size(), 1u);
    EXPECT_EQ(sink.sent()[0].args, (std::vector<std::string>{"m1", "5", "Loomwright", "Loomwright",
                                                             "9", "11", "1", "0", c.modeText}));
  }
}

TEST_F(ControllerUI, LocalePromptAnswers) {
  const struct {
    std::vector<std::string> answer;
    bool ok;
    const char16_t* locale;
  } cases[] = {
      {{"0", "de_DE"}, true, u"de_DE"},
      {{"0"}, false, u""},
      {{"1", "de_DE"}, false, u""},
      {{}, false, u""},
  };
  for (const auto& c : cases) {
    sink.clear();
    sink.answerWith(c.answer);
    CString locale(u"old");
    bool ok = false;
    inCommand([&] {
      ok = ui.PromptForLocale(u"Emberly", u"Ext", {CString(u"en_US"), CString(u"de_DE")}, locale);
    });
    EXPECT_EQ(ok, c.ok) << testing::PrintToString(c.answer);
    EXPECT_EQ(locale, CString(c.locale));
    EXPECT_EQ(sink.sent()[0].args,
              (std::vector<std::string>{"m1", "10", "Emberly", "Ext", "en_US", "de_DE"}));
  }
}

TEST_F(ControllerUI, BundleDescriptionAndFailedPrimaryAndRequiredProducts) {
  const struct {
    std::vector<std::string> answer;
    bool ok;
  } kxi[] = {{{"0"}, true}, {{"0", "x"}, false}, {{"1"}, false}, {{}, false}};
  for (const auto& c : kxi) {
    sink.answerWith(c.answer);
    bool ok = !c.ok;
    inCommand([&] { ok = ui.CreateKXIFromStandaloneWBXS(u"/f", u"pkg", u"third"); });
    EXPECT_EQ(ok, c.ok) << testing::PrintToString(c.answer);
  }
  sink.clear();
  sink.answerWith({"6"});
  int primary = 0;
  inCommand([&] { primary = ui.ShowFailedPrimaryProduct(u"Lumen"); });
  EXPECT_EQ(primary, 6);
  sink.answerWith({});
  inCommand([&] { ui.ShowRequiredProducts({CString(u"Lumen 11"), CString(u"Emberly 10")}); });
  EXPECT_EQ(sentArgs(), (std::vector<std::vector<std::string>>{
                            {"m1", "3", "Lumen"}, {"m1", "4", "Lumen 11", "Emberly 10"}}));

  // Without a running command nothing can be asked.
  sink.clear();
  EXPECT_FALSE(ui.CreateKXIFromStandaloneWBXS(u"/f", u"pkg", u"third"));
  EXPECT_EQ(ui.ShowFailedPrimaryProduct(u"Lumen"), CZorbPlexarUI::kAnswerYes);
  ui.ShowRequiredProducts({CString(u"x")});
  EXPECT_FALSE(ui.ConfirmInstall(u"a", u"b"));
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(ControllerUI, ConfirmationAsksWithBothTexts) {
  sink.answerWith({"0"});
  bool ok = false;
  inCommand([&] { ok = ui.ConfirmInstall(u"Licence", u"Accept?"); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(sentArgs(), (std::vector<std::vector<std::string>>{{"m1", "7", "Licence", "Accept?"}}));
}

TEST_F(ControllerUI, FolderPromptTravelsAsPosixPathsBothWays) {
  testsupport::SandboxMachine sandbox;
  sandbox.writeFile("Users/ann/chosen/keep.txt", "x");
  sink.setResponder([&](const Sent&) {
    return std::optional<std::vector<std::string>>({"0", sandbox.posix("Users/ann/chosen")});
  });
  CString chosen;
  bool ok = false;
  inCommand([&] {
    ok = ui.PromptForFolder(u"Where?", CString(sandbox.colon("Users/ann/default").c_str()), false,
                            chosen);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(std::u16string(chosen.Get()), sandbox.colon("Users/ann/chosen"));
  ASSERT_EQ(sink.sent().size(), 1u);
  EXPECT_EQ(sink.sent()[0].args,
            (std::vector<std::string>{"m1", "6", "Where?", sandbox.posix("Users/ann/default")}));

  // Refused: false, the folder unchanged.
  sink.answerWith({"1"});
  CString untouched(u"before");
  inCommand([&] { ok = ui.PromptForFolder(u"Where?", u"", false, untouched); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(untouched, CString(u"before"));
  // Without a running command: false at once.
  EXPECT_FALSE(ui.PromptForFolder(u"Where?", u"", false, untouched));
}

TEST(ManagerConsoleUI, AnswersYesAndShowsNothing) {
  struct Console final : CManagerConsoleUI {
    int MessageBox(const char16_t*, unsigned int, bool) const override { return -1; }
    bool PromptForLocale(CString, CString, CZorbTypedVector<CString>, CString&) const override {
      return false;
    }
    bool CreateKXIFromStandaloneWBXS(CString, CString, CString) const override { return false; }
    int getTotalProgressCount() override { return 0; }
    bool Supports(CString, CString, CString, CString, bool, bool, int) override { return false; }
    bool validation(CZorbTypedVector<CString>, CZorbTypedVector<CString>&) const override {
      return false;
    }
    void ShowRequiredProducts(CZorbTypedVector<CString>) override {}
  } console;
  const CManagerConsoleUI& quiet = console;
  EXPECT_EQ(quiet.MessageBox(u"x", 4u), 0);
  EXPECT_TRUE(console.ConfirmInstall(u"a", u"b"));
  CString folder(u"kept");
  EXPECT_TRUE(console.PromptForFolder(u"t", u"d", false, folder));
  EXPECT_EQ(folder, CString(u"kept"));
  CZorbPlexarUI::AdminInstallType type = CZorbPlexarUI::kInstallForAllUsers;
  EXPECT_TRUE(console.GetInstallType(type));
  EXPECT_EQ(type, CZorbPlexarUI::kInstallForAllUsers);
  EXPECT_EQ(console.ShowFailedPrimaryProduct(u"p"), CZorbPlexarUI::kAnswerYes);
}
