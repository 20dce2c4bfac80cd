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
  EXPECT_NE(installed.find("<tool name=\"Brush\">\r\n\t\t\t<tool name=\"Pen\" />\r\n\t\t\t<tool "
                           "name=\"Pencil\" />\r\n\t\t</tool>"),
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
