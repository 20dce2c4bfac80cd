#include "products/CZorbEmberly.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
#include "platform/os/PlatformConfig.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/FakeMachine.h"

using testsupport::ConfigPairs;
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

std::u16string versionOf(const CZorbProduct& product) {
  CZorbVersionNumber version;
  product.GetVersion(version);
  return str(CString(version));
}

using Factory = std::function<std::unique_ptr<CZorbEmberly>()>;

template <typename T>
Factory make() {
  return [] { return std::make_unique<T>(); };
}

class Emberly : public ::testing::Test {
 protected:
  Emberly() {
    CZorbOS::InitMultiUserMembers();
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbProduct::SetPinger(&FakeMachine::pingCurrent);
    CZorbProduct::_defaultLocale.Empty();
    CZorbProduct::_SystemToken.clear();
    CZorbOS::ResetLocaleListForTest();
  }
  ~Emberly() override {
    CZorbProduct::_defaultLocale.Empty();
    CZorbProduct::SetPinger(nullptr);
    CZorbGetXMLProxy::SetInstance(nullptr);
    CZorbOS::ResetLocaleListForTest();
  }

  // The application of a version in "Applications/<name>".
  const FakeMachine::Host& addEmberly(const std::string& name, const std::string& version,
                                      const std::string& specifier = "",
                                      const ConfigPairs& config = {}) {
    FakeHost host;
    host.name = name;
    host.folder = "Applications/" + name;
    host.signature = "ZURA";
    host.version = version;
    host.specifier = specifier;
    host.config = config;
    return machine.addHost(host);
  }

  void addLocalizations(const FakeMachine::Host& host, std::initializer_list<const char*> names) {
    for (const char* name : names)
      std::filesystem::create_directories(host.bundle + "/Contents/Resources/" + name + ".lproj");
  }

  FakeMachine machine;
  CZorbXmlPairsProxy proxy;
  producttest::MessageTexts texts;
};

}  // namespace

