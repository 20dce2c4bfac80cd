// Removing and disabling installed extensions: what goes, what stays, the
// questions asked, and the steps that run them inside another operation.

#include <gtest/gtest.h>

#include <filesystem>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/CZorbPluginConfigFile.h"
#include "engine/CInstallDisableExtension.h"
#include "engine/CInstallRemoveExtension.h"
#include "engine/CZorbPlexar.h"
#include "engine/tests/ScriptedHost.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/LogCapture.h"
#include "testsupport/RollbackProbe.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TreeSnapshot.h"

namespace {

using enginetest::ScriptedHost;
using testsupport::ScriptedUI;
using testsupport::TreeSnapshot;
using Names = std::vector<std::string>;
using testsupport::LogToString;

// a.htm goes into a folder the install makes; b.htm beside the host's
// own page; c.htm was the host's, and the install left it alone.
constexpr char kTool[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\">\n"
    "\t<files>\n"
    "\t\t<file source=\"a.htm\" destination=\"$userhomefolder/Site/Tool\" />\n"
    "\t\t<file source=\"b.htm\" destination=\"$userhomefolder/Site\" />\n"
    "\t\t<file source=\"c.htm\" destination=\"$userhomefolder/Site\" />\n"
    "\t\t<file source=\"s.htm\" destination=\"$userhomefolder/Site\" shared=\"true\" />\n"
    "\t</files>\n"
    "</quillory-extension>\n";

// A plug-in the host's plug-in file switches on and off.
constexpr char kPlugged[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<quillory-extension name=\"Plugged\" version=\"1.0\" type=\"command\" "
    "plugin-manager-type=\"current-user\">\n"
    "\t<files>\n"
    "\t\t<file source=\"p.plugin\" destination=\"$userhomefolder/Plug-ins\" "
    "file-type=\"plugin\" />\n"
    "\t</files>\n"
    "</quillory-extension>\n";

// An extension of the enable-all processing, as the store holds it.
std::string EnableAll(const std::string& stamp, bool enabledForAll) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\" "
         "plugin-manager-type=\"all-users\" time-stamp=\"" +
         stamp + "\" enabled-for-enabled-all=\"" + (enabledForAll ? "true" : "false") +
         "\">\n"
         "\t<files>\n"
         "\t\t<file source=\"p.plugin\" destination=\"$userhomefolder/Plug-ins\" "
         "file-type=\"plugin\" />\n"
         "\t</files>\n"
         "</quillory-extension>\n";
}

constexpr char kOther[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<quillory-extension name=\"Other\" version=\"2.0\" type=\"command\">\n"
    "\t<files>\n"
    "\t\t<file source=\"S.HTM\" destination=\"$userhomefolder/Site\" shared=\"true\" />\n"
    "\t</files>\n"
    "</quillory-extension>\n";

// A host that keeps working files of its own ("_notes") beside the files
// it edits.
class RemoveHost : public ScriptedHost {
 public:
  using ScriptedHost::ScriptedHost;
  void GetTransientFolders(CZorbTypedList<CZorbString>& out) const override {
    out.clear();
    for (const char16_t* name : m_transient) out.push_back(CZorbString(name));
  }
  void GetTransientFileExtensions(CZorbTypedList<CZorbString>& out) const override {
    out.clear();
    out.push_back(CZorbString(u"mno"));
  }
  std::vector<const char16_t*> m_transient;
};

class Remove : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    Logger::resetForTest(LogToString);
    g_isInSuppressMode = false;
    // The unpacking tools, where the build lays them out.
    m_savedAppPath = gAppPath;
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    sandbox.makeFolder("work/src");
    sandbox.makeFolder("work/store");
    sandbox.makeFolder("Users/ann/Ext");
    // The host's own site before anything was installed.
    sandbox.writeFile("Users/ann/Site/index.htm", "host page");
    sandbox.writeFile("Users/ann/Site/c.htm", "the host's c");
    engine.m_sourceRoot = C("work/src") + u":";
    engine.m_systemTokens.SetAt(u"userhomefolder", C("Users/ann") + u":");
    host.m_pxStorePath = C("work/store");
    host.m_extensionsFolder = C("Users/ann/Ext") + u":";
    host.m_installFolder = C("Users/ann") + u":";
    host.m_privateTokens.SetAt(u"supportedinsuite", u"WB5");
    engine.m_products.push_back(&host);
    ui.always(ScriptedUI::Question::MessageBox, [this](const ScriptedUI::Call& call) {
      messages.push_back(call.args.empty() ? u"" : call.args[0]);
      ScriptedUI::Answer answer;
      answer.number = nextAnswer;
      return answer;
    });
  }
  void TearDown() override {
    gAppPath = m_savedAppPath;
    engine.m_products.clear();
    engine.ClearLists();
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
  }
  CString C(const std::string& relative) const { return CString(sandbox.colon(relative).c_str()); }
  TreeSnapshot Tree() const { return TreeSnapshot::take(sandbox.root()); }

  std::string m_savedAppPath;

  // Lays out what an install of the description leaves: the store's copies
  // and kept package, the product's copy, the files (all but c.htm,
  // which stayed the host's) and the record of what was written.
  CZorbExtension* Installed(const std::string& name, const std::string& description,
                            const Names& written, const Names& madeFolders,
                            bool withRecord = true) {
    sandbox.writeFile("work/store/" + name + ".kxi", description);
    sandbox.writeFile("work/store/" + name + ".kxi_brio", description);
    sandbox.writeFile("work/store/" + name + ".kxp", "package bytes");
    sandbox.writeFile("Users/ann/Ext/" + name + ".kxi", description);
    CZorbPlexar::InstalledItems items;
    for (const std::string& file : written) {
      sandbox.writeFile(file, "written by " + name);
      items.m_files.push_back(C(file));
    }
    for (const std::string& folder : madeFolders) items.m_folders.push_back(C(folder));
    if (withRecord) {
      CZorbInstallTransaction::Scope scope(engine.GetTransaction());
      EXPECT_EQ(engine.WriteInstallRecord(
                    CZorbPlexar::InstallRecordPath(
                        C("work/store"), CZorbPath(C("work/store/" + name + ".kxi")).GetFileName(),
                        u"Lumen 11"),
                    items),
                0);
      scope.Commit(CZorbInstallTransaction::Order::kFirstToLast);
    }
    auto* extension = new CZorbExtension;
    EXPECT_EQ(extension->Load(C("Users/ann/Ext/" + name + ".kxi"), nullptr), 0);
    extension->m_enabled = true;
    extension->m_packageType = CZorbPlexar::kPackageKxp;
    engine.AddExtension(&host, extension);
    return extension;
  }
  // A kept package of these files (path in the package to bytes) in place
  // of the stand-in.
  void KeepPackage(CZorbExtension* extension, const std::string& name,
                   const std::map<std::string, std::string>& files) {
    std::filesystem::remove_all(sandbox.posix("work/pack"));
    sandbox.makeFolder("work/pack");
    sandbox.writeFile("work/pack/" + name + ".kxi",
                      sandbox.readFile("work/store/" + name + ".kxi"));
    for (const auto& [path, bytes] : files) sandbox.writeFile("work/pack/" + path, bytes);
    std::filesystem::remove(sandbox.posix("work/store/" + name + ".kxp"));
    ASSERT_TRUE(CZorbOS::PackZipFile(C("work/store/" + name + ".yxp"), C("work/pack")));
    std::filesystem::remove_all(sandbox.posix("work/pack"));
    extension->m_packageType = CZorbPlexar::kPackageYxp;
  }
  CZorbExtension* Tool(bool withRecord = true) {
    return Installed("Tool", kTool,
                     {"Users/ann/Site/Tool/a.htm", "Users/ann/Site/b.htm", "Users/ann/Site/s.htm"},
                     {"Users/ann/Site/Tool"}, withRecord);
  }
  int RemoveIt(CZorbExtension* extension) {
    int restart = 0;
    return engine.UninstallExtension(&host, extension, true, false, true, true, true, restart, true,
                                     30, true, false);
  }
  // Gives the files the date the install gives them: the package's.
  void Age(const Names& files) {
    CZorbDateTime old;
    old.setDateTimeSting(u"2020-1-1-0-0-0");
    for (const std::string& file : files) ASSERT_TRUE(CZorbOS::SetFileDateTime(C(file), old));
  }
  void AgeTool() {
    Age({"work/store/Tool.kxp", "Users/ann/Ext/Tool.kxi", "Users/ann/Site/Tool/a.htm",
         "Users/ann/Site/b.htm", "Users/ann/Site/s.htm"});
  }
  int Disable(CZorbExtension* extension) {
    return engine.DisableExtension(&host, extension, true, 30, true);
  }
  int Listed() const {
    CZorbTypedList<CZorbExtension*> out;
    engine.GetExtensions(&host, &out);
    return static_cast<int>(out.size());
  }

  // Narrow texts of the messages shown.
  Names Shown() const {
    Names out;
    for (const std::u16string& m : messages)
      out.push_back(testsupport::NarrowAscii(CString(m.c_str())));
    return out;
  }

  testsupport::ScopedStrings strings{{4077, 4101, 4112, 4117, 4139, 4145, 4146, 4147, 4174, 4201},
                                     {4046, 4102, 4103, 4180, 4202, 4203},
                                     {4034, 4173}};
  ScriptedUI ui;
  CZorbPlexar engine{&ui};
  RemoveHost host{u"Lumen 11"};
  ScriptedHost second{u"Emberly 5"};
  std::vector<std::u16string> messages;
  int nextAnswer = CZorbPlexarUI::kAnswerYes;
};

}  // namespace

