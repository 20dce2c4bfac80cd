// An extension whose changes take out, merge into or overwrite the host's
// own entries is installed in one run of the program and removed in a
// later one, which knows the install only from the store: the host's files
// come back byte for byte.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
#include "foundation/Logger.h"
#include "products/CZorbLoomwrightVersions.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/LogCapture.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"

namespace {

using testsupport::FakeHost;
using testsupport::FakeMachine;
using testsupport::ScriptedUI;
const auto Narrow = testsupport::NarrowAscii;

constexpr char kConfig[] = "Users/ann/Library/Application Support/Vesko/Loomwright 9/Configuration";

std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(PLEXAR_TESTDATA_DIR) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct HostFile {
  const char* fixture;   // below testdata
  const char* relative;  // below the host's configuration folder
};

struct Case {
  const char* name;
  std::vector<HostFile> files;
  // The change sections of the description.
  const char* changes;
  // Texts the install must have put into the first file, and texts of the
  // host's it must have taken out of it, so the removal has something to
  // give back.
  std::vector<const char*> installed;
  std::vector<const char*> replaced;
};

const Case kCases[] = {
    {"menus: a host menu taken out, a menu and item merged into, a shortcut overwritten",
     {{"config/host/Menus.xml", "Menus/Menus.xml"}},
     "\t<configuration-changes>\n"
     "\t\t<menu-remove id=\"LWMenu_Commands\" />\n"
     "\t\t<menu-insert appendTo=\"LWMainMenu\">\n"
     "\t\t\t<menu id=\"LWMenu_Help\" name=\"_Hilfe und Tool\" />\n"
     "\t\t\t<menuitem id=\"LWMenu_Help_Using\" name=\"Tool verwenden\" command=\"tool.help()\" "
     "/>\n"
     "\t\t\t<menuitem id=\"Tool_About\" name=\"Über Tool\" command=\"tool.about()\" />\n"
     "\t\t</menu-insert>\n"
     "\t\t<shortcut-insert listId=\"LWShortcuts_Main\">\n"
     "\t\t\t<shortcut key=\"Cmd+1\" command=\"tool.heading()\" id=\"LWShortcut_Heading1\" />\n"
     "\t\t</shortcut-insert>\n"
     "\t</configuration-changes>\n",
     {"Tool verwenden", "Tool_About", "tool.heading()"},
     {"Aufzeichnung _starten", "Loomwright verwenden", "lw.setHeading(1)"}},
    {"document types: a host type overwritten",
     {{"config/host/QQDocumentTypes.xml", "DocumentTypes/QQDocumentTypes.xml"}},
     "\t<documenttype-changes>\n"
     "\t\t<documenttype-insert>\n"
     "\t\t\t<documenttype id=\"HTML\" internaltype=\"HTML\" macfileextension=\"tool\" "
     "winfileextension=\"tool\" />\n"
     "\t\t</documenttype-insert>\n"
     "\t</documenttype-changes>\n",
     {"winfileextension=\"tool\""},
     {"winfileextension=\"htm,html\""}},
    {"tag libraries: a host library overwritten",
     {{"config2/TagLibraries.vtm", "TagLibraries/TagLibraries.vtm"}},
     "\t<taglibrary-changes>\n"
     "\t\t<taglibrary-insert>\n"
     "\t\t\t<taglibrary id=\"LWTagLibrary_php\" name=\"PHP und Tool\" doctypes=\"PHP_MySQL\" />\n"
     "\t\t</taglibrary-insert>\n"
     "\t</taglibrary-changes>\n",
     {"PHP und Tool"},
     {"name=\"PHP tags\""}},
    {"toolbars: a host button with a script overwritten",
     {{"config/host/toolbars.xml", "Toolbars/toolbars.xml"}},
     "\t<toolbar-changes>\n"
     "\t\t<toolbar-item-insert appendTo=\"LW_Document\">\n"
     "\t\t\t<button id=\"LW_Snippet\" image=\"Toolbars/tool.png\" tooltip=\"Tool\" "
     "command=\"tool.run()\" />\n"
     "\t\t</toolbar-item-insert>\n"
     "\t</toolbar-changes>\n",
     {"tool.run()"},
     {"Ausschnitt einf"}},
    {"insert bar: a host button with a script overwritten",
     {{"config/host/insertbar.xml", "Objects/insertbar.xml"}},
     "\t<insertbar-changes>\n"
     "\t\t<insertbar-item-insert appendTo=\"LW_Insertbar_Common\">\n"
     "\t\t\t<button id=\"LW_Date\" label=\"Tool-Datum\" file=\"Tool/Date.htm\" />\n"
     "\t\t</insertbar-item-insert>\n"
     "\t</insertbar-changes>\n",
     {"Tool-Datum"},
     {"label=\"Datum\""}},
};

std::string Description(const std::string& changes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<quillory-extension name=\"Tool\" version=\"1.0.0\" type=\"command\" "
         "kxiversion=\"2.0.1\" vornversion=\"5.0.1\">\n"
         "\t<author name=\"Ann\" />\n"
         "\t<products>\n"
         "\t\t<product name=\"Loomwright\" version=\"9\" primary=\"true\" />\n"
         "\t</products>\n"
         "\t<files>\n"
         "\t\t<file source=\"a.htm\" destination=\"$hostfolder/Commands\" />\n"
         "\t</files>\n" +
         changes + "</quillory-extension>\n";
}

class LaterRunRemoval : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedAppPath = gAppPath;
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    Logger::resetForTest(testsupport::LogToString);
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbOS::InitMultiUserMembers();
    CZorbProduct::m_backedUpFiles.clear();
    ui.always(ScriptedUI::Question::MessageBox, [this](const ScriptedUI::Call& call) {
      shown.push_back(Narrow(CString(call.args[0].c_str())));
      ScriptedUI::Answer a;
      a.number = CZorbPlexarUI::kAnswerYes;
      return a;
    });
    // The description names the host's line; this host is of it.
    ui.alwaysYes(ScriptedUI::Question::Supports);
    ui.alwaysValidates({u"Tool", u"1", u"Ann", u"trusted"});
    ui.alwaysYes(ScriptedUI::Question::ConfirmInstall);
    FakeHost host;
    host.name = "Loomwright";
    host.folder = "Applications/Vesko Loomwright WB3";
    host.signature = "LmWt";
    host.version = "9.0.2";
    machine.addHost(host);
    machine.makeFolder("work/store");
  }
  void TearDown() override {
    CZorbProduct::m_backedUpFiles.clear();
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbGetXMLProxy::SetInstance(nullptr);
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
    gAppPath = m_savedAppPath;
  }

  CString C(const std::string& relative) const { return CString(machine.colon(relative).c_str()); }

  // One run of the program: the host as start-up finds it, and the engine.
  struct Run {
    explicit Run(LaterRunRemoval& test) : engine(&test.ui) {
      product.Initialize();
      product.m_pxStorePath = test.C("work/store");
      product.m_privateTokens.SetAt(u"supportedinsuite", u"WB5");
      engine.m_systemTokens.SetAt(u"hostfolder", test.C("Users/ann") + u":");
      engine.m_products.push_back(&product);
    }
    ~Run() {
      engine.ClearLists();
      engine.m_products.clear();
    }
    CZorbLoomwright9 product;
    CZorbPlexar engine;
  };

  void MakePackage(const Case& c) {
    std::filesystem::remove_all(machine.posix("build"));
    machine.makeFolder("build");
    machine.writeFile("build/Tool.kxi", Description(c.changes));
    machine.writeFile("build/a.htm", "A");
    machine.makeFolder("pkg");
    ASSERT_TRUE(CZorbOS::PackZipFile(C("pkg/Tool.yxp"), C("build")));
    std::filesystem::remove_all(machine.posix("build"));
  }

  CZorbExtension* Install(Run& run) {
    CZorbProduct* slot = &run.product;
    CZorbExtension* replaced = nullptr;
    bool askLicence = true;
    int restart = 0;
    return run.engine.InstallExtension(
        &slot, C("pkg/Tool.yxp"), &replaced, false, true, true, restart, false, false, false,
        askLicence, 30, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  }

  using Files = std::map<std::string, std::string>;

  // The host's files of the case as its fixtures give them, then the
  // package installed in a run of its own; the files as they were.
  Files SeedAndInstall(const Case& c) {
    Files before;
    for (const HostFile& file : c.files) {
      const std::string path = std::string(kConfig) + "/" + file.relative;
      before[path] = Fixture(file.fixture);
      EXPECT_FALSE(before[path].empty()) << file.fixture;
      machine.writeFile(path, before[path]);
    }
    MakePackage(c);
    shown.clear();
    {
      Run first(*this);
      EXPECT_NE(Install(first), nullptr);
    }
    const std::string installed =
        machine.readFile(std::string(kConfig) + "/" + c.files.front().relative);
    for (const char* text : c.installed)
      EXPECT_NE(installed.find(text), std::string::npos) << text << "\n" << installed;
    for (const char* text : c.replaced)
      EXPECT_EQ(installed.find(text), std::string::npos) << text << "\n" << installed;
    return before;
  }
  Files Read(const Files& files) const {
    Files now;
    for (const auto& [path, bytes] : files) now[path] = machine.readFile(path);
    return now;
  }
  void ExpectFiles(const Files& expected) const {
    for (const auto& [path, bytes] : expected) EXPECT_EQ(machine.readFile(path), bytes) << path;
  }
  // The one extension a run finds in the store at start-up.
  CZorbExtension* Listed(Run& run) {
    EXPECT_EQ(run.engine.Load(), 0);
    CZorbTypedList<CZorbExtension*> list;
    run.engine.GetExtensions(&run.product, &list);
    EXPECT_EQ(list.size(), 1u);
    return list.size() == 1 ? list.front() : nullptr;
  }

  std::string m_savedAppPath;
  testsupport::ScopedStrings strings{
      {4017, 4031, 4032, 4043, 4077, 4078, 4099, 4115, 4139, 4145, 4146, 4147, 4150, 4174, 4179,
       4184, 4201, 4225, 4232},
      {4016, 4019, 4020, 4021, 4022, 4024, 4027, 4030, 4038, 4040, 4046, 4047, 4048, 4062,
       4072, 4076, 4106, 4188, 4190, 4191, 4197, 4202, 4203, 4216, 4220, 4224, 4231, 4235},
      {4026, 4028, 4034, 4173, 4186, 4187}};
  FakeMachine machine;
  CZorbXmlPairsProxy proxy;
  ScriptedUI ui;
  std::vector<std::string> shown;
};

