// The engine's file and folder helpers and the engine side of its install
// transaction.

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtensionFile.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TreeSnapshot.h"

namespace {

using testsupport::ScriptedUI;
using testsupport::TreeSnapshot;
using Names = std::vector<std::string>;

using testsupport::LogToString;
const auto Narrow = testsupport::NarrowAscii;

CZorbTypedList<CZorbString> List(const std::vector<std::u16string>& texts) {
  CZorbTypedList<CZorbString> list;
  for (const std::u16string& text : texts) list.push_back(CZorbString(CString(text.c_str())));
  return list;
}

class EngineHelpers : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    Logger::resetForTest(LogToString);
    sandbox.makeFolder("work");
  }
  void TearDown() override {
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
  }

  CString C(const std::string& relative) const {
    return CString(sandbox.colon("work/" + relative).c_str());
  }
  void Write(const std::string& relative, const std::string& text = "x") {
    sandbox.writeFile("work/" + relative, text);
  }
  TreeSnapshot Snap() const { return TreeSnapshot::take(sandbox.posix("work")); }
  std::string Log() const { return testsupport::CapturedLog(); }

  ScriptedUI ui;
  CZorbPlexar engine{&ui};
};

TEST_F(EngineHelpers, FindsTheOnePackageBesideADescription) {
  struct Case {
    const char* name;
    Names files;
    int result;
    const char* path;  // what the path names afterwards
  };
  const std::vector<Case> cases = {
      {"none", {}, CZorbPlexar::kNoPackage, "Tool.kxp"},
      {"yxp", {"Tool.yxp"}, CZorbPlexar::kFoundYxp, "Tool.yxp"},
      {"kxp", {"Tool.kxp"}, CZorbPlexar::kFoundKxp, "Tool.kxp"},
      {"both", {"Tool.yxp", "Tool.kxp"}, CZorbPlexar::kFoundBoth, "Tool.kxp"},
      // A folder of that name holds no package.
      {"folder", {"Tool.yxp/inside"}, CZorbPlexar::kNoPackage, "Tool.kxp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = std::string("pkg-") + c.name;
    Write(dir + "/Tool.kxi");
    for (const std::string& file : c.files) Write(dir + "/" + file);
    CZorbPath path = C(dir + "/Tool.kxi");
    EXPECT_EQ(engine.findExistYxpOrKxpPackage(path), c.result);
    EXPECT_EQ(Narrow(path), Narrow(C(dir + "/" + c.path)));
  }
}

TEST_F(EngineHelpers, RemovesTwoTreesInOneRunAndRollsBothBack) {
  Write("one/a.txt");
  Write("one/sub/deep/b.txt");
  sandbox.makeFolder("work/one/empty");
  Write("two/c.txt");
  const TreeSnapshot before = Snap();
  {
    CZorbInstallTransaction::Scope scope(engine.GetTransaction());
    engine.RemoveNoEmptyDirectory(C("one"));
    engine.RemoveNoEmptyDirectory(C("two") + u":");
    EXPECT_FALSE(sandbox.exists("work/one"));
    EXPECT_FALSE(sandbox.exists("work/two"));
    // Files of a folder before its sub-folders, every folder after its
    // contents, the top folder last.
    EXPECT_EQ(engine.GetSteps().size(), 8u);
    scope.Rollback(&ui);
  }
  EXPECT_TRUE(testsupport::sameTree(before, Snap()));
  // A folder that is not there gives no steps.
  CZorbInstallTransaction::Scope scope(engine.GetTransaction());
  engine.RemoveNoEmptyDirectory(C("three"));
  EXPECT_TRUE(engine.GetSteps().empty());
  scope.Commit(CZorbInstallTransaction::Order::kLastToFirst);
}

TEST_F(EngineHelpers, DeletesOnlyTheListedFilesAndSaysWhetherTheFolderEmptied) {
  struct Case {
    const char* name;
    std::vector<std::u16string> extensions, keep;
    bool empty;
    Names left;
  };
  const std::vector<Case> cases = {
      {"by extension", {u"htm"}, {}, false, {"b.js"}},
      {"kept by name", {}, {u"b.js"}, false, {"b.js"}},
      {"everything", {}, {}, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write("site/a.htm");
    Write("site/b.js");
    const TreeSnapshot before = Snap();
    CZorbInstallTransaction::Scope scope(engine.GetTransaction());
    EXPECT_EQ(engine.DeleteFolderContents(C("site"), List(c.extensions), List(c.keep)), c.empty);
    EXPECT_EQ(sandbox.list("work/site"), c.left);
    scope.Rollback(&ui);
    EXPECT_TRUE(testsupport::sameTree(before, Snap()));
  }
}

TEST_F(EngineHelpers, DeletesNestedContentsAndStopsAtAFailedDeletion) {
  Write("site/sub/a.htm");
  Write("site/sub/deeper/b.htm");
  {
    CZorbInstallTransaction::Scope scope(engine.GetTransaction());
    EXPECT_TRUE(engine.DeleteFolderContents(C("site"), List({u"htm"}), List({})));
    EXPECT_EQ(sandbox.list("work/site"), Names{});
    scope.Commit(CZorbInstallTransaction::Order::kLastToFirst);
  }
  Write("site/a.htm");
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("a.htm", EBUSY, platform::kFsUnlink);
  CZorbInstallTransaction::Scope scope(engine.GetTransaction());
  EXPECT_FALSE(engine.DeleteFolderContents(C("site"), List({}), List({})));
  scope.Rollback(&ui);
  EXPECT_TRUE(sandbox.exists("work/site/a.htm"));
}

TEST_F(EngineHelpers, DeletesUnpackedFilesAndTheFoldersTheyLeaveEmpty) {
  Write("unpacked/sub/deep/x.txt");
  Write("unpacked/other/keep.txt");
  Write("unpacked/other/y.txt");
  Write("outside.txt");
  CZorbTypedVector<CString> names;
  for (const char16_t* name : {u"sub:deep:x.txt", u":other:y.txt", u"missing.txt"})
    names.push_back(CString(name));
  engine.DeleteUnpackedKXPFiles(C("unpacked"), names);
  EXPECT_EQ(sandbox.list("work/unpacked"), Names{"other"});
  EXPECT_EQ(sandbox.list("work/unpacked/other"), Names{"keep.txt"});

  names.clear();
  names.push_back(CString(u"other:keep.txt"));
  engine.DeleteUnpackedKXPFiles(C("unpacked") + u":", names);
  EXPECT_FALSE(sandbox.exists("work/unpacked"));
  EXPECT_TRUE(sandbox.exists("work/outside.txt"));
}

TEST_F(EngineHelpers, ScansOneFolderForAnExtension) {
  Write("store/a.kxi");
  Write("store/b.KXI");
  Write("store/c.kxp");
  Write("store/sub/d.kxi");
  CZorbTypedVector<CString> found;
  engine.scanFilesFromByExtensionName(C("store"), found, u"kxi");
  Names names;
  for (const CString& path : found) names.push_back(Narrow(path));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{Narrow(C("store/a.kxi")), Narrow(C("store/b.KXI"))}));
}