TEST_F(Remove, TakesAwayOnlyWhatTheInstallWroteAndEveryStoreCopy) {
  const TreeSnapshot before = Tree();
  CZorbExtension* tool = Tool();
  ASSERT_EQ(Listed(), 1);

  EXPECT_EQ(RemoveIt(tool), 0);
  EXPECT_TRUE(testsupport::sameTree(before, Tree()));
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/c.htm"), "the host's c");
  EXPECT_EQ(Listed(), 0);
  EXPECT_EQ(engine.GetSteps().size(), 0u);
  EXPECT_EQ(engine.m_responseCode, u"0");
  EXPECT_TRUE(messages.empty());
}

TEST_F(Remove, FoldersTheHostHadStayEvenWhenEmptied) {
  // The host's own empty folder holds the only file; the install made
  // nothing but the file.
  sandbox.makeFolder("Users/ann/Site/Tool");
  const TreeSnapshot before = Tree();
  CZorbExtension* tool = Installed("Tool", kTool, {"Users/ann/Site/Tool/a.htm"}, {});
  EXPECT_EQ(RemoveIt(tool), 0);
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Site/Tool"));
  EXPECT_TRUE(testsupport::sameTree(before, Tree()));
}

// Installs of earlier programs (migrated, or found at the first run) left
// no record: only files with the kept package's bytes are the extension's.
TEST_F(Remove, WithoutARecordOnlyFilesWithTheKeptPackagesBytesGo) {
  CZorbExtension* tool = Tool(false);
  KeepPackage(tool, "Tool",
              {{"a.htm", "written by Tool"},
               {"b.htm", "written by Tool"},
               {"c.htm", "the package's c"},
               {"s.htm", "written by Tool"}});
  EXPECT_EQ(RemoveIt(tool), 0);
  for (const char* gone : {"Users/ann/Site/Tool/a.htm", "Users/ann/Site/b.htm",
                           "Users/ann/Site/s.htm", "work/store/Tool.kxi", "work/store/Tool.yxp"})
    EXPECT_FALSE(sandbox.exists(gone)) << gone;
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/c.htm"), "the host's c");
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/index.htm"), "host page");
  // A folder the package does not hold is not known to be the install's.
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Site/Tool"));
  EXPECT_TRUE(engine.GetSteps().empty());
  // Nothing of the unpacked package stays.
  for (const std::string& item : sandbox.list("tmp"))
    EXPECT_EQ(sandbox.list("tmp/" + item), Names{}) << item;
}

