#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "products/CZorbProduct.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"

using producttest::Error;
using producttest::MessageTexts;
using producttest::TestProduct;

namespace {

std::u16string U(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

// For traces.
std::string Narrow(const char16_t* text) {
  std::string out;
  for (; text && *text; ++text) out += static_cast<char>(*text);
  return out;
}

// What the stand-in ping was asked and answers.
struct PingLog {
  static inline std::string answer;
  static inline std::vector<std::string> targets;
  static inline std::vector<bool> keyGiven;
  static inline std::vector<int32_t> timeouts;
  static std::string ping(const char* target, const char* key, int32_t timeout) {
    targets.push_back(target);
    keyGiven.push_back(key != nullptr);
    timeouts.push_back(timeout);
    return answer;
  }
};

class ProductRunning : public ::testing::Test {
 protected:
  void SetUp() override {
    PingLog::targets.clear();
    PingLog::keyGiven.clear();
    PingLog::timeouts.clear();
    CZorbProduct::SetPinger(&PingLog::ping);
  }
  void TearDown() override { CZorbProduct::SetPinger(nullptr); }
};

TEST_F(ProductRunning, OnlyAnExactEchoMeansRunning) {
  struct Case {
    const char* answer;
    bool running;
  } cases[] = {{"ECHO_RESPONSE", true}, {"ECHO_RESPONSE ", false},  {"ECHO_RESPONSEX", false},
               {"ECHO_RESPONS", false}, {"echo_response", false},   {"", false},
               {"ISNOTRUNNING", false}, {"NOINTERAPPSTREAM", false}};
  TestProduct product;
  product.m_arborName = u"lumen-10.0";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    PingLog::answer = c.answer;
    EXPECT_EQ(product.IsRunning(), c.running);
  }
  ASSERT_EQ(PingLog::targets.size(), std::size(cases));
  EXPECT_EQ(PingLog::targets.front(), "lumen-10.0");
  EXPECT_FALSE(PingLog::keyGiven.front());
  EXPECT_EQ(PingLog::timeouts.front(), 2);
}

TEST_F(ProductRunning, WithoutANameOrAPingNothingRuns) {
  TestProduct product;
  PingLog::answer = "ECHO_RESPONSE";
  EXPECT_FALSE(product.IsRunning());
  EXPECT_TRUE(PingLog::targets.empty());

  CZorbProduct::SetPinger(nullptr);
  product.m_arborName = u"lumen-10.0";
  EXPECT_FALSE(product.IsRunning());
}

TEST(ProductBase, DefaultAnswers) {
  TestProduct product;
  product.name = u"Loomwright";
  product.family = u"LoomWright";
  product.installFolder = u"Disk:Applications:Loomwright:";
  CString text(u"kept");
  product.GetConfigurationFolderName(text);
  product.GetSharedExtensionsFolder(text);
  product.GetAppRegKey(text);
  EXPECT_EQ(U(text), u"kept");
  product.GetGroupName(text);
  EXPECT_EQ(U(text), u"LoomWright");
  product.GetBinFolderName(text);
  EXPECT_EQ(U(text), u"Loomwright");
  product.GetDisplayName(text);
  EXPECT_EQ(U(text), u"Loomwright");
  product.GetApplicationFolder(text);
  EXPECT_EQ(U(text), u"Disk:Applications:Loomwright:");
  product.GetProductIconPath(text);
  EXPECT_EQ(U(text), u"NoDefined");
  product.GetDebugExecutableFileName(text);
  EXPECT_EQ(U(text), u"");

  TestProduct other;
  other.family = u"loomwright";
  EXPECT_TRUE(product.IsInProductFamily(other));
  other.family = u"Emberly";
  EXPECT_FALSE(product.IsInProductFamily(other));

  CString error;
  EXPECT_FALSE(product.GetErrorString(error));
  product.m_vornConfigPath = u"Disk:A:VornConfig.xml";
  EXPECT_TRUE(product.pathIsVornconfigPath(u"disk:a:vornconfig.XML"));
  EXPECT_FALSE(product.pathIsVornconfigPath(u"Disk:A:VornConfig.xml "));

  char narrow[16];
  EXPECT_EQ(CZorbProduct::wCharToChar(narrow, u"lumen-10.0"), 10);
  EXPECT_STREQ(narrow, "lumen-10.0");

  CZorbProduct::m_backedUpFiles.clear();
  EXPECT_FALSE(CZorbProduct::BackUpFileExists(u"Disk:a.xml"));
  CZorbProduct::AddBackUpFile(u"Disk:a.xml");
  EXPECT_TRUE(CZorbProduct::BackUpFileExists(u"Disk:a.xml"));
  EXPECT_FALSE(CZorbProduct::BackUpFileExists(u"Disk:A.xml"));
  CZorbProduct::m_backedUpFiles.clear();
}

TEST(ProductBase, ConfigurationFileMessage) {
  MessageTexts texts;
  TestProduct product;
  product.updateErrorMessageByCheckVornConfig(u"Disk:Applications:Host:");
  EXPECT_EQ(Error(product), u"4193[Disk:Applications:Host:VornConfig.xml]");
}

TEST(ProductBase, DisabledExtensionsFolderIsTheSibling) {
  struct Case {
    const char16_t* extensions;
    const char16_t* disabled;
  } cases[] = {
      {u"Disk:Users:ann:Host:Extensions:", u"Disk:Users:ann:Host:Disabled Extensions"},
      {u"Disk:Users:ann:Host:extensions:", u"Disk:Users:ann:Host:Disabled Extensions"},
      {u"Disk:Users:ann:Host:Extensions", u"Disk:Users:ann:Host:Disabled Extensions"},
      {u"Disk:Users:ann:Host:Ext:", u"Disk:Users:ann:Host:Disabled Extensions"},
      {u"Disk:Users:ann:Host:MyExtensions:", u"Disk:Users:ann:Host:Disabled Extensions"},
      {u"Disk:E:", u"Disk:Disabled Extensions"},
      {u"Disk:", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.extensions));
    TestProduct product;
    product.extensionsFolder = c.extensions;
    CString out(u"stale");
    product.GetDisabledExtensionsFolder(out);
    EXPECT_EQ(U(out), c.disabled);
  }
}

