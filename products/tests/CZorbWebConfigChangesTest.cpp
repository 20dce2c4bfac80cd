#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"
#include "products/CZorbLoomwright.h"
#include "products/CZorbLoomwrightVersions.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TreeSnapshot.h"
#include "transaction/CInstallBackupFile.h"
#include "transaction/CZorbInstallTransaction.h"

using testsupport::FakeHost;
using testsupport::FakeMachine;
using testsupport::ScriptedUI;

namespace {

constexpr char kMenus[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<menus>\n"
    "<menubar name=\"Main Window\" id=\"LWMainMenu\">\n"
    "    <menu name=\"_File\" id=\"LWMenu_File\">\n"
    "        <menuitem name=\"_New...\" key=\"Cmd+N\" command=\"lw.new()\" id=\"LWMenu_File_New\" "
    "/>\n"
    "    </menu>\n"
    "</menubar>\n"
    "</menus>\n";

// A description whose change sections are given.
std::string Description(const std::string& changes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<quillory-extension name=\"Table Tools\" version=\"1.0.0\" type=\"command\" "
         "kxiversion=\"2.0.1\" vornversion=\"5.0.1\">\n"
         "\t<author name=\"Ann\" />\n"
         "\t<products>\n"
         "\t\t<product name=\"Loomwright\" version=\"9\" primary=\"true\" />\n"
         "\t</products>\n" +
         changes + "</quillory-extension>\n";
}

constexpr char kMenuInsert[] =
    "\t<configuration-changes>\n"
    "\t\t<menu-insert insertAfterMenuId=\"LWMenu_File_New\">\n"
    "\t\t\t<menuitem name=\"Add row\" id=\"TT_Add\" command=\"run()\" />\n"
    "\t\t</menu-insert>\n"
    "\t</configuration-changes>\n";

class WebConfigChanges : public ::testing::Test {
 protected:
  WebConfigChanges() {
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbOS::InitMultiUserMembers();
    CZorbProduct::m_backedUpFiles.clear();
    for (unsigned int id : {4043u, 4046u, 4075u, 4076u, 4077u, 4078u, 4147u, 4029u, 4139u, 4135u})
      CString::g_DataMap[id] = "<" + std::to_string(id) + ">";
    CString::g_DataMap[4046] = "<4046:%s>";
    FakeHost host;
    host.name = "Loomwright";
    host.folder = "Applications/Vesko Loomwright WB3";
    host.signature = "LmWt";
    host.version = "9.0.2";
    machine.addHost(host);
    product.Initialize();
    machine.writeFile(kMenusFile, kMenus);
  }
  ~WebConfigChanges() override {
    CZorbProduct::m_backedUpFiles.clear();
    CString::g_DataMap = savedTexts;
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbGetXMLProxy::SetInstance(nullptr);
  }

  // Loads a description written into the machine.
  void load(CZorbExtension& extension, const std::string& text) {
    machine.writeFile("Users/ann/ext.kxi", text);
    ASSERT_EQ(extension.Load(machine.colon("Users/ann/ext.kxi").c_str(), nullptr), 0);
  }

  int32_t process(CZorbExtension& extension, CZorbInstallTransaction& transaction,
                  CZorbPlexarUI::OperationType operation) {
    CZorbProduct::m_backedUpFiles.clear();  // as the engine does for each operation
    CString locale;
    return product.ProcessConfigChanges(&transaction.GetSteps(), &ui, &extension, locale,
                                        operation);
  }

  static constexpr char kConfig[] =
      "Users/ann/Library/Application Support/Vesko/Loomwright 9/Configuration";
  static constexpr char kMenusFile[] =
      "Users/ann/Library/Application Support/Vesko/Loomwright 9/Configuration/Menus/Menus.xml";

  std::map<uint32_t, std::string> savedTexts = CString::g_DataMap;
  FakeMachine machine;
  CZorbXmlPairsProxy proxy;
  CZorbLoomwright9 product;
  ScriptedUI ui;
};

}  // namespace

TEST_F(WebConfigChanges, AppliedAndUndoneWithTheBackupAsAStep) {
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  ASSERT_EQ(extension.m_configChanges.size(), 1u);
  // A backup of the user's own beside the file is none of ours.
  const std::string usersBackup = std::string(kConfig) + "/Menus/Menus.xbk";
  machine.writeFile(usersBackup, "the user's");
  const std::string menus = machine.posix(std::string(kConfig) + "/Menus");
  auto hostFolder = [&] {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(menus))
      files[entry.path().filename().string()] =
          machine.readFile(std::string(kConfig) + "/Menus/" + entry.path().filename().string());
    return files;
  };
  const auto before = hostFolder();