TEST_F(LaterRunRemoval, TheHostsEntriesComeBackByteForByte) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Files before = SeedAndInstall(c);
    ASSERT_FALSE(HasFatalFailure());

    // The later run knows the extension only from the store.
    Run later(*this);
    CZorbExtension* listed = Listed(later);
    ASSERT_NE(listed, nullptr);
    int restart = 0;
    EXPECT_EQ(later.engine.UninstallExtension(&later.product, listed, true, false, true, true, true,
                                              restart, true, 30, true, false),
              0);
    ExpectFiles(before);
    EXPECT_TRUE(shown.empty()) << shown.front();
    EXPECT_FALSE(machine.exists("work/store/Tool.kxi"));
  }
}

TEST_F(LaterRunRemoval, ADisableAndAnEnableInRunsBetweenKeepWhatTheRemovalGivesBack) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Files before = SeedAndInstall(c);
    ASSERT_FALSE(HasFatalFailure());
    const Files installed = Read(before);
    {
      Run later(*this);
      CZorbExtension* listed = Listed(later);
      ASSERT_NE(listed, nullptr);
      EXPECT_EQ(later.engine.DisableExtension(&later.product, listed, true, 30, true), 0);
      ExpectFiles(before);
    }
    {
      Run later(*this);
      CZorbExtension* listed = Listed(later);
      ASSERT_NE(listed, nullptr);
      EXPECT_EQ(later.engine.EnableExtension(&later.product, listed, 30), 0);
      ExpectFiles(installed);
    }
    Run last(*this);
    CZorbExtension* listed = Listed(last);
    ASSERT_NE(listed, nullptr);
    int restart = 0;
    EXPECT_EQ(last.engine.UninstallExtension(&last.product, listed, true, false, true, true, true,
                                             restart, true, 30, true, false),
              0);
    ExpectFiles(before);
    EXPECT_TRUE(shown.empty()) << shown.front();
  }
}