class ProductFolders : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbOS::InitMultiUserMembers();
  }
  void TearDown() override { CZorbOS::ResetMultiUserMembersForTest(); }

  // A description of that name in a folder relative to the root.
  void Description(const std::string& folder, const std::string& file, const std::string& name,
                   const std::string& products = "") {
    sandbox.writeFile(folder + "/" + file, "<quillory-extension name=\"" + name +
                                               "\" version=\"1.0\">" + products +
                                               "</quillory-extension>\n");
  }

  static std::vector<std::string> Listed(const CZorbProduct::ExtensionList* list) {
    std::vector<std::string> out;
    if (!list) return out;
    for (const CZorbExtension* e : *list) {
      std::string line;
      for (char16_t c : U(CZorbPath(e->m_path).GetFileName())) line += static_cast<char>(c);
      line += e->m_enabled ? " on" : " off";
      if (e->m_allUsers) line += " all";
      out.push_back(line);
    }
    return out;
  }

  static void Free(CZorbProduct::ExtensionList* list) {
    if (!list) return;
    for (CZorbExtension* e : *list) delete e;
    delete list;
  }
};

TEST_F(ProductFolders, ExtensionsAreDisabledWhenTheSiblingExists) {
  TestProduct product;
  product.extensionsFolder = sandbox.colon("Users/ann/Host/Extensions/").c_str();
  EXPECT_FALSE(product.ExtensionsAreDisabled());
  sandbox.makeFolder("Users/ann/Host/Disabled Extensions");
  EXPECT_TRUE(product.ExtensionsAreDisabled());
}

TEST_F(ProductFolders, ApplicationDataFolders) {
  TestProduct product;
  product.name = u"Emberly";
  CZorbPath out;
  ASSERT_TRUE(product.GetCurrentUserBinPath(out));
  EXPECT_EQ(U(out), sandbox.colon("Users/ann/Library/Application Support/Quillory/Emberly/"));
  ASSERT_TRUE(product.GetSharedBinPath(out));
  EXPECT_EQ(U(out), sandbox.colon("Users/Shared/Library/Application Support/Quillory/Emberly/"));
  ASSERT_TRUE(product.GetUserBinPathFor(u"bob", out));
  EXPECT_EQ(U(out), sandbox.colon("Users/bob/Library/Application Support/Quillory/Emberly/"));

  CZorbTypedList<CZorbString> all;
  ASSERT_TRUE(product.GetAllUserBinPaths(all));
  std::vector<std::u16string> paths;
  for (const CZorbString& p : all) paths.push_back(U(p));
  EXPECT_NE(std::find(paths.begin(), paths.end(),
                      sandbox.colon("Users/ann/Library/Application Support/Quillory/Emberly/")),
            paths.end());
}

TEST_F(ProductFolders, ApplicationDataFoldersNeedASystemOfSeveralUsers) {
  CZorbOS::ResetMultiUserMembersForTest();
  TestProduct product;
  CZorbPath out(u"untouched");
  EXPECT_FALSE(product.GetCurrentUserBinPath(out));
  EXPECT_FALSE(product.GetSharedBinPath(out));
  EXPECT_EQ(U(out), u"untouched");
}

