#include "products/CZoltProductInfoFromArbor.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbXmlPairs.h"
#include "testsupport/FakeMachine.h"

using testsupport::ConfigPairs;
using testsupport::FakeHost;
using testsupport::FakeMachine;

namespace {

using Tokens = CZorbProductInfo::TokenMap;
using ConfigTokens = CZorbProductInfo::ConfigTokenMap;

// Records what the parser is asked, answering through the in-process
// routine.
class RecordingProxy : public CZorbXmlPairsProxy {
 public:
  bool getXMLinfoFromBareString(const CString& text, const CString& keyPrefix) override {
    requests.emplace_back(text, keyPrefix);
    return CZorbXmlPairsProxy::getXMLinfoFromBareString(text, keyPrefix);
  }
  std::vector<std::pair<std::u16string, std::u16string>> requests;
};

class ProductInfo : public ::testing::Test {
 protected:
  ProductInfo() { CZorbGetXMLProxy::SetInstance(&proxy); }
  ~ProductInfo() override { CZorbGetXMLProxy::SetInstance(nullptr); }

  const FakeMachine::Host& addHost(const ConfigPairs& config, bool inInstallFolder = false) {
    FakeHost host;
    host.name = "Vesko Lumen WB5";
    host.folder = "Applications/Vesko Cobalt";
    host.signature = "LmN5";
    host.version = "11.0";
    host.specifier = "lumen-11.0";
    host.config = config;
    host.configInInstallFolder = inInstallFolder;
    return machine.addHost(host);
  }

  // Reads the host's configuration into the maps; the configuration path
  // goes to configPath.
  bool read(const FakeMachine::Host& host, bool caseSensitive = false) {
    CZoltProductInfoFromArbor info(u"lumen-11.0", &configTokens, &tokens);
    return info.processTokenString(host.installFolderColon().c_str(), configPath, caseSensitive);
  }

  FakeMachine machine;
  RecordingProxy proxy;
  Tokens tokens;
  ConfigTokens configTokens;
  CString configPath;
};

Tokens tokensOf(std::initializer_list<std::pair<std::u16string, std::u16string>> pairs) {
  Tokens out;
  for (const auto& [k, v] : pairs) out.SetAt(k, v);
  return out;
}

}  // namespace

TEST_F(ProductInfo, InstallFolderIsTheFolderThatHoldsTheRegisteredApplication) {
  const FakeMachine::Host& host = addHost({});
  CZoltProductInfoFromArbor info(u"lumen-11.0", &configTokens, &tokens);
  CString folder = u"stale";
  info.GetInstallFolderName(folder);
  EXPECT_EQ(folder,
            CString(std::u16string(host.installFolder.begin(), host.installFolder.end()).c_str()));

  // A path ending in "/" gives the path without it; one without "/" stays
  // whole; an unknown name gives nothing.
  machine.registerApplication("tool-1.0", "/Apps/Tool.app/");
  machine.registerApplication("bare-1.0", "Bare.app");
  // A name without a language finds the host registered with one.
  machine.registerApplication("local-2.0-en_us", "/Apps/Local/Local.app");
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"tool-1.0", u"/Apps/Tool.app"},
      {u"bare-1.0", u"Bare.app"},
      {u"none-1.0", u""},
      {u"local-2.0", u"/Apps/Local"},
      {u"local-3.0", u""}};
  for (const auto& [name, expected] : cases) {
    CZoltProductInfoFromArbor other(name.c_str(), &configTokens, &tokens);
    CString out = u"stale";
    other.GetInstallFolderName(out);
    EXPECT_EQ(out, expected.c_str()) << std::string(name.begin(), name.end());
  }
}

TEST_F(ProductInfo, ConfigurationBecomesLowerCaseTokens) {
  const FakeMachine::Host& host = addHost({{"ProductName", "Lumen"},
                                           {"$UserBinFolder", "$userdatafolder/Vesko/Lumen"},
                                           {"name", "second"},
                                           {"Name", "first"}});
  tokens.SetAt(u"$sharedcommondatafolder", u"/Library/Application Support");
  ASSERT_TRUE(read(host));

  EXPECT_EQ(configPath, (host.installFolderColon() + u"Configuration:VornConfig.xml").c_str());
  ASSERT_EQ(proxy.requests.size(), 1u);
  EXPECT_EQ(proxy.requests[0].first,
            std::u16string(host.configFile.begin(), host.configFile.end()));
  EXPECT_EQ(proxy.requests[0].second, u"Configuration.VariableForPlexo.Data");
  // "Name" sorts before "name", so the later "name" wins.
  EXPECT_EQ(tokens, tokensOf({{u"$sharedcommondatafolder", u"/Library/Application Support"},
                              {u"productname", u"Lumen"},
                              {u"$userbinfolder", u"$userdatafolder/Vesko/Lumen"},
                              {u"name", u"second"}}));
  ConfigTokens expected;
  for (const char16_t* k : {u"productname", u"$userbinfolder", u"name"}) expected.SetAt(k, u"");
  EXPECT_EQ(configTokens, expected);
}

TEST_F(ProductInfo, CaseSensitiveTokensKeepTheirCase) {
  const FakeMachine::Host& host = addHost({{"ProductName", "Lumen"}, {"productname", "other"}});
  ASSERT_TRUE(read(host, true));
  EXPECT_EQ(tokens, tokensOf({{u"ProductName", u"Lumen"}, {u"productname", u"other"}}));
}