  CZorbInstallTransaction install;
  ASSERT_EQ(process(extension, install, CZorbPlexarUI::kInstall), 0);
  ASSERT_EQ(install.GetSteps().size(), 1u);
  auto* backup = dynamic_cast<CInstallBackupFile*>(install.GetSteps()[0]);
  ASSERT_NE(backup, nullptr);
  const CString copy = backup->GetBackupPath();
  ASSERT_GT(copy.GetLength(), 0);
  EXPECT_TRUE(CZorbOS::FileExists(copy.Get()));
  const std::string installed = machine.readFile(kMenusFile);
  EXPECT_NE(installed.find("TT_Add"), std::string::npos);
  EXPECT_LT(installed.find("LWMenu_File_New"), installed.find("TT_Add"));
  install.Commit(CZorbInstallTransaction::Order::kFirstToLast);
  EXPECT_TRUE(ui.calls().empty());
  // The operation stands: its copy goes, and the host's folder holds only
  // what it held, with the changed file.
  EXPECT_FALSE(CZorbOS::FileExists(copy.Get()));
  auto expected = before;
  expected["Menus.xml"] = installed;
  EXPECT_EQ(hostFolder(), expected);

  CZorbInstallTransaction removal;
  ASSERT_EQ(process(extension, removal, CZorbPlexarUI::kUninstall), 0);
  removal.Commit(CZorbInstallTransaction::Order::kFirstToLast);
  const std::string removed = machine.readFile(kMenusFile);
  EXPECT_EQ(removed.find("TT_Add"), std::string::npos);
  EXPECT_NE(removed.find("LWMenu_File_New"), std::string::npos);
  auto afterRemoval = before;
  afterRemoval["Menus.xml"] = removed;
  EXPECT_EQ(hostFolder(), afterRemoval);
  EXPECT_EQ(machine.readFile(usersBackup), "the user's");
}

TEST_F(WebConfigChanges, RollbackPutsTheFileBackAndLeavesNoCopy) {
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  CZorbInstallTransaction install;
  ASSERT_EQ(process(extension, install, CZorbPlexarUI::kInstall), 0);
  auto* backup = dynamic_cast<CInstallBackupFile*>(install.GetSteps()[0]);
  ASSERT_NE(backup, nullptr);
  const CString copy = backup->GetBackupPath();
  EXPECT_EQ(install.Rollback(nullptr), 0);
  EXPECT_EQ(machine.readFile(kMenusFile), kMenus);
  EXPECT_FALSE(CZorbOS::FileExists(copy.Get()));
  EXPECT_FALSE(std::filesystem::exists(machine.posix(std::string(kConfig) + "/Menus/Menus.xbk")));
}

TEST_F(WebConfigChanges, FileBackedUpOncePerOperation) {
  CZorbExtension extension;
  load(extension,
       Description(std::string(kMenuInsert) +
                   "\t<configuration-changes>\n"
                   "\t\t<menu-insert insertAfterMenuId=\"TT_Add\">\n"
                   "\t\t\t<menuitem name=\"Second\" id=\"TT_Second\" command=\"x()\" />\n"
                   "\t\t</menu-insert>\n"
                   "\t</configuration-changes>\n"));
  ASSERT_EQ(extension.m_configChanges.size(), 2u);
  CZorbInstallTransaction install;
  ASSERT_EQ(process(extension, install, CZorbPlexarUI::kInstall), 0);
  ASSERT_EQ(install.GetSteps().size(), 1u);
  auto* backup = dynamic_cast<CInstallBackupFile*>(install.GetSteps()[0]);
  ASSERT_NE(backup, nullptr);
  EXPECT_TRUE(CZorbOS::FileExists(backup->GetBackupPath().Get()));
  EXPECT_NE(machine.readFile(kMenusFile).find("TT_Second"), std::string::npos);
  install.Commit(CZorbInstallTransaction::Order::kFirstToLast);
}

