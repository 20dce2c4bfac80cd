#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "foundation/CString.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbXmlPairs.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TestProduct.h"

namespace {

using testsupport::ScriptedUI;
using testsupport::TestProduct;

std::string narrow(const CString& text) {
  std::string out;
  for (const char16_t* p = text.Get(); p && *p; ++p) out += *p < 0x80 ? static_cast<char>(*p) : '?';
  return out;
}

// The makers record what start-up asked for, as "kind specifier|folder".
std::vector<std::string>* g_made = nullptr;
CZorbProduct* makeBuiltIn(const CString& specifier, const CString& folder) {
  if (g_made) g_made->push_back("builtin " + narrow(specifier) + "|" + narrow(folder));
  return new TestProduct(specifier.Get());
}
CZorbProduct* makeCommon(const CString& specifier, const CString& folder) {
  if (g_made) g_made->push_back("common " + narrow(specifier) + "|" + narrow(folder));
  auto* product = new TestProduct(specifier.Get());
  // A host the fake machine did not install is not there.
  product->m_installed = specifier.Find(u"gone") < 0;
  return product;
}

class Registry : public ::testing::Test {
 protected:
  Registry() {
    m_ui.always(ScriptedUI::Question::Supports, [this](const ScriptedUI::Call& call) {
      ScriptedUI::Answer answer;
      answer.yes = m_supported.find(call.args[0]) != std::u16string::npos;
      return answer;
    });
  }
  TestProduct* add(std::u16string name, std::u16string family = u"", std::u16string group = u"") {
    auto* product = new TestProduct(std::move(name), std::move(family), std::move(group));
    m_engine.m_products.push_back(product);
    return product;
  }
  // The names, in order, that Supports was asked about.
  std::vector<std::u16string> asked() const {
    std::vector<std::u16string> out;
    for (const auto& call : m_ui.calls()) out.push_back(call.args[0] + u"/" + call.args[1]);
    return out;
  }

  std::u16string m_supported;  // Supports is true for names found in it
  ScriptedUI m_ui;
  CZorbPlexar m_engine{&m_ui};
};

TEST_F(Registry, FindProductPasses) {
  TestProduct* oldLw = add(u"LW 10", u"Loomwright", u"Web");
  TestProduct* newLw = add(u"LW 11", u"Loomwright", u"web");
  TestProduct* ember = add(u"EM 11", u"Emberly", u"Graphics");
  newLw->m_installed = false;
  struct Case {
    const char* what;
    std::u16string supported;
    bool oldRunning;
    const char16_t* first;
    const char16_t* productName;
    CZorbProduct* expected;
  } cases[] = {
      {"group pass takes an installed one of the group", u"LW 10 LW 11", false, u"", u"", oldLw},
      {"group pass needs the exact product name", u"LW 10 EM 11", false, u"", u"lw 10", ember},
      {"group pass with another name", u"LW 10 EM 11", false, u"", u"LW 10", oldLw},
      {"group pass with the product name", u"LW 10 LW 11", false, u"", u"LW 10", oldLw},
      {"running pass before installed", u"LW 10 EM 11", true, u"Loomwright", u"", oldLw},
      {"installed pass, last first", u"LW 10 EM 11", false, u"Loomwright", u"", ember},
      {"none installed: the earliest supported", u"LW 11", false, u"Loomwright", u"", newLw},
      {"nothing supported", u"", false, u"Loomwright", u"", nullptr},
  };
  for (const Case& c : cases) {
    m_supported = c.supported;
    oldLw->m_running = c.oldRunning;
    EXPECT_EQ(
        m_engine.FindProduct(c.first, u"10", u"12", u"WEB", c.productName, false, false, 0, 0),
        c.expected)
        << c.what;
  }
  // The group pass asks with the candidate's family; the others with the
  // element's product name.
  m_supported = u"";
  const auto before = m_ui.calls().size();
  EXPECT_EQ(m_engine.FindProduct(u"", u"10", u"12", u"Graphics", u"", true, false, 1, 3), nullptr);
  auto calls = m_ui.calls();
  calls.erase(calls.begin(), calls.begin() + static_cast<long>(before));
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].args,
            (std::vector<std::u16string>{u"EM 11", u"Emberly", u"10", u"12", u"1", u"0", u"3"}));
  EXPECT_EQ(calls[1].args[1], u"");
}

