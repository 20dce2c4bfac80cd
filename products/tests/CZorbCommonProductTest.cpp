#include "products/CZorbCommonProduct.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
#include "foundation/StringUtil.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/FakeMachine.h"

using testsupport::ConfigPairs;
using testsupport::FakeHost;
using testsupport::FakeMachine;

namespace {

std::string utf8(const CString& text) {
  std::string out;
  StringUtil::convertStringToSingle(text, out);
  return out;
}

CString wide(const std::string& utf8) {
  CString out;
  StringUtil::convertStringToWide(utf8, out);
  return out;
}

ConfigPairs with(ConfigPairs pairs, const std::string& key, const std::string& value) {
  for (auto& pair : pairs) {
    if (pair.first != key) continue;
    pair.second = value;
    return pairs;
  }
  pairs.emplace_back(key, value);
  return pairs;
}

// The parameters of a complete host of this suite, with a token defined
// through a token and the optional ones.
ConfigPairs completeConfig() {
  ConfigPairs config = with(FakeMachine::commonHostConfig("Tessel", "Tessel Studio 3", "3.0.2"),
                            "userextensionfolder", "$userbinfolder/Extensions");
  config.insert(config.end(), {{"$userbinfolder", "$userdatafolder/Vesko/Tessel Studio 3"},
                               {"familyname", "Tessel Family"},
                               {"binaryname", "Tessel Studio"},
                               {"iconpath", "Resources/tessel.png"}});
  return config;
}

ConfigPairs without(ConfigPairs pairs, const std::string& key) {
  std::erase_if(pairs, [&](const auto& pair) { return pair.first == key; });
  return pairs;
}

class CommonProduct : public ::testing::Test {
 protected:
  CommonProduct() {
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbProduct::SetPinger(&FakeMachine::pingCurrent);
    CZorbProduct::_defaultLocale.Empty();
    CZorbProduct::_SystemToken.clear();
  }
  ~CommonProduct() override {
    CZorbProduct::_defaultLocale.Empty();
    CZorbProduct::SetPinger(nullptr);
    CZorbGetXMLProxy::SetInstance(nullptr);
  }

  // The host "Tessel Studio" in "Applications/Tessel Studio 3", known to
  // the product database as "tessel-3.0" unless registered is false.
  const FakeMachine::Host& addHost(const ConfigPairs& config, bool registered = true) {
    FakeHost host;
    host.name = "Tessel Studio";
    host.folder = "Applications/Tessel Studio 3";
    host.signature = "TsSt";
    host.version = "3.0.2";
    if (registered) host.specifier = "tessel-3.0";
    host.config = config;
    return machine.addHost(host);
  }

  std::unique_ptr<CZorbCommonProduct> make(const CString& path = CString()) {
    auto product = std::make_unique<CZorbCommonProduct>(u"tessel-3.0", path);
    product->Initialize();
    return product;
  }

  static CString get(const CZorbCommonProduct& product,
                     void (CZorbCommonProduct::*getter)(CString&) const) {
    CString out;
    (product.*getter)(out);
    return out;
  }

  FakeMachine machine;
  CZorbXmlPairsProxy proxy;
  producttest::MessageTexts texts;
};

}  // namespace