TEST_F(WebConfigChanges, FailedSaveIsReportedAndRolledBackByteForByte) {
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  const auto before = testsupport::TreeSnapshot::take(machine.root(), {"tmp"});
  CZorbInstallTransaction install;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  {
    platform::FaultInjectingFileSystem fs;
    // The file model writes a sibling and renames it over the file.
    fs.failPath("Menus", EIO, platform::kFsRename);
    platform::FileSystemOverride use(fs);
    EXPECT_EQ(process(extension, install, CZorbPlexarUI::kInstall), -1);
  }
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_EQ(ui.calls()[0].args[0], u"<4077> <4043>");
  EXPECT_EQ(install.Rollback(nullptr), 0);
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(machine.root(), {"tmp"})));
  EXPECT_EQ(machine.readFile(kMenusFile), kMenus);
}

TEST_F(WebConfigChanges, LaterFailureRollsTheEditedFileBack) {
  // The second set's file is missing and cannot be supplied.
  CZorbExtension extension;
  load(extension,
       Description(std::string(kMenuInsert) + "\t<configuration-changes>\n"
                                              "\t\t<toolbar-changes file=\"missing.xml\">\n"
                                              "\t\t\t<toolbar-remove id=\"TT_Toolbar\" />\n"
                                              "\t\t</toolbar-changes>\n"
                                              "\t</configuration-changes>\n"));
  const auto before = testsupport::TreeSnapshot::take(machine.root(), {"tmp"});
  CZorbInstallTransaction install;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  EXPECT_EQ(process(extension, install, CZorbPlexarUI::kInstall), -1);
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_EQ(ui.calls()[0].args[0], u"<4135> <4043>");
  EXPECT_NE(machine.readFile(kMenusFile).find("TT_Add"), std::string::npos);
  EXPECT_EQ(install.Rollback(nullptr), 0);
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(machine.root(), {"tmp"})));
}

TEST_F(WebConfigChanges, ChangeSetFileOutsideTheConfigurationFolderIsRefused) {
  machine.writeFile("Users/ann/Library/Application Support/Vesko/Loomwright 9/evil.xml",
                    "<toolbars></toolbars>\n");
  for (const char* name : {"../../evil.xml", "..:..:evil.xml", "/etc/passwd", "::evil.xml", ""}) {
    SCOPED_TRACE(name);
    CZorbExtension extension;
    load(extension, Description(std::string("\t<configuration-changes>\n"
                                            "\t\t<toolbar-changes file=\"") +
                                name +
                                "\">\n"
                                "\t\t\t<toolbar-remove id=\"TT_Toolbar\" />\n"
                                "\t\t</toolbar-changes>\n"
                                "\t</configuration-changes>\n"));
    const auto before = testsupport::TreeSnapshot::take(machine.root(), {"tmp"});
    CZorbInstallTransaction removal;
    ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
    EXPECT_EQ(process(extension, removal, CZorbPlexarUI::kUninstall), -1);
    EXPECT_TRUE(removal.GetSteps().empty());
    EXPECT_TRUE(
        testsupport::sameTree(before, testsupport::TreeSnapshot::take(machine.root(), {"tmp"})));
  }
}

TEST_F(WebConfigChanges, RemovalWithoutTheFileTouchesNothing) {
  std::filesystem::remove(machine.posix(kMenusFile));
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  const auto before = testsupport::TreeSnapshot::take(machine.root(), {"tmp"});
  CZorbInstallTransaction removal;
  EXPECT_EQ(process(extension, removal, CZorbPlexarUI::kUninstall), 0);
  EXPECT_TRUE(removal.GetSteps().empty());
  EXPECT_TRUE(ui.calls().empty());
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(machine.root(), {"tmp"})));
}