TEST_F(Remove, WithoutARecordOrAKeptPackageNothingOfTheHostsGoes) {
  CZorbExtension* tool = Tool(false);
  const TreeSnapshot site = TreeSnapshot::take(sandbox.posix("Users/ann/Site"));
  EXPECT_EQ(RemoveIt(tool), 0);
  EXPECT_TRUE(testsupport::sameTree(site, TreeSnapshot::take(sandbox.posix("Users/ann/Site"))));
  EXPECT_FALSE(sandbox.exists("work/store/Tool.kxi"));
}

TEST_F(Remove, ASharedFileStaysWhileAnotherEnabledExtensionInstallsIt) {
  CZorbExtension* tool = Tool();
  CZorbExtension* other = Installed("Other", kOther, {}, {});
  EXPECT_EQ(RemoveIt(tool), 0);
  // The other's destination differs only in case.
  EXPECT_TRUE(sandbox.exists("Users/ann/Site/s.htm"));
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/b.htm"));

  // Once the other is disabled, nothing holds it.
  CZorbExtension* again = Tool();
  other->m_enabled = false;
  EXPECT_EQ(RemoveIt(again), 0);
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/s.htm"));
}

TEST_F(Remove, RefusalsChangeNothing) {
  struct Case {
    const char* name;
    std::function<void(CZorbExtension&, ScriptedHost&)> arrange;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"locked", [](CZorbExtension& e, ScriptedHost&) { e.m_locked = true; }, "4202[Tool]"},
      {"disabled here, enabled elsewhere",
       [this](CZorbExtension& e, ScriptedHost&) {
         e.m_enabled = false;
         auto* elsewhere = new CZorbExtension(e);
         elsewhere->m_enabled = true;
         engine.AddExtension(&second, elsewhere);
       },
       "4174"},
  };
  engine.m_products.push_back(&second);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine.ClearLists();
    messages.clear();
    CZorbExtension* tool = Tool();
    c.arrange(*tool, host);
    const TreeSnapshot before = Tree();
    EXPECT_EQ(RemoveIt(tool), -1);
    EXPECT_TRUE(testsupport::sameTree(before, Tree()));
    EXPECT_EQ(Shown(), Names{c.message});
    EXPECT_EQ(engine.m_responseCode, u"2");
    EXPECT_EQ(engine.GetSteps().size(), 0u);
  }
}

