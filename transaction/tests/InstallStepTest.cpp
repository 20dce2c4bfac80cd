#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "foundation/CZorbTypedVector.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/SandboxMachine.h"
#include "transaction/CInstallCreateFolder.h"

using testsupport::SandboxTest;

namespace {

class InstallStepTest : public SandboxTest {};

}  // namespace

TEST_F(InstallStepTest, CreateFolderMakesTheFolderAndUndoRemovesIt) {
  sandbox.makeFolder("Users/ann/Config");
  CInstallCreateFolder step(sandbox.colon("Users/ann/Config/Objects/Common").c_str());
  EXPECT_EQ(step.Do(), 0);
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Config/Objects/Common"));
  EXPECT_EQ(step.Undo(), 0);
  EXPECT_FALSE(sandbox.exists("Users/ann/Config/Objects/Common"));
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Config/Objects"))
      << "only the step's own folder is removed";
  step.Release();
  EXPECT_EQ(step.Undo(), -1) << "nothing left to remove";
}

TEST_F(InstallStepTest, CreateFolderUndoLeavesAFolderThatIsNoLongerEmpty) {
  CInstallCreateFolder step(sandbox.colon("Users/ann/New").c_str());
  ASSERT_EQ(step.Do(), 0);
  sandbox.writeFile("Users/ann/New/file.txt", "kept");
  EXPECT_EQ(step.Undo(), -1);
  EXPECT_EQ(sandbox.readFile("Users/ann/New/file.txt"), "kept");
}

TEST_F(InstallStepTest, CreateFolderReportsFailure) {
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("Blocked", EACCES, platform::kFsMkdir);
  CInstallCreateFolder step(sandbox.colon("Users/ann/Blocked").c_str());
  EXPECT_NE(step.Do(), 0);
  EXPECT_FALSE(sandbox.exists("Users/ann/Blocked"));

  CInstallCreateFolder outside(u"NoSuchVolume:Folder");
  EXPECT_NE(outside.Do(), 0);
}

TEST_F(InstallStepTest, AStepListRunsAsATransaction) {
  // As the engine does: a creator appends and runs each step; a failure
  // undoes, releases and deletes them from the last to the first.
  CZorbTypedVector<CZorbExtensionInstallStep*> steps;
  for (const char* folder : {"Users/ann/A", "Users/ann/A/B", "Users/ann/A/B/C"}) {
    steps.push_back(new CInstallCreateFolder(sandbox.colon(folder).c_str()));
    ASSERT_EQ(steps.back()->Do(), 0);
  }
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    EXPECT_EQ((*it)->Undo(), 0);
    (*it)->Release();
    delete *it;
  }
  steps.clear();
  EXPECT_FALSE(sandbox.exists("Users/ann/A"));
}