TEST_F(WebConfigChanges, NewFileIsRemovedAgainOnRollback) {
  CZorbExtension extension;
  load(extension, Description("\t<configuration-changes>\n"
                              "\t\t<toolbar-changes file=\"tabletools.xml\">\n"
                              "\t\t\t<toolbar-insert>\n"
                              "\t\t\t\t<toolbar id=\"TT_Toolbar\" label=\"Table Tools\">\n"
                              "\t\t\t\t\t<button id=\"TT_B\" image=\"a.png\" command=\"x()\" />\n"
                              "\t\t\t\t</toolbar>\n"
                              "\t\t\t</toolbar-insert>\n"
                              "\t\t</toolbar-changes>\n"
                              "\t</configuration-changes>\n"));
  const auto before = testsupport::TreeSnapshot::take(machine.root(), {"tmp"});
  CZorbInstallTransaction install;
  ASSERT_EQ(process(extension, install, CZorbPlexarUI::kInstall), 0);
  const std::string created = std::string(kConfig) + "/Toolbars/tabletools.xml";
  EXPECT_NE(machine.readFile(created).find("TT_Toolbar"), std::string::npos);
  EXPECT_EQ(install.Rollback(nullptr), 0);
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(machine.root(), {"tmp"})));
}

TEST_F(WebConfigChanges, ErrorCodeTexts) {
  CString::g_DataMap[4065] = "<4065>";
  CString::g_DataMap[4066] = "<4066>";
  CString::g_DataMap[4081] = "<4081:%s|%s>";
  CString::g_DataMap[4142] = "<4142>";
  CString::g_DataMap[4134] = "<4134>";
  const struct {
    int32_t code;
    const char16_t* text;
  } cases[] = {
      {3, u"<4065> <4066>"},
      {6, u"<4142>"},
      {10, u"<4029>"},
      {12, u"<4078>"},
      {14, u"<4081:element-insert|name>"},
      {16, u"<4081:attrubute-insert|name>"},
      {22, u"<4081:ftp-extension-insert|extension>"},
      {25, u"<4081:extension-insert|description>"},
      {33, u"<4139>"},
      {13, u"<4077>"},
      {99, u"<4077>"},
  };
  for (const auto& c : cases) {
    CString text;
    CZorbLoomwright::AddConfigError(text, c.code, CString());
    EXPECT_EQ(text, c.text) << c.code;
  }
  // Each message once, one a line.
  CString text;
  CZorbLoomwright::AddConfigError(text, 10, CString());
  CZorbLoomwright::AddConfigError(text, 12, CString());
  CZorbLoomwright::AddConfigError(text, 10, CString());
  EXPECT_EQ(text, u"<4029>\n<4078>");
  CString help;
  CZorbLoomwright::AddHelpError(help, 5, CString());
  CZorbLoomwright::AddHelpError(help, 6, CString());
  CZorbLoomwright::AddHelpError(help, 4, CString());
  EXPECT_EQ(help, u"<4134>\n<4077>");
}

TEST(WebConfigPaths, BackupNamesAndContainedPaths) {
  EXPECT_EQ(CZorbProduct::BackupPathFor(u"Disk:a:Menus.xml"), u"Disk:a:Menus.xbk");
  EXPECT_EQ(CZorbProduct::BackupPathFor(u"Disk:a:Help.txt"), u"Disk:a:Help.tbk");
  const struct {
    const char16_t* path;
    bool contained;
  } cases[] = {{u"Menus:Menus.xml", true},
               {u":Extensions.txt", true},
               {u"a:b:c.xml", true},
               {u"", false},
               {u":", false},
               {u"Toolbars:", false},
               {u"::x.xml", false},
               {u"a::x.xml", false},
               {u"..:x.xml", false},
               {u"a:.:x.xml", false},
               {u"a:../x.xml", false},
               {u"a:b\\c.xml", false}};
  for (const auto& c : cases)
    EXPECT_EQ(CZorbLoomwright::IsContainedRelativePath(c.path), c.contained)
        << std::u16string(c.path).size();
}

