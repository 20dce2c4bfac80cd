#include "products/CZorbLoomwright.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
#include "products/CZorbLoomwrightVersions.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/FakeMachine.h"

using testsupport::ConfigPairs;
using testsupport::FakeHost;
using testsupport::FakeMachine;

namespace {

CString get(const CZorbProduct& product, void (CZorbProduct::*getter)(CString&) const) {
  CString out;
  (product.*getter)(out);
  return out;
}

// The parameters of a web host of this suite: its folders below the
// user's and the shared application data.
ConfigPairs webHostConfig(const std::string& binFolder) {
  return {{"supportedinsuite", "WB5"},
          {"$userbinfolder", "$userdatafolder/Vesko/" + binFolder + "/en_US"},
          {"$userextensionfolder", "$userbinfolder/Configuration/Extensions"},
          {"$sharedextensionfolder",
           "$shareddatafolder/Vesko/" + binFolder + "/Configuration/Extensions"},
          {"$loomwright", "$userbinfolder"},
          {"$loomwright:configuration", "$userbinfolder/Configuration"},
          {"defaultlocale", "de_DE"}};
}

class Loomwright : public ::testing::Test {
 protected:
  Loomwright() {
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbProduct::SetPinger(&FakeMachine::pingCurrent);
    CZorbProduct::_defaultLocale.Empty();
    CZorbProduct::_SystemToken.clear();
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbOS::InitMultiUserMembers();
  }
  ~Loomwright() override {
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbProduct::SetPinger(nullptr);
    CZorbGetXMLProxy::SetInstance(nullptr);
  }

  // Version 9: found by its application folder, no messaging name.
  const FakeMachine::Host& addHost9(const std::string& folder = "Applications/Vesko Loomwright WB3",
                                    const std::string& name = "Loomwright") {
    FakeHost host;
    host.name = name;
    host.folder = folder;
    host.signature = "LmWt";
    host.version = "9.0.2";
    return machine.addHost(host);
  }
  const FakeMachine::Host& addHost10() {
    FakeHost host;
    host.name = "Loomwright WB4";
    host.folder = "Applications/Vesko Loomwright WB4";
    host.signature = "LmWt";
    host.version = "10.0.1";
    host.specifier = "loomwright-10.0";
    host.config = webHostConfig("Loomwright Marlin A0");
    return machine.addHost(host);
  }
  const FakeMachine::Host& addHost11() {
    FakeHost host;
    host.name = "Vesko Loomwright WB5";
    host.folder = "Applications/Vesko Loomwright Marlin";
    host.signature = "LmWt";
    host.version = "11.0.3";
    host.specifier = "loomwright-11.0";
    host.config = webHostConfig("Loomwright Marlin A0");
    return machine.addHost(host);
  }

  std::string appData(const std::string& rest) const {
    return "Users/ann/Library/Application Support/Vesko/" + rest;
  }

  FakeMachine machine;
  CZorbXmlPairsProxy proxy;
  producttest::MessageTexts texts;
};

}  // namespace