TEST_F(ProductInfo, ContextKeysTable) {
  struct Case {
    std::u16string key, value;
    bool legal;
    std::u16string outKey, outValue;
  };
  const std::vector<Case> cases = {
      {u"plain", u"/a/b", true, u"plain", u"/a/b"},
      {u"$lumen/configuration", u"/Apps/Lumen/CONFIGURATION", true, u"$lumen:configuration",
       u"/Apps/Lumen"},
      {u"$lumen/configuration", u"/Apps/Lumen/Other", false, u"$lumen/configuration",
       u"/Apps/Lumen/Other"},
      {u"a/b/c", u"x/B/c", true, u"a:b:c", u"x"},
      // Shorter than the tail: nothing is read before the value's start.
      {u"$lumen/configuration", u"ion", false, u"$lumen/configuration", u"ion"},
      {u"a/", u"", false, u"a/", u""},
      {u"a/", u"x/", true, u"a:", u"x"},
  };
  for (const Case& c : cases) {
    CString key = c.key.c_str();
    CString value = c.value.c_str();
    EXPECT_EQ(CZoltProductInfoFromArbor::isLegalContext(key, value), c.legal)
        << std::string(c.key.begin(), c.key.end());
    EXPECT_EQ(key, c.outKey.c_str());
    EXPECT_EQ(value, c.outValue.c_str());
  }
}

TEST_F(ProductInfo, PairsWhoseContextDisagreesAreLeftOut) {
  const FakeMachine::Host& host = addHost({{"$lumen/Configuration", "/Apps/Lumen/CONFIGURATION"},
                                           {"$tool/Configuration", "/Apps/Tool/Other"}});
  ASSERT_TRUE(read(host));
  EXPECT_EQ(tokens, tokensOf({{u"$lumen:configuration", u"/Apps/Lumen"}}));
}

TEST_F(ProductInfo, FileInTheInstallFolderIsTheFallback) {
  const FakeMachine::Host& host = addHost({{"productname", "Lumen"}}, true);
  ASSERT_TRUE(read(host));
  EXPECT_EQ(configPath, (host.installFolderColon() + u"VornConfig.xml").c_str());
  EXPECT_EQ(tokens, tokensOf({{u"productname", u"Lumen"}}));
}

TEST_F(ProductInfo, MissingOrEmptyFileEmptiesBothMaps) {
  const FakeMachine::Host& host = addHost({});
  for (bool empty : {false, true}) {
    if (empty) machine.writeFile(host.spec.folder + "/Configuration/VornConfig.xml", "");
    tokens = tokensOf({{u"$locale", u"en_US"}});
    configTokens.SetAt(u"old", u"");
    ASSERT_TRUE(read(host));
    EXPECT_TRUE(tokens.empty());
    EXPECT_TRUE(configTokens.empty());
    EXPECT_TRUE(proxy.requests.empty());
  }
  EXPECT_EQ(configPath, (host.installFolderColon() + u"Configuration:VornConfig.xml").c_str());
}

TEST_F(ProductInfo, RefusedParseFailsAndLeavesTheMaps) {
  const FakeMachine::Host& host = addHost({{"productname", "Lumen"}});
  machine.writeFile(host.spec.folder + "/Configuration/VornConfig.xml",
                    "<Configuration><VariableForPlexo><Data key=\"a\">");
  tokens = tokensOf({{u"$locale", u"en_US"}});
  EXPECT_FALSE(read(host));
  EXPECT_EQ(tokens, tokensOf({{u"$locale", u"en_US"}}));
}

TEST_F(ProductInfo, WithoutAProxyNothingIsMapped) {
  const FakeMachine::Host& host = addHost({{"productname", "Lumen"}});
  CZorbGetXMLProxy::SetInstance(nullptr);
  tokens = tokensOf({{u"$locale", u"en_US"}});
  EXPECT_TRUE(read(host));
  EXPECT_EQ(tokens, tokensOf({{u"$locale", u"en_US"}}));
  CString value = u"kept";
  CZoltProductInfoFromArbor(u"lumen-11.0", &configTokens, &tokens).GetValue(u"productname", value);
  EXPECT_EQ(value, u"kept");
}

TEST_F(ProductInfo, MockDataDecidesWhetherAConfigurationIsFound) {
  const FakeMachine::Host& host = addHost({{"productname", "Lumen"}});
  machine.setProgramMarker("Flag.useMock", true);

  // No mock file: as if the host had no configuration.
  configPath = u"unchanged";
  ASSERT_TRUE(read(host));
  EXPECT_TRUE(tokens.empty());
  EXPECT_EQ(configPath, u"unchanged");

  // A mock file: the host's own file is parsed, its path not handed out.
  machine.writeFile("Applications/Plexar.app/Contents/MacOS/lumen-11.0", "mocked");
  ASSERT_TRUE(read(host));
  EXPECT_EQ(configPath, u"unchanged");
  EXPECT_EQ(tokens, tokensOf({{u"productname", u"Lumen"}}));
  CString value;
  CZoltProductInfoFromArbor(u"lumen-11.0", &configTokens, &tokens).GetValue(u"productname", value);
  EXPECT_EQ(value, u"Lumen");
}

TEST_F(ProductInfo, MockDataIsReadOnlyFromTheProgramsFolder) {
  const FakeMachine::Host& host = addHost({{"productname", "Lumen"}});
  machine.setProgramMarker("Flag.useMock", true);
  machine.writeFile("Applications/Plexar.app/Contents/secret", "mocked");
  for (const char16_t* name : {u"../secret", u"..", u""}) {
    tokens = tokensOf({{u"$locale", u"en_US"}});
    CZoltProductInfoFromArbor info(name, &configTokens, &tokens);
    ASSERT_TRUE(info.processTokenString(host.installFolderColon().c_str(), configPath, false));
    EXPECT_TRUE(tokens.empty());
  }
}
