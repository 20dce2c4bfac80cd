// The path-file step: what stood at the path comes back on undo, and a
// failure at any file-system call inside Do leaves nothing behind.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CInstallCreateExtensionPathFile.h"
#include "extension/CZorbExtensionPaths.h"
#include "foundation/CZorbOS.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TreeSnapshot.h"

namespace {

using testsupport::SandboxMachine;
using testsupport::TreeSnapshot;

constexpr int kMaxCalls = 400;

std::string Golden(const std::string& name) {
  std::ifstream in(std::string(PLEXAR_TESTDATA_DIR) + "/engine/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Layout {
  const char* name;
  std::function<void(const SandboxMachine&)> arrange;
};

const std::vector<Layout>& Layouts() {
  static const std::vector<Layout> layouts = {
      {"NothingThere", [](const SandboxMachine&) {}},
      {"AnOlderPathFile",
       [](const SandboxMachine& s) {
         s.writeFile("work/store/Tool.kxi_path", "<Paths>older</Paths>\r");
         std::filesystem::permissions(s.posix("work/store/Tool.kxi_path"),
                                      std::filesystem::perms::owner_write,
                                      std::filesystem::perm_options::remove);
       }},
      {"AFolderInTheWay",
       [](const SandboxMachine& s) {
         s.writeFile("work/store/Tool.kxi_path/a.txt", "a");
         s.writeFile("work/store/Tool.kxi_path/sub/b.txt", "b");
       }},
  };
  return layouts;
}

class PathFileStep : public testsupport::SandboxTest, public ::testing::WithParamInterface<size_t> {
 protected:
  void SetUp() override {
    m_paths.InsertAbsoluteFilePath(u"Disk:Applications:Host:Tool.htm", 1);
    m_paths.InsertAbsoluteFilePath(u"Disk:Applications:Host:Plug-ins:Tool.plugin", 4);
    m_paths.InsertWBXSId(u"com.example.tool");
  }
  void Arrange(const Layout& layout) {
    std::error_code ec;
    std::filesystem::path work(sandbox.posix("work"));
    for (auto it = std::filesystem::recursive_directory_iterator(work, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(work, ec);
    for (const std::string& name : sandbox.list(TempRelative()))
      std::filesystem::remove_all(sandbox.posix(TempRelative() + "/" + name), ec);
    sandbox.makeFolder("work/store");
    layout.arrange(sandbox);
  }
  std::string TempRelative() const {
    char16_t temp[kZorbMaxPath + 1];
    CZorbOS::GetTempPath(temp, kZorbMaxPath + 1);
    const std::u16string colon(temp), volume = sandbox.colon("");
    std::string relative;
    for (char16_t unit : colon.substr(volume.size())) relative += unit == u':' ? '/' : char(unit);
    while (!relative.empty() && relative.back() == '/') relative.pop_back();
    return relative;
  }
  CString Target() const { return CString(sandbox.colon("work/store/Tool.kxi_path").c_str()); }
  TreeSnapshot Snap() const { return TreeSnapshot::take(sandbox.posix("work")); }

  CZorbExtensionPaths m_paths;
};

TEST_P(PathFileStep, UndoAfterAFailureAtAnyCallGivesTheTreeBack) {
  const Layout& layout = Layouts()[GetParam()];
  Arrange(layout);
  const TreeSnapshot before = Snap();
  int k = 1;
  for (; k < kMaxCalls; ++k) {
    SCOPED_TRACE("failing call " + std::to_string(k));
    CInstallCreateExtensionPathFile step(&m_paths, Target());
    platform::FaultInjectingFileSystem fs;
    int result;
    {
      platform::FileSystemOverride use(fs);
      fs.failNth(k, EIO, platform::kFsAllOps);
      result = step.Do();
    }
    const bool injected = fs.injectedFailures() > 0;
    EXPECT_EQ(step.Undo(), 0);
    const ::testing::AssertionResult same = testsupport::sameTree(before, Snap());
    EXPECT_TRUE(same);
    step.Release();
    EXPECT_EQ(sandbox.list(TempRelative()), std::vector<std::string>{});
    if (!injected) {
      EXPECT_EQ(result, 0);
      break;
    }
    if (!same) Arrange(layout);
  }
  EXPECT_LT(k, kMaxCalls) << "the step never got through";

  // Without faults: the path file is written; after the release no saved
  // copy is left.
  Arrange(layout);
  {
    CInstallCreateExtensionPathFile step(&m_paths, Target());
    ASSERT_EQ(step.Do(), 0);
    EXPECT_EQ(sandbox.readFile("work/store/Tool.kxi_path"), Golden("Tool.kxi_path"));
    step.Release();
  }
  EXPECT_EQ(sandbox.list(TempRelative()), std::vector<std::string>{});
}

TEST_P(PathFileStep, AFailedUndoKeepsTheSavedCopy) {
  const Layout& layout = Layouts()[GetParam()];
  Arrange(layout);
  CInstallCreateExtensionPathFile step(&m_paths, Target());
  ASSERT_EQ(step.Do(), 0);
  CString item, backup;
  if (!step.GetRestoreInfo(item, backup)) {
    EXPECT_STREQ(layout.name, "NothingThere");
    return;
  }
  platform::FaultInjectingFileSystem fs;
  {
    platform::FileSystemOverride use(fs);
    fs.failPath("", EIO, platform::kFsOpenWrite | platform::kFsMkdir | platform::kFsRename);
    EXPECT_EQ(step.Undo(), -1);
  }
  EXPECT_TRUE(CZorbOS::FileExists(backup) || CZorbOS::DirectoryExists(backup));
}

INSTANTIATE_TEST_SUITE_P(Layouts, PathFileStep, ::testing::Range<size_t>(0, Layouts().size()),
                         [](const ::testing::TestParamInfo<size_t>& param) {
                           return std::string(Layouts()[param.param].name);
                         });

TEST(PathFileStepRefuses, ALinkOrNoPathFileObject) {
  SandboxMachine sandbox;
  sandbox.writeFile("work/elsewhere.txt", "not to be overwritten");
  std::filesystem::create_symlink(sandbox.posix("work/elsewhere.txt"),
                                  sandbox.posix("work/Tool.kxi_path"));
  CZorbExtensionPaths paths;
  const CString target(sandbox.colon("work/Tool.kxi_path").c_str());
  CInstallCreateExtensionPathFile link(&paths, target);
  EXPECT_EQ(link.Do(), -1);
  EXPECT_EQ(link.Undo(), 0);
  EXPECT_EQ(sandbox.readFile("work/elsewhere.txt"), "not to be overwritten");
  CInstallCreateExtensionPathFile none(nullptr, CString(sandbox.colon("work/x.kxi_path").c_str()));
  EXPECT_EQ(none.Do(), -1);
  EXPECT_EQ(none.Undo(), 0);
  EXPECT_FALSE(sandbox.exists("work/x.kxi_path"));
}

}  // namespace
