#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "foundation/CZorbTypedVector.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TreeSnapshot.h"
#include "transaction/CInstallAddFontResource.h"
#include "transaction/CInstallBackupFile.h"
#include "transaction/CInstallCopyDirectory.h"
#include "transaction/CInstallCopyFile.h"
#include "transaction/CInstallCopyFileAndOverwriteFolder.h"
#include "transaction/CInstallCreateFolder.h"
#include "transaction/CInstallDeleteDirectory.h"
#include "transaction/CInstallDeleteFile.h"
#include "transaction/tests/StepTestSupport.h"

using steptest::Colon;
using testsupport::SandboxTest;
using testsupport::TreeSnapshot;

namespace {

class InstallStepTest : public SandboxTest {
 protected:
  CString C(const std::string& relative) const { return Colon(sandbox, relative); }
  TreeSnapshot Snapshot() const { return TreeSnapshot::take(sandbox.root(), {"tmp"}); }
};

}  // namespace

TEST_F(InstallStepTest, CreateFolderMakesTheFolderAndUndoRemovesIt) {
  sandbox.makeFolder("Users/ann/Config");
  CInstallCreateFolder step(C("Users/ann/Config/Objects/Common"));
  EXPECT_EQ(step.Do(), 0);
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Config/Objects/Common"));
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_FALSE(sandbox.exists("Users/ann/Config/Objects")) << "the parent the step made goes too";
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Config"));
}

TEST_F(InstallStepTest, CreateFolderLeavesAFolderThatWasThere) {
  sandbox.makeFolder("Users/ann/Config");
  CInstallCreateFolder step(C("Users/ann/Config"));
  EXPECT_EQ(step.Do(), 0);
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Config"));
}

TEST_F(InstallStepTest, CreateFolderUndoLeavesAFolderThatIsNoLongerEmpty) {
  CInstallCreateFolder step(C("Users/ann/New"));
  ASSERT_EQ(step.Do(), 0);
  sandbox.writeFile("Users/ann/New/file.txt", "kept");
  EXPECT_EQ(step.Undo(), -1);
  EXPECT_EQ(sandbox.readFile("Users/ann/New/file.txt"), "kept");
}

TEST_F(InstallStepTest, CreateFolderReportsFailure) {
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("Blocked", EACCES, platform::kFsMkdir);
  CInstallCreateFolder step(C("Users/ann/Blocked"));
  EXPECT_NE(step.Do(), 0);
  EXPECT_FALSE(sandbox.exists("Users/ann/Blocked"));

  CInstallCreateFolder outside(u"NoSuchVolume:Folder");
  EXPECT_NE(outside.Do(), 0);
}

