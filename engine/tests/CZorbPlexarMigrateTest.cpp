// Migration of packages from a host's preferred folder into its store.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "engine/tests/OneHostTest.h"
#include "engine/tests/ScriptedHost.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/Logger.h"
#include "package/CZorbPackage.h"
#include "package/CZorbPackageUtility.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TreeSnapshot.h"

namespace {

using enginetest::ScriptedHost;
using testsupport::ScriptedUI;
using Texts = std::vector<std::string>;
const auto Narrow = testsupport::NarrowAscii;

std::string Description(const std::string& name, const std::string& version,
                        const std::string& attributes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quillory-extension name=\"" + name +
         "\" version=\"" + version + "\" type=\"command\"" + attributes +
         ">\n"
         "  <products><product name=\"Host\" primary=\"true\" /></products>\n"
         "  <files><file source=\"a.htm\" destination=\"$userhomefolder/Tool\" /></files>\n"
         "</quillory-extension>\n";
}

class Migrate : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ui.always(ScriptedUI::Question::MessageBox,
              [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
    for (const char* folder : {"prefs", "store", "hostext"}) sandbox.makeFolder(folder);
    host.m_preferredExtensionFolder = C("prefs");
    host.m_pxStorePath = C("store");
    host.m_extensionsFolder = Text(C("hostext")) + u":";
    host.m_needsMigration = true;
    engine.m_products.push_back(&host);
    engine.m_importCount = 1;
    engine.m_systemTokens.SetAt(u"userhomefolder", C("Users/ann") + u":");
    g_isInSuppressMode = false;
  }
  void TearDown() override {
    EngineTest::TearDown();
    g_isInSuppressMode = false;
  }

  static std::u16string Text(const CString& text) { return std::u16string(text.Get()); }

  // A package of the description named after it and one file, at prefs/<file>.
  void pack(const std::string& file, const std::string& version = "1.0",
            const std::string& attributes = "") {
    const std::string base = file.substr(0, file.rfind('.'));
    const std::string folder = "build/" + file;
    sandbox.writeFile(folder + "/" + base + ".kxi", Description(base, version, attributes));
    sandbox.writeFile(folder + "/a.htm", "<p>" + base + "</p>");
    const int type = file.ends_with(".yxp") ? 1 : 2;
    std::unique_ptr<CZorbPackage> packager(CZorbPackageUtility::createPackager(type, nullptr));
    ASSERT_EQ(packager->Create(C("prefs/" + file), 3), 0);
    packager->SetRelativeRoot(C(folder) + u":");
    ASSERT_EQ(packager->PackFile(C(folder + "/" + base + ".kxi"), false, false), 0);
    ASSERT_EQ(packager->PackFile(C(folder + "/a.htm"), true, false), 0);
    ASSERT_EQ(packager->PackComplete(), 0);
  }

  Texts messages() const {
    Texts out;
    for (const ScriptedUI::Call& call : ui.calls())
      if (call.name == "MessageBox") out.push_back(Narrow(CString(call.args[0].c_str())));
    return out;
  }

  testsupport::TreeSnapshot tree() const {
    return testsupport::TreeSnapshot::take(sandbox.root(), {"tmp", "build"});
  }

  testsupport::ScopedStrings strings{{}, {4027}, {4219, 4236}};
  ScriptedHost host{u"Host"};
};

TEST_F(Migrate, PackagesAreRecordedAndMovedAsideSoASecondRunDoesNothing) {
  pack("Tool.kxp");
  pack("Other.yxp");
  engine.migrateExtensionsFromProductsPreferredFolders();
  EXPECT_EQ(messages(), Texts{});
  EXPECT_EQ(engine.m_migratedExtensions, 2);
  for (const char* name : {"Tool", "Other"}) {
    SCOPED_TRACE(name);
    const std::string base = name;
    const std::string package = base + (base == "Tool" ? ".kxp" : ".yxp");
    EXPECT_TRUE(sandbox.exists("store/" + package));
    EXPECT_TRUE(sandbox.exists("store/" + base + ".kxi_brio"));
    EXPECT_FALSE(sandbox.exists("prefs/" + package));
    EXPECT_TRUE(sandbox.exists("prefs/REMOVED/" + package));
    const std::string stored = sandbox.readFile("store/" + base + ".kxi");
    EXPECT_NE(stored.find("pkgtype"), std::string::npos) << stored;
    EXPECT_EQ(sandbox.readFile("hostext/" + base + ".kxi"), stored);
  }
  // The converted copy carries no configuration changes; both name the tool.
  EXPECT_NE(sandbox.readFile("store/Tool.kxi_brio").find("name=\"Tool\""), std::string::npos);

  // Progress: the count, the start, and the end of each package.
  Texts progress;
  for (const ScriptedUI::Call& call : ui.calls())
    progress.push_back(call.name + " " + Narrow(CString(call.args.at(0).c_str())));
  EXPECT_EQ(progress, (Texts{"SetProgressCount 100", "UpdateProgress 1", "UpdateProgress 50",
                             "UpdateProgress 100", "UpdateProgress 100"}));

  const auto before = tree();
  engine.migrateExtensionsFromProductsPreferredFolders();
  EXPECT_TRUE(testsupport::sameTree(before, tree()));
  EXPECT_EQ(engine.m_migratedExtensions, 0);
  EXPECT_EQ(messages(), Texts{});
}

TEST_F(Migrate, OnlyNewerVersionsReplaceWhatTheStoreHolds) {
  pack("Tool.kxp", "2.0");
  engine.migrateExtensionsFromProductsPreferredFolders();
  ASSERT_TRUE(sandbox.exists("store/Tool.kxi"));
  const std::string newer = sandbox.readFile("store/Tool.kxi");

  // An older package counts as done and changes nothing.
  pack("Tool.kxp", "1.0");
  const auto stored = std::filesystem::last_write_time(sandbox.posix("store/Tool.kxp"));
  std::filesystem::last_write_time(sandbox.posix("prefs/Tool.kxp"), stored + std::chrono::hours(1));
  EXPECT_TRUE(engine.migrateExtensionsFromProductPreferredFolder(&host));
  EXPECT_EQ(sandbox.readFile("store/Tool.kxi"), newer);
  EXPECT_TRUE(sandbox.exists("prefs/Tool.kxp"));
  EXPECT_NE(testsupport::CapturedLog().find("existed destinated file"), std::string::npos);

  // A package whose store copy has its time stamp is not even opened.
  sandbox.writeFile("prefs/Junk.kxp", "not a package");
  sandbox.writeFile("store/Junk.kxp", "not a package");
  std::filesystem::last_write_time(
      sandbox.posix("store/Junk.kxp"),
      std::filesystem::last_write_time(sandbox.posix("prefs/Junk.kxp")));
  EXPECT_TRUE(engine.migrateExtensionFromExtensionFile(C("prefs/Junk.kxp"), C("store"),
                                                       C("hostext"), &host));
}

TEST_F(Migrate, FailedPackagesAreRolledBackAndNamedTenAtMost) {
  for (int i = 1; i <= 12; ++i) {
    const std::string name = std::string("bad") + (i < 10 ? "0" : "") + std::to_string(i) + ".kxp";
    sandbox.writeFile("prefs/" + name, "not a package");
  }
  pack("Tool.kxp");
  engine.migrateExtensionsFromProductsPreferredFolders();
  EXPECT_EQ(messages(), Texts{"4219[bad01.kxp,bad02.kxp,bad03.kxp,bad04.kxp,bad05.kxp,bad06.kxp,"
                              "bad07.kxp,bad08.kxp,bad09.kxp,bad10.kxp,...|Host]"});
  EXPECT_TRUE(sandbox.exists("prefs/REMOVED/Tool.kxp"));
  EXPECT_TRUE(sandbox.exists("prefs/bad12.kxp"));

  // Suppress mode: the same failures, nothing shown.
  const size_t shown = messages().size();
  g_isInSuppressMode = true;
  engine.migrateExtensionsFromProductsPreferredFolders();
  EXPECT_EQ(messages().size(), shown);
}

TEST_F(Migrate, AFailedCopyOfThePackageUndoesWhatWasCopiedForIt) {
  pack("Tool.kxp");
  sandbox.writeFile("hostext/Tool.kxi", "the host's older description");
  const auto before = tree();
  {
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    fs.failPath("store/Tool.kxp", EIO);
    engine.migrateExtensionsFromProductsPreferredFolders();
  }
  EXPECT_EQ(messages(), Texts{"4219[Tool.kxp|Host]"});
  EXPECT_TRUE(testsupport::sameTree(before, tree()));
  EXPECT_EQ(sandbox.readFile("hostext/Tool.kxi"), "the host's older description");
}

TEST_F(Migrate, APlugInListThatCannotBeUpdatedTakesThePathFileBackToo) {
  pack("Tool.kxp", "1.0", " plugin-manager-type=\"current-user\"");
  host.m_showInstalledFiles = true;
  // A folder where the host's plug-in list should be: it cannot be saved.
  sandbox.makeFolder("hostext/PlugIns.txt");
  host.m_pluginConfigFile = C("hostext/PlugIns.txt");
  const auto before = tree();
  engine.migrateExtensionsFromProductsPreferredFolders();
  EXPECT_EQ(messages(), Texts{"4219[Tool.kxp|Host]"});
  EXPECT_TRUE(testsupport::sameTree(before, tree()));
}

TEST_F(Migrate, NothingHappensWithoutMarkedProductsOrAPreferredFolder) {
  pack("Tool.kxp");
  engine.m_importCount = 0;
  engine.migrateExtensionsFromProductsPreferredFolders();
  EXPECT_TRUE(ui.calls().empty());
  engine.m_importCount = 1;
  host.m_needsMigration = false;
  engine.migrateExtensionsFromProductsPreferredFolders();
  EXPECT_FALSE(sandbox.exists("store/Tool.kxi"));
  host.m_preferredExtensionFolder.Empty();
  EXPECT_FALSE(engine.migrateExtensionsFromProductPreferredFolder(&host));
}

}  // namespace
