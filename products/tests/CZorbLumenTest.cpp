#include "products/CZorbLumen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "config/CZorbToolpanelConfigChanges.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlObject.h"
#include "foundation/CZorbXmlPairs.h"
#include "foundation/StringUtil.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/PlatformConfig.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/ScriptedUI.h"
#include "transaction/CZorbInstallTransaction.h"

using testsupport::FakeHost;
using testsupport::FakeMachine;

namespace {

std::u16string str(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

CString get(const CZorbProduct& product, void (CZorbProduct::*getter)(CString&) const) {
  CString out;
  (product.*getter)(out);
  return out;
}

std::string posix(const CString& colon) {
  CString out;
  EXPECT_TRUE(CZorbOS::convertPath(colon, out));
  std::string utf8;
  StringUtil::convertStringToSingle(out, utf8);
  return utf8;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A "toolpanel-item-insert" change.
CZorbXmlObject* change(const char16_t* name, const char16_t* position, const char16_t* depth,
                       const char16_t* language = nullptr) {
  auto* element = new CZorbXmlObject(u"toolpanel-item-insert");
  element->SetAttribute(u"name", name);
  element->SetAttribute(u"position", position);
  if (depth) element->SetAttribute(u"depth", depth);
  if (language) element->SetAttribute(u"XML:Lang", language);
  return element;
}

// An extension with one tool-panel change set of the changes.
std::unique_ptr<CZorbExtension> extensionWith(std::initializer_list<CZorbXmlObject*> changes) {
  auto extension = std::make_unique<CZorbExtension>();
  auto* set = new CZorbToolpanelConfigChanges();
  for (CZorbXmlObject* c : changes) set->m_children.push_back(c);
  extension->m_configChanges.push_back(set);
  return extension;
}

class Lumen : public ::testing::Test {
 protected:
  Lumen() {
    CZorbOS::InitMultiUserMembers();
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbProduct::SetPinger(&FakeMachine::pingCurrent);
    CZorbProduct::_defaultLocale.Empty();
    CZorbProduct::_SystemToken.clear();
    CZorbProduct::m_backedUpFiles.clear();
    CString::g_DataMap[4043] = "not installed";
    CString::g_DataMap[4078] = "cannot write";
    CString::g_DataMap[4147] = "not removed";
    CString::g_DataMap[4168] = "4168[%s|%s]";
    CString::g_DataMap[4170] = "4170[%s]";
  }
  ~Lumen() override {
    CZorbProduct::m_backedUpFiles.clear();
    CZorbProduct::SetPinger(nullptr);
    CZorbGetXMLProxy::SetInstance(nullptr);
  }

  const FakeMachine::Host& addLumen9() {
    FakeHost host;
    host.name = "Vesko Lumen WB3";
    host.folder = "Applications/Vesko Lumen WB3";
    host.signature = "QNQ2";
    host.version = "9.0.1";
    return machine.addHost(host);
  }

  // Version 9 installed, with the tool-panel fixture in its folder.
  std::unique_ptr<CZorbLumen9> lumenWithToolPanel() {
    addLumen9();
    auto product = std::make_unique<CZorbLumen9>();
    product->Initialize();
    EXPECT_TRUE(product->IsInstalled());
    toolFile =
        posix(product->ToolpanelFilePath().Left(product->ToolpanelFilePath().GetLength() - 14)) +
        "/toolConfig.xml";
    std::filesystem::create_directories(std::filesystem::path(toolFile).parent_path());
    std::filesystem::copy_file(PLEXAR_TESTDATA_DIR "/products/toolConfig.xml", toolFile,
                               std::filesystem::copy_options::overwrite_existing);
    original = readAll(toolFile);
    return product;
  }

  FakeMachine machine;
  CZorbXmlPairsProxy proxy;
  producttest::MessageTexts texts;
  std::string toolFile;
  std::string original;
};

}  // namespace

TEST_F(Lumen, VersionsAreFoundByTheirFolderOrSignature) {
  // Nothing installed: no folders, the range's low end.
  CZorbLumen8 missing;
  missing.Initialize();
  EXPECT_FALSE(missing.IsInstalled());

  const FakeMachine::Host& nine = addLumen9();
  FakeHost six;
  six.name = "Lumen QV";
  six.folder = "Applications/Somewhere";
  six.signature = "QNQ2";
  six.version = "6.1.0";
  const FakeMachine::Host& sixHost = machine.addHost(six);

  CZorbPath support;
  ASSERT_TRUE(CZorbOS::GetCurrentUserAppDataPath(support));
  const std::u16string base = str(support);

  CZorbLumen6 v6;
  v6.Initialize();
  ASSERT_TRUE(v6.IsInstalled());
  EXPECT_EQ(str(get(v6, &CZorbProduct::GetApplicationFolder)), sixHost.installFolderColon());
  EXPECT_EQ(str(get(v6, &CZorbProduct::GetInstallFolder)),
            base + u"Quillory:Lumen QV:Configuration:");
  EXPECT_EQ(str(get(v6, &CZorbProduct::GetExtensionsFolder)),
            base + u"Quillory:Lumen QV:Configuration:Extensions:");

  machine.writePreferences("Lumen WB3 Preferences", {"Settings", "Language"}, "fr");
  CZorbLumen9 v9;
  v9.Initialize();
  ASSERT_TRUE(v9.IsInstalled());
  EXPECT_EQ(str(get(v9, &CZorbProduct::GetApplicationFolder)), nine.installFolderColon());
  EXPECT_EQ(str(get(v9, &CZorbProduct::GetExtensionsFolder)),
            base + u"Vesko:Lumen WB3:fr:Configuration:Extensions:");
  CZorbVersionNumber version;
  v9.GetVersion(version);
  EXPECT_EQ(str(CString(version)), u"9.0.1");
  // Found without a configuration file, it is not reported broken.
  CString error;
  EXPECT_FALSE(v9.GetErrorString(error)) << testing::PrintToString(str(error));
  EXPECT_TRUE(std::filesystem::is_directory(posix(get(v9, &CZorbProduct::GetInstallFolder))));

  CZorbProduct::TokenMap tokens;
  v9.MapTokens(CString(), CString(), tokens);
  EXPECT_EQ(tokens[u"lumen"], base + u"Vesko:Lumen WB3:fr:Configuration:");
}

TEST_F(Lumen, Version10TakesItsLanguageFromTheRegionOrScriptTables) {
  EXPECT_EQ(std::size(CZorbLumen::kRegionLocales), 24u);
  EXPECT_EQ(std::size(CZorbLumen::kScriptLocales), 71u);
  EXPECT_EQ(
      std::count_if(std::begin(CZorbLumen::kScriptLocales), std::end(CZorbLumen::kScriptLocales),
                    [](const CZorbLumen::LocaleCode& row) { return row.code == 65535; }),
      48);
  const struct {
    const char* preferred;
    const char16_t* language;
  } cases[] = {
      {"en_US", u"en"}, {"fr_CH", u"fr"},    {"de_AT", u"de"},    {"pt_BR", u"pt"},
      {"cs_CZ", u"cs"}, {"pl_PL", u"cs"},    {"uk_UA", u"ru"},    {"ja_JP", u"ja"},
      {"ko", u"ko"},    {"zh_CN", u"zh_cn"}, {"zh_TW", u"zh_tw"}, {"fi_FI", u"en"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preferred);
    platform::PlatformConfig config = platform::PlatformConfig::current();
    config.preferredLanguage = c.preferred;
    platform::PlatformConfig::Override override(config);
    CZorbLumen10 product;
    CString code;
    product.GetLanguageCode(code);
    EXPECT_EQ(str(code), c.language);
  }
  // A script the tables do not know: the preference file.
  machine.writePreferences("Lumen WB3 Preferences", {"Settings", "Language"}, "he");
  platform::PlatformConfig config = platform::PlatformConfig::current();
  config.preferredLanguage = "bg_BG";
  platform::PlatformConfig::Override override(config);
  CZorbLumen10 product;
  CString code;
  product.GetLanguageCode(code);
  EXPECT_EQ(str(code), u"ru");  // Cyrillic is the script of row 7
}

TEST_F(Lumen, ToolPanelEditIsUndoneByteForByteByTheRemoval) {
  auto product = lumenWithToolPanel();
  CString locale = u"en";
  auto install = extensionWith({change(u"Brush", u"1", u"0")});
  CZorbInstallTransaction transaction;
  {
    CZorbInstallTransaction::Scope scope(transaction);
    ASSERT_EQ(product->ProcessConfigChanges(&transaction.GetSteps(), nullptr, install.get(), locale,
                                            CZorbPlexarUI::kInstall),
              0);
    scope.Commit(CZorbInstallTransaction::Order::kFirstToLast);
  }
  const std::string installed = readAll(toolFile);
  // New tools are written in the host's own short form, as its file has them.
  EXPECT_NE(installed.find("<tool name=\"Brush\">\r\n\t\t\t<tool name=\"Pen\"/>\r\n\t\t\t<tool "
                           "name=\"Pencil\"/>\r\n\t\t</tool>"),
            std::string::npos)
      << installed;

  CZorbProduct::m_backedUpFiles.clear();  // a new operation
  {
    CZorbInstallTransaction::Scope scope(transaction);
    ASSERT_EQ(product->ProcessConfigChanges(&transaction.GetSteps(), nullptr, install.get(), locale,
                                            CZorbPlexarUI::kUninstall),
              0);
    scope.Commit(CZorbInstallTransaction::Order::kFirstToLast);
  }
  EXPECT_EQ(readAll(toolFile), original);
}

TEST_F(Lumen, ToolPanelFilesInEveryShapeComeBackByteForByte) {
  // The host's file as hosts and users' editors leave it: tools without
  // content in any of the three forms, mixed or not, a byte-order mark,
  // any line end. Tools go into a slot that holds a tool (a leaf before,
  // a slot of several after) and into one that holds several.
  const struct {
    const char* name;
    std::string mark;
    std::string eol;
    const char* arrow;   // the first slot's tool
    const char* pencil;  // the second tool of the second slot
    const char* text;    // the last slot's tool
  } shapes[] = {
      {"short, without a space", "", "\r\n", "<tool name=\"Arrow\"/>", "<tool name=\"Pencil\"/>",
       "<tool name=\"Text\"/>"},
      {"short, with a space", "", "\n", "<tool name=\"Arrow\" />", "<tool name=\"Pencil\" />",
       "<tool name=\"Text\" />"},
      {"start and end tags, with a mark", "\xEF\xBB\xBF", "\r\n", "<tool name=\"Arrow\"></tool>",
       "<tool name=\"Pencil\"></tool>", "<tool name=\"Text\"></tool>"},
      {"all three, with a mark", "\xEF\xBB\xBF", "\r", "<tool name=\"Arrow\"></tool>",
       "<tool name=\"Pencil\" />", "<tool name=\"Text\"/>"},
      {"all three, the other way round", "", "\n", "<tool name=\"Arrow\" />",
       "<tool name=\"Pencil\"/>", "<tool name=\"Text\"></tool>"},
  };
  auto product = lumenWithToolPanel();
  CString locale = u"en";
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const std::string& n = shape.eol;
    const std::string host = shape.mark + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + n +
                             "<toolConfig>" + n + "\t<group name=\"main\">" + n + "\t\t" +
                             shape.arrow + n + "\t\t<separator/>" + n + "\t\t<tool name=\"Pen\">" +
                             n + "\t\t\t" + shape.pencil + n + "\t\t</tool>" + n + "\t\t" +
                             shape.text + n + "\t</group>" + n + "</toolConfig>" + n;
    std::ofstream(toolFile, std::ios::binary | std::ios::trunc) << host;
    auto extension = extensionWith({change(u"Brush", u"0", u"0"), change(u"Lasso", u"1", u"1")});
    for (const auto operation : {CZorbPlexarUI::kInstall, CZorbPlexarUI::kUninstall}) {
      CZorbProduct::m_backedUpFiles.clear();  // each its own operation
      CZorbInstallTransaction transaction;
      CZorbInstallTransaction::Scope scope(transaction);
      ASSERT_EQ(product->ProcessConfigChanges(&transaction.GetSteps(), nullptr, extension.get(),
                                              locale, operation),
                0);
      scope.Commit(CZorbInstallTransaction::Order::kFirstToLast);
      if (operation == CZorbPlexarUI::kInstall) {
        const std::string installed = readAll(toolFile);
        EXPECT_NE(installed.find("\t\t<tool name=\"Brush\">" + n + "\t\t\t" +
                                 std::string(shape.arrow) + n + "\t\t</tool>"),
                  std::string::npos)
            << installed;
      }
    }
    EXPECT_EQ(readAll(toolFile), host);
  }
}

TEST_F(Lumen, AFailedSaveIsReportedAndTheFileRestored) {
  auto product = lumenWithToolPanel();
  CString locale;
  auto extension = extensionWith({change(u"Brush", u"0", u"1"), change(u"Eraser", u"2", nullptr)});
  testsupport::ScriptedUI ui;
  ui.answerMessageBox(1);
  CZorbInstallTransaction transaction;
  CZorbInstallTransaction::Scope scope(transaction);
  {
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride override(fs);
    // The first edit is saved; the second edit's save fails.
    platform::FaultInjectingFileSystem::Rule rule;
    rule.ops = platform::kFsRename;
    rule.pathContains = "toolConfig.xml";
    rule.skip = 1;
    fs.addRule(rule);
    EXPECT_EQ(product->ProcessConfigChanges(&transaction.GetSteps(), &ui, extension.get(), locale,
                                            CZorbPlexarUI::kInstall),
              -1);
  }
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_EQ(ui.calls()[0].args[0], u"cannot write not installed");
  EXPECT_NE(readAll(toolFile), original);
  EXPECT_EQ(transaction.GetSteps().size(), 1u);  // one backup for both edits
  EXPECT_EQ(scope.Rollback(nullptr), 0);
  EXPECT_EQ(readAll(toolFile), original);
}

namespace {

// The names of a slot: its own, then its children's.
std::vector<std::u16string> slotNames(const CZorbXmlObject* slot) {
  std::vector<std::u16string> names;
  CString name;
  if (slot->GetAttribute(u"name", name)) names.push_back(str(name));
  for (const CZorbXmlObject* child : slot->m_children) {
    child->GetAttribute(u"name", name);
    names.push_back(str(name));
  }
  return names;
}

}  // namespace

TEST_F(Lumen, SlotsTakeANewToolAtItsDepthAndGiveUpARemovedOne) {
  CZorbLumen9 product;
  CZorbXmlObject slot(u"tool");
  slot.SetAttribute(u"name", u"Pen");
  auto* pencil = new CZorbXmlObject(u"tool");
  pencil->SetAttribute(u"name", u"Pencil");
  slot.m_children.push_back(pencil);
  using Names = std::vector<std::u16string>;
  const struct {
    const char16_t* depth;
    Names names;
  } inserts[] = {
      {u"0", {u"Brush", u"Pen", u"Pencil"}},  {u"1", {u"Pen", u"Brush", u"Pencil"}},
      {u"2", {u"Pen", u"Pencil", u"Brush"}},  {u"9", {u"Pen", u"Pencil", u"Brush"}},
      {u"-1", {u"Pen", u"Pencil", u"Brush"}}, {u"x", {u"Pen", u"Pencil", u"Brush"}},
      {u"", {u"Pen", u"Pencil", u"Brush"}},
  };
  for (const auto& c : inserts) {
    std::unique_ptr<CZorbXmlObject> built(product.InsertToolpanelItem(&slot, u"Brush", c.depth));
    EXPECT_EQ(slotNames(built.get()), c.names) << testing::PrintToString(std::u16string(c.depth));
  }
  std::unique_ptr<CZorbXmlObject> fresh(product.InsertToolpanelItem(nullptr, u"Brush", u"3"));
  EXPECT_EQ(slotNames(fresh.get()), Names{u"Brush"});

  std::unique_ptr<CZorbXmlObject> promoted(product.RemoveToolpanelItem(&slot, u"Pen"));
  EXPECT_EQ(slotNames(promoted.get()), Names{u"Pencil"});
  std::unique_ptr<CZorbXmlObject> only(product.RemoveToolpanelItem(fresh.get(), u"Brush"));
  CString name;
  EXPECT_FALSE(only->GetAttribute(u"name", name));
  EXPECT_TRUE(only->m_children.empty());
}

TEST_F(Lumen, PositionsBeyondTheLastSlotAndRemovalsWithoutASlot) {
  auto product = lumenWithToolPanel();
  // "25", "-1" and "abc" all mean slot 17, which the group lacks: appended.
  for (const char16_t* position : {u"25", u"-1", u"abc"}) {
    std::filesystem::copy_file(PLEXAR_TESTDATA_DIR "/products/toolConfig.xml", toolFile,
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(product->ProcessToolpanelItemInsert(u"Brush", position, u"", false));
    const std::string edited = readAll(toolFile);
    EXPECT_NE(edited.find("<tool name=\"Text\"/>\r\n\t\t<tool name=\"Brush\"/>\r\n\t</group>"),
              std::string::npos)
        << edited;
    // Taking it out again from that position finds no slot: nothing changes.
    ASSERT_TRUE(product->ProcessToolpanelItemInsert(u"Brush", position, u"", true));
    EXPECT_EQ(readAll(toolFile), edited);
  }
  // Position "0" is the first tool, past comments and separators.
  std::filesystem::copy_file(PLEXAR_TESTDATA_DIR "/products/toolConfig.xml", toolFile,
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(product->ProcessToolpanelItemInsert(u"Brush", u"0", u"0", false));
  EXPECT_NE(readAll(toolFile).find("<tool name=\"Brush\">\r\n\t\t\t<tool name=\"Arrow\"/>"),
            std::string::npos);
  // A tool the slot does not hold leaves the file alone.
  const std::string before = readAll(toolFile);
  ASSERT_TRUE(product->ProcessToolpanelItemInsert(u"Lasso", u"0", u"", true));
  EXPECT_EQ(readAll(toolFile), before);

  EXPECT_FALSE(product->ProcessToolpanelItemInsert(u"", u"0", u"", false));
  std::filesystem::remove(toolFile);
  EXPECT_FALSE(product->ProcessToolpanelItemInsert(u"Brush", u"0", u"", false));
  std::ofstream(toolFile, std::ios::binary) << "<toolConfig><tools/></toolConfig>";
  EXPECT_FALSE(product->ProcessToolpanelItemInsert(u"Brush", u"0", u"", false));
}

TEST_F(Lumen, ChangesInAnotherLanguageAreSkippedOnlyForLocalisedExtensions) {
  auto product = lumenWithToolPanel();
  CString locale = u"fr";
  auto extension = extensionWith({change(u"Brush", u"0", u"0", u"DE")});
  extension->m_multilingual = true;
  ASSERT_EQ(product->ProcessConfigChanges(nullptr, nullptr, extension.get(), locale,
                                          CZorbPlexarUI::kInstall),
            0);
  EXPECT_EQ(readAll(toolFile), original);
  extension->m_multilingual = false;
  ASSERT_EQ(product->ProcessConfigChanges(nullptr, nullptr, extension.get(), locale,
                                          CZorbPlexarUI::kInstall),
            0);
  EXPECT_NE(readAll(toolFile), original);

  // A failure through a null UI is still reported by the result.
  std::filesystem::remove(toolFile);
  EXPECT_EQ(product->ProcessConfigChanges(nullptr, nullptr, extension.get(), locale,
                                          CZorbPlexarUI::kUninstall),
            -1);
}

TEST_F(Lumen, AnswersTheEnginesQuestions) {
  CZorbLumen9 nine;
  CZorbExtension extension;
  const struct {
    int32_t type;
    bool obsolete;
    bool warned;
  } types[] = {{22, true, false}, {24, true, false}, {26, true, false},
               {33, true, false}, {55, false, true}, {1, false, false}};
  for (const auto& t : types) {
    extension.m_type = t.type;
    extension.m_typeText = u"kind";
    CString reason;
    EXPECT_EQ(nine.IsExtensionObsolete(&extension, reason), t.obsolete) << t.type;
    if (t.obsolete) {
      EXPECT_EQ(str(reason), u"4168[Lumen WB3|kind]");
    }
    CString warning;
    EXPECT_EQ(nine.GetExtensionWarning(&extension, warning), t.warned) << t.type;
    if (t.warned) {
      EXPECT_EQ(str(warning), u"4170[Lumen WB3]");
    }
  }
  CZorbLumen6 six;
  extension.m_type = 55;
  CString warning;
  EXPECT_FALSE(six.GetExtensionWarning(&extension, warning));

  CString path = u"Disk:U:configuration:helpqmv:a.htm";
  nine.MassageDestination(path);
  EXPECT_EQ(str(path), u"Disk:U:configuration:WindowQMV:a.htm");
  path = u"Disk:U:Configuration:Help:a.htm";
  nine.MassageDestination(path);
  EXPECT_EQ(str(path), u"Disk:U:Configuration:Help:a.htm");
  six.SetPaths(u"Disk:Apps:Lumen:", CString());
  path = u"Disk:Users:x:Configuration:Include:a.js";
  six.MassageDestination(path);
  EXPECT_EQ(str(path), u"Disk:Apps:Lumen:Configuration:Include:a.js");

  nine.Initialize();  // not found: the range's low end, 9.0.0
  EXPECT_FALSE(nine.IsInstalled());
  EXPECT_TRUE(nine.Supports(u"LUMEN 8", u"9", u"2"));
  EXPECT_FALSE(nine.Supports(u"Lumen", u"9.0.1", nullptr));
  EXPECT_FALSE(nine.Supports(u"Lume", u"1", nullptr));
  EXPECT_FALSE(nine.Supports(u"Lumen", u"65545", nullptr));  // not 9: no wrapping
  CZorbPath bin;
  CZorbLumen10 ten;
  ten.BuildBinPath(u"Disk:Data:", bin);
  EXPECT_EQ(str(bin), u"Disk:Data:Vesko:Lumen 10:");
}

TEST_F(Lumen, Version11IsDescribedByItsConfigurationFileOrFoundByItsFolder) {
  testsupport::ConfigPairs config = FakeMachine::commonHostConfig("Lumen", "Lumen WB5", "11.0");
  config.emplace_back("$userbinfolder", "$userdatafolder/Vesko/Lumen 11/$locale/Configuration");
  config.emplace_back("$userextensionfolder", "$userbinfolder/Extensions");
  config.emplace_back("defaultlocale", "de_DE");
  FakeHost host;
  host.name = "Vesko Lumen WB5";
  host.folder = "Applications/Vesko Cobalt";
  host.signature = "QNQ2";
  host.version = "11.0.3";
  host.specifier = "lumen-11.0";
  host.config = config;
  const FakeMachine::Host& installed = machine.addHost(host);

  CZorbPath support;
  ASSERT_TRUE(CZorbOS::GetCurrentUserAppDataPath(support));
  const std::u16string user = str(support) + u"Vesko:Lumen 11:de_DE:Configuration:";
  {
    CZorbLumen11 product;
    product.Initialize();
    CString error;
    EXPECT_FALSE(product.GetErrorString(error)) << testing::PrintToString(str(error));
    EXPECT_TRUE(product.IsAKInitializeSuccess());
    ASSERT_TRUE(product.IsInstalled());
    EXPECT_NE(product.getProductInfo(), nullptr);
    EXPECT_EQ(str(get(product, &CZorbProduct::GetApplicationFolder)),
              installed.installFolderColon());
    EXPECT_EQ(str(get(product, &CZorbProduct::GetInstallFolder)), user);
    EXPECT_EQ(str(get(product, &CZorbProduct::GetExtensionsFolder)), user + u"Extensions:");
    CZorbVersionNumber version;
    product.GetVersion(version);
    EXPECT_EQ(str(CString(version)), u"11.0.0");
  }

  // With the marker the host is found by its folder and signature instead.
  machine.setProgramMarker("Flag.useOld", true);
  CZorbLumen11 old;
  EXPECT_EQ(old.getProductInfo(), nullptr);
  old.Initialize();
  ASSERT_TRUE(old.IsInstalled());
  EXPECT_EQ(str(get(old, &CZorbProduct::GetApplicationFolder)), installed.installFolderColon());
  CZorbVersionNumber version;
  old.GetVersion(version);
  EXPECT_EQ(str(CString(version)), u"11.0.3");
  CString error;
  EXPECT_FALSE(old.GetErrorString(error)) << testing::PrintToString(str(error));
}

TEST_F(Lumen, ALanguageThatIsNoPlainNameAddsNoFolder) {
  addLumen9();
  CZorbPath support;
  ASSERT_TRUE(CZorbOS::GetCurrentUserAppDataPath(support));
  for (const char* language : {"..", "a:b", "../x"}) {
    machine.writePreferences("Lumen WB3 Preferences", {"Settings", "Language"}, language);
    CZorbLumen9 product;
    product.Initialize();
    EXPECT_EQ(str(get(product, &CZorbProduct::GetInstallFolder)),
              str(support) + u"Vesko:Lumen WB3:Configuration:")
        << language;
  }
}