// A folder the person chose for a token at the install is known to every
// later run: the disable, the enable and the removal find the file in it.
TEST_F(LaterRunRemoval, AFolderChosenAtTheInstallIsTrustedInLaterRuns) {
  std::string description = Description("");
  const std::string entry = "<file source=\"a.htm\" destination=\"$hostfolder/Commands\" />";
  description.replace(description.find(entry), entry.size(),
                      "<file source=\"a.htm\" destination=\"$tools\" />");
  description.replace(description.find("\t<files>"), 0,
                      "\t<file-tokens>\n\t\t<token name=\"tools\" prompt=\"Where?\" "
                      "/>\n\t</file-tokens>\n");
  machine.makeFolder("build");
  machine.writeFile("build/Tool.kxi", description);
  machine.writeFile("build/a.htm", "A");
  machine.makeFolder("pkg");
  ASSERT_TRUE(CZorbOS::PackZipFile(C("pkg/Tool.yxp"), C("build")));
  machine.makeFolder("Users/ann/Chosen");
  ui.answerPromptForFolder(true, C("Users/ann/Chosen").Get());
  {
    Run first(*this);
    ASSERT_NE(Install(first), nullptr) << testsupport::CapturedLog();
  }
  ASSERT_EQ(machine.readFile("Users/ann/Chosen/a.htm"), "A");
  shown.clear();
  {
    Run later(*this);
    CZorbExtension* listed = Listed(later);
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(later.engine.DisableExtension(&later.product, listed, true, 30, true), 0);
    EXPECT_FALSE(machine.exists("Users/ann/Chosen/a.htm"));
  }
  {
    Run later(*this);
    CZorbExtension* listed = Listed(later);
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(later.engine.EnableExtension(&later.product, listed, 30), 0);
    EXPECT_EQ(machine.readFile("Users/ann/Chosen/a.htm"), "A");
  }
  {
    Run last(*this);
    CZorbExtension* listed = Listed(last);
    ASSERT_NE(listed, nullptr);
    int restart = 0;
    EXPECT_EQ(last.engine.UninstallExtension(&last.product, listed, true, false, true, true, true,
                                             restart, true, 30, true, false),
              0);
  }
  EXPECT_FALSE(machine.exists("Users/ann/Chosen/a.htm"));
  EXPECT_TRUE(machine.exists("Users/ann/Chosen"));
  EXPECT_FALSE(machine.exists("work/store/Tool.kxi"));
  EXPECT_TRUE(shown.empty()) << shown.front();
}