TEST_F(CommonProduct, IsBuiltFromItsParameters) {
  const FakeMachine::Host& host = addHost(completeConfig());
  auto product = make();

  EXPECT_TRUE(product->IsAKInitializeSuccess());
  ASSERT_TRUE(product->IsInstalled());
  const CString install = host.installFolderColon().c_str();
  EXPECT_EQ(get(*product, &CZorbProduct::GetInstallFolder), install);
  EXPECT_EQ(product->m_vornConfigPath, install + CString(u"Configuration:VornConfig.xml"));
  EXPECT_EQ(get(*product, &CZorbProduct::GetName), u"Tessel Studio 3");
  EXPECT_EQ(get(*product, &CZorbProduct::GetProductFamily), u"Tessel");
  EXPECT_EQ(get(*product, &CZorbProduct::GetBazaarName), u"Tessel");
  EXPECT_EQ(get(*product, &CZorbProduct::GetGroupName), u"Tessel Family");
  EXPECT_EQ(get(*product, &CZorbProduct::GetExecutableFileName), u"Tessel Studio.app");
  EXPECT_EQ(get(*product, &CZorbProduct::GetProductIconPath),
            wide(host.installFolder + "/Resources/tessel.png"));
  // The extensions folder ends with the separator, as every product's does.
  EXPECT_EQ(
      get(*product, &CZorbProduct::GetExtensionsFolder),
      (machine.colon("Users/ann/Library/Application Support/Vesko/Tessel Studio 3/Extensions") +
       u":")
          .c_str());
  CZorbVersionNumber version, low, high;
  product->GetVersion(version);
  EXPECT_EQ(CString(version), u"3.0.2");
  product->GetAppVersionRange(low, high);
  EXPECT_EQ(CString(low), u"3.0.2");
  EXPECT_EQ(CString(high), u"4.0.0");
  CString error;
  EXPECT_FALSE(product->GetErrorString(error)) << utf8(error);

  // The "$" tokens, resolved to colon paths, go to each install.
  CZorbProduct::TokenMap tokens;
  product->MapTokens(u"", u"", tokens);
  EXPECT_EQ(tokens[u"installfolder"],
            std::u16string(install.Get()).substr(0, static_cast<size_t>(install.GetLength() - 1)));
  EXPECT_EQ(tokens[u"userbinfolder"],
            machine.colon("Users/ann/Library/Application Support/Vesko/Tessel Studio 3"));
  EXPECT_EQ(tokens[u"userdatafolder"], machine.colon("Users/ann/Library/Application Support"));
  EXPECT_EQ(tokens[u"locale"], u"en_US");
  EXPECT_EQ(tokens.count(u"productname"), 0u);
}

TEST_F(CommonProduct, TokenDefinedThroughATokenResolves) {
  addHost(with(completeConfig(), "$scripts", "$userbinfolder/Scripts"));
  auto product = make();
  ASSERT_TRUE(product->IsInstalled());
  CZorbProduct::TokenMap tokens;
  product->MapTokens(u"", u"", tokens);
  EXPECT_EQ(tokens[u"scripts"],
            machine.colon("Users/ann/Library/Application Support/Vesko/Tessel Studio 3/Scripts"));
}

TEST_F(CommonProduct, OnlyTheCurrentSuiteIsKept) {
  const FakeMachine::Host& host = addHost(completeConfig());
  const struct {
    const char* suite;  // null: not given
    bool installed;
  } cases[] = {{nullptr, false}, {"WB5", true}, {"wb5", false}, {"WB4", false}, {"WB5 ", false}};
  for (const auto& c : cases) {
    ConfigPairs config = without(completeConfig(), "supportedinsuite");
    if (c.suite) config.emplace_back("supportedinsuite", c.suite);
    machine.writeVornConfig(host.spec.folder + "/Configuration", config);
    auto product = make();
    EXPECT_EQ(product->IsInstalled(), c.installed) << (c.suite ? c.suite : "(none)");
    // Refused for its suite, it is still a well-formed product.
    EXPECT_TRUE(product->IsAKInitializeSuccess());
  }
}

TEST_F(CommonProduct, IncompleteParametersMakeItUnusable) {
  const FakeMachine::Host& host = addHost(completeConfig());
  const std::vector<ConfigPairs> configs = {
      without(completeConfig(), "productname"),
      without(completeConfig(), "displayname"),
      without(completeConfig(), "productversion"),
      without(completeConfig(), "userextensionfolder"),
      with(completeConfig(), "productversion", "$nothing"),
      with(completeConfig(), "displayname", ""),
  };
  for (const ConfigPairs& config : configs) {
    machine.writeVornConfig(host.spec.folder + "/Configuration", config);
    auto product = make();
    EXPECT_FALSE(product->IsInstalled());
    EXPECT_FALSE(product->IsAKInitializeSuccess());
  }
  // Optional ones only fall back.
  machine.writeVornConfig(
      host.spec.folder + "/Configuration",
      without(without(without(completeConfig(), "iconpath"), "binaryname"), "familyname"));
  auto product = make();
  EXPECT_TRUE(product->IsInstalled());
  EXPECT_EQ(get(*product, &CZorbProduct::GetProductIconPath), u"NoDefined");
  EXPECT_EQ(get(*product, &CZorbProduct::GetExecutableFileName), u"");
  EXPECT_EQ(get(*product, &CZorbProduct::GetGroupName), u"");
}

TEST_F(CommonProduct, UnresolvedTokenIsReported) {
  addHost(with(completeConfig(), "$scripts", "$nowhere/Scripts"));
  auto product = make();
  EXPECT_FALSE(product->IsInstalled());
  EXPECT_FALSE(product->IsAKInitializeSuccess());
  EXPECT_EQ(producttest::Error(*product), u"4185[Tessel Studio 3|scripts|$nowhere/Scripts]");
}