TEST_F(Registry, FindProductOnAnotherPlatformAsksNothing) {
  add(u"LW 11");
  m_supported = u"LW 11";
  EXPECT_EQ(m_engine.FindProduct(u"x", u"", u"", u"", u"", false, false, 2, 0), nullptr);
  EXPECT_TRUE(m_ui.calls().empty());
  EXPECT_TRUE(m_engine.isPlatformStatified(1));
  EXPECT_FALSE(m_engine.isPlatformStatified(-1));
}

TEST_F(Registry, ProductStatesAndUsers) {
  TestProduct* a = add(u"Host A");
  TestProduct* b = add(u"Host B");
  b->m_installed = false;
  EXPECT_TRUE(m_engine.IsProductInstalled(u"HOST A"));
  EXPECT_FALSE(m_engine.IsProductInstalled(u"Host B"));
  m_engine.LoginAs(u"bob");
  EXPECT_EQ(a->m_pathsUser, u"bob");
  EXPECT_EQ(b->m_pathsUser, u"");

  a->m_preferredExtensionFolder = u"Disk:Old:";
  EXPECT_TRUE(m_engine.checkWhetherProductNeedImport(a));
  EXPECT_TRUE(a->m_needsMigration);
  EXPECT_FALSE(m_engine.checkWhetherProductNeedImport(b));
  EXPECT_FALSE(b->m_needsMigration);

  EXPECT_TRUE(m_engine.IsProductsEqual(a, a));
  EXPECT_FALSE(m_engine.IsProductsEqual(a, b));
  a->m_showInstalledFiles = true;
  CZorbExtension extension;
  EXPECT_TRUE(m_engine.NeedCreateExtensionPathFile(a, &extension));
  extension.m_showFiles = false;
  EXPECT_FALSE(m_engine.NeedCreateExtensionPathFile(a, &extension));
  EXPECT_FALSE(m_engine.NeedCreateExtensionPathFile(b, &extension));
}

TEST_F(Registry, ExtensionsAcrossProducts) {
  TestProduct* a = add(u"Host A");
  TestProduct* b = add(u"Host B");
  auto make = [](bool enabled) {
    auto* e = new CZorbExtension;
    e->m_name = u"Tabs";
    e->m_path = u"Disk:Store:Tabs.kxi";
    e->m_version = u"1.0";
    e->m_enabled = enabled;
    return e;
  };
  CZorbExtension* inA = make(true);
  m_engine.AddExtension(a, inA);
  m_engine.AddExtension(b, make(false));
  EXPECT_EQ(m_engine.CountEnabledProducts(inA), 1);
  EXPECT_TRUE(m_engine.checkIfExtensionHasBeenEnabledOnce(inA));
  CZorbExtension newer;
  newer.m_name = u"Tabs";
  newer.m_version = u"2.0";
  EXPECT_FALSE(m_engine.checkIfExtensionHasBeenEnabledOnce(&newer));
  EXPECT_TRUE(m_engine.checkWhetherNeedUpdate(newer, *inA));

  // The pointer given may be one of those removed.
  EXPECT_EQ(m_engine.RemoveExtensionFromAllProducts(inA), 2);
  EXPECT_EQ(m_engine.GetExtensions(a, nullptr), 1);
  CZorbTypedList<CZorbExtension*> left;
  m_engine.GetExtensions(a, &left);
  m_engine.GetExtensions(b, &left);
  EXPECT_TRUE(left.empty());
}