TEST_F(ProductFolders, InstallRootIsFoundUpwards) {
  sandbox.writeFile("Applications/Host Folder/Host", "binary");
  sandbox.makeFolder("Applications/Host Folder/Sub/Deeper");
  TestProduct product;
  product.executable = u"Host";
  CString root(u"untouched");
  EXPECT_TRUE(product.IsFolderPartOfInstall(
      sandbox.colon("Applications/Host Folder/Sub/Deeper").c_str(), root));
  EXPECT_EQ(U(root), sandbox.colon("Applications/Host Folder/"));

  root = u"untouched";
  EXPECT_FALSE(product.IsFolderPartOfInstall(sandbox.colon("Users/ann").c_str(), root));
  EXPECT_EQ(U(root), u"untouched");

  // The executable inside a package folder below the given one.
  sandbox.writeFile("Applications/Other/Pkg/Tool", "binary");
  product.executable = u"Tool";
  product.executablePackage = u"Pkg";
  EXPECT_TRUE(product.IsFolderPartOfInstall(sandbox.colon("Applications/Other").c_str(), root));
  EXPECT_EQ(U(root), sandbox.colon("Applications/Other/Pkg/"));

  // Without an executable's name nothing is found.
  product.executable = u"";
  EXPECT_FALSE(product.IsFolderPartOfInstall(sandbox.colon("Applications/Other").c_str(), root));
}

TEST_F(ProductFolders, InstalledAndDisabledExtensionsOfTheConfigurationFolders) {
  TestProduct product;
  product.extensionsFolder = sandbox.colon("Users/ann/Host/Extensions/").c_str();
  Description("Users/ann/Host/Extensions", "b.kxi", "B");
  Description("Users/ann/Host/Extensions", "a.kxi", "A");
  // Suffix in capitals: not listed.
  Description("Users/ann/Host/Extensions", "upper.KXI", "Upper");
  // Not a description at all, and one that does not load.
  sandbox.writeFile("Users/ann/Host/Extensions/notes.txt", "x");
  sandbox.writeFile("Users/ann/Host/Extensions/broken.kxi", "no description");
  // Disabled, and one whose name differs only in case from an enabled one.
  Description("Users/ann/Host/Extensions/Disabled", "c.kxi", "C");
  Description("Users/ann/Host/Extensions/Disabled", "A.kxi", "A again");

  CZorbProduct::ExtensionList* list = product.GetExtensionsFromConfigurationFolders();
  std::vector<std::string> listed = Listed(list);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"a.kxi on", "b.kxi on", "c.kxi off"}));
  Free(list);

  product.installed = false;
  EXPECT_EQ(product.GetExtensionsFromConfigurationFolders(), nullptr);
  product.installed = true;
  product.extensionsFolder = sandbox.colon("Users/ann/Empty/").c_str();
  EXPECT_EQ(product.GetExtensionsFromConfigurationFolders(), nullptr);
}

TEST_F(ProductFolders, SharedExtensionsForEveryoneButTheSuperUser) {
  TestProduct product;
  product.extensionsFolder = sandbox.colon("Users/ann/Host/Extensions/").c_str();
  product.sharedExtensionsFolder = sandbox.colon("Users/Shared/Host/Extensions/").c_str();
  product.multiUserAdmin = true;
  Description("Users/ann/Host/Extensions", "mine.kxi", "Mine");
  Description("Users/Shared/Host/Extensions", "ours.kxi", "Ours");
  Description("Users/Shared/Host/Extensions/Disabled", "off.kxi", "Off");

  CZorbProduct::ExtensionList* list = product.GetExtensionsFromConfigurationFolders();
  std::vector<std::string> listed = Listed(list);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed,
            (std::vector<std::string>{"mine.kxi on", "off.kxi off all", "ours.kxi on all"}));
  Free(list);

  sandbox.setUser(testsupport::SandboxMachine::User::Root);
  list = product.GetExtensionsFromConfigurationFolders();
  EXPECT_EQ(Listed(list), (std::vector<std::string>{"mine.kxi on"}));
  Free(list);
}

TEST_F(ProductFolders, ProgressOfAFolder) {
  TestProduct product;
  Description("Store", "one.kxi", "One");
  Description("Store", "two.kxi", "Two");
  testsupport::ScriptedUI ui;
  CZorbProduct::ExtensionList list;
  product.AddExtensionsFrom(sandbox.colon("Store").c_str(), true, false, &list, &ui, 30);
  EXPECT_EQ(list.size(), 2u);
  const auto calls = ui.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args, (std::vector<std::u16string>{u"35"}));
  EXPECT_EQ(calls[1].args, (std::vector<std::u16string>{u"40"}));
  for (CZorbExtension* e : list) delete e;
}