TEST_F(CommonProduct, ConfigurationThatCannotBeParsedIsReported) {
  const FakeMachine::Host& host = addHost(completeConfig());
  machine.writeFile(host.spec.folder + "/Configuration/VornConfig.xml", "<Configuration><");
  CZorbCommonProduct product(u"tessel-3.0", u"");
  EXPECT_FALSE(product.IsInstalled());
  EXPECT_FALSE(product.IsAKInitializeSuccess());
  EXPECT_EQ(producttest::Error(product),
            u"4193[" + host.installFolderColon() + u"Configuration:VornConfig.xml]");
}

TEST_F(CommonProduct, WithoutAConfigurationItIsUnusable) {
  addHost({});
  auto product = make();
  EXPECT_FALSE(product->IsInstalled());
  EXPECT_FALSE(product->IsAKInitializeSuccess());
}

TEST_F(CommonProduct, UnknownHostWithoutAPathIsNotInstalled) {
  auto product = make();
  EXPECT_FALSE(product->IsInstalled());
  EXPECT_FALSE(product->IsAKInitializeSuccess());
  EXPECT_FALSE(product->Supports(u"anything", u"1", u""));
}

TEST_F(CommonProduct, RegisteredFolderThatIsGoneIsNotInstalled) {
  machine.registerApplication("tessel-3.0", machine.posix("Applications/Gone/Tessel Studio.app"));
  CZorbCommonProduct product(u"tessel-3.0", u"");
  EXPECT_FALSE(product.IsInstalled());
  EXPECT_TRUE(product.IsAKInitializeSuccess());
}

TEST_F(CommonProduct, AGivenPathServesAHostTheDatabaseDoesNotKnow) {
  const FakeMachine::Host& host = addHost(completeConfig(), false);
  // The path as POSIX text, with a final "/", or in colon form: the token
  // is the POSIX form every time.
  for (const CString& path : {wide(host.installFolder), wide(host.installFolder + "/"),
                              CString(host.installFolderColon().c_str())}) {
    CZorbCommonProduct product(u"tessel-3.0", path);
    product.Initialize();
    ASSERT_TRUE(product.IsInstalled()) << utf8(path);
    EXPECT_EQ(get(product, &CZorbProduct::GetInstallFolder), host.installFolderColon().c_str());
    EXPECT_EQ(product.m_privateTokens[u"$installfolder"],
              std::u16string(wide(host.installFolder).Get()));
  }
}

TEST_F(CommonProduct, RunsOnlyWhenThePingAnswersExactly) {
  addHost(completeConfig());
  auto product = make();
  EXPECT_FALSE(product->IsRunning());
  machine.setRunning("Tessel Studio", true);
  EXPECT_TRUE(product->IsRunning());
  for (const char* answer :
       {"ECHO_RESPONSE ", "ECHO_RESPONSEX", "ECHO_RESPONS", "echo_response", "", "Timeout"}) {
    machine.setPingAnswer("tessel-3.0", answer);
    EXPECT_FALSE(product->IsRunning()) << answer;
  }
  EXPECT_EQ(machine.pings().back(), "tessel-3.0");

  // Without a messaging name nothing is asked.
  const size_t asked = machine.pings().size();
  CZorbCommonProduct nameless(u"", wide(machine.host("Tessel Studio")->installFolder));
  EXPECT_FALSE(nameless.IsRunning());
  EXPECT_EQ(machine.pings().size(), asked);
}