// With the person's leave an install replaces a host's own file; every
// later run gives it back when the extension goes: bytes and mode.
TEST_F(LaterRunRemoval, AHostFileTheInstallReplacedComesBackInEveryLaterRun) {
  MakePackage(kCases[0]);
  // Only the file: the host's menus stay out of it.
  machine.writeFile(std::string(kConfig) + "/Menus/Menus.xml", Fixture("config/host/Menus.xml"));
  machine.writeFile("Users/ann/Commands/a.htm", "the host's a");
  ASSERT_EQ(chmod(machine.posix("Users/ann/Commands/a.htm").c_str(), 0640), 0);
  auto hostFile = [this] {
    struct stat info {};
    EXPECT_EQ(stat(machine.posix("Users/ann/Commands/a.htm").c_str(), &info), 0);
    return machine.readFile("Users/ann/Commands/a.htm") + " " +
           std::to_string(info.st_mode & 07777);
  };
  const std::string original = hostFile();
  {
    Run first(*this);
    ASSERT_NE(Install(first), nullptr) << testsupport::CapturedLog();
  }
  EXPECT_EQ(machine.readFile("Users/ann/Commands/a.htm"), "A");
  for (const char* step : {"disable", "enable", "remove"}) {
    SCOPED_TRACE(step);
    Run later(*this);
    CZorbExtension* listed = Listed(later);
    ASSERT_NE(listed, nullptr);
    int restart = 0;
    const std::string name = step;
    if (name == "disable") {
      EXPECT_EQ(later.engine.DisableExtension(&later.product, listed, true, 30, true), 0);
      EXPECT_EQ(hostFile(), original);
    } else if (name == "enable") {
      shown.clear();
      EXPECT_EQ(later.engine.EnableExtension(&later.product, listed, 30), 0);
      EXPECT_EQ(machine.readFile("Users/ann/Commands/a.htm"), "A");
      // Agreed to at the install: not asked again.
      EXPECT_TRUE(shown.empty()) << shown.front();
    } else {
      EXPECT_EQ(later.engine.UninstallExtension(&later.product, listed, true, false, true, true,
                                                true, restart, true, 30, true, false),
                0);
      EXPECT_EQ(hostFile(), original);
    }
  }
  // Nothing of the extension stays in the store.
  EXPECT_EQ(machine.list("work/store"), std::vector<std::string>{});
}

// A configuration file the program edits for the host is never replaced
// whole by an extension.
TEST_F(LaterRunRemoval, AConfigurationFileTheProgramEditsIsNeverADestination) {
  const std::string menus = std::string(kConfig) + "/Menus/Menus.xml";
  machine.writeFile(menus, Fixture("config/host/Menus.xml"));
  std::string description = Description("");
  const std::string entry = "<file source=\"a.htm\" destination=\"$hostfolder/Commands\" />";
  description.replace(description.find(entry), entry.size(),
                      "<file source=\"Menus.xml\" destination=\"$hostfolder/Library/Application "
                      "Support/Vesko/Loomwright 9/Configuration/Menus\" />");
  machine.makeFolder("build");
  machine.writeFile("build/Tool.kxi", description);
  machine.writeFile("build/Menus.xml", "<menus />");
  machine.makeFolder("pkg");
  ASSERT_TRUE(CZorbOS::PackZipFile(C("pkg/Tool.yxp"), C("build")));
  Run first(*this);
  EXPECT_EQ(Install(first), nullptr);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().rfind("4231[", 0), 0u) << shown.back();
  EXPECT_EQ(machine.readFile(menus), Fixture("config/host/Menus.xml"));
  EXPECT_EQ(machine.list("work/store"), std::vector<std::string>{});
}

}  // namespace
