#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"
#include "transaction/CInstallCreateFolder.h"
#include "transaction/CZorbBusyFileHelper.h"
#include "transaction/tests/StepTestSupport.h"

using steptest::Colon;
using testsupport::ScriptedUI;

namespace {

// Fails its first `failures` runs of Do.
class BusyStep : public CZorbExtensionInstallStep {
 public:
  explicit BusyStep(int failures) : m_failures(failures) {}
  int Do() override {
    ++runs;
    return runs > m_failures ? 0 : -1;
  }
  int Undo() override { return 0; }
  int runs = 0;

 private:
  int m_failures;
};

class BusyFileHelperTest : public testsupport::SandboxTest {
 protected:
  BusyFileHelperTest() : m_saved(CString::g_DataMap) {
    CString::g_DataMap[4023] = "file %s held by %s, quit %s";
    CString::g_DataMap[4027] = "cannot create %s";
    CString::g_DataMap[4046] = "file %s busy";
    CString::g_DataMap[4139] = "not writable";
    CString::g_DataMap[4189] = "folder %s busy";
    CString::g_DataMap[4221] = "folder %s held by %s, quit %s";
    sandbox.makeFolder("Users/ann/Site");
  }
  ~BusyFileHelperTest() override { CString::g_DataMap = m_saved; }

  std::u16string U(const std::string& relative) const { return sandbox.colon(relative); }

  ScriptedUI ui;

 private:
  std::map<uint32_t, std::string> m_saved;
};

}  // namespace

TEST_F(BusyFileHelperTest, RetriesAfterEachRetryAndAFiveSecondWait) {
  CZorbBusyFileHelper helper(&ui, [](const CString&, CString& product) { product = u"Host"; });
  BusyStep step(2);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
  const uint64_t start = sandbox.clock().nowMs();
  EXPECT_TRUE(helper.RunWhileBusy(&step, Colon(sandbox, "Users/ann/Site/a.txt")));
  EXPECT_EQ(step.runs, 3);
  EXPECT_EQ(sandbox.clock().nowMs() - start, 2u * CZorbBusyFileHelper::kRetryWaitMs);
  const auto calls = ui.calls();
  ASSERT_EQ(calls.size(), 6u);
  // The plain question: no host is named.
  EXPECT_EQ(calls[0].args, (std::vector<std::u16string>{
                               u"file " + U("Users/ann/Site/a.txt") + u" busy", u"5", u"1"}));
  EXPECT_EQ(calls[1].name, "ShowWaitCursor");
  EXPECT_EQ(calls[2].name, "HideWaitCursor");
}

TEST_F(BusyFileHelperTest, CancelEndsTheLoopWithoutRunningTheStepAgain) {
  CZorbBusyFileHelper helper(&ui);
  BusyStep step(5);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  const uint64_t start = sandbox.clock().nowMs();
  EXPECT_FALSE(helper.RunWhileBusy(&step, Colon(sandbox, "Users/ann/Site/a.txt")));
  EXPECT_EQ(step.runs, 1);
  EXPECT_EQ(sandbox.clock().nowMs(), start) << "no wait after Cancel";

  CZorbBusyFileHelper noUI(nullptr);
  EXPECT_FALSE(noUI.RunWhileBusy(&step, Colon(sandbox, "Users/ann/Site/a.txt")));
  EXPECT_FALSE(helper.RunWhileBusy(nullptr, Colon(sandbox, "Users/ann/Site/a.txt")));
  EXPECT_EQ(step.runs, 1);
  EXPECT_EQ(noUI.HelpUserFreeFile(Colon(sandbox, "Users/ann/a"), true), -1);
  EXPECT_EQ(noUI.HelpUserFreeFolder(Colon(sandbox, "Users/ann/a")), -1);
}

TEST_F(BusyFileHelperTest, AFolderThatCannotBeWrittenToEndsTheLoop) {
  CZorbBusyFileHelper helper(&ui);
  BusyStep step(5);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("/Users/ann/Site/", EACCES, platform::kFsOpenWrite);
  EXPECT_FALSE(helper.RunWhileBusy(&step, Colon(sandbox, "Users/ann/Site/a.txt")));
  EXPECT_EQ(step.runs, 1);
  EXPECT_EQ(ui.calls()[0].args, (std::vector<std::u16string>{u"not writable", u"0", u"1"}));
}

