#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "foundation/CZorbOS.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"
#include "transaction/CInstallCopyFile.h"
#include "transaction/CInstallCreateFolder.h"
#include "transaction/CInstallDeleteFile.h"
#include "transaction/CZorbInstallTransaction.h"
#include "transaction/tests/StepTestSupport.h"

using steptest::Colon;
using Order = CZorbInstallTransaction::Order;

namespace {

// Writes what happens to it into a shared journal.
class JournalStep : public CZorbExtensionInstallStep {
 public:
  JournalStep(std::vector<std::string>& journal, std::string name, int undoResult = 0)
      : m_journal(journal), m_name(std::move(name)), m_undoResult(undoResult) {}
  ~JournalStep() override { m_journal.push_back("delete " + m_name); }
  int Do() override {
    m_journal.push_back("do " + m_name);
    return 0;
  }
  int Undo() override {
    m_journal.push_back("undo " + m_name);
    return m_undoResult;
  }
  void Release() override { m_journal.push_back("release " + m_name); }

 private:
  std::vector<std::string>& m_journal;
  std::string m_name;
  int m_undoResult;
};

using Journal = std::vector<std::string>;

}  // namespace

TEST(InstallTransaction, RollbackGoesFromTheLastStepToTheFirst) {
  Journal journal;
  CZorbInstallTransaction transaction;
  {
    CZorbInstallTransaction::Scope scope(transaction);
    EXPECT_TRUE(scope.IsOwner());
    EXPECT_EQ(transaction.Add(new JournalStep(journal, "a")), 0);
    transaction.GetSteps().push_back(nullptr);
    EXPECT_EQ(transaction.Add(new JournalStep(journal, "b")), 0);
    EXPECT_EQ(transaction.Add(nullptr), -1);
    EXPECT_EQ(scope.Rollback(nullptr), 0);
    EXPECT_FALSE(transaction.IsOpen());
  }
  EXPECT_EQ(journal, (Journal{"do a", "do b", "undo b", "release b", "delete b", "undo a",
                              "release a", "delete a"}));
  EXPECT_TRUE(transaction.GetSteps().empty());
}

TEST(InstallTransaction, CommitReleasesInTheOrderTheOperationAsks) {
  for (Order order : {Order::kFirstToLast, Order::kLastToFirst}) {
    Journal journal;
    CZorbInstallTransaction transaction;
    CZorbInstallTransaction::Scope scope(transaction);
    transaction.Add(new JournalStep(journal, "a"));
    transaction.Add(new JournalStep(journal, "b"));
    scope.Commit(order);
    const Journal forward{"do a", "do b", "release a", "delete a", "release b", "delete b"};
    const Journal backward{"do a", "do b", "release b", "delete b", "release a", "delete a"};
    EXPECT_EQ(journal, order == Order::kFirstToLast ? forward : backward);
  }
}

TEST(InstallTransaction, ANestedOperationJoinsItsOwnersTransaction) {
  Journal journal;
  CZorbInstallTransaction transaction;
  CZorbInstallTransaction::Scope outer(transaction);
  transaction.Add(new JournalStep(journal, "outer"));
  {
    CZorbInstallTransaction::Scope inner(transaction);
    EXPECT_FALSE(inner.IsOwner());
    transaction.Add(new JournalStep(journal, "inner"));
    inner.Commit(Order::kFirstToLast);
    EXPECT_EQ(inner.Rollback(nullptr), 0);
  }
  EXPECT_EQ(transaction.GetSteps().size(), 2u) << "the inner operation leaves its steps";
  EXPECT_TRUE(transaction.IsOpen());
  outer.Rollback(nullptr);
  EXPECT_EQ(journal, (Journal{"do outer", "do inner", "undo inner", "release inner", "delete inner",
                              "undo outer", "release outer", "delete outer"}));
}

TEST(InstallTransaction, AnOperationThatEndsWithoutAVerdictIsRolledBack) {
  Journal journal;
  CZorbInstallTransaction transaction;
  {
    CZorbInstallTransaction::Scope scope(transaction);
    transaction.Add(new JournalStep(journal, "a"));
  }
  EXPECT_EQ(journal, (Journal{"do a", "undo a", "release a", "delete a"}));
  EXPECT_FALSE(transaction.IsOpen());
}