TEST_F(Registry, ConfigurationFilesAreProtected) {
  testsupport::ScopedStrings strings({}, {4231});
  TestProduct* a = add(u"Host A");
  a->m_vornConfigPath = u"Disk:Applications:Host:Configuration:VornConfig.xml";
  CString message;
  EXPECT_FALSE(m_engine.isFileAllowToBeModified(
      u"disk:applications:host:configuration:vornconfig.xml", message));
  EXPECT_EQ(message, CString(u"4231[disk:applications:host:configuration:vornconfig.xml]"));
  message = u"kept";
  EXPECT_TRUE(m_engine.isFileAllowToBeModified(u"Disk:Applications:Host:Other.xml", message));
  EXPECT_EQ(message, CString(u"kept"));
}

TEST_F(Registry, ProductTokensResolveAndConfine) {
  testsupport::ScopedStrings strings({4043}, {4047});
  m_ui.always(ScriptedUI::Question::MessageBox,
              [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
  TestProduct* other = add(u"Other");
  other->m_tokens.SetAt(u"sharedfolder", u"Disk:Shared:Other:");
  TestProduct* notInstalled = add(u"Gone");
  notInstalled->m_installed = false;
  notInstalled->m_tokens.SetAt(u"gonefolder", u"Disk:Gone:");
  TestProduct* given = add(u"Given");
  given->m_tokens.SetAt(u"configuration", u"Disk:Applications:Host:Configuration:");
  given->m_massageSuffix = u".m";
  given->m_pxStorePath = u"Disk:Store";
  CZorbExtension extension;
  extension.m_path = u"Disk:tmp:Tabs.kxi";
  struct Case {
    std::u16string destination;
    const CZorbProduct* product;
    int code;
    std::u16string out;
  } cases[] = {
      {u"$Configuration/Menus", given, 0, u"Disk:Applications:Host:Configuration:Menus:a.js.m"},
      {u"$sharedfolder", given, 0, u"Disk:Shared:Other:a.js"},
      {u"$sharedfolder", nullptr, 0, u"Disk:Shared:Other:a.js"},
      {u"$gonefolder", given, -6, u""},
      {u"$ExtensionSpecificPXStore/sub", given, 0, u"Disk:Store:Tabs.kxi.dir:sub:a.js.m"},
      {u"$configuration/../../x", given, -1, u""},
  };
  for (const Case& c : cases) {
    CZorbPath destination(CString(c.destination.c_str()));
    EXPECT_EQ(m_engine.LocalizeDestination(destination, c.product, CZorbPath(CString(u"a.js")),
                                           CZorbPath(), &extension, CString(), CString()),
              c.code)
        << std::string(c.destination.begin(), c.destination.end());
    if (c.code == 0) {
      EXPECT_EQ(std::u16string(destination.Get()), c.out);
    }
  }
}

TEST_F(Registry, CopyLocale) {
  TestProduct* product = add(u"Host");
  CZorbExtension extension;
  extension.m_name = u"Tabs";
  extension.m_localesWithFiles.SetAt(u"de_DE", u"");
  extension.m_localesWithFiles.SetAt(u"fr_FR", u"");
  CString locale;
  // Without files for the product's locale the UI is asked only when allowed.
  product->m_locale = u"ja_JP";
  m_engine.GetCopyFilePreferredLocale(product, &extension, locale, false);
  EXPECT_EQ(locale, CString(u""));
  EXPECT_TRUE(m_ui.calls().empty());
  m_ui.answerPromptForLocale(true, u"fr_FR");
  m_engine.GetCopyFilePreferredLocale(product, &extension, locale, true);
  EXPECT_EQ(locale, CString(u"fr_FR"));
  ASSERT_EQ(m_ui.calls().size(), 1u);
  EXPECT_EQ(m_ui.calls()[0].args,
            (std::vector<std::u16string>{u"Host", u"Tabs", u"de_DE", u"fr_FR"}));
  product->m_locale = u"de_DE";
  m_engine.GetCopyFilePreferredLocale(product, &extension, locale, true);
  EXPECT_EQ(locale, CString(u"de_DE"));
}

// Start-up over a fake machine: hosts the messaging registry knows, master
// and derived files, and the built-in lines with and without the marker.
class StartUp : public ::testing::Test {
 protected:
  StartUp() {
    g_made = &m_made;
    CZorbPlexar::SetBuiltInHostMaker(&makeBuiltIn);
    CZorbPlexar::SetCommonProductMaker(&makeCommon);
    CZorbGetXMLProxy::SetInstance(&m_proxy);
  }
  ~StartUp() override {
    CZorbGetXMLProxy::SetInstance(nullptr);
    CZorbPlexar::SetBuiltInHostMaker(nullptr);
    CZorbPlexar::SetCommonProductMaker(nullptr);
    g_made = nullptr;
  }
  void host(const std::string& name, const std::string& specifier) {
    testsupport::FakeHost h;
    h.name = name;
    h.folder = "Applications/" + name;
    h.specifier = specifier;
    h.config = {{"productname", name}};
    m_machine.addHost(h);
  }
  std::vector<std::string> names(const CZorbPlexar& engine) const {
    std::vector<std::string> out;
    for (const CZorbProduct* p : engine.m_products) {
      CString name;
      p->GetName(name);
      out.push_back(narrow(name));
    }
    return out;
  }

  testsupport::FakeMachine m_machine;
  CZorbXmlPairsProxy m_proxy;
  std::vector<std::string> m_made;
  ScriptedUI m_ui;
};

TEST_F(StartUp, RegistryContentsAndOrder) {
  host("Tessel", "tessel-2.0");
  host("Loomwright", "loomwright-11.0");
  host("Lumen", "lumen-10.0");
  m_machine.writeFile("Applications/Lumen/Configuration/VornMaster.xml",
                      "<Configuration><VariableForPlexo><Data key=\"a\">Disk:Applications:Tessel"
                      "</Data></VariableForPlexo></Configuration>");
  m_machine.writeFile("Applications/Derived/VornConfig.xml", "<Configuration/>");
  m_machine.writeFile("Users/ann/Library/Application Support/Vesko/Plexar WB5/VornDerive.xml",
                      "<Configuration><VariableForPlexo>"
                      "<Data key=\"derived-1\">Disk:Applications:Derived</Data>"
                      "<Data key=\"derived-0\">Disk:Applications:Missing</Data>"
                      "</VariableForPlexo></Configuration>");
  struct Case {
    bool marker;
    std::vector<std::string> made;
  } cases[] = {
      {false,
       {"common tessel-2.0|", "common derived-1|Disk:Applications:Derived",
        "builtin loomwright-10.0|", "builtin loomwright-11.0|", "builtin emberly-10.0|",
        "builtin emberly-11.0|", "builtin lumen-10.0|Disk:Applications:Tessel",
        "builtin lumen-11.0|"}},
      {true,
       {"common tessel-2.0|", "common derived-1|Disk:Applications:Derived",
        "builtin loomwright-9.0|", "builtin loomwright-10.0|", "builtin loomwright-11.0|",
        "builtin emberly-9.0|", "builtin emberly-10.0|", "builtin emberly-11.0|",
        "builtin lumen-9.0|", "builtin lumen-10.0|Disk:Applications:Tessel",
        "builtin lumen-11.0|"}},
  };
  for (const Case& c : cases) {
    if (c.marker) m_machine.writeFile("wb3.display", "");
    m_made.clear();
    CZorbPlexar engine(&m_ui);
    EXPECT_EQ(engine.Init(), 0);
    // The registry's order depends on the messaging registry's for the
    // registered hosts; only the common ones come from it here.
    EXPECT_EQ(m_made, c.made) << c.marker;
    EXPECT_EQ(engine.m_products.size(), c.made.size());
    EXPECT_TRUE(engine.isProductAlreadyMastered(u"lumen-10.0"));
    EXPECT_FALSE(engine.isProductAlreadyMastered(u"loomwright-11.0"));
    for (const CZorbProduct* p : engine.m_products)
      EXPECT_EQ(static_cast<const TestProduct*>(p)->m_initializeCalls, 1);
  }
}

TEST_F(StartUp, TokensAndLabels) {
  testsupport::ScopedStrings strings({4000, 4015, 4171}, {});
  CZorbPlexar engine(&m_ui);
  EXPECT_EQ(engine.Init(), 0);
  EXPECT_EQ(engine.m_typeLabels.size(), 65u);
  CString label;
  EXPECT_TRUE(engine.GetTypeLabel(64, label));
  EXPECT_EQ(label, CString(u"4171"));
  EXPECT_TRUE(engine.GetTypeLabel(2, label));
  EXPECT_EQ(label, CString(u"4000"));

  const std::u16string lib = u"Disk:Library:Application Support";
  CZorbPlexar::TextMap expectedSystem = {
      {u"suiteversion", u"WB5"},
      {u"system", u"Disk:System:"},
      {u"fonts", u"Disk:Library:Fonts:"},
      {u"veskocommon", CString((lib + u":Vesko:").c_str())},
      {u"applicationsupport", CString((lib + u":").c_str())},
      {u"corvidplug-ins", CString((lib + u":Vesko:Common:Plug-ins:WB5:Corvid:").c_str())},
      {u"userlibraryfolder", u"Disk:Users:ann:Library:"},
      {u"userhomefolder", u"Disk:Users:ann:"},
      {u"userroamingfolder", u"Disk:Users:ann:Library:Application Support:"},
      {u"resourceroot", CString((lib + u":Vesko:Plexar WB5:").c_str())},
  };
  EXPECT_EQ(engine.m_systemTokens, expectedSystem);
  EXPECT_EQ(engine.m_dollarTokens[CString(u"$system")], CString(u"Disk:System"));
  EXPECT_EQ(engine.m_dollarTokens[CString(u"$suiteversion")], CString(u"WB5"));
  const std::string data = m_machine.posix("Users/ann/Library/Application Support");
  EXPECT_EQ(narrow(engine.m_dollarTokens[CString(u"$userdatafolder")]), data);
  EXPECT_EQ(engine.m_serviceFrameworkFolder,
            CString((lib + u":Vesko:WB5ServiceManager:extensions").c_str()));
}

TEST_F(StartUp, TheProgramsOwnStoreIsMadeOnce) {
  TestProduct own(u"Plexar");
  own.m_pxStorePath = CString(m_machine.colon("Users/ann/Store").c_str());
  host("Tessel", "tessel-2.0");
  long products = 0;
  {
    CZorbPlexar engine(&m_ui);
    engine.m_ownProduct = &own;
    EXPECT_EQ(engine.Init(), 0);
    products = static_cast<long>(engine.m_products.size());
    engine.m_ownProduct = nullptr;
  }
  EXPECT_EQ(own.m_initializeCalls, 1);
  EXPECT_TRUE(m_machine.isFolder("Users/ann/Store"));
  // The store was filled from every product, with progress for each.
  const auto names = m_ui.names();
  EXPECT_EQ(products, 7);
  EXPECT_EQ(std::count(names.begin(), names.end(), "ShowProgress"), products);
  EXPECT_EQ(std::count(names.begin(), names.end(), "HideProgress"), products);

  // Once there, the store is not filled again.
  CZorbPlexar again(&m_ui);
  again.m_ownProduct = &own;
  const auto before = m_ui.names().size();
  EXPECT_EQ(again.Init(), 0);
  again.m_ownProduct = nullptr;
  EXPECT_EQ(m_ui.names().size(), before);
}

TEST_F(StartUp, ConfigurationPathOfARegisteredHost) {
  host("Tessel", "tessel-2.0");
  CZorbPlexar engine(&m_ui);
  CString path;
  engine.generateVornConfigPath(path, "tessel-2.0");
  EXPECT_EQ(std::u16string(path.Get()), u"Disk:Applications:Tessel:Configuration:VornConfig.xml");
  EXPECT_EQ(engine.m_dollarTokens[CString(u"$installfolder")],
            CString(u"Disk:Applications:Tessel"));

  // A host the registry has no folder for keeps no entry of the one before.
  engine.m_masterEntry.SetAt(u"tessel-2.0", u"Disk:Elsewhere");
  engine.generateVornConfigPath(path, "unknown-1.0");
  EXPECT_EQ(path, CString(u""));
  EXPECT_TRUE(engine.m_masterEntry.empty());
}

}  // namespace