TEST_F(EngineHelpers, TurnsAnEmptyFolderPlaceholderBackIntoAFolder) {
  CZorbExtensionFile entry;
  Write("site/empty", "");
  engine.RecoverEmptyDirectory(&entry, C("site/empty"));
  EXPECT_FALSE(sandbox.isFolder("work/site/empty")) << "not marked as an empty folder";
  entry.m_isEmptyFolder = 1;
  engine.RecoverEmptyDirectory(&entry, C("site/empty"));
  EXPECT_TRUE(sandbox.isFolder("work/site/empty"));
  // Already a folder, or nothing there yet: the folder is made at once.
  engine.RecoverEmptyDirectory(&entry, C("site/empty"));
  engine.RecoverEmptyDirectory(&entry, C("site/new"));
  EXPECT_TRUE(sandbox.isFolder("work/site/new"));
  EXPECT_EQ(sandbox.clock().sleptMs(), 0u);
}

TEST_F(EngineHelpers, GivesUpOnAPlaceholderAfterTenAttempts) {
  CZorbExtensionFile entry;
  entry.m_isEmptyFolder = 1;
  Write("site/empty", "");
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("site/empty", EBUSY, platform::kFsUnlink);
  const uint64_t before = sandbox.clock().sleptMs();
  engine.RecoverEmptyDirectory(&entry, C("site/empty"));
  EXPECT_GE(sandbox.clock().sleptMs() - before, 10000u);
  EXPECT_LT(sandbox.clock().sleptMs() - before, 60000u);
  EXPECT_NE(Log().find("Can't delete file: "), std::string::npos) << Log();
  EXPECT_FALSE(sandbox.isFolder("work/site/empty"));

  // The program shutting down ends the wait at once.
  engine.CancelWaits();
  const uint64_t cancelled = sandbox.clock().sleptMs();
  engine.RecoverEmptyDirectory(&entry, C("site/empty"));
  // Only the deletion's own short retries remain, no pauses between
  // attempts.
  EXPECT_LT(sandbox.clock().sleptMs() - cancelled, 5000u);
}

TEST_F(EngineHelpers, MakesMissingFoldersAsStepsAndRunsBusyStepsAgain) {
  {
    CZorbInstallTransaction::Scope scope(engine.GetTransaction());
    EXPECT_TRUE(engine.EnsureFolderExists(C("a/b/c")));
    EXPECT_TRUE(sandbox.isFolder("work/a/b/c"));
    EXPECT_EQ(engine.GetSteps().size(), 3u);
    scope.Rollback(&ui);
  }
  EXPECT_FALSE(sandbox.exists("work/a"));
  Write("busy/x.txt");
  CZorbInstallTransaction::Scope scope(engine.GetTransaction());
  EXPECT_EQ(engine.DeleteDirectoryHelper(C("busy")), 0);
  EXPECT_FALSE(sandbox.exists("work/busy"));
  scope.Rollback(&ui);
  EXPECT_TRUE(sandbox.exists("work/busy/x.txt"));
}

}  // namespace