TEST_F(Remove, RemovingFromOneOfTwoProductsKeepsTheStoreAndSucceeds) {
  engine.m_products.push_back(&second);
  CZorbExtension* tool = Tool();
  auto* elsewhere = new CZorbExtension(*tool);
  engine.AddExtension(&second, elsewhere);

  EXPECT_EQ(RemoveIt(tool), 0);
  EXPECT_EQ(engine.m_responseCode, u"0");
  for (const char* kept :
       {"work/store/Tool.kxi", "work/store/Tool.kxp", "work/store/Tool.kxi_brio"})
    EXPECT_TRUE(sandbox.exists(kept)) << kept;
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/b.htm"));
  ASSERT_EQ(Listed(), 1);
  EXPECT_FALSE(tool->m_enabled);
  EXPECT_TRUE(elsewhere->m_enabled);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(Remove, DisableAsksBeforeEditsAreLostAndKeepsTheStore) {
  const std::string a = testsupport::NarrowAscii(C("Users/ann/Site/Tool/a.htm"));
  const std::string package = testsupport::NarrowAscii(C("work/store/Tool.kxp"));
  struct Case {
    const char* name;
    std::function<void()> arrange;
    int answer;
    int result;
    Names shown;
  };
  const std::vector<Case> cases = {
      {"nothing edited", [] {}, CZorbPlexarUI::kAnswerNo, 0, {}},
      {"an installed file edited, answered No",
       [this] { sandbox.writeFile("Users/ann/Site/Tool/a.htm", "edited"); },
       CZorbPlexarUI::kAnswerNo,
       -1,
       {"4173[" + a + "|" + package + "]"}},
      {"the kept package missing, answered Yes",
       [this] { ASSERT_TRUE(CZorbOS::DeleteFile(C("work/store/Tool.kxp"), true)); },
       CZorbPlexarUI::kAnswerYes,
       0,
       {"4173[|" + package + "]"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine.ClearLists();
    messages.clear();
    CZorbExtension* tool = Tool();
    AgeTool();
    const CString productCopy = tool->m_path;
    c.arrange();
    nextAnswer = c.answer;
    const TreeSnapshot before = Tree();
    EXPECT_EQ(Disable(tool), c.result);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(engine.GetSteps().size(), 0u);
    if (c.result != 0) {
      EXPECT_TRUE(testsupport::sameTree(before, Tree()));
      EXPECT_TRUE(tool->m_enabled);
      EXPECT_EQ(tool->m_path, productCopy);
      continue;
    }
    EXPECT_FALSE(tool->m_enabled);
    EXPECT_EQ(tool->m_path, C("work/store/Tool.kxi"));
    EXPECT_EQ(Listed(), 1);
    for (const char* gone : {"Users/ann/Site/Tool", "Users/ann/Site/b.htm", "Users/ann/Site/s.htm",
                             "Users/ann/Ext/Tool.kxi", "work/store/Tool.Lumen 11.kxi_written"})
      EXPECT_FALSE(sandbox.exists(gone)) << gone;
    for (const char* kept : {"work/store/Tool.kxi", "work/store/Tool.kxi_brio",
                             "Users/ann/Site/c.htm", "Users/ann/Site/index.htm"})
      EXPECT_TRUE(sandbox.exists(kept)) << kept;
    EXPECT_EQ(engine.m_responseCode, u"0");
  }
}

TEST_F(Remove, AnOwnersRollbackUndoesARemovalStepWholePluginFileAndListsIncluded) {
  host.m_pluginConfigFile = C("Users/ann/plugins.txt");
  sandbox.writeFile("Users/ann/plugins.txt", "=Include\r\"Disk:Other.plugin\"\r");
  CZorbExtension* plugged = Installed("Plugged", kPlugged, {"Users/ann/Plug-ins/p.plugin"}, {});
  const TreeSnapshot before = Tree();
  {
    CZorbInstallTransaction::Scope scope(engine.GetTransaction());
    auto* step = new CInstallRemoveExtension(&engine, &host, plugged, 30, false);
    ASSERT_EQ(engine.GetTransaction().Add(step), 0);
    EXPECT_EQ(step->GetState(), CInstallRemoveExtension::kRemoved);
    EXPECT_EQ(Listed(), 0);
    // The plug-in stays on disk and is switched off.
    EXPECT_NE(sandbox.readFile("Users/ann/plugins.txt").find("p.plugin"), std::string::npos);
    EXPECT_EQ(scope.Rollback(nullptr), 0);
  }
  EXPECT_TRUE(testsupport::sameTree(before, Tree()));
  ASSERT_EQ(Listed(), 1);
  CZorbTypedList<CZorbExtension*> listed;
  engine.GetExtensions(&host, &listed);
  EXPECT_TRUE(listed.front()->m_enabled);
  EXPECT_EQ(listed.front()->m_path, C("Users/ann/Ext/Plugged.kxi"));
}

TEST_F(Remove, ARemovalStepThatFailedHasNothingToUndo) {
  CZorbExtension* tool = Tool();
  tool->m_locked = true;
  CZorbInstallTransaction::Scope scope(engine.GetTransaction());
  CInstallRemoveExtension step(&engine, &host, tool, 30, false);
  EXPECT_EQ(step.Do(), -1);
  EXPECT_EQ(step.GetState(), CInstallRemoveExtension::kFailed);
  EXPECT_EQ(step.Undo(), -1);
  step.Release();
  EXPECT_EQ(Listed(), 1);
  EXPECT_EQ(Shown(), Names{"4202[Tool]"});
  CInstallRemoveExtension orphan(nullptr, &host, tool, 30, false);
  EXPECT_EQ(orphan.Do(), -1);
  scope.Commit(CZorbInstallTransaction::Order::kLastToFirst);
}

TEST_F(Remove, ADisableStepJoinsTheOwnersTransactionAndItsUndoRestoresTheEntry) {
  CZorbExtension* tool = Tool();
  AgeTool();
  const TreeSnapshot before = Tree();
  const CString productCopy = tool->m_path;
  {
    CZorbInstallTransaction::Scope scope(engine.GetTransaction());
    ASSERT_EQ(
        engine.GetTransaction().Add(new CInstallDisableExtension(&engine, &host, tool, 30, false)),
        0);
    EXPECT_FALSE(tool->m_enabled);
    EXPECT_FALSE(sandbox.exists("Users/ann/Site/b.htm"));
    EXPECT_EQ(scope.Rollback(nullptr), 0);
  }
  EXPECT_TRUE(testsupport::sameTree(before, Tree()));
  EXPECT_TRUE(tool->m_enabled);
  EXPECT_EQ(tool->m_path, productCopy);
  EXPECT_TRUE(Shown().empty());

  // Outside an operation it would own the list it sits in: it refuses.
  CInstallDisableExtension alone(&engine, &host, tool, 30, false);
  EXPECT_EQ(alone.Do(), -1);
  EXPECT_TRUE(tool->m_enabled);
  EXPECT_TRUE(testsupport::sameTree(before, Tree()));
}

class EnableAllAtStartUp : public Remove {
 protected:
  void SetUp() override {
    Remove::SetUp();
    own.m_pxStorePath = C("work/own");
    sandbox.makeFolder("work/own");
    engine.m_ownProduct = &own;
    host.m_pluginConfigFile = C("Users/ann/plugins.txt");
    sandbox.writeFile("Users/ann/plugins.txt", "=Exclude\r\"Disk:Other.plugin\"\r");
  }
  void TearDown() override {
    engine.m_ownProduct = nullptr;
    Remove::TearDown();
  }
  // The store's extension as the start-up lists it.
  CZorbExtension* Stored(const std::string& stamp) {
    sandbox.writeFile("work/store/Tool.kxi", EnableAll(stamp, true));
    auto* extension = new CZorbExtension;
    EXPECT_EQ(extension->Load(C("work/store/Tool.kxi"), nullptr), 0);
    list.push_back(extension);
    return extension;
  }
  std::string EnableFile() const {
    return sandbox.exists("work/own/Lumen 11.enabled_EnableAllExt")
               ? sandbox.readFile("work/own/Lumen 11.enabled_EnableAllExt")
               : "(none)";
  }

  ScriptedHost own{u"Plexar"};
  CZorbPlexar::ExtensionList list;
};

TEST_F(EnableAllAtStartUp, AnEqualStampTakesTheCopysStateAndChangesNoFile) {
  sandbox.writeFile("Users/ann/Ext/Tool.kxi", EnableAll("2020-1-1-0-0-0", false));
  CZorbExtension* tool = Stored("2020-1-1-0-0-0");
  const std::string plugins = sandbox.readFile("Users/ann/plugins.txt");
  engine.ProcessEnableAllExtensionsForPXStart(&host, &list);
  EXPECT_FALSE(tool->m_enabled);
  EXPECT_EQ(sandbox.readFile("Users/ann/Ext/Tool.kxi"), EnableAll("2020-1-1-0-0-0", false));
  EXPECT_EQ(sandbox.readFile("Users/ann/plugins.txt"), plugins);
  EXPECT_EQ(EnableFile().find("Tool.kxi"), std::string::npos) << EnableFile();
  for (CZorbExtension* e : list) delete e;
}

TEST_F(EnableAllAtStartUp, ADifferingOrMissingCopyIsReplacedByTheStoresAndEnabled) {
  for (const bool missing : {false, true}) {
    SCOPED_TRACE(missing ? "missing" : "older stamp");
    if (missing)
      (void)CZorbOS::DeleteFile(C("Users/ann/Ext/Tool.kxi"), true);
    else
      sandbox.writeFile("Users/ann/Ext/Tool.kxi", EnableAll("2019-1-1-0-0-0", false));
    CZorbExtension* tool = Stored("2020-1-1-0-0-0");
    tool->m_enabled = false;
    engine.ProcessEnableAllExtensionsForPXStart(&host, &list);
    EXPECT_TRUE(tool->m_enabled);
    EXPECT_EQ(sandbox.readFile("Users/ann/Ext/Tool.kxi"), EnableAll("2020-1-1-0-0-0", true));
    EXPECT_NE(EnableFile().find("Tool.kxi"), std::string::npos) << EnableFile();
    for (CZorbExtension* e : list) delete e;
    list.clear();
  }
}

TEST_F(EnableAllAtStartUp, AProductWithoutAPluginFileGetsNoEnableFile) {
  host.m_pluginConfigFile.Empty();
  Stored("2020-1-1-0-0-0");
  engine.ProcessEnableAllExtensionsForPXStart(&host, &list);
  EXPECT_EQ(EnableFile(), "(none)");
  for (CZorbExtension* e : list) delete e;
}

// Every mutating file call of a removal and of a disable, failed in turn,
// leaves files, store, plug-in file and lists as they were.
TEST_F(Remove, EachFailedFileCallOfARemovalOrADisableIsRolledBack) {
  host.m_pluginConfigFile = C("Users/ann/plugins.txt");
  Names temporary = sandbox.list("tmp");
  ASSERT_EQ(temporary.size(), 1u);
  struct Operation {
    const char* name;
    std::function<int(CZorbExtension*)> run;
    // A plug-in the plug-in file switches off, in place of plain files.
    bool plugged = false;
  };
  const std::vector<Operation> operations = {
      {"remove", [this](CZorbExtension* e) { return RemoveIt(e); }},
      {"disable", [this](CZorbExtension* e) { return Disable(e); }},
      {"remove a plug-in", [this](CZorbExtension* e) { return RemoveIt(e); }, true},
  };
  for (const Operation& operation : operations) {
    SCOPED_TRACE(operation.name);
    CZorbExtension* tool = nullptr;
    testsupport::RollbackProbe::Case c;
    c.prepare = [&] {
      engine.ClearLists();
      sandbox.writeFile("Users/ann/plugins.txt", "=Include\r\"Disk:Other.plugin\"\r");
      if (operation.plugged) {
        tool = Installed("Plugged", kPlugged, {"Users/ann/Plug-ins/p.plugin"}, {});
        return;
      }
      tool = Tool();
      AgeTool();
    };
    c.run = [&] { return operation.run(tool) == 0; };
    c.pendingSteps = [&] { return engine.GetSteps().size(); };
    c.memory = [&] {
      std::string out;
      CZorbTypedList<CZorbExtension*> listed;
      engine.GetExtensions(&host, &listed);
      for (const CZorbExtension* e : listed)
        out += testsupport::NarrowAscii(e->m_path) + (e->m_enabled ? " on\n" : " off\n");
      return out;
    };
    c.roots = {sandbox.root()};
    c.skip = {"tmp"};
    c.temporaryFolder = sandbox.posix("tmp/" + temporary[0]);
    c.strayNames = {".plexar-old-", "PX.backup"};
    const testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
    EXPECT_TRUE(result.ok()) << result.report();
    EXPECT_GT(result.calls, 5);
    // Only reads, file metadata and the clean-up of working items may fail
    // unseen.
    const std::string working = sandbox.posix("tmp");
    for (const auto& survived : result.survived) {
      const bool harmless = survived.op == "open-read" || survived.op == "setxattr" ||
                            survived.op == "removexattr" || survived.op == "settimes";
      const bool cleanUp =
          (survived.path.rfind(working, 0) == 0 &&
           (survived.op == "rmdir" || survived.op == "unlink" || survived.op == "fsync")) ||
          // A copy's old bytes, which go again when the operation ends.
          (survived.op == "unlink" && survived.path.find("/.plexar-old-") != std::string::npos);
      EXPECT_TRUE(harmless || cleanUp) << survived.op << " " << survived.path;
    }
  }
}

TEST_F(Remove, AFolderEntryTakesOnlyTheInstallsFilesAndFoldersOutOfTheTree) {
  constexpr char kLib[] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<quillory-extension name=\"Lib\" version=\"1.0\" type=\"command\">\n"
      "\t<files>\n\t</files>\n"
      "</quillory-extension>\n";
  for (const bool recorded : {true, false}) {
    SCOPED_TRACE(recorded ? "recorded" : "no record");
    engine.ClearLists();
    // The host's folder, with a file of its own, took the package's folder.
    sandbox.writeFile("Users/ann/Site/Lib/host.js", "the host's");
    CZorbExtension* lib =
        Installed("Lib", kLib, {"Users/ann/Site/Lib/x.js", "Users/ann/Site/Lib/sub/y.js"},
                  {"Users/ann/Site/Lib/sub"}, recorded);
    if (!recorded)
      KeepPackage(lib, "Lib", {{"Lib/x.js", "written by Lib"}, {"Lib/sub/y.js", "written by Lib"}});
    for (const auto& [source, destination] :
         {std::pair{u"Lib/x.js", u"$userhomefolder/Site/Lib"},
          std::pair{u"Lib/sub/y.js", u"$userhomefolder/Site/Lib/sub"}}) {
      auto* entry = new CZorbExtensionFile;
      entry->m_fileType = 1;
      entry->m_source = source;
      entry->m_folder = u"Lib";
      entry->m_destination = destination;
      lib->m_files.m_children.push_back(entry);
    }
    EXPECT_EQ(RemoveIt(lib), 0);
    // The host's file stays, with or without a record, and so its folder.
    EXPECT_TRUE(sandbox.exists("Users/ann/Site/Lib/host.js"));
    EXPECT_TRUE(sandbox.exists("Users/ann/Site/Lib"));
    EXPECT_FALSE(sandbox.exists("Users/ann/Site/Lib/x.js"));
    EXPECT_FALSE(sandbox.exists("Users/ann/Site/Lib/sub"));
    EXPECT_EQ(sandbox.readFile("Users/ann/Site/index.htm"), "host page");
  }
}

TEST_F(Remove, TheHostsWorkingFilesGoOnlyWithAFolderTheInstallMade) {
  host.m_transient = {u"_notes"};
  // The host's folder holds nothing but its notes and the extension's files.
  ASSERT_TRUE(CZorbOS::DeleteFile(C("Users/ann/Site/index.htm"), true));
  ASSERT_TRUE(CZorbOS::DeleteFile(C("Users/ann/Site/c.htm"), true));
  sandbox.writeFile("Users/ann/Site/_notes/index.htm.mno", "the host's notes");
  CZorbExtension* tool = Tool();
  // Notes the host made about the extension's files afterwards.
  sandbox.writeFile("Users/ann/Site/Tool/_notes/a.htm.mno", "notes on a");
  sandbox.writeFile("Users/ann/Site/_notes/b.htm.mno", "notes on b");
  EXPECT_EQ(RemoveIt(tool), 0);
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/Tool"));
  EXPECT_EQ(sandbox.list("Users/ann/Site/_notes"), (Names{"b.htm.mno", "index.htm.mno"}));
  EXPECT_EQ(sandbox.readFile("Users/ann/Site/_notes/index.htm.mno"), "the host's notes");
}

TEST_F(Remove, DisableAllKeepsEachEnabledDescriptionAsideAndDisablesIt) {
  CZorbExtension* tool = Tool();
  AgeTool();
  CZorbExtension* other = Installed("Other", kOther, {}, {});
  Age({"work/store/Other.kxp", "Users/ann/Ext/Other.kxi"});
  EXPECT_EQ(engine.DisableAllExtensions(&host), 0);
  EXPECT_FALSE(tool->m_enabled);
  EXPECT_FALSE(other->m_enabled);
  EXPECT_EQ(sandbox.list("Users/ann/Disabled Extensions"), (Names{"Other.kxi", "Tool.kxi"}));
  EXPECT_EQ(sandbox.readFile("Users/ann/Disabled Extensions/Tool.kxi"), kTool);
  EXPECT_FALSE(sandbox.exists("Users/ann/Site/b.htm"));
  EXPECT_EQ(engine.GetSteps().size(), 0u);
  EXPECT_TRUE(Shown().empty());
}