TEST_F(WebConfigChanges, MissingFileIsCopiedFromTheApplicationAndGoesOnRollback) {
  std::filesystem::remove(machine.posix(kMenusFile));
  machine.writeFile("Applications/Vesko Loomwright WB3/Configuration/Menus/Menus.xml", kMenus);
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  const auto before = testsupport::TreeSnapshot::take(machine.root(), {"tmp"});
  CZorbInstallTransaction install;
  ASSERT_EQ(process(extension, install, CZorbPlexarUI::kInstall), 0);
  EXPECT_NE(machine.readFile(kMenusFile).find("TT_Add"), std::string::npos);
  EXPECT_EQ(machine.readFile("Applications/Vesko Loomwright WB3/Configuration/Menus/Menus.xml"),
            kMenus);
  EXPECT_EQ(install.Rollback(nullptr), 0);
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(machine.root(), {"tmp"})));

  // Without a copy to take, the file is missing: error 12.
  std::filesystem::remove(
      machine.posix("Applications/Vesko Loomwright WB3/Configuration/Menus/Menus.xml"));
  CZorbInstallTransaction again;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  EXPECT_EQ(process(extension, again, CZorbPlexarUI::kInstall), -1);
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_EQ(ui.calls()[0].args[0], u"<4078> <4043>");
  EXPECT_EQ(again.Rollback(nullptr), 0);
}

TEST_F(WebConfigChanges, SeveralWarningsAreListedOnceUnderOneHeading) {
  CString::g_DataMap[4142] = "<4142>";
  CString::g_DataMap[4067] = "<4067>";
  CZorbExtension extension;
  load(extension, Description("\t<configuration-changes>\n"
                              "\t\t<shortcut-insert listId=\"NoSuchList\">\n"
                              "\t\t\t<shortcut key=\"Cmd+T\" command=\"run()\" id=\"TT_Key\" />\n"
                              "\t\t</shortcut-insert>\n"
                              "\t\t<shortcut-insert listId=\"NoOtherList\">\n"
                              "\t\t\t<shortcut key=\"Cmd+U\" command=\"run()\" id=\"TT_Key2\" />\n"
                              "\t\t</shortcut-insert>\n"
                              "\t</configuration-changes>\n"));
  CZorbInstallTransaction install;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  EXPECT_EQ(process(extension, install, CZorbPlexarUI::kInstall), 0);
  install.Commit(CZorbInstallTransaction::Order::kFirstToLast);
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_EQ(ui.calls()[0].args[0], u"<4075> <4076>\n<4067>");
}

TEST_F(WebConfigChanges, HelpBooksAreEditedInTheHelpFolderUpToVersion8) {
  const std::string help = "Applications/Vesko Loomwright WB3/Help/help.xml";
  constexpr char kHelp[] = "<help-books>\n<book-id id=\"LW_Using\" />\n</help-books>\n";
  machine.writeFile(help, kHelp);
  CZorbExtension extension;
  load(extension, Description("\t<help-changes>\n"
                              "\t\t<helpbook-changes>\n"
                              "\t\t\t<helpbook-insert>\n"
                              "\t\t\t\t<book-id id=\"TT_Book\" />\n"
                              "\t\t\t</helpbook-insert>\n"
                              "\t\t</helpbook-changes>\n"
                              "\t</help-changes>\n"));
  ASSERT_FALSE(extension.m_helpChanges.empty());
  CString locale;
  {
    CZorbInstallTransaction install;
    EXPECT_EQ(product.ProcessHelpChanges(&install.GetSteps(), &ui, &extension, locale,
                                         CZorbPlexarUI::kInstall),
              0);
    EXPECT_TRUE(install.GetSteps().empty()) << "version 9 has no help changes";
  }
  CZorbLoomwright8 eight;
  eight.SetPaths(machine.colon("Applications/Vesko Loomwright WB3/").c_str(), CString());
  CZorbInstallTransaction install;
  CZorbProduct::m_backedUpFiles.clear();
  ASSERT_EQ(eight.ProcessHelpChanges(&install.GetSteps(), &ui, &extension, locale,
                                     CZorbPlexarUI::kInstall),
            0);
  EXPECT_EQ(install.GetSteps().size(), 1u);
  EXPECT_NE(machine.readFile(help).find("TT_Book"), std::string::npos);
  EXPECT_EQ(install.Rollback(nullptr), 0);
  EXPECT_EQ(machine.readFile(help), kHelp);
}