TEST_F(CommonProduct, SupportsAndRestartRules) {
  const FakeMachine::Host& host = addHost(completeConfig());
  auto product = make();
  ASSERT_TRUE(product->IsInstalled());
  const struct {
    const char16_t* name;
    bool supported;
  } names[] = {{u"Tessel", true}, {u"TESSEL", true}, {u"tessel studio 9", true},
               {u"Tesse", false}, {u"Other", false}, {u"", false},
               {nullptr, false}};
  for (const auto& n : names)
    EXPECT_EQ(product->Supports(n.name, u"99", nullptr), n.supported)
        << (n.name ? utf8(n.name) : "(null)");

  CZorbExtension command;
  command.m_type = CZorbCommonProduct::kCommandExtensionType;
  CZorbExtension object;
  object.m_type = 2;
  EXPECT_FALSE(product->RequiresRestart(&command, true));
  EXPECT_TRUE(product->RequiresRestart(&object, false));
  EXPECT_TRUE(product->RequiresRestart(u"Disk:A:jsextensions:x.js", true));
  EXPECT_FALSE(product->RequiresRestart(u"Disk:A:JSExtensions:x.js", false));
  EXPECT_FALSE(product->RequiresRestart(u"Disk:A:Commands:x.js", true));
  EXPECT_FALSE(product->RequiresRestart(static_cast<const char16_t*>(nullptr), true));

  CString inside = host.installFolderColon().c_str();
  inside.MakeLower();
  inside += u"Configuration:Menus.xml";
  EXPECT_TRUE(product->BelongsTo(inside));
  EXPECT_FALSE(product->BelongsTo(u"Disk:Applications:Other:"));
  EXPECT_TRUE(product->CanDelete(inside));
}

TEST_F(CommonProduct, LanguageComesFromTheInterfaceThenTheHostThenTheUser) {
  addHost(with(completeConfig(), "defaultlocale", "fr_FR"));
  auto product = make();
  CString code;
  product->GetLanguageCode(code);
  EXPECT_EQ(code, u"fr_FR");
  EXPECT_EQ(product->m_privateTokens[u"$locale"], u"fr_FR");
  CZorbProduct::_defaultLocale = u"ja_JP";
  product->GetLanguageCode(code);
  EXPECT_EQ(code, u"ja_JP");
  CZorbProduct::_defaultLocale.Empty();
  product->m_privateTokens.erase(u"defaultlocale");
  product->GetLanguageCode(code);
  EXPECT_EQ(code, wide(CZorbOS::GetUserPreferredLanguageCode()));
}

TEST_F(CommonProduct, VersionRange) {
  addHost(with(completeConfig(), "productversion", "10.0.2"));
  auto product = make();
  CZorbVersionNumber low, high;
  product->GetAppVersionRange(low, high);
  EXPECT_EQ(CString(low), u"10.0.2");
  EXPECT_EQ(CString(high), u"11.0.0");
  product->SetVersion(CZorbVersionNumber());
  product->GetAppVersionRange(low, high);
  EXPECT_EQ(CString(low), u"0.0.0");
  EXPECT_EQ(CString(high), u"0.0.0");
}

TEST_F(CommonProduct, ListsItsInstalledAndDisabledExtensions) {
  addHost(completeConfig());
  auto product = make();
  ASSERT_TRUE(product->IsInstalled());
  const std::string extensions =
      machine.homeRelative() + "/Library/Application Support/Vesko/Tessel Studio 3/Extensions";
  machine.writeFile(extensions + "/On.kxi", "<quillory-extension name=\"On\" version=\"1.0\" />");
  machine.writeFile(extensions + "/Broken.kxi", "<quillory-extension");
  machine.writeFile(extensions + "/Disabled/Off.kxi",
                    "<quillory-extension name=\"Off\" version=\"2.0\" />");
  // The first of two names that differ only in case is listed.
  machine.writeFile(extensions + "/Disabled/ON.kxi",
                    "<quillory-extension name=\"On again\" version=\"1.0\" />");

  std::unique_ptr<CZorbProduct::ExtensionList> list(
      product->GetExtensionsFromConfigurationFolders());
  ASSERT_NE(list, nullptr);
  std::vector<std::pair<std::u16string, bool>> found;
  for (CZorbExtension* extension : *list) {
    found.emplace_back(std::u16string(extension->m_name.Get()), extension->m_enabled);
    delete extension;
  }
  EXPECT_EQ(found, (std::vector<std::pair<std::u16string, bool>>{{u"On", true}, {u"Off", false}}));
}

TEST_F(CommonProduct, TheMachinesCommonHostParametersAreComplete) {
  addHost(FakeMachine::commonHostConfig("Tessel", "Tessel Studio 3", "3.0.2"));
  auto product = make();
  EXPECT_TRUE(product->IsAKInitializeSuccess());
  ASSERT_TRUE(product->IsInstalled());
  EXPECT_EQ(
      get(*product, &CZorbProduct::GetExtensionsFolder),
      (machine.colon("Users/ann/Library/Application Support/Vesko/Tessel Studio 3/Extensions") +
       u":")
          .c_str());
  CString error;
  EXPECT_FALSE(product->GetErrorString(error)) << utf8(error);
}