TEST_F(BusyFileHelperTest, TheQuestionNamesTheHostThatHoldsTheItem) {
  std::vector<std::u16string> asked;
  CZorbBusyFileHelper helper(&ui, [&](const CString& path, CString& product) {
    asked.push_back(path.Get());
    product = u"Loomwright";
  });
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  EXPECT_EQ(helper.HelpUserFreeFile(Colon(sandbox, "Users/ann/f"), false),
            CZorbPlexarUI::kAnswerCancel);
  EXPECT_EQ(helper.HelpUserFreeFolder(Colon(sandbox, "Users/ann/d")), CZorbPlexarUI::kAnswerCancel);
  const auto calls = ui.calls();
  EXPECT_EQ(calls[0].args[0],
            u"file " + U("Users/ann/f") + u" held by Loomwright, quit Loomwright");
  EXPECT_EQ(calls[1].args[0],
            u"folder " + U("Users/ann/d") + u" held by Loomwright, quit Loomwright");
  EXPECT_EQ(asked, (std::vector<std::u16string>{U("Users/ann/f"), U("Users/ann/d")}));
}

TEST_F(BusyFileHelperTest, DeleteDirectoryRetriesABusyFolder) {
  sandbox.writeFile("Users/ann/Site/Tree/a.txt", "a");
  CZorbBusyFileHelper helper(&ui);
  CZorbInstallTransaction transaction;
  CZorbInstallTransaction::Scope scope(transaction);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
  platform::FaultInjectingFileSystem fs;
  {
    platform::FileSystemOverride use(fs);
    // Busy through the deletion's own three retries, then free.
    fs.failPath("Tree/a.txt", EBUSY, platform::kFsUnlink, 4);
    EXPECT_EQ(helper.DeleteDirectory(transaction, Colon(sandbox, "Users/ann/Site/Tree")), 0);
  }
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/Tree"));
  EXPECT_EQ(ui.calls()[0].args[0], u"folder " + U("Users/ann/Site/Tree") + u" busy");
  EXPECT_EQ(transaction.GetSteps().size(), 1u) << "one step, run twice";
  EXPECT_EQ(scope.Rollback(nullptr), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/Tree/a.txt"), "a");

  CZorbInstallTransaction second;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  {
    platform::FileSystemOverride use(fs);
    fs.failPath("Tree/a.txt", EBUSY, platform::kFsUnlink);
    EXPECT_EQ(helper.DeleteDirectory(second, Colon(sandbox, "Users/ann/Site/Tree")), 1);
  }
  second.Rollback(nullptr);
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/Tree/a.txt"), "a");
}

TEST_F(BusyFileHelperTest, EnsureFolderExistsMakesEachMissingFolderAsAStep) {
  CZorbBusyFileHelper helper(&ui);
  CZorbInstallTransaction transaction;
  EXPECT_TRUE(helper.EnsureFolderExists(transaction, Colon(sandbox, "Users/ann/Site")));
  EXPECT_TRUE(transaction.GetSteps().empty());
  EXPECT_TRUE(helper.EnsureFolderExists(transaction, Colon(sandbox, "Users/ann/Site/b/c") + u":"));
  ASSERT_EQ(transaction.GetSteps().size(), 2u);
  EXPECT_EQ(static_cast<CInstallCreateFolder*>(transaction.GetSteps()[0])->GetPath(),
            Colon(sandbox, "Users/ann/Site/b"));
  EXPECT_EQ(static_cast<CInstallCreateFolder*>(transaction.GetSteps()[1])->GetPath(),
            Colon(sandbox, "Users/ann/Site/b/c"));
  EXPECT_EQ(transaction.Rollback(nullptr), 0);
  EXPECT_EQ(sandbox.list("Users/ann/Site"), std::vector<std::string>{});

  EXPECT_FALSE(helper.EnsureFolderExists(transaction, CString(u"NoSuchVolume:a:b")));
  EXPECT_FALSE(helper.EnsureFolderExists(transaction, CString(u"nocolon")));

  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("/Site/x", EACCES, platform::kFsMkdir);
  EXPECT_FALSE(helper.EnsureFolderExists(transaction, Colon(sandbox, "Users/ann/Site/x/y")));
  EXPECT_EQ(ui.calls().back().args[0], u"cannot create " + U("Users/ann/Site/x"));
  transaction.Rollback(nullptr);
}