TEST_F(ProductFolders, ExtensionsOfTheProductsOwnStore) {
  TestProduct product;
  Description("Store", "s.kxi", "S");
  Description("Store/Disabled", "d.kxi", "D");

  // No store: nothing, and a given list stays as it was.
  CZorbProduct::ExtensionList given;
  EXPECT_EQ(product.AppendExtensionsFromOtherProductSpecPxStoreFolder(&given, nullptr, 0), nullptr);
  EXPECT_TRUE(given.empty());

  product.m_pxStorePath = sandbox.colon("Store").c_str();
  CZorbProduct::ExtensionList* list =
      product.AppendExtensionsFromOtherProductSpecPxStoreFolder(nullptr, nullptr, 0);
  std::vector<std::string> listed = Listed(list);
  EXPECT_EQ(listed, (std::vector<std::string>{"s.kxi on", "d.kxi off"}));
  Free(list);

  // An empty store: null, and the caller's list is still the caller's.
  product.m_pxStorePath = sandbox.colon("Users").c_str();
  EXPECT_EQ(product.AppendExtensionsFromOtherProductSpecPxStoreFolder(&given, nullptr, 0), nullptr);
  EXPECT_TRUE(given.empty());
}

TEST_F(ProductFolders, StoreExtensionsAreEnabledByTheirFlagFiles) {
  TestProduct product;
  product.name = u"Loomwright";
  product.extensionsFolder = sandbox.colon("Users/ann/Host/Extensions/").c_str();
  const std::string mine = "<products><product name=\"Loomwright\" primary=\"true\" /></products>";
  const std::string other = "<products><product name=\"Emberly\" primary=\"true\" /></products>";
  Description("Store", "on.kxi", "On", mine);
  Description("Store", "off.kxi", "Off", mine);
  Description("Store", "elsewhere.kxi", "Elsewhere", other);
  Description("Users/ann/Host/Extensions", "on.kxi", "On", mine);

  CZorbProduct::ExtensionList store;
  for (const char* name : {"on.kxi", "off.kxi", "elsewhere.kxi"}) {
    auto* e = new CZorbExtension();
    ASSERT_EQ(e->Load(sandbox.colon(std::string("Store/") + name).c_str(), nullptr), 0);
    store.push_back(e);
  }
  testsupport::ScriptedUI ui;
  // The UI judges the element's product name against the host.
  ui.always(testsupport::ScriptedUI::Question::Supports,
            [](const testsupport::ScriptedUI::Call& call) {
              testsupport::ScriptedUI::Answer answer;
              answer.yes = call.args.size() > 1 && call.args[1] == u"Loomwright";
              return answer;
            });

  CZorbProduct::ExtensionList* list = product.GetExtensionsFromPXStore(&ui, &store);
  EXPECT_EQ(Listed(list), (std::vector<std::string>{"on.kxi on", "off.kxi off"}));
  // Copies: the store's objects are not handed out.
  ASSERT_NE(list, nullptr);
  EXPECT_NE(list->front(), store.front());
  Free(list);

  EXPECT_EQ(product.GetExtensionsFromPXStore(&ui, nullptr), nullptr);
  product.installed = false;
  EXPECT_EQ(product.GetExtensionsFromPXStore(&ui, &store), nullptr);
  for (CZorbExtension* e : store) delete e;
}

TEST_F(ProductFolders, FlagFilesWithoutAStoreEntryAreDeleted) {
  TestProduct product;
  product.extensionsFolder = sandbox.colon("Users/ann/Host/Extensions/").c_str();
  Description("Users/ann/Host/Extensions", "kept.kxi", "Kept");
  Description("Users/ann/Host/Extensions", "gone.kxi", "Gone");
  Description("Users/ann/Host/Extensions", "UPPER.KXI", "Upper");
  Description("Users/ann/Host/Extensions", "folder.kxi/inner.kxi", "Inner");
  sandbox.writeFile("Users/ann/Host/Extensions/readme.txt", "x");
  Description("Store", "kept.kxi", "Kept");
  sandbox.makeFolder("Store/gone.kxi");  // a folder is no entry

  // Without a store nothing goes.
  const std::vector<std::string> all = sandbox.list("Users/ann/Host/Extensions");
  product.deleteUnnecessaryKxiFileFromFlagFolder(CZorbPath());
  product.deleteUnnecessaryKxiFileFromFlagFolder(CZorbPath(sandbox.colon("Missing").c_str()));
  EXPECT_EQ(sandbox.list("Users/ann/Host/Extensions"), all);

  product.deleteUnnecessaryKxiFileFromFlagFolder(CZorbPath(sandbox.colon("Store").c_str()));
  EXPECT_EQ(sandbox.list("Users/ann/Host/Extensions"),
            (std::vector<std::string>{"folder.kxi", "kept.kxi", "readme.txt"}));
}

}  // namespace
