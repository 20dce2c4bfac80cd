#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

#include "extension/CZorbEnableExtensionFile.h"
#include "extension/CZorbExtensionPaths.h"
#include "extension/tests/ExtensionTestSupport.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/SandboxMachine.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r";

class PathAndEnableFiles : public testsupport::SandboxTest {
 protected:
  CString Colon(const std::string& relative) const {
    return CString(sandbox.colon(relative).c_str());
  }
};

}  // namespace

TEST_F(PathAndEnableFiles, APathFileListsEachPathOnceInKeyOrderThenTheIds) {
  CZorbExtensionPaths paths;
  paths.InsertAbsoluteFilePath(CString(u"Disk:b:tool.js"), 1);
  paths.InsertAbsoluteFilePath(CString(u"Disk:a & b:<x>.js"), 4);
  paths.InsertAbsoluteFilePath(CString(u"Disk:b:tool.js"), 1);
  paths.InsertAbsoluteFilePath(CString(u"Disk:B:caps.js"), 2);
  paths.InsertWBXSId(CString(u"com.example.z"));
  paths.InsertWBXSId(CString(u"com.example.a"));
  paths.InsertWBXSId(CString(u"com.example.z"));
  paths.m_path = Colon("Users/ann/tools.kxi_path");

  ASSERT_EQ(paths.Save(nullptr), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/tools.kxi_path"), kBom + kDeclaration +
                                                              "<Paths>\r"
                                                              "\t<file>Disk:B:caps.js</file>\r"
                                                              "\t<file>Disk:a & b:<x>.js</file>\r"
                                                              "\t<file>Disk:b:tool.js</file>\r"
                                                              "\t<wbxs>com.example.a</wbxs>\r"
                                                              "\t<wbxs>com.example.z</wbxs>\r"
                                                              "</Paths>\r");
  // Only the plug-in is remembered as one, and that list is not written.
  ASSERT_EQ(paths.m_pluginFiles.size(), 1u);
  EXPECT_EQ(exttest::U(paths.m_pluginFiles.begin()->first), u"Disk:a & b:<x>.js");
}

TEST_F(PathAndEnableFiles, EmptyFilesHoldOnlyTheDeclarationAndTheRoot) {
  CZorbExtensionPaths paths;
  ASSERT_EQ(paths.Save(Colon("Users/ann/empty.kxi_path")), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/empty.kxi_path"),
            kBom + kDeclaration + "<Paths>\r</Paths>\r");

  CZorbEnableExtensionFile enabled;
  ASSERT_EQ(enabled.Save(Colon("Users/ann/Lumen 9.enabled_EnableAllExt")), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/Lumen 9.enabled_EnableAllExt"),
            kBom + kDeclaration +
                "<EnabledExtensionForEnableForALL>\r</EnabledExtensionForEnableForALL>\r");

  // Only ids: no file line.
  paths.InsertWBXSId(CString(u"id"));
  CString text;
  paths.BuildXml(1, text);
  EXPECT_EQ(exttest::U(text),
            u"\t<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\t<Paths>\r\t\t<wbxs>id</wbxs>\r"
            u"\t</Paths>\r");
}

TEST_F(PathAndEnableFiles, AnEnableFileListsEachNameOnce) {
  CZorbEnableExtensionFile enabled;
  enabled.InsertKXIFileName(CString(u"tools.kxi"));
  enabled.InsertKXIFileName(CString(u"A&B.kxi"));
  enabled.InsertKXIFileName(CString(u"tools.kxi"));
  enabled.m_path = Colon("Users/ann/Lumen 9.enabled_EnableAllExt");
  ASSERT_EQ(enabled.Save(nullptr), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/Lumen 9.enabled_EnableAllExt"),
            kBom + kDeclaration +
                "<EnabledExtensionForEnableForALL>\r"
                "\t<KXIName>A&B.kxi</KXIName>\r"
                "\t<KXIName>tools.kxi</KXIName>\r"
                "</EnabledExtensionForEnableForALL>\r");
}

TEST_F(PathAndEnableFiles, SavingNeedsAPathAndReplacesTheFileWhole) {
  CZorbExtensionPaths paths;
  CZorbEnableExtensionFile enabled;
  EXPECT_EQ(paths.Save(nullptr), -1);
  EXPECT_EQ(enabled.Save(u""), -1);

  // A given path wins over the own one.
  paths.m_path = Colon("Users/ann/own.kxi_path");
  paths.InsertAbsoluteFilePath(CString(u"Disk:x"), 1);
  ASSERT_EQ(paths.Save(Colon("Users/ann/given.kxi_path")), 0);
  EXPECT_TRUE(sandbox.exists("Users/ann/given.kxi_path"));
  EXPECT_FALSE(sandbox.exists("Users/ann/own.kxi_path"));

  // A failed write leaves the old file as it was.
  sandbox.writeFile("Users/ann/own.kxi_path", "previous");
  platform::FaultInjectingFileSystem faults;
  faults.failPath("own.kxi_path", ENOSPC, platform::kFsWrite | platform::kFsRename);
  {
    platform::FileSystemOverride use(faults);
    EXPECT_EQ(paths.Save(nullptr), -1);
  }
  EXPECT_EQ(sandbox.readFile("Users/ann/own.kxi_path"), "previous");

  // Nothing is read.
  EXPECT_EQ(paths.Load(Colon("Users/ann/own.kxi_path"), nullptr), 0);
  EXPECT_EQ(enabled.Load(nullptr, nullptr), 0);
  EXPECT_EQ(paths.m_files.size(), 1u);
}

TEST_F(PathAndEnableFiles, CopiesTakeTheListsAndThePathButNotThePlugins) {
  CZorbExtensionPaths paths;
  paths.m_path = u"Disk:own";
  paths.InsertAbsoluteFilePath(CString(u"Disk:plugin.bundle"), 4);
  paths.InsertWBXSId(CString(u"id"));
  std::unique_ptr<CZorbExtensionPaths> clone(paths.Clone());
  CZorbExtensionPaths assigned;
  assigned.InsertAbsoluteFilePath(CString(u"Disk:old"), 1);
  assigned.InsertAbsoluteFilePath(CString(u"Disk:oldplugin"), 4);
  assigned = paths;
  for (const CZorbExtensionPaths* copy : {clone.get(), &assigned}) {
    CString mine, theirs;
    copy->BuildXml(0, mine);
    paths.BuildXml(0, theirs);
    EXPECT_EQ(exttest::U(mine), exttest::U(theirs));
    EXPECT_EQ(exttest::U(copy->m_path), u"Disk:own");
  }
  EXPECT_TRUE(clone->m_pluginFiles.empty());
  ASSERT_EQ(assigned.m_pluginFiles.size(), 1u);
  EXPECT_EQ(exttest::U(assigned.m_pluginFiles.begin()->first), u"Disk:oldplugin");

  CZorbEnableExtensionFile enabled;
  enabled.m_path = u"Disk:flags";
  enabled.InsertKXIFileName(CString(u"a.kxi"));
  std::unique_ptr<CZorbEnableExtensionFile> enabledClone(enabled.Clone());
  CString mine, theirs;
  enabledClone->BuildXml(0, mine);
  enabled.BuildXml(0, theirs);
  EXPECT_EQ(exttest::U(mine), exttest::U(theirs));
  EXPECT_EQ(exttest::U(enabledClone->m_path), u"Disk:flags");
}
