// Every file-only install step, failed at each of its file-system calls in
// turn: Undo must give back the tree exactly as it was, and Release must
// leave none of the step's saved copies behind.

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
#include "transaction/CInstallDeleteFolder.h"
#include "transaction/tests/StepTestSupport.h"

using steptest::Colon;
using testsupport::SandboxMachine;
using testsupport::TreeSnapshot;

namespace {

const std::string kWork = "Users/ann/Work";
// More file-system calls than any of the steps makes.
constexpr int kMaxCalls = 600;

struct StepCase {
  const char* name;
  // Lays out the work area (which starts empty).
  std::function<void(const SandboxMachine&)> arrange;
  std::function<CZorbExtensionInstallStep*(const SandboxMachine&)> make;
  // What a successful Do leaves.
  std::function<void(const SandboxMachine&)> checkDone;
};

std::string W(const std::string& relative) {
  return kWork + "/" + relative;
}

CString C(const SandboxMachine& sandbox, const std::string& relative) {
  return Colon(sandbox, W(relative));
}

void Write(const SandboxMachine& s, const std::string& relative, const std::string& text,
           bool locked = false) {
  s.writeFile(W(relative), text);
  if (locked) steptest::Lock(s, W(relative));
}

void Package(const SandboxMachine& s) {
  Write(s, "src/pkg/a.txt", "package a");
  Write(s, "src/pkg/sub/b.txt", "package b");
}

// A folder with a locked file deeper down and a folder of its own mode.
void HostFolder(const SandboxMachine& s, const std::string& relative) {
  Write(s, relative + "/a.txt", "folder content a");
  Write(s, relative + "/sub/b.txt", "folder content b", true);
  std::filesystem::permissions(s.posix(W(relative + "/sub")), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
}

const std::vector<StepCase>& Cases() {
  static const std::vector<StepCase> cases = {
      {"CopyFileOverALockedFile",
       [](const SandboxMachine& s) {
         Write(s, "src/new.txt", "new bytes of the extension");
         Write(s, "site/page.txt", "the host's own page", true);
       },
       [](const SandboxMachine& s) {
         return new CInstallCopyFile(C(s, "src/new.txt"), C(s, "site/page.txt"), false, false);
       },
       [](const SandboxMachine& s) {
         EXPECT_EQ(s.readFile(W("site/page.txt")), "new bytes of the extension");
       }},
      {"CopyFileIntoFoldersThatAreNotThere",
       [](const SandboxMachine& s) { Write(s, "src/new.txt", "new bytes of the extension"); },
       [](const SandboxMachine& s) {
         return new CInstallCopyFile(C(s, "src/new.txt"), C(s, "site/x/y/new.txt"), false, false);
       },
       [](const SandboxMachine& s) {
         EXPECT_EQ(s.readFile(W("site/x/y/new.txt")), "new bytes of the extension");
       }},
      {"MoveFile", [](const SandboxMachine& s) { Write(s, "src/deep/moved.txt", "moved bytes"); },
       [](const SandboxMachine& s) {
         return new CInstallCopyFile(C(s, "src/deep/moved.txt"), C(s, "site/moved.txt"), false,
                                     true);
       },
       [](const SandboxMachine& s) { EXPECT_EQ(s.readFile(W("site/moved.txt")), "moved bytes"); }},
      {"DeleteALockedFile",
       [](const SandboxMachine& s) { Write(s, "site/page.txt", "the host's own page", true); },
       [](const SandboxMachine& s) { return new CInstallDeleteFile(C(s, "site/page.txt")); },
       [](const SandboxMachine& s) { EXPECT_FALSE(s.exists(W("site/page.txt"))); }},
      {"BackUpAFile", [](const SandboxMachine& s) { Write(s, "site/Menus.xml", "<menus/>\r"); },
       [](const SandboxMachine& s) {
         return new CInstallBackupFile(C(s, "site/Menus.xml"), C(s, "site/Menus.xbk"));
       },
       [](const SandboxMachine& s) { EXPECT_EQ(s.readFile(W("site/Menus.xbk")), "<menus/>\r"); }},
      {"BackUpAFileOverAnEarlierBackup",
       [](const SandboxMachine& s) {
         Write(s, "site/Menus.xml", "<menus/>\r");
         Write(s, "site/Menus.xbk", "<menus>earlier</menus>", true);
       },
       [](const SandboxMachine& s) {
         return new CInstallBackupFile(C(s, "site/Menus.xml"), C(s, "site/Menus.xbk"));
       },
       [](const SandboxMachine& s) { EXPECT_EQ(s.readFile(W("site/Menus.xbk")), "<menus/>\r"); }},
      {"CopyAFileOverAFolder",
       [](const SandboxMachine& s) {
         Write(s, "src/thing.txt", "a file in place of a folder");
         HostFolder(s, "site/thing");
       },
       [](const SandboxMachine& s) {
         return new CInstallCopyFileAndOverwriteFolder(C(s, "src/thing.txt"), C(s, "site/thing"),
                                                       false);
       },
       [](const SandboxMachine& s) {
         EXPECT_EQ(s.readFile(W("site/thing")), "a file in place of a folder");
       }},
      {"DeleteAFolderTree", [](const SandboxMachine& s) { HostFolder(s, "site/thing"); },
       [](const SandboxMachine& s) { return new CInstallDeleteDirectory(C(s, "site/thing")); },
       [](const SandboxMachine& s) { EXPECT_FALSE(s.exists(W("site/thing"))); }},
      {"DeleteAFileThroughTheFolderStep",
       [](const SandboxMachine& s) { Write(s, "site/page.txt", "the host's own page", true); },
       [](const SandboxMachine& s) { return new CInstallDeleteDirectory(C(s, "site/page.txt")); },
       [](const SandboxMachine& s) { EXPECT_FALSE(s.exists(W("site/page.txt"))); }},
      {"CopyFolderContentsOverAFolder",
       [](const SandboxMachine& s) {
         Package(s);
         HostFolder(s, "site/pkg");
       },
       [](const SandboxMachine& s) {
         return new CInstallCopyDirectory(C(s, "src/pkg"), C(s, "site/pkg"), false, false);
       },
       [](const SandboxMachine& s) {
         EXPECT_EQ(s.list(W("site/pkg")), (std::vector<std::string>{"a.txt", "sub"}));
         EXPECT_EQ(s.readFile(W("site/pkg/sub/b.txt")), "package b");
       }},
      {"CopyAFolderAsAFolderOverAFolder",
       [](const SandboxMachine& s) {
         Package(s);
         HostFolder(s, "site/pkg");
       },
       [](const SandboxMachine& s) {
         return new CInstallCopyDirectory(C(s, "src/pkg"), C(s, "site/pkg"), true, true);
       },
       [](const SandboxMachine& s) {
         EXPECT_EQ(s.readFile(W("site/pkg/sub/b.txt")), "package b");
       }},
      {"CopyAFolderOverAFile",
       [](const SandboxMachine& s) {
         Package(s);
         Write(s, "site/plain", "a file where a folder goes", true);
       },
       [](const SandboxMachine& s) {
         return new CInstallCopyDirectory(C(s, "src/pkg"), C(s, "site/plain"), false, false);
       },
       [](const SandboxMachine& s) { EXPECT_EQ(s.readFile(W("site/plain/a.txt")), "package a"); }},
      {"CopyAFolderIntoFoldersThatAreNotThere", Package,
       [](const SandboxMachine& s) {
         return new CInstallCopyDirectory(C(s, "src/pkg"), C(s, "site/n/m/pkg"), false, true);
       },
       [](const SandboxMachine& s) {
         EXPECT_EQ(s.readFile(W("site/n/m/pkg/sub/b.txt")), "package b");
       }},
      {"AddAFont", [](const SandboxMachine& s) { Write(s, "src/font.ttf", "glyphs"); },
       [](const SandboxMachine& s) {
         return new CInstallAddFontResource(C(s, "src/font.ttf"), C(s, "Fonts/font.ttf"));
       },
       [](const SandboxMachine& s) { EXPECT_EQ(s.readFile(W("Fonts/font.ttf")), "glyphs"); }},
      {"DeleteAnEmptyFolder",
       [](const SandboxMachine& s) {
         s.makeFolder(W("site/empty"));
         std::filesystem::permissions(s.posix(W("site/empty")), std::filesystem::perms::owner_all,
                                      std::filesystem::perm_options::replace);
       },
       [](const SandboxMachine& s) { return new CInstallDeleteFolder(C(s, "site/empty")); },
       [](const SandboxMachine& s) { EXPECT_FALSE(s.exists(W("site/empty"))); }},
      {"CreateFolders", [](const SandboxMachine& s) { s.makeFolder(W("site")); },
       [](const SandboxMachine& s) { return new CInstallCreateFolder(C(s, "site/p/q/r")); },
       [](const SandboxMachine& s) { EXPECT_TRUE(s.isFolder(W("site/p/q/r"))); }},
  };
  return cases;
}

class InstallStepFaults : public testsupport::SandboxTest,
                          public ::testing::WithParamInterface<size_t> {
 protected:
  void Arrange(const StepCase& c) {
    steptest::RemoveTree(sandbox, kWork);
    steptest::ClearTemp(sandbox);
    sandbox.makeFolder(kWork);
    c.arrange(sandbox);
  }
  // The steps work in the work area alone; the temporary folder is checked
  // on its own.
  TreeSnapshot Snapshot() const { return TreeSnapshot::take(sandbox.posix(kWork)); }
};

TEST_P(InstallStepFaults, UndoAfterAFailureAtAnyCallGivesTheTreeBack) {
  const StepCase& c = Cases()[GetParam()];
  Arrange(c);
  const TreeSnapshot before = Snapshot();
  int k = 1;
  for (; k < kMaxCalls; ++k) {
    SCOPED_TRACE("failing call " + std::to_string(k));
    std::unique_ptr<CZorbExtensionInstallStep> step(c.make(sandbox));
    platform::FaultInjectingFileSystem fs;
    int result;
    {
      platform::FileSystemOverride use(fs);
      fs.failNth(k, EIO, platform::kFsAllOps);
      result = step->Do();
    }
    const bool injected = fs.injectedFailures() > 0;
    EXPECT_EQ(step->Undo(), 0);
    // The tree the next round starts from is this one: it must be the
    // first.
    const ::testing::AssertionResult same = testsupport::sameTree(before, Snapshot());
    EXPECT_TRUE(same);
    CString item, backup;
    const bool kept = step->GetRestoreInfo(item, backup);
    step->Release();
    if (kept) {
      EXPECT_FALSE(CZorbOS::FileExists(backup) || CZorbOS::DirectoryExists(backup));
    }
    if (!injected) {
      EXPECT_EQ(result, 0);
      break;
    }
    if (!same) Arrange(c);
  }
  EXPECT_LT(k, kMaxCalls) << "the step never got through";

  // And without faults: done, then released, nothing of it is left in the
  // temporary folder.
  Arrange(c);
  std::unique_ptr<CZorbExtensionInstallStep> step(c.make(sandbox));
  ASSERT_EQ(step->Do(), 0);
  c.checkDone(sandbox);
  step->Release();
  EXPECT_EQ(steptest::TempItems(sandbox), std::vector<std::string>{});
}

class InstallStepUndoFaults : public InstallStepFaults {};

TEST_F(InstallStepUndoFaults, AFailedUndoKeepsItsSavedCopy) {
  int withCopies = 0;
  for (const StepCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    Arrange(c);
    std::unique_ptr<CZorbExtensionInstallStep> step(c.make(sandbox));
    ASSERT_EQ(step->Do(), 0);
    CString item, backup;
    if (!step->GetRestoreInfo(item, backup)) continue;
    ++withCopies;
    platform::FaultInjectingFileSystem fs;
    {
      platform::FileSystemOverride use(fs);
      fs.failPath("", EIO, platform::kFsOpenWrite | platform::kFsMkdir | platform::kFsRename);
      EXPECT_EQ(step->Undo(), -1);
    }
    EXPECT_TRUE(CZorbOS::FileExists(backup) || CZorbOS::DirectoryExists(backup))
        << "the copy is all that is left of the item";
  }
  EXPECT_EQ(withCopies, 10);
}

INSTANTIATE_TEST_SUITE_P(Steps, InstallStepFaults, ::testing::Range<size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& param) {
                           return std::string(Cases()[param.param].name);
                         });

}  // namespace