TEST(InstallTransaction, AFailedUndoKeepsItsCopyAndIsReported) {
  testsupport::SandboxMachine sandbox;
  CString::g_DataMap[CZorbInstallTransaction::kNotRestoredMessage] =
      "%s could not be restored. Its saved copy is kept at %s.";
  sandbox.writeFile("Users/ann/Site/a.txt", "first");
  sandbox.writeFile("Users/ann/Site/b.txt", "second");
  sandbox.writeFile("Users/ann/src.txt", "new");
  Journal journal;
  testsupport::ScriptedUI ui;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  CZorbInstallTransaction transaction;
  CZorbInstallTransaction::Scope scope(transaction);
  transaction.Add(new JournalStep(journal, "first"));
  auto* deleteA = new CInstallDeleteFile(Colon(sandbox, "Users/ann/Site/a.txt"));
  ASSERT_EQ(transaction.Add(deleteA), 0);
  const CString backupA = deleteA->GetBackupPath();
  auto* copyB = new CInstallCopyFile(Colon(sandbox, "Users/ann/src.txt"),
                                     Colon(sandbox, "Users/ann/Site/b.txt"), false, false);
  ASSERT_EQ(transaction.Add(copyB), 0);
  const CString backupB = copyB->GetBackupPath();
  transaction.Add(new JournalStep(journal, "failing", -1));

  platform::FaultInjectingFileSystem fs;
  {
    platform::FileSystemOverride use(fs);
    // a.txt cannot be written back; b.txt can.
    fs.failPath("a.txt", EACCES, platform::kFsOpenWrite);
    EXPECT_EQ(scope.Rollback(&ui), 2);
  }
  EXPECT_EQ(journal, (Journal{"do first", "do failing", "undo failing", "delete failing",
                              "undo first", "release first", "delete first"}))
      << "a failed undo is not released; the later steps are still undone";
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/b.txt"), "second");
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/a.txt"));
  EXPECT_TRUE(CZorbOS::FileExists(backupA)) << "the only copy of a.txt is kept";
  EXPECT_FALSE(CZorbOS::FileExists(backupB));

  const auto calls = ui.calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "MessageBox");
  const std::string site = sandbox.posix("Users/ann/Site/a.txt");
  std::string saved = sandbox.posix(steptest::TempRelative(sandbox));
  saved += "/" + std::string(backupA.Get() + backupA.ReverseFind(u':') + 1,
                             backupA.Get() + backupA.GetLength());
  const std::string expected =
      site + " could not be restored. Its saved copy is kept at " + saved + ".";
  EXPECT_EQ(calls[0].args[0], std::u16string(expected.begin(), expected.end()));
  EXPECT_EQ(calls[0].args[1], u"0");
  EXPECT_EQ(calls[0].args[2], u"1");
  CString::g_DataMap.erase(CZorbInstallTransaction::kNotRestoredMessage);
}

TEST(InstallTransaction, FoldersMadeOneByOneAreRemovedInReverse) {
  testsupport::SandboxMachine sandbox;
  sandbox.makeFolder("Users/ann/a");
  CZorbInstallTransaction transaction;
  CZorbInstallTransaction::Scope scope(transaction);
  transaction.Add(new CInstallCreateFolder(Colon(sandbox, "Users/ann/a/b")));
  transaction.Add(new CInstallCreateFolder(Colon(sandbox, "Users/ann/a/b/c")));
  ASSERT_TRUE(sandbox.isFolder("Users/ann/a/b/c"));
  EXPECT_EQ(scope.Rollback(nullptr), 0);
  EXPECT_EQ(sandbox.list("Users/ann/a"), std::vector<std::string>{});
}

TEST(InstallTransaction, EitherEndRemovesTheOldBytesACopyLeftAside) {
  for (const bool commit : {true, false}) {
    SCOPED_TRACE(commit ? "commit" : "rollback");
    testsupport::SandboxMachine sandbox;
    sandbox.writeFile("Users/ann/src.txt", "new");
    sandbox.writeFile("Users/ann/Site/a.txt", "old");
    Journal journal;
    CZorbInstallTransaction transaction;
    {
      CZorbInstallTransaction::Scope scope(transaction);
      transaction.Add(new JournalStep(journal, "a"));
      {
        platform::FaultInjectingFileSystem fs;
        platform::FileSystemOverride use(fs);
        fs.failPath("/.plexar-old-", EBUSY, platform::kFsUnlink);
        ASSERT_TRUE(CZorbOS::CopyFile(Colon(sandbox, "Users/ann/src.txt"),
                                      Colon(sandbox, "Users/ann/Site/a.txt")));
      }
      ASSERT_EQ(sandbox.list("Users/ann/Site").size(), 2u) << "the old bytes wait";
      {
        // A nested operation's end leaves them to its owner.
        CZorbInstallTransaction::Scope nested(transaction);
        nested.Commit(Order::kFirstToLast);
      }
      EXPECT_EQ(sandbox.list("Users/ann/Site").size(), 2u);
      if (commit)
        scope.Commit(Order::kFirstToLast);
      else
        EXPECT_EQ(scope.Rollback(nullptr), 0);
    }
    EXPECT_EQ(sandbox.list("Users/ann/Site"), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(sandbox.readFile("Users/ann/Site/a.txt"), "new");
  }
}