TEST_F(WebConfigChanges, LockedFileIsWaitedForWhileTheUserRetries) {
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  const std::u16string asked = u"<4046:" + machine.colon(kMenusFile) + u">";
  {
    CZorbInstallTransaction install;
    platform::FaultInjectingFileSystem fs;
    // Free when first probed, then busy twice while the changes are saved.
    fs.addRule({platform::kFsOpenWrite, "Menus.xml", 1, 2, EBUSY});
    platform::FileSystemOverride use(fs);
    ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
    EXPECT_EQ(process(extension, install, CZorbPlexarUI::kInstall), 0);
    install.Commit(CZorbInstallTransaction::Order::kFirstToLast);
  }
  EXPECT_EQ(ui.names(),
            (std::vector<std::string>{"MessageBox", "ShowWaitCursor", "HideWaitCursor"}));
  EXPECT_EQ(ui.calls()[0].args[0], asked);
  EXPECT_NE(machine.readFile(kMenusFile).find("TT_Add"), std::string::npos);

  // Refused: the file stays as it was once rolled back.
  const std::string installed = machine.readFile(kMenusFile);
  CZorbInstallTransaction removal;
  {
    platform::FaultInjectingFileSystem fs;
    fs.addRule({platform::kFsOpenWrite, "Menus.xml", 1, -1, EBUSY});
    platform::FileSystemOverride use(fs);
    ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
    ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
    EXPECT_EQ(process(extension, removal, CZorbPlexarUI::kUninstall), -1);
  }
  EXPECT_EQ(ui.calls().back().args[0], u"<4078> <4147>");
  EXPECT_EQ(removal.Rollback(nullptr), 0);
  EXPECT_EQ(machine.readFile(kMenusFile), installed);
}

TEST_F(WebConfigChanges, EachRetryWaitsAtMostFiveSecondsOnTheProgramsClock) {
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  CZorbInstallTransaction install;
  {
    platform::FaultInjectingFileSystem fs;
    fs.addRule({platform::kFsOpenWrite, "Menus.xml", 1, -1, EBUSY});
    platform::FileSystemOverride use(fs);
    ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
    ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
    ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
    EXPECT_EQ(process(extension, install, CZorbPlexarUI::kInstall), -1);
  }
  EXPECT_EQ(ui.names(), (std::vector<std::string>{"MessageBox", "ShowWaitCursor", "HideWaitCursor",
                                                  "MessageBox", "MessageBox"}));
  EXPECT_EQ(install.Rollback(nullptr), 0);
}

TEST_F(WebConfigChanges, NothingIsWrittenThroughALink) {
  machine.writeFile("Users/ann/Elsewhere/Menus.xml", kMenus);
  std::filesystem::remove_all(machine.posix(std::string(kConfig) + "/Menus"));
  std::filesystem::create_directory_symlink(machine.posix("Users/ann/Elsewhere"),
                                            machine.posix(std::string(kConfig) + "/Menus"));
  CZorbExtension extension;
  load(extension, Description(kMenuInsert));
  CZorbInstallTransaction install;
  ui.answerMessageBox(CZorbPlexarUI::kAnswerYes);
  EXPECT_EQ(process(extension, install, CZorbPlexarUI::kInstall), -1);
  EXPECT_TRUE(install.GetSteps().empty());
  EXPECT_EQ(machine.readFile("Users/ann/Elsewhere/Menus.xml"), kMenus);
  EXPECT_FALSE(std::filesystem::exists(machine.posix("Users/ann/Elsewhere/Menus.xbk")));
}