TEST_F(Loomwright, Version9IsFoundInItsApplicationFolder) {
  const FakeMachine::Host& host = addHost9();
  CZorbLoomwright9 product;
  product.Initialize();

  ASSERT_TRUE(product.IsInstalled());
  EXPECT_TRUE(product.IsAKInitializeSuccess());
  EXPECT_EQ(product.getProductInfo(), nullptr);
  // Without a configuration file no parameter is missing: the host has no
  // error to report.
  EXPECT_EQ(producttest::Error(product), u"");
  EXPECT_EQ(get(product, &CZorbProduct::GetInstallFolder), host.installFolderColon().c_str());
  EXPECT_EQ(get(product, &CZorbProduct::GetName), u"Loomwright WB3");
  EXPECT_EQ(get(product, &CZorbProduct::GetProductFamily), u"Loomwright");
  EXPECT_EQ(get(product, &CZorbProduct::GetBazaarName), u"loomwright");
  CZorbVersionNumber version;
  product.GetVersion(version);
  EXPECT_EQ(CString(version), u"9.0.2");
  // The per-user folder of a standard user.
  EXPECT_EQ(get(product, &CZorbProduct::GetExtensionsFolder),
            (machine.colon(appData("Loomwright 9/Configuration/Extensions")) + u":").c_str());
  EXPECT_EQ(get(product, &CZorbProduct::GetSharedExtensionsFolder),
            machine
                .colon("Users/Shared/Library/Application Support/Vesko/Loomwright 9/"
                       "Configuration/Extensions")
                .c_str());

  // Tokens without product information: the user folder for destinations
  // in the configuration folder, else the install folder.
  CZorbProduct::TokenMap tokens;
  product.MapTokens(u"$loomwright:Configuration:Commands:a.js", u"", tokens);
  EXPECT_EQ(tokens[u"loomwright"], machine.colon(appData("Loomwright 9")) + u":");
  EXPECT_EQ(tokens[u"farstage"], tokens[u"loomwright"]);
  product.MapTokens(u"$loomwright:Help:a.htm", u"", tokens);
  EXPECT_EQ(tokens[u"loomwright"], host.installFolderColon());

  EXPECT_TRUE(product.BelongsTo(CString(host.installFolderColon().c_str()) + CString(u"A:b")));
  EXPECT_FALSE(product.BelongsTo(machine.colon("Applications/Other:b").c_str()));
}

TEST_F(Loomwright, Version9IsFoundBySignatureButNeverTheFormerEdition) {
  addHost9("Applications/Farstage 9", "Farstage");
  {
    CZorbLoomwright9 product;
    product.Initialize();
    EXPECT_FALSE(product.IsInstalled());
    CZorbVersionNumber version;
    product.GetVersion(version);
    EXPECT_EQ(CString(version), u"9.0.0");  // the low end of the range
  }
  const FakeMachine::Host& host = addHost9("Applications/Web", "Loomwright Nine");
  CZorbLoomwright9 product;
  product.Initialize();
  EXPECT_TRUE(product.IsInstalled());
  EXPECT_EQ(get(product, &CZorbProduct::GetInstallFolder), host.installFolderColon().c_str());

  // Without a messaging name it runs when its process does.
  EXPECT_FALSE(product.IsRunning());
  machine.setRunning("Loomwright Nine", true);
  EXPECT_TRUE(product.IsRunning());
  EXPECT_FALSE(product.CanDelete(u"Disk:X:Configuration:JSExtensions:a.js"));
  EXPECT_FALSE(product.CanDelete(u"Disk:X:Configuration:Objects:a.qmc"));
  EXPECT_TRUE(product.CanDelete(u"Disk:X:Configuration:Objects:a.htm"));
  machine.setRunning("Loomwright Nine", false);
  EXPECT_TRUE(product.CanDelete(u"Disk:X:Configuration:JSExtensions:a.js"));
}