TEST_F(InstallStepTest, CopyOverAFileSavesItAndRollsBackByteForByte) {
  sandbox.writeFile("Users/ann/src.txt", "new");
  sandbox.writeFile("Users/ann/Site/page.txt", "old\r\nbytes");
  const TreeSnapshot before = Snapshot();
  CInstallCopyFile step(C("Users/ann/src.txt"), C("Users/ann/Site/page.txt"), false, false);
  ASSERT_EQ(step.Do(), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/page.txt"), "new");
  const std::vector<std::string> temp = steptest::TempItems(sandbox);
  ASSERT_EQ(temp.size(), 1u);
  EXPECT_EQ(temp[0].substr(0, 3), "cpy");
  EXPECT_EQ(temp[0].size(), 3u + 8u + 4u) << temp[0];
  EXPECT_EQ(temp[0].substr(11), ".TMP");
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_TRUE(testsupport::sameTree(before, Snapshot()));
  step.Release();
  EXPECT_EQ(steptest::TempItems(sandbox), std::vector<std::string>{});
}

TEST_F(InstallStepTest, CopyRefusesAFolderAtTheDestination) {
  sandbox.writeFile("Users/ann/src.txt", "new");
  sandbox.writeFile("Users/ann/Site/page/inner.txt", "kept");
  const TreeSnapshot before = Snapshot();
  CInstallCopyFile step(C("Users/ann/src.txt"), C("Users/ann/Site/page"), false, false);
  EXPECT_EQ(step.Do(), -1);
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_TRUE(testsupport::sameTree(before, Snapshot()));
}

TEST_F(InstallStepTest, AMoveReleasedAfterSuccessRemovesTheSourceAndItsEmptiedFolders) {
  const std::string temp = steptest::TempRelative(sandbox);
  sandbox.writeFile(temp + "/Unpacked/a/b/file.txt", "moved");
  sandbox.writeFile(temp + "/Unpacked/other.txt", "stays");
  CInstallCopyFile step(C(temp + "/Unpacked/a/b/file.txt"), C("Users/ann/Site/file.txt"), false,
                        true);
  ASSERT_EQ(step.Do(), 0);
  step.Release();
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/file.txt"), "moved");
  EXPECT_FALSE(sandbox.exists(temp + "/Unpacked/a")) << "a:b: and a: were left empty";
  EXPECT_TRUE(sandbox.exists(temp + "/Unpacked/other.txt"));

  // The temporary folder itself is never removed, even when emptied.
  sandbox.writeFile(temp + "/last.txt", "moved");
  CInstallCopyFile last(C(temp + "/last.txt"), C("Users/ann/Site/last.txt"), false, true);
  steptest::RemoveTree(sandbox, temp + "/Unpacked");
  ASSERT_EQ(last.Do(), 0);
  last.Release();
  EXPECT_TRUE(sandbox.isFolder(temp));
  EXPECT_EQ(steptest::TempItems(sandbox), std::vector<std::string>{});
}

TEST_F(InstallStepTest, AnUndoneMoveKeepsItsSource) {
  sandbox.writeFile("Users/ann/Drop/file.txt", "the only copy");
  sandbox.writeFile("Users/ann/Drop/pkg/a.txt", "the only folder");
  CInstallCopyFile file(C("Users/ann/Drop/file.txt"), C("Users/ann/Site/file.txt"), false, true);
  CInstallCopyDirectory folder(C("Users/ann/Drop/pkg"), C("Users/ann/Site/pkg"), true, true);
  ASSERT_EQ(file.Do(), 0);
  ASSERT_EQ(folder.Do(), 0);
  EXPECT_EQ(folder.Undo(), 0);
  folder.Release();
  EXPECT_EQ(file.Undo(), 0);
  file.Release();
  EXPECT_EQ(sandbox.readFile("Users/ann/Drop/file.txt"), "the only copy");
  EXPECT_EQ(sandbox.readFile("Users/ann/Drop/pkg/a.txt"), "the only folder");
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/file.txt"));
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/pkg"));
}

TEST_F(InstallStepTest, UndoAfterAFailedBackupLeavesTheOriginalAlone) {
  // The copy to the backup fails: Undo must neither delete the destination
  // nor put a missing backup over it.
  sandbox.writeFile("Users/ann/src.txt", "new");
  sandbox.writeFile("Users/ann/Site/page.txt", "original");
  platform::FaultInjectingFileSystem fs;
  CInstallCopyFile copy(C("Users/ann/src.txt"), C("Users/ann/Site/page.txt"), false, false);
  CInstallBackupFile backup(C("Users/ann/Site/page.txt"), C("Users/ann/Site/page.bak"));
  {
    platform::FileSystemOverride use(fs);
    fs.failPath("/tmp/", ENOSPC, platform::kFsWrite);
    EXPECT_EQ(copy.Do(), -1);
    fs.clearRules();
    fs.failPath("page.bak", ENOSPC, platform::kFsWrite);
    EXPECT_EQ(backup.Do(), -1);
  }
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/page.bak")) << "no partial backup stays";
  EXPECT_EQ(backup.Undo(), 0);
  EXPECT_EQ(copy.Undo(), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/page.txt"), "original");
  EXPECT_EQ(sandbox.list("Users/ann/Site"), std::vector<std::string>{"page.txt"});
}

TEST_F(InstallStepTest, BackupUndoPutsTheFileBackAfterTheCreatorChangedIt) {
  sandbox.writeFile("Users/ann/Site/Menus.xml", "<menus/>");
  CInstallBackupFile step(C("Users/ann/Site/Menus.xml"), C("Users/ann/Site/Menus.xbk"));
  ASSERT_EQ(step.Do(), 0);
  sandbox.writeFile("Users/ann/Site/Menus.xml", "<menus><item/></menus>");
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/Menus.xml"), "<menus/>");
  EXPECT_EQ(sandbox.list("Users/ann/Site"), std::vector<std::string>{"Menus.xml"});

  // After a successful operation the backup stays.
  CInstallBackupFile kept(C("Users/ann/Site/Menus.xml"), C("Users/ann/Site/Menus.xbk"));
  ASSERT_EQ(kept.Do(), 0);
  kept.Release();
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/Menus.xbk"), "<menus/>");
}

TEST_F(InstallStepTest, DeleteFileTakesTheSpellingOnDisk) {
  sandbox.writeFile("Users/ann/Site/ReadMe.TXT", "x");
  CInstallDeleteFile step(C("Users/ann/Site/readme.txt"));
  EXPECT_EQ(step.GetPath(), C("Users/ann/Site/ReadMe.TXT"));
  ASSERT_EQ(step.Do(), 0);
  EXPECT_EQ(step.GetBackupPath().Left(C(steptest::TempRelative(sandbox)).GetLength() + 4),
            C(steptest::TempRelative(sandbox)) + u":del");

  sandbox.writeFile("Users/ann/Site/abc.txt", "not this one");
  CInstallDeleteFile wildcard(C("Users/ann/Site/a*.txt"));
  EXPECT_EQ(wildcard.GetPath(), C("Users/ann/Site/a*.txt"));
  EXPECT_EQ(wildcard.Do(), -1);
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/abc.txt"), "not this one");
}

TEST_F(InstallStepTest, FolderStepsOnWhatIsNotThere) {
  const TreeSnapshot before = Snapshot();
  CInstallDeleteDirectory missing(C("Users/ann/Nothing"));
  EXPECT_EQ(missing.Do(), 0);
  EXPECT_EQ(missing.Undo(), 0);

  sandbox.writeFile("Users/ann/file.txt", "a file");
  const TreeSnapshot withFile = Snapshot();
  CInstallCopyFileAndOverwriteFolder overFile(C("Users/ann/file.txt"), C("Users/ann/file.txt"),
                                              false);
  EXPECT_EQ(overFile.Do(), -1);
  EXPECT_EQ(overFile.Undo(), 0);
  EXPECT_TRUE(testsupport::sameTree(withFile, Snapshot()));
  EXPECT_EQ(steptest::TempItems(sandbox), std::vector<std::string>{});
}

TEST_F(InstallStepTest, SavedFoldersLieInAFreshFolderUnderTheirOwnName) {
  sandbox.writeFile("Users/ann/Site/Tree/a.txt", "a");
  sandbox.writeFile("Users/ann/src/Tree/b.txt", "b");
  sandbox.writeFile("Users/ann/new.txt", "file");
  struct Expect {
    CZorbExtensionInstallStep* step;
    const char* prefix;
  };
  CInstallDeleteDirectory del(C("Users/ann/Site/Tree"));
  ASSERT_EQ(del.Do(), 0);
  EXPECT_EQ(del.Undo(), 0);
  CInstallCopyDirectory copy(C("Users/ann/src/Tree"), C("Users/ann/Site/Tree"), false, true);
  ASSERT_EQ(copy.Do(), 0);
  EXPECT_EQ(copy.Undo(), 0);
  CInstallCopyFileAndOverwriteFolder over(C("Users/ann/new.txt"), C("Users/ann/Site/Tree"), false);
  ASSERT_EQ(over.Do(), 0);
  const std::u16string temp = sandbox.colon(steptest::TempRelative(sandbox)) + u":";
  for (const Expect& e : {Expect{&del, "fol"}, Expect{&copy, "cop"}, Expect{&over, "ove"}}) {
    CString item, backup;
    ASSERT_TRUE(e.step->GetRestoreInfo(item, backup));
    const std::u16string saved(backup.Get());
    const std::u16string prefix(e.prefix, e.prefix + 3);
    EXPECT_EQ(saved.substr(0, temp.size() + 3), temp + prefix);
    EXPECT_EQ(saved.substr(temp.size() + 3 + 8), u".TMP:Tree");
    EXPECT_EQ(item, C("Users/ann/Site/Tree"));
  }
  EXPECT_EQ(steptest::TempItems(sandbox).size(), 3u);
  for (CZorbExtensionInstallStep* step : {static_cast<CZorbExtensionInstallStep*>(&del),
                                          static_cast<CZorbExtensionInstallStep*>(&copy),
                                          static_cast<CZorbExtensionInstallStep*>(&over)})
    step->Release();
  EXPECT_EQ(steptest::TempItems(sandbox), std::vector<std::string>{});
}

TEST_F(InstallStepTest, AFontThatIsThereIsNeitherReplacedNorRemoved) {
  sandbox.writeFile("Users/ann/src/font.ttf", "new glyphs");
  sandbox.writeFile("Library/Fonts/font.ttf", "the user's glyphs");
  CInstallAddFontResource step(C("Users/ann/src/font.ttf"), C("Library/Fonts/font.ttf"));
  EXPECT_EQ(step.Do(), 0);
  EXPECT_EQ(sandbox.readFile("Library/Fonts/font.ttf"), "the user's glyphs");
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_EQ(sandbox.readFile("Library/Fonts/font.ttf"), "the user's glyphs");
}

TEST_F(InstallStepTest, AFailedDoRunAgainGoesOnWhereItStopped) {
  // The busy-file retries run Do again: one saved copy, not two.
  sandbox.writeFile("Users/ann/Site/busy.txt", "in use");
  CInstallDeleteFile step(C("Users/ann/Site/busy.txt"));
  platform::FaultInjectingFileSystem fs;
  {
    platform::FileSystemOverride use(fs);
    fs.failPath("busy.txt", EBUSY, platform::kFsUnlink);
    EXPECT_EQ(step.Do(), -1);
  }
  EXPECT_EQ(sandbox.clock().sleptMs(), 3000u) << "three busy retries, a second apart";
  EXPECT_EQ(step.Do(), 0);
  EXPECT_EQ(steptest::TempItems(sandbox).size(), 1u);
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/busy.txt"), "in use");
}