TEST_F(Emberly, EveryVersionIsFoundBySignatureWithinItsRange) {
  const struct {
    Factory factory;
    const char* application;
    const char* version;
    const char16_t* name;
    const char16_t* configuration;
    const char16_t* reported;
  } cases[] = {
      {make<CZorbEmberly3>(), "Emberly 3", "3.0.1", u"Emberly 3", u"Settings", u"3.0.1"},
      {make<CZorbEmberly4>(), "Emberly 4", "4.1.0", u"Emberly 4", u"Configuration", u"4.1.0"},
      {make<CZorbEmberly6>(), "Emberly QV", "6.0.2", u"Emberly QV", u"Configuration", u"6.0.2"},
      {make<CZorbEmberly7>(), "Emberly QV 2004", "7.0.1", u"Emberly QV 2004", u"Configuration",
       u"7.0.1"},
      // Version 9 without product information is found as version 8 is.
      {make<CZorbEmberly9>(), "Emberly 9", "9.0.3", u"Emberly WB3", u"Configuration", u"9.0.3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.application);
    auto product = c.factory();
    product->Initialize();
    EXPECT_FALSE(product->IsInstalled());
    EXPECT_EQ(get(*product, &CZorbProduct::GetExtensionsFolder), u"");

    FakeHost host;
    host.name = c.application;
    host.folder = std::string("Applications/") + c.application;
    host.signature = "ZURA";
    host.version = c.version;
    const FakeMachine::Host& installed = machine.addHost(host);
    product = c.factory();
    product->Initialize();
    ASSERT_TRUE(product->IsInstalled());
    const std::u16string install = installed.installFolderColon();
    EXPECT_EQ(str(get(*product, &CZorbProduct::GetInstallFolder)), install);
    EXPECT_EQ(get(*product, &CZorbProduct::GetName), c.name);
    EXPECT_EQ(versionOf(*product), c.reported);
    const std::u16string extensions = str(get(*product, &CZorbProduct::GetExtensionsFolder));
    EXPECT_EQ(extensions.substr(0, install.size()), install);
    EXPECT_EQ(extensions.substr(install.size(), std::u16string(c.configuration).size() + 12),
              std::u16string(c.configuration) + u":Extensions:");
    EXPECT_TRUE(product->BelongsTo((install + u"Plug-ins:a").c_str()));
    EXPECT_FALSE(product->BelongsTo(u"Disk:Elsewhere:"));
    CString error;
    EXPECT_FALSE(product->GetErrorString(error)) << testing::PrintToString(str(error));
  }
}

TEST_F(Emberly, AHostOutsideTheRangeIsNotFound) {
  addEmberly("Emberly 8", "8.0.1");
  CZorbEmberly4 four;
  four.Initialize();
  EXPECT_FALSE(four.IsInstalled());
  EXPECT_EQ(versionOf(four), u"4.0.0");  // the range's low end
  CZorbEmberly7 seven;
  seven.Initialize();
  EXPECT_FALSE(seven.IsInstalled());
  EXPECT_EQ(get(seven, &CZorbProduct::GetExtensionsFolder), u"");
}

TEST_F(Emberly, Version8TakesTheBundlesLanguageAsItsExtensionsSubFolder) {
  const FakeMachine::Host& host = addEmberly("Emberly 8", "8.0.1");
  addLocalizations(host, {"en", "fr", "pt"});
  const struct {
    const char* preferred;
    const char16_t* folder;
  } cases[] = {{"fr_FR", u"fr"}, {"pt_BR", u"en"}, {"ko", u"en"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preferred);
    platform::PlatformConfig config = platform::PlatformConfig::current();
    config.preferredLanguage = c.preferred;
    platform::PlatformConfig::Override override(config);
    CZorbEmberly8 product;
    product.Initialize();
    EXPECT_EQ(str(get(product, &CZorbProduct::GetExtensionsFolder)),
              host.installFolderColon() + u"Configuration:Extensions:" + c.folder + u":");
  }
}

TEST_F(Emberly, Version9TakesTheLocaleRulesForItsLanguage) {
  const FakeMachine::Host& host = addEmberly("Emberly 9", "9.0.1");
  CZorbProduct::_defaultLocale = u"de_DE";
  CZorbEmberly9 product;
  product.Initialize();
  EXPECT_EQ(str(get(product, &CZorbProduct::GetExtensionsFolder)),
            host.installFolderColon() + u"Configuration:Extensions:de:");
  CZorbProduct::_defaultLocale = u"zh_TW";
  CString code;
  product.GetLanguageCode(code);
  EXPECT_EQ(str(code), u"zh_TW");
  CZorbProduct::TokenMap tokens;
  product.MapTokens(CString(), CString(), tokens);
  EXPECT_EQ(tokens[u"emberly"], host.installFolderColon());
}

TEST_F(Emberly, Versions10And11AreDescribedByTheirConfigurationFile) {
  ConfigPairs config = FakeMachine::commonHostConfig("Emberly", "Emberly WB4", "10.0");
  config.emplace_back("$userextensionfolder", "$userdatafolder/Vesko/Emberly WB4/Extensions");
  config.emplace_back("$brushes", "$installfolder/Brushes");
  const FakeMachine::Host& host = addEmberly("Emberly 10", "10.0.2", "emberly-10.0", config);
  CZorbEmberly10 product;
  product.Initialize();
  CString error;
  EXPECT_FALSE(product.GetErrorString(error)) << testing::PrintToString(str(error));
  EXPECT_TRUE(product.IsAKInitializeSuccess());
  ASSERT_TRUE(product.IsInstalled());
  ASSERT_NE(product.getProductInfo(), nullptr);
  EXPECT_EQ(str(get(product, &CZorbProduct::GetInstallFolder)), host.installFolderColon());
  EXPECT_EQ(versionOf(product), u"10.0.0");
  CZorbPath userData;
  ASSERT_TRUE(CZorbOS::GetCurrentUserAppDataPath(userData));
  EXPECT_EQ(get(product, &CZorbProduct::GetExtensionsFolder),
            userData + CString(u"Vesko:Emberly WB4:Extensions:"));
  CZorbProduct::TokenMap tokens;
  product.MapTokens(CString(), CString(), tokens);
  EXPECT_EQ(tokens[u"brushes"], host.installFolderColon() + u"Brushes");
  EXPECT_EQ(tokens.count(u"emberly"), 0u);

  // Without product information the messaging-ready flag is down, though
  // the host is still found by its signature.
  machine.setProgramMarker("Flag.useOld", true);
  CZorbEmberly10 old;
  EXPECT_FALSE(old.IsAKInitializeSuccess());
  EXPECT_EQ(old.getProductInfo(), nullptr);
  old.Initialize();
  EXPECT_EQ(str(get(old, &CZorbProduct::GetInstallFolder)), host.installFolderColon());
}

TEST_F(Emberly, WithoutAnExtensionsFolderVersion11IsNotInstalled) {
  addEmberly("Emberly 11", "11.0", "emberly-11.0",
             FakeMachine::commonHostConfig("Emberly", "Emberly WB5", "11.0"));
  CZorbEmberly11 product;
  product.Initialize();
  EXPECT_FALSE(product.IsInstalled());
  EXPECT_FALSE(product.IsAKInitializeSuccess());

  // Nothing is registered as "emberly-10.0": no install folder to read.
  CZorbEmberly10 unregistered;
  EXPECT_FALSE(unregistered.IsAKInitializeSuccess());
}

TEST_F(Emberly, AnswersTheEnginesQuestions) {
  CZorbEmberly9 nine;
  nine.SetVersion(u"9.0.2");
  const struct {
    const char16_t* product;
    const char16_t* version;
    bool supported;
  } supports[] = {{u"Emberly 8", u"8", true},
                  {u"EMBERLY", u"9.0.2", true},
                  {u"Emberly", u"9.1", false},
                  {u"Embers", u"1", false},
                  {u"The Emberly", u"1", false},
                  // Wrapped to 16 bits these would read 9 and -1.
                  {u"Emberly", u"65545", false},
                  {u"Emberly", u"65535", false}};
  for (const auto& c : supports)
    EXPECT_EQ(nine.Supports(c.product, c.version, u"8"), c.supported)
        << testing::PrintToString(std::u16string(c.product));

  const struct {
    const CZorbEmberly* product;
    const char16_t* in;
    const char16_t* out;
  } destinations[] = {
      {&nine, u"Disk:Apps:Emberly 9:settings:Commands:a.js",
       u"Disk:Apps:Emberly 9:Configuration:Commands:a.js"},
      {&nine, u"Disk:Apps:Emberly 9:SettingsX:a", u"Disk:Apps:Emberly 9:SettingsX:a"},
  };
  for (const auto& d : destinations) {
    CString path = d.in;
    d.product->MassageDestination(path);
    EXPECT_EQ(str(path), d.out);
  }
  CZorbEmberly3 three;
  CString path = u"Disk:E:Configuration:a";
  three.MassageDestination(path);
  EXPECT_EQ(str(path), u"Disk:E:Settings:a");
  EXPECT_FALSE(three.IsSupported());

  CZorbExtension command;
  command.m_type = 1;
  CZorbExtension other;
  other.m_type = 2;
  EXPECT_FALSE(nine.RequiresRestart(&command, true));
  EXPECT_TRUE(nine.RequiresRestart(&other, false));
  EXPECT_TRUE(nine.RequiresRestart(u"Disk:A:jsextensions:b", true));
  EXPECT_FALSE(nine.RequiresRestart(u"Disk:A:jsextensions:b", false));

  CString key;
  three.GetAppRegKey(key);
  EXPECT_EQ(str(key), u"Software\\Quillory\\Emberly\\3\\Installation");
  nine.GetAppRegKey(key);
  EXPECT_EQ(str(key), u"Software\\Vesko\\Emberly\\9\\Installation");
  CZorbPath bin;
  nine.BuildBinPath(u"Disk:Data:", bin);
  EXPECT_EQ(str(bin), u"Disk:Data:Vesko:Emberly WB3:");
}

TEST_F(Emberly, RunningIsTheMessagingPingElseTheProcessBySignature) {
  const FakeMachine::Host& host = addEmberly("Emberly 8", "8.0.1");
  CZorbEmberly8 eight;
  eight.Initialize();
  EXPECT_FALSE(eight.IsRunning());
  machine.setRunning(host.spec.name, true);
  EXPECT_TRUE(eight.IsRunning());
}
