// Extension stores, path files, the plug-in configuration file, the store
// fill of the first run and loading the installed extensions.

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/CZorbPluginConfigFile.h"
#include "engine/CZorbPlexar.h"
#include "engine/tests/ScriptedHost.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionPaths.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"

namespace {

using enginetest::ScriptedHost;
using testsupport::ScriptedUI;
using Names = std::vector<std::string>;

using testsupport::LogToString;
const auto Narrow = testsupport::NarrowAscii;

std::string Golden(const std::string& name) {
  std::ifstream in(std::string(PLEXAR_TESTDATA_DIR) + "/engine/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

constexpr char kDescription[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\">\n"
    "\t<files>\n"
    "\t\t<file source=\"a.htm\" destination=\"$userhomefolder/Tool\" />\n"
    "\t</files>\n"
    "</quillory-extension>\n";

CZorbExtensionFile* Entry(int32_t kind, const char16_t* source, const char16_t* destination,
                          int32_t platform = 0) {
  auto* entry = new CZorbExtensionFile;
  entry->m_fileType = kind;
  entry->m_source = source;
  entry->m_destination = destination;
  entry->m_platform = platform;
  return entry;
}

class Stores : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    Logger::resetForTest(LogToString);
    sandbox.makeFolder("work/src");
    sandbox.makeFolder("work/store");
    engine.m_sourceRoot = C("work/src") + u":";
    engine.m_systemTokens.SetAt(u"userhomefolder", C("Users/ann") + u":");
    host.m_pxStorePath = C("work/store");
    host.m_privateTokens.SetAt(u"supportedinsuite", u"WB5");
    g_isInSuppressMode = false;
  }
  void TearDown() override {
    // The registry's products are the test's.
    engine.m_products.clear();
    g_isInSuppressMode = false;
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
  }
  CString C(const std::string& relative) const { return CString(sandbox.colon(relative).c_str()); }
  std::string Log() const { return testsupport::CapturedLog(); }

  ScriptedUI ui;
  CZorbPlexar engine{&ui};
  ScriptedHost host{u"Lumen 11"};
};

TEST_F(Stores, PackageSuffixesByType) {
  struct Case {
    int type;
    bool ok;
    const char* path;
  };
  for (const Case& c : {Case{1, true, "Disk:s:Tool.yxp"}, Case{2, true, "Disk:s:Tool.kxp"},
                        Case{0, false, "Disk:s:Tool.kxi"}, Case{3, false, "Disk:s:Tool.kxi"}}) {
    SCOPED_TRACE(c.type);
    CZorbPath path = CString(u"Disk:s:Tool.kxi");
    EXPECT_EQ(engine.getPkgFileNameByPkgType(path, c.type), c.ok);
    EXPECT_EQ(Narrow(path), c.path);
  }
  EXPECT_NE(Log().find("[FATAL]"), std::string::npos);
  EXPECT_NE(Log().find("Invalid package type for file: Disk:s:Tool.kxi"), std::string::npos);
}

TEST_F(Stores, AProductWithoutAStoreUsesTheProgramsOwn) {
  CString store;
  engine.getPXStoreFromProductOrPlexo(&host, store);
  EXPECT_EQ(store, C("work/store") + u":");
  ScriptedHost own(u"Plexar");
  own.m_pxStorePath = C("work/own") + u":";
  engine.m_ownProduct = &own;
  host.m_pxStorePath.Empty();
  engine.getPXStoreFromProductOrPlexo(&host, store);
  EXPECT_EQ(store, C("work/own") + u":");
  engine.getPXStoreFromProductOrPlexo(nullptr, store);
  EXPECT_EQ(store, C("work/own") + u":");
  engine.m_ownProduct = nullptr;
  engine.getPXStoreFromProductOrPlexo(&host, store);
  EXPECT_EQ(store.GetLength(), 0);
}

TEST_F(Stores, ThePathFileListsWhatGoesWhereForThisProduct) {
  CZorbExtension extension;
  auto& files = extension.m_files.m_children;
  files.push_back(Entry(1, u"a.htm", u"$userhomefolder/Tool"));
  files.push_back(Entry(4, u"p.plugin", u"$userhomefolder/Plug-ins", 1));
  CZorbExtensionFile* bundle = Entry(2, u"b.yxp", u"$userhomefolder");
  bundle->m_wbxsId = u"com.example.bundle";
  files.push_back(bundle);
  CZorbExtensionFile* newer = Entry(1, u"new.htm", u"$userhomefolder/Tool");
  newer->m_minVersion = CZorbVersionNumber(u"12.0");
  files.push_back(newer);
  CZorbExtensionFile* older = Entry(1, u"old.htm", u"$userhomefolder/Tool");
  older->m_maxVersion = CZorbVersionNumber(u"10.0");
  files.push_back(older);
  files.push_back(Entry(1, u"win.htm", u"$userhomefolder/Tool", 2));
  files.push_back(Entry(0, u"none.htm", u"$userhomefolder/Tool"));

  CZorbExtensionPaths plugins;
  const CString pathFile = C("work/store/Tool.kxi_path");
  ASSERT_EQ(engine.CreateExtensionPathFile(&host, &extension, pathFile, &plugins, true), 0);
  EXPECT_EQ(sandbox.readFile("work/store/Tool.kxi_path"), Golden("Store.kxi_path"));
  ASSERT_EQ(plugins.m_pluginFiles.size(), 1u);
  EXPECT_EQ(plugins.m_pluginFiles.begin()->first, C("Users/ann/Plug-ins/p.plugin"));

  // Without write nothing is written; a destination that cannot be
  // resolved fails the whole file.
  EXPECT_EQ(engine.CreateExtensionPathFile(&host, &extension, C("work/store/Other.kxi_path"),
                                           nullptr, false),
            0);
  EXPECT_FALSE(sandbox.exists("work/store/Other.kxi_path"));
  files.push_back(Entry(1, u"lost.htm", u"$nosuchtoken/Tool"));
  EXPECT_EQ(engine.CreateExtensionPathFile(&host, &extension, C("work/store/Other.kxi_path"),
                                           nullptr, true),
            -6);
  EXPECT_FALSE(sandbox.exists("work/store/Other.kxi_path"));
  EXPECT_EQ(engine.CreateExtensionPathFile(&host, nullptr, pathFile, nullptr, true), -1);
}

TEST_F(Stores, AMultilingualExtensionRecordsTheFilesOfTheChosenLocaleAndItsResources) {
  host.m_locale = u"de_DE";
  CZorbExtension extension;
  extension.m_multilingual = true;
  extension.m_localesWithFiles.SetAt(u"de_DE", u"");
  extension.m_localesWithFiles.SetAt(u"fr_FR", u"");
  auto& files = extension.m_files.m_children;
  CZorbExtensionFile* german = Entry(1, u"de.htm", u"$userhomefolder/Tool");
  german->m_language = u"de_DE";
  CZorbExtensionFile* french = Entry(1, u"fr.htm", u"$userhomefolder/Tool");
  french->m_language = u"fr_FR";
  CZorbExtensionFile* resource = Entry(1, u"res/strings.xml", u"$userhomefolder/Tool");
  resource->m_isResourceFile = true;
  files.push_back(german);
  files.push_back(french);
  files.push_back(Entry(1, u"all.htm", u"$userhomefolder/Tool"));
  files.push_back(resource);
  ASSERT_EQ(engine.CreateExtensionPathFile(&host, &extension, C("work/store/Tool.kxi_path"),
                                           nullptr, true),
            0);
  const std::string text = sandbox.readFile("work/store/Tool.kxi_path");
  EXPECT_NE(text.find("Users:ann:Tool:de.htm"), std::string::npos) << text;
  EXPECT_NE(text.find("Users:ann:Tool:all.htm"), std::string::npos) << text;
  EXPECT_EQ(text.find("fr.htm"), std::string::npos) << text;
  EXPECT_NE(text.find("Vesko:Plexar WB5:Tool.kxi_Resources:strings.xml"), std::string::npos)
      << text;
}

TEST_F(Stores, APathFileIsWrittenOnlyWhereTheProductShowsFiles) {
  CZorbExtension extension;
  extension.m_files.m_children.push_back(Entry(1, u"a.htm", u"$userhomefolder/Tool"));
  const CZorbPath pathFile = C("work/store/Tool.kxi_path");
  host.m_showInstalledFiles = false;
  EXPECT_TRUE(engine.checkAndGenerateKXIPathFile(&host, &extension, pathFile, nullptr));
  EXPECT_FALSE(sandbox.exists("work/store/Tool.kxi_path"));

  // A folder in the way goes.
  sandbox.writeFile("work/store/Tool.kxi_path/x.txt", "x");
  host.m_showInstalledFiles = true;
  EXPECT_TRUE(engine.checkAndGenerateKXIPathFile(&host, &extension, pathFile, nullptr));
  EXPECT_FALSE(sandbox.isFolder("work/store/Tool.kxi_path"));
  EXPECT_NE(sandbox.readFile("work/store/Tool.kxi_path").find("Users:ann:Tool:a.htm"),
            std::string::npos);

  // One that cannot be written is reported, and nothing partial stays.
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("Tool.kxi_path", ENOSPC, platform::kFsRename);
  EXPECT_FALSE(engine.checkAndGenerateKXIPathFile(&host, &extension, pathFile, nullptr));
  EXPECT_NE(Log().find("Failed to create extension path file: "), std::string::npos);
  EXPECT_FALSE(sandbox.exists("work/store/Tool.kxi_path"));
}

TEST_F(Stores, PluginFileIncludeAndExcludeTable) {
  const std::string kStart =
      "=Include\r\"Disk:Plug-ins:Keep.plugin\"\r\"Disk:Plug-ins:A.plugin\"\r"
      "=Exclude\r\"Disk:Plug-ins:B.plugin\"\r";
  struct Case {
    const char* name;
    int32_t setting;
    bool enable;
    Names include, exclude;
  };
  const std::vector<Case> cases = {
      {"disable",
       1,
       false,
       {"Disk:Plug-ins:Keep.plugin"},
       {"Disk:Plug-ins:B.plugin", "Disk:Plug-ins:A.plugin"}},
      {"enable for all",
       1,
       true,
       {"Disk:Plug-ins:B.plugin", "Disk:Plug-ins:A.plugin", "Disk:Plug-ins:Keep.plugin"},
       {}},
      {"enable setting 0", 0, true, {"Disk:Plug-ins:Keep.plugin", "Disk:Plug-ins:A.plugin"}, {}},
  };
  CZorbExtensionPaths paths;
  paths.InsertAbsoluteFilePath(u"Disk:Plug-ins:A.plugin", 4);
  paths.InsertAbsoluteFilePath(u"Disk:Plug-ins:B.plugin", 4);
  paths.InsertAbsoluteFilePath(u"Disk:Site:page.htm", 1);
  host.m_pluginConfigFile = C("work/plugins.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sandbox.writeFile("work/plugins.txt", kStart);
    CZorbExtension extension;
    extension.m_pluginManagerType = c.setting;
    ASSERT_TRUE(engine.updatePluginFile(&extension, &host, paths, c.enable));
    CZorbPluginConfigFile file;
    ASSERT_TRUE(file.load(host.m_pluginConfigFile));
    Names include, exclude;
    if (const auto* entries = file.getEntries(CZorbPluginConfigFile::kIncludeToken))
      for (const CZorbString& entry : *entries) include.push_back(Narrow(entry));
    if (const auto* entries = file.getEntries(CZorbPluginConfigFile::kExcludeToken))
      for (const CZorbString& entry : *entries) exclude.push_back(Narrow(entry));
    for (std::string& e : include) e = e.substr(1, e.size() - 2);
    for (std::string& e : exclude) e = e.substr(1, e.size() - 2);
    std::sort(include.begin(), include.end());
    std::sort(exclude.begin(), exclude.end());
    Names wantInclude = c.include, wantExclude = c.exclude;
    std::sort(wantInclude.begin(), wantInclude.end());
    std::sort(wantExclude.begin(), wantExclude.end());
    EXPECT_EQ(include, wantInclude);
    EXPECT_EQ(exclude, wantExclude);
  }
  // Without a setting, or a host without the file, nothing changes.
  sandbox.writeFile("work/plugins.txt", kStart);
  CZorbExtension unset;
  EXPECT_TRUE(engine.updatePluginFile(&unset, &host, paths, false));
  EXPECT_EQ(sandbox.readFile("work/plugins.txt"), kStart);
  unset.m_pluginManagerType = 1;
  host.m_pluginConfigFile.Empty();
  EXPECT_TRUE(engine.updatePluginFile(&unset, &host, paths, false));
  EXPECT_EQ(sandbox.readFile("work/plugins.txt"), kStart);
}

class StoreFill : public Stores {
 protected:
  void SetUp() override {
    Stores::SetUp();
    host.m_extensionsFolder = CString(C("work/host/Extensions") + u":").Get();
    host.m_showInstalledFiles = true;
    sandbox.writeFile("work/host/Extensions/Tool.kxi", kDescription);
    sandbox.writeFile("work/src/a.htm", "a");
  }
  std::unique_ptr<CZorbExtension> Found() {
    auto extension = std::make_unique<CZorbExtension>();
    EXPECT_EQ(extension->Load(C("work/host/Extensions/Tool.kxi"), nullptr), 0);
    return extension;
  }
  Names Store() const { return sandbox.list("work/store"); }
};

TEST_F(StoreFill, CopiesPackageDescriptionAndItsRecordsIntoTheStore) {
  sandbox.writeFile("work/host/Extensions/Disabled/Tool.yxp", "package bytes");
  auto extension = Found();
  CZorbDateTime before;
  ASSERT_TRUE(CZorbOS::GetFileDateTime(C("work/host/Extensions/Tool.kxi"), before));
  engine.copyFromProductHelper(&host, extension.get());
  EXPECT_EQ(Store(), (Names{"Tool.kxi", "Tool.kxi_brio", "Tool.kxi_path", "Tool.yxp"}));
  EXPECT_EQ(sandbox.readFile("work/store/Tool.yxp"), "package bytes");
  // The description now names its package type, and keeps its stamp.
  EXPECT_NE(sandbox.readFile("work/host/Extensions/Tool.kxi").find("pkgtype=\"yxp\""),
            std::string::npos);
  EXPECT_EQ(sandbox.readFile("work/store/Tool.kxi"),
            sandbox.readFile("work/host/Extensions/Tool.kxi"));
  CZorbDateTime after, brio;
  ASSERT_TRUE(CZorbOS::GetFileDateTime(C("work/host/Extensions/Tool.kxi"), after));
  ASSERT_TRUE(CZorbOS::GetFileDateTime(C("work/store/Tool.kxi_brio"), brio));
  EXPECT_TRUE(after == before);
  EXPECT_TRUE(brio == before);
  EXPECT_FALSE(extension->m_writePackageType);
}

TEST_F(StoreFill, NoneOrTwoPackagesCopyNothing) {
  auto extension = Found();
  engine.copyFromProductHelper(&host, extension.get());
  EXPECT_NE(Log().find("Zero package file."), std::string::npos);
  sandbox.writeFile("work/host/Extensions/Disabled/Tool.yxp", "y");
  sandbox.writeFile("work/host/Extensions/Disabled/Tool.kxp", "k");
  engine.copyFromProductHelper(&host, extension.get());
  EXPECT_NE(Log().find("Two package files"), std::string::npos);
  EXPECT_EQ(Store(), Names{});
}

TEST_F(StoreFill, AFailedSaveLeavesNoPartialEntryAndTheDescriptionWhole) {
  sandbox.writeFile("work/host/Extensions/Disabled/Tool.kxp", "package bytes");
  for (const char* failing : {"Tool.kxi_brio", "Extensions/Tool.kxi"}) {
    SCOPED_TRACE(failing);
    sandbox.writeFile("work/host/Extensions/Tool.kxi", kDescription);
    auto extension = Found();
    platform::FaultInjectingFileSystem fs;
    {
      platform::FileSystemOverride use(fs);
      fs.failPath(failing, ENOSPC, platform::kFsRename);
      engine.copyFromProductHelper(&host, extension.get());
    }
    EXPECT_GT(fs.injectedFailures(), 0);
    EXPECT_EQ(Store(), Names{});
    // A description written again is either all new or all old.
    const std::string text = sandbox.readFile("work/host/Extensions/Tool.kxi");
    EXPECT_TRUE(text == kDescription || text.find("pkgtype=\"kxp\"") != std::string::npos);
    EXPECT_NE(text.find("</quillory-extension>"), std::string::npos);
  }
}

TEST_F(StoreFill, TheFirstRunFillsTheStoreFromEveryProduct) {
  sandbox.writeFile("work/host/Extensions/Disabled/Tool.kxp", "package bytes");
  engine.m_products.push_back(&host);
  ui.always(ScriptedUI::Question::MessageBox,
            [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
  EXPECT_EQ(engine.CreatePXStore(), 0);
  EXPECT_EQ(Store(), (Names{"Tool.kxi", "Tool.kxi_brio", "Tool.kxi_path", "Tool.kxp"}));
  std::vector<std::string> names = ui.names();
  EXPECT_EQ(names.front(), "ShowProgress");
  EXPECT_EQ(names.back(), "HideProgress");
}

class Loading : public Stores {
 protected:
  void SetUp() override {
    Stores::SetUp();
    host.m_extensionsFolder = CString(C("work/host/Extensions") + u":").Get();
    other.m_extensionsFolder = CString(C("work/other/Extensions") + u":").Get();
    other.m_pxStorePath = host.m_pxStorePath;
    other.m_privateTokens.SetAt(u"supportedinsuite", u"WB5");
    sandbox.makeFolder("work/host/Extensions");
    sandbox.makeFolder("work/other/Extensions");
    sandbox.writeFile("work/store/Tool.kxi", kDescription);
    sandbox.writeFile("work/store/Other.kxi",
                      "<quillory-extension name=\"Other\" version=\"2.0\" />");
    engine.m_products.push_back(&host);
    engine.m_products.push_back(&other);
  }
  size_t OwnCount() const {
    auto it = engine.m_extensionLists.find(nullptr);
    return it == engine.m_extensionLists.end() ? 0 : it->second->size();
  }

  ScriptedHost other{u"Emberly 11"};
};

TEST_F(Loading, AStoreSharedByConsecutiveProductsIsReadOnceAndAgainLoadStartsAfresh) {
  EXPECT_EQ(engine.Load(), 0);
  EXPECT_EQ(OwnCount(), 2u);
  EXPECT_EQ(engine.Load(), 0);
  EXPECT_EQ(OwnCount(), 2u);
  // Progress: 20 a product, reading at 10 a product, then 12 and 14.
  std::vector<std::string> progress;
  for (const ScriptedUI::Call& call : ui.calls()) {
    std::string line = call.name;
    for (const std::u16string& arg : call.args) line += " " + std::string(arg.begin(), arg.end());
    if (call.name == "SetProgressCount" || call.name == "UpdateProgress") progress.push_back(line);
  }
  ASSERT_GE(progress.size(), 6u);
  EXPECT_EQ(progress[0], "SetProgressCount 40");
  EXPECT_EQ(progress[1], "UpdateProgress 0");
  EXPECT_EQ(progress.back(), "UpdateProgress 28");
}

TEST_F(Loading, ACommandLineRunShowsNoProgress) {
  g_isInSuppressMode = true;
  EXPECT_EQ(engine.Load(), 0);
  EXPECT_EQ(OwnCount(), 2u);
  EXPECT_TRUE(ui.calls().empty());
}

TEST_F(Loading, WithNothingStoredThereIsNoList) {
  host.m_pxStorePath.Empty();
  other.m_pxStorePath.Empty();
  EXPECT_EQ(engine.Load(), 0);
  EXPECT_TRUE(engine.m_extensionLists.empty());
}

TEST_F(Loading, AMultilingualDescriptionIsWrittenAgainWholeOrNotAtAll) {
  const std::string multilingual =
      "<quillory-extension name=\"Tool\" version=\"1.0\" ismultilingual=\"true\" />";
  sandbox.writeFile("work/store/Tool.kxi", multilingual);
  sandbox.writeFile("work/store/Tool.kxi_brio", multilingual);
  platform::FaultInjectingFileSystem fs;
  {
    platform::FileSystemOverride use(fs);
    fs.failPath("Tool.kxi", ENOSPC, platform::kFsRename);
    EXPECT_EQ(engine.Load(), 0);
  }
  EXPECT_GT(fs.injectedFailures(), 0);
  EXPECT_EQ(sandbox.readFile("work/store/Tool.kxi"), multilingual);
  EXPECT_NE(Log().find("Can not save KXI file : "), std::string::npos);
  EXPECT_EQ(sandbox.list("work/store"), (Names{"Other.kxi", "Tool.kxi", "Tool.kxi_brio"}));

  // Without a failure both are written again and keep their stamps.
  CZorbDateTime before;
  ASSERT_TRUE(CZorbOS::GetFileDateTime(C("work/store/Tool.kxi_brio"), before));
  EXPECT_EQ(engine.Load(), 0);
  EXPECT_NE(sandbox.readFile("work/store/Tool.kxi"), multilingual);
  CZorbDateTime after;
  ASSERT_TRUE(CZorbOS::GetFileDateTime(C("work/store/Tool.kxi_brio"), after));
  EXPECT_TRUE(after == before);
}

}  // namespace