TEST_F(Loomwright, Versions10And11AreDescribedByTheirConfiguration) {
  const FakeMachine::Host& host10 = addHost10();
  const FakeMachine::Host& host11 = addHost11();
  const struct {
    std::unique_ptr<CZorbLoomwright10> product;
    const FakeMachine::Host* host;
    const char16_t* name;
    const char16_t* version;
  } cases[] = {
      {std::make_unique<CZorbLoomwright10>(CString()), &host10, u"Loomwright WB4", u"10.0.0"},
      {std::make_unique<CZorbLoomwright11>(CString()), &host11, u"Loomwright WB5", u"11.0.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.host->spec.name));
    CZorbLoomwright10& product = *c.product;
    product.Initialize();
    ASSERT_TRUE(product.IsInstalled());
    EXPECT_TRUE(product.IsAKInitializeSuccess());
    EXPECT_NE(product.getProductInfo(), nullptr);
    EXPECT_EQ(get(product, &CZorbProduct::GetName), c.name);
    CZorbVersionNumber version;
    product.GetVersion(version);
    EXPECT_EQ(CString(version), c.version);
    EXPECT_EQ(get(product, &CZorbProduct::GetInstallFolder), c.host->installFolderColon().c_str());
    EXPECT_EQ(get(product, &CZorbProduct::GetExtensionsFolder),
              (machine.colon(appData("Loomwright Marlin A0/en_US/Configuration/Extensions")) + u":")
                  .c_str());
    EXPECT_EQ(get(product, &CZorbProduct::GetSharedExtensionsFolder),
              (machine.colon("Users/Shared/Library/Application Support/Vesko/Loomwright Marlin "
                             "A0/Configuration/Extensions") +
               u":")
                  .c_str());
    // The language of the configuration file, unless the UI gives one.
    EXPECT_EQ(product.m_privateTokens[u"$locale"], u"de_DE");
    CString language;
    CZorbProduct::_defaultLocale = u"fr_FR";
    product.GetLanguageCode(language);
    CZorbProduct::_defaultLocale.Empty();
    EXPECT_EQ(language, u"fr_FR");

    CZorbProduct::TokenMap tokens;
    // A destination in the configuration folder takes the folder the
    // configuration file gives it; the token covers what lies above it.
    product.MapTokens(u"$loomwright:Configuration:Commands:a.js", u"", tokens);
    EXPECT_EQ(tokens[u"loomwright"], machine.colon(appData("Loomwright Marlin A0/en_US")) + u":");
    product.MapTokens(u"$loomwright:configuration:Commands:a.js", u"", tokens);
    EXPECT_EQ(tokens[u"loomwright"], machine.colon(appData("Loomwright Marlin A0/en_US")) + u":");
    product.MapTokens(u"$loomwright:Commands:a.js", u"", tokens);
    EXPECT_EQ(tokens[u"loomwright"], machine.colon(appData("Loomwright Marlin A0/en_US")));
    EXPECT_EQ(tokens[u"farstage"], tokens[u"loomwright"]);

    // Running is the messaging ping.
    EXPECT_FALSE(product.IsRunning());
    machine.setRunning(c.host->spec.name, true);
    EXPECT_TRUE(product.IsRunning());
    machine.setRunning(c.host->spec.name, false);
  }
}

TEST_F(Loomwright, Versions10And11AreRetiredByTheMarkerOrAMissingHost) {
  addHost11();
  machine.setProgramMarker("Flag.useOld", true);
  {
    CZorbLoomwright11 product(CString{});
    product.Initialize();
    EXPECT_FALSE(product.IsInstalled());
    EXPECT_FALSE(product.IsAKInitializeSuccess());
  }
  machine.setProgramMarker("Flag.useOld", false);
  CZorbLoomwright10 missing(CString{});  // no version 10 on this machine
  missing.Initialize();
  EXPECT_FALSE(missing.IsInstalled());
  EXPECT_FALSE(missing.IsAKInitializeSuccess());
}

TEST_F(Loomwright, SupportsAsATable) {
  CZorbLoomwright9 product;  // not installed: version 9.0.0
  product.Initialize();
  const struct {
    const char16_t* name;
    const char16_t* min;
    const char16_t* max;
    bool supported;
  } cases[] = {
      {u"Loomwright 8", u"8", nullptr, true},
      {u"Loomwright 8", u"8", u"", true},
      {u"Loomwright 8", u"8", u"8.5", false},
      {u"Loomwright 8", u"8", u"9.1", true},
      {u"loomwright", u"9", nullptr, true},
      {u"Loomwright", u"10", nullptr, false},
      {u"Loom 4", u"4", nullptr, true},
      {u"Loomwrights", u"4", nullptr, false},
      {u"Farstage", u"4", nullptr, true},
      {u"Farstage", u"5", nullptr, false},
      {u"Tessel Builder", u"9", nullptr, true},
      {u"Tessel Builder", u"9.1", nullptr, false},
      // A name that starts with a digit has an empty base name.
      {u"8 Loomwright", u"1", nullptr, false},
      {u"", u"1", nullptr, false},
      {u"  7", u"1", nullptr, false},
      {u"Other 9", u"1", nullptr, false},
      // Versions no 16-bit field holds: unmet, never wrapped to 9 or -1.
      {u"Loomwright", u"65545", nullptr, false},
      {u"Loomwright", u"65535", nullptr, false},
      {u"Loomwright 8", u"8", u"65536", false},
      {u"Tessel Builder", u"65545", nullptr, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(product.Supports(c.name, c.min, c.max), c.supported)
        << std::string(CString(c.name).GetLength() ? "" : "(empty)") << c.supported;
  }
}

TEST_F(Loomwright, VersionRulesOfTheOlderVersions) {
  CZorbLoomwright8 eight;
  eight.Initialize();  // not installed: 8.0.0
  // An extension for Loomwright 8 is supported by version 8 from 8.0.0 on.
  EXPECT_TRUE(eight.Supports(u"Loomwright 8", u"8", nullptr));
  EXPECT_FALSE(eight.Supports(u"Loomwright 8", u"8.0.1", nullptr));

  CZorbLoomwright6 six;
  six.Initialize();
  EXPECT_TRUE(six.Supports(u"Farstage", u"4", nullptr));
  CZorbLoomwright4 four;
  four.Initialize();
  EXPECT_FALSE(four.Supports(u"Farstage", u"4", nullptr));

  const struct {
    const char16_t* name;
    const char16_t* version;
    const char16_t* label;
  } labels[] = {{u"Loomwright", u"3", u"4"},  {u"Loomwright", u"5", u"QV"},
                {u"Loomwright", u"6", u"QV"}, {u"Loomwright", u"7", u"QV 2004"},
                {u"Loomwright", u"9", u"9"},  {u"Loomwright", u"11", u"11"},
                {u"Farstage", u"1", u"4"},    {u"farstage", u"3", u"3"}};
  for (const auto& l : labels) {
    CString name = l.name;
    CString version = l.version;
    eight.GetRequiredNameAndVersion(name, version);
    EXPECT_EQ(version, l.label);
  }

  // Source-control files move to the shared folder of the year.
  CZorbLoomwright7 seven;
  CString path = u"$loomwright:Loomwright QV 2004:Configuration:SourceControl:a.dll";
  seven.MassageDestination(path);
  EXPECT_EQ(path, u"$loomwright:Common:2004:SourceControl:a.dll");
  path = u"$loomwright:Loomwright 8:Configuration:SourceControl:a.dll";
  eight.MassageDestination(path);
  EXPECT_EQ(path, u"$loomwright:Common:2005:SourceControl:a.dll");
  path = u"$loomwright:Loomwright 8:Configuration:Commands:a.js";
  eight.MassageDestination(path);
  EXPECT_EQ(path, u"$loomwright:Loomwright 8:Configuration:Commands:a.js");

  CZorbVersionNumber low, high;
  CZorbLoomwright3 three;
  three.GetAppVersionRange(low, high);
  EXPECT_EQ(CString(low), u"3.0.0");
  EXPECT_EQ(CString(high), u"4.0.0");
  CZorbProduct::TokenMap tokens;
  three.MapTokens(u"$loomwright:Configuration:a", u"", tokens);
  EXPECT_EQ(tokens.count(u"farstage"), 0u);
}

TEST_F(Loomwright, ObsoleteExtensions) {
  CString::g_DataMap[CZorbLoomwright::kMsgObsolete] = "4178[%s|%s]";
  CZorbLoomwright8 eight;  // 8.0.0
  eight.Initialize();
  CZorbLoomwright9 nine;  // 9.0.0
  nine.Initialize();
  CZorbLoomwright7 seven;
  seven.Initialize();
  const struct {
    const char16_t* name;
    const char16_t* author;
    const char16_t* version;
    bool obsoleteIn7, obsoleteIn8, obsoleteIn9;
  } cases[] = {
      {u"Favorites Menu", u"Quillory", u"1.0.7", false, true, true},
      {u"Favorites Menu", u"Quillory", u"1.0.8", false, false, false},
      {u"Favorites Menu", u"quillory", u"1.0.0", false, false, false},
      {u"Anything", u"Ferrocast Online", u"5.0", false, false, true},
      {u"IBQV7 Extensions", u"Ferrocast Online", u"1.0.0", false, true, true},
  };
  for (const auto& c : cases) {
    CZorbExtension extension;
    extension.m_name = c.name;
    extension.m_authorName = c.author;
    extension.m_version = c.version;
    CString reason = u"untouched";
    EXPECT_EQ(seven.IsExtensionObsolete(&extension, reason), c.obsoleteIn7);
    EXPECT_EQ(eight.IsExtensionObsolete(&extension, reason), c.obsoleteIn8);
    EXPECT_EQ(nine.IsExtensionObsolete(&extension, reason), c.obsoleteIn9);
    if (c.obsoleteIn9)
      EXPECT_EQ(reason, CString(u"4178[") + c.name + CString(u"|Loomwright WB3]"));
    else
      EXPECT_EQ(reason, u"untouched");
  }
}

TEST_F(Loomwright, RestartAndTransientRules) {
  CZorbLoomwright9 product;
  product.Initialize();
  CZorbExtension command;
  command.m_typeText = u"command";
  CZorbExtension menu;
  menu.m_typeText = u"menu";
  EXPECT_FALSE(product.RequiresRestart(static_cast<CZorbExtension*>(nullptr), true));
  EXPECT_FALSE(product.RequiresRestart(&command, true));
  EXPECT_TRUE(product.RequiresRestart(&command, false));
  EXPECT_TRUE(product.RequiresRestart(&menu, true));
  EXPECT_TRUE(product.RequiresRestart(u"Disk:a:JSExtensions:b.js", true));
  EXPECT_FALSE(product.RequiresRestart(u"Disk:a:JSExtensions:b.js", false));
  CZorbTypedList<CZorbString> list;
  product.GetTransientFileExceptions(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.front(), u"Welcome_onOpen.htm.mno");
}

TEST_F(Loomwright, OnlyVersion6CopiesIronbrookServerFiles) {
  const auto massaged = [](CZorbProduct& product) {
    CZorbExtension extension;
    auto* requirement = new CZorbExtensionProduct();
    requirement->m_name = u"Farstage";
    requirement->m_required = true;
    extension.m_products.m_children.push_back(requirement);
    auto* file = new CZorbExtensionFile();
    file->m_source = u"a.htm";
    file->m_destination = u"$farstage:Configuration:DataSources:Ironbrook:a.htm";
    extension.m_files.m_children.push_back(file);
    product.MassageExtension(&extension);
    return extension.m_files.m_children.size();
  };
  CZorbLoomwright6 six;
  CZorbLoomwright7 seven;
  CZorbLoomwright9 nine;
  EXPECT_EQ(massaged(six), 2u);
  EXPECT_EQ(massaged(seven), 1u);
  EXPECT_EQ(massaged(nine), 1u);
}

TEST_F(Loomwright, Version11WithoutItsParametersIsNotInstalled) {
  FakeHost host;
  host.name = "Vesko Loomwright WB5";
  host.folder = "Applications/Vesko Loomwright Marlin";
  host.signature = "LmWt";
  host.version = "11.0.3";
  host.specifier = "loomwright-11.0";
  machine.addHost(host);  // no configuration file
  CZorbLoomwright11 product(CString{});
  product.Initialize();
  EXPECT_FALSE(product.IsInstalled());
  EXPECT_FALSE(product.IsAKInitializeSuccess());

  // Parameters of another suite: found, but not for this program.
  ConfigPairs config = webHostConfig("Loomwright Marlin A0");
  config[0].second = "WB4";
  machine.writeVornConfig(host.folder + "/Configuration", config);
  CZorbLoomwright11 older(CString{});
  older.Initialize();
  EXPECT_FALSE(older.IsInstalled());
  EXPECT_TRUE(older.IsAKInitializeSuccess());
}
