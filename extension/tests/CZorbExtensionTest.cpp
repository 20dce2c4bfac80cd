#include "extension/CZorbExtension.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/CZorbHelpBookChangeRemove.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbStandardHelpChanges.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/tests/ExtensionTestSupport.h"
#include "extension/tests/KxiTestSupport.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXmlPairs.h"
#include "platform/os/Utf.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"

using exttest::Describe;
using exttest::U;
using exttest::Xml;

namespace {

// A change set that counts its living objects.
class CountedChanges : public CZorbConfigChanges {
 public:
  CountedChanges() { ++live; }
  CountedChanges(const CountedChanges& other) : CZorbConfigChanges(other) { ++live; }
  ~CountedChanges() override { --live; }
  CZorbXmlObject* Clone() const override { return new CountedChanges(*this); }
  CZorbXmlFile* CreateConfigFile(bool) const override { return nullptr; }
  void GetFolder(CString& folder) const override { folder.Empty(); }
  void GetFileName(CString& name) const override { name = u"counted.xml"; }
  static inline int live = 0;
};

// An extension with every field away from its default.
std::unique_ptr<CZorbExtension> Filled() {
  auto e = std::make_unique<CZorbExtension>();
  e->m_xmlDecl = u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
  e->m_encoding = 0x201;
  e->SetPlexoVersion(u"5.0.1");
  e->SetKXIVersion(u"2.0");
  e->m_id = u"com.example.tools";
  e->m_name = u"Tools";
  e->m_nameResId = u"name";
  e->m_icon = u"icons/tools.png";
  e->SetVersion(u"1.2.3");
  e->m_description = u"Handy";
  e->m_descriptionResId = u"desc";
  e->m_uiAccess = u"Commands > Tools";
  e->m_uiAccessResId = u"ui";
  e->m_licenseAgreement = u"Use it";
  e->m_licenseResId = u"lic";
  e->m_defaultLanguage = u"en_US";
  e->m_type = 9;
  e->m_fileTypes = 5;
  e->m_typeText = u"propertyInspector";
  e->m_requiresRestart = true;
  e->m_authorName = u"Ann";
  e->m_authorResId = u"author";
  e->m_path = u"Disk:Users:ann:tools.kxi";
  e->m_enabled = e->m_allUsers = e->m_severalPrimaryProducts = e->m_windowsCharset = true;

  auto* token = new CZorbExtensionToken();
  token->m_name = u"$dir";
  token->m_prompt = u"Where?";
  e->m_tokens.m_children.push_back(token);
  auto* file = new CZorbExtensionFile();
  file->m_source = u"tools.js";
  file->m_destination = u"$installfolder";
  e->m_files.m_children.push_back(file);
  e->m_files.m_language = u"en_US";
  e->m_files.m_defaultFileType = 1;
  e->m_files.m_defaultTypeGiven = true;
  auto* product = new CZorbExtensionProduct();
  product->m_name = u"Loomwright 9";
  product->m_primary = true;
  e->m_products.m_children.push_back(product);
  e->m_updateInfo.m_url = u"http://example.com";
  e->m_updateInfo.m_method = 1;
  e->m_updateInfo.m_urlGiven = true;
  e->addSignInfo(CString(u"tools.yxp"), true, CString(u"X509"), CString(u"Maker"), CString(u"yxp"));

  auto* menus = new CZorbMasterConfigChanges();
  auto* remove = new CZorbMenuChangeRemove();
  remove->m_id = u"LWMenu_Old";
  menus->m_children.push_back(remove);
  e->m_configChanges.push_back(menus);
  auto* toolbar = new CZorbToolbarConfigChanges();
  toolbar->m_children.push_back(new CZorbXmlObject(u"toolbar-insert"));
  e->m_configChanges.push_back(toolbar);
  auto* help = new CZorbStandardHelpChanges();
  auto* helpRemove = new CZorbHelpBookChangeRemove();
  helpRemove->m_id = u"book";
  help->m_children.push_back(helpRemove);
  e->m_helpChanges.push_back(help);

  e->m_forceCheck = e->m_defaultLanguageGiven = e->m_filesForDefaultLanguage = true;
  e->m_multilingual = true;
  e->m_resources.SetAt(CString(u"DefaultSet.name"), CString(u"Werkzeuge"));
  e->m_localesWithFiles.SetAt(CString(u"de_DE"), CString());
  e->m_writePackageType = true;
  e->m_packageType = 1;
  e->m_forceQuit = e->m_locked = true;
  e->m_showFiles = false;
  e->m_pluginManagerType = 0;
  e->m_enabledForEnableAll = false;
  e->m_timeStamp.Set(2012, 3, 27, 9, 5, 0);
  return e;
}

}  // namespace

TEST(CZorbExtension, CopiesAreDeepAndCompleteAndOutliveTheirSource) {
  auto source = Filled();
  const std::u16string expected = Describe(*source);

  std::unique_ptr<CZorbExtension> clone(source->Clone());
  CZorbExtension constructed(*source);
  CZorbExtension assigned;
  assigned = *source;
  for (const CZorbExtension* copy : {clone.get(), &constructed, &assigned}) {
    EXPECT_EQ(Describe(*copy), expected);
    for (size_t i = 0; i < source->m_configChanges.size(); ++i)
      EXPECT_NE(copy->m_configChanges[i], source->m_configChanges[i]);
    EXPECT_NE(copy->m_helpChanges[0], source->m_helpChanges[0]);
    EXPECT_NE(copy->m_files.m_children.front(), source->m_files.m_children.front());
  }

  // Destroying the source leaves the copies whole, and the other way round.
  source.reset();
  EXPECT_EQ(Describe(*clone), expected);
  auto again = std::make_unique<CZorbExtension>(constructed);
  clone.reset();
  EXPECT_EQ(Describe(*again), expected);
}

TEST(CZorbExtension, SelfAssignmentKeepsEverything) {
  auto e = Filled();
  const std::u16string before = Describe(*e);
  const CZorbConfigChanges* menus = e->m_configChanges[0];
  CZorbExtension& alias = *e;
  *e = alias;
  EXPECT_EQ(Describe(*e), before);
  EXPECT_EQ(e->m_configChanges[0], menus);
}

TEST(CZorbExtension, AssignmentFreesTheTargetsOwnChangeSetsOnly) {
  {
    CZorbExtension source;
    source.m_configChanges.push_back(new CountedChanges());
    CZorbExtension target;
    target.m_configChanges.push_back(new CountedChanges());
    target.m_configChanges.push_back(new CountedChanges());
    // A set the target handed on before the assignment.
    target.m_configChanges.push_back(new CountedChanges());
    std::unique_ptr<CZorbConfigChanges> handedOn(target.m_configChanges.back());
    target.m_configChanges.pop_back();
    ASSERT_EQ(CountedChanges::live, 4);

    target = source;
    EXPECT_EQ(CountedChanges::live, 3);  // source's, its clone, the one handed on
    ASSERT_EQ(target.m_configChanges.size(), 1u);
    EXPECT_NE(target.m_configChanges[0], source.m_configChanges[0]);

    // A set the source holds is never freed by the target.
    target.m_configChanges.push_back(source.m_configChanges[0]);
    target = source;
    EXPECT_EQ(CountedChanges::live, 3);
    CString name;
    source.m_configChanges[0]->GetFileName(name);  // still there
    EXPECT_EQ(U(name), u"counted.xml");

    // Sets taken away are not the extension's any more.
    std::unique_ptr<CZorbConfigChanges> taken(target.m_configChanges[0]);
    target.RemoveAllConfigChanges();
  }
  EXPECT_EQ(CountedChanges::live, 0);
}

TEST(CZorbExtension, CopiesStartWithoutTheLoadRegistries) {
  auto source = Filled();
  auto* menu = new CZorbExtensionMenuBase();
  source->m_configChanges[0]->m_children.push_back(menu);
  source->menuMap.push_back(menu);
  CZorbExtensionButton button;
  source->m_buttonMap.push_back(&button);

  CZorbExtension copy(*source);
  EXPECT_TRUE(copy.menuMap.empty());
  EXPECT_TRUE(copy.m_buttonMap.empty());

  CZorbExtension target;
  target.m_configChanges.push_back(new CZorbMasterConfigChanges());
  target.menuMap.push_back(new CZorbExtensionMenuBase());
  target.m_configChanges[0]->m_children.push_back(target.menuMap.front());
  target = *source;
  EXPECT_TRUE(target.menuMap.empty());
  EXPECT_TRUE(target.m_buttonMap.empty());
}

TEST(CZorbExtension, DisplayTextsComeFromResourcesOnlyWhenMultilingual) {
  using Getter = CString& (CZorbExtension::*)(CString&) const;
  struct TextField {
    const char* name;
    Getter get;
    CString CZorbExtension::*stored;
    CString CZorbExtension::*resid;
  };
  const std::vector<TextField> fields = {
      {"name", &CZorbExtension::GetName, &CZorbExtension::m_name, &CZorbExtension::m_nameResId},
      {"description", &CZorbExtension::GetDesc, &CZorbExtension::m_description,
       &CZorbExtension::m_descriptionResId},
      {"ui-access", &CZorbExtension::GetUIAccess, &CZorbExtension::m_uiAccess,
       &CZorbExtension::m_uiAccessResId},
      {"licence", &CZorbExtension::GetLicenseAgreement, &CZorbExtension::m_licenseAgreement,
       &CZorbExtension::m_licenseResId},
      {"author", &CZorbExtension::GetAuthorName, &CZorbExtension::m_authorName,
       &CZorbExtension::m_authorResId},
  };
  struct Situation {
    const char* name;
    bool multilingual;
    const char16_t* resid;
    bool shown;  // the resource text, else the stored one
  };
  const std::vector<Situation> situations = {
      {"multilingual with a text", true, u"full", true},
      {"multilingual with an empty text", true, u"empty", false},
      {"multilingual without the id", true, u"missing", false},
      {"multilingual with another case", true, u"FULL", false},
      {"plain", false, u"full", false},
  };
  for (const TextField& field : fields) {
    for (const Situation& s : situations) {
      SCOPED_TRACE(std::string(field.name) + ", " + s.name);
      CZorbExtension e;
      e.m_multilingual = s.multilingual;
      e.*field.stored = u"stored";
      e.*field.resid = s.resid;
      e.m_resources.SetAt(CString(u"DefaultSet.full"), CString(u"from resources"));
      e.m_resources.SetAt(CString(u"DefaultSet.empty"), CString());
      CString out(u"old");
      EXPECT_EQ(&(e.*field.get)(out), &out);
      EXPECT_EQ(U(out), s.shown ? u"from resources" : u"stored");
    }
  }
}

TEST(CZorbExtension, ComparesByDisplayNameThenVersion) {
  struct CompareCase {
    const char16_t* leftName;
    const char16_t* leftVersion;
    const char16_t* rightName;
    const char16_t* rightVersion;
    int sign;
  };
  const std::vector<CompareCase> cases = {
      {u"Tools", u"1.0.2", u"Tools", u"1.0.10", -1},
      {u"Tools", u"2.0", u"Tools", u"1.9.9", 1},
      {u"Tools", u"1.0", u"Tools", u"1.0.0", 0},
      {u"B", u"9", u"a", u"1", -1},  // by unit value: "B" before "a"
      {u"tools", u"1", u"Tools", u"1", 1},
      {u"Alpha", u"9", u"Beta", u"1", -1},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const CompareCase& c = cases[i];
    CZorbExtension left, right;
    left.m_name = c.leftName;
    left.SetVersion(c.leftVersion);
    right.m_name = c.rightName;
    right.SetVersion(c.rightVersion);
    const int result = left.Compare(right);
    EXPECT_EQ((result > 0) - (result < 0), c.sign);
  }

  // A multilingual extension goes by its resource name.
  CZorbExtension multilingual, plain;
  multilingual.m_multilingual = true;
  multilingual.m_name = u"Zeta";
  multilingual.m_nameResId = u"n";
  multilingual.m_resources.SetAt(CString(u"DefaultSet.n"), CString(u"Alpha"));
  plain.m_name = u"Beta";
  EXPECT_LT(multilingual.Compare(plain), 0);
}

TEST(CZorbExtension, CleanUpTextRepairsDisplayTexts) {
  struct CleanCase {
    std::u16string in;
    std::u16string out;
  };
  const std::vector<CleanCase> cases = {
      {u"one  two\r\n\r\nthree", u"one two<br>three"},
      {u"  \r\n padded \t\n", u"padded"},
      {u"A &amp; B&apos;s +&lt;x+&gt;", u"A & B's +<x+>"},
      {u"&lt;kept&gt;", u"&lt;kept&gt;"},
      {u"a <BR> b", u"a<br>b"},
      {u"a<br>\r\nb<br>\rc<br>\nd", u"a<br>b<br>c<br>d"},
      {u"a\rb\nc\r\nd", u"a<br>b<br>c<br>d"},
      {u"a\r\r\rb", u"a<br><br>b"},
      {u"four    blanks", u"four  blanks"},
      {u"", u""},
  };
  for (const CleanCase& c : cases) {
    CString text(c.in.c_str());
    CZorbExtension::CleanUpText(text);
    EXPECT_EQ(U(text), c.out);
  }
}

TEST(CZorbExtension, BadXmlIsEscapedAndGivenBack) {
  struct RoundTrip {
    std::u16string raw;
    std::u16string escaped;
  };
  const std::vector<RoundTrip> cases = {
      {u"<% if (a && b) { %>", u"&lt;% if (a &amp;&amp; b) { %&gt;"},
      {u"x +<y> +>z", u"x +&lt;y> +&gt;z"},
      {u"it's", u"it&apos;s"},
      {u"&amp;", u"&amp;amp;"},
      {u"<b>plain</b>", u"<b>plain</b>"},
  };
  for (const RoundTrip& c : cases) {
    CString text(c.raw.c_str());
    CZorbExtension::ConvertBadXml(text);
    EXPECT_EQ(U(text), c.escaped);
    CZorbExtension::RevertBadXml(text);
    EXPECT_EQ(U(text), c.raw);
  }
  CString mixed(u"a & b <% c %> 'd' +< +>");
  CZorbExtension::ConvertBadXml(mixed);
  CZorbExtension::RevertBadXml(mixed);
  EXPECT_EQ(U(mixed).find(u"&amp;"), std::u16string::npos);
}

TEST(CZorbExtension, ChangeSetQueries) {
  CZorbExtension e;
  EXPECT_FALSE(e.HasMenuChanges());
  EXPECT_FALSE(e.HasInsertbarConfigChanges());
  EXPECT_EQ(e.GetMasterConfigChanges(), nullptr);

  e.m_configChanges.push_back(new CZorbToolbarConfigChanges());
  e.m_configChanges.push_back(new CZorbInsertbarConfigChanges());
  auto* menus = new CZorbMasterConfigChanges();
  e.m_configChanges.push_back(menus);
  e.m_configChanges.push_back(new CZorbMasterConfigChanges());
  EXPECT_TRUE(e.HasMenuChanges());
  EXPECT_TRUE(e.HasInsertbarConfigChanges());
  EXPECT_EQ(e.GetMasterConfigChanges(), menus);

  // The sets leave with whoever takes them.
  std::vector<std::unique_ptr<CZorbXmlObject>> taken(e.m_configChanges.begin(),
                                                     e.m_configChanges.end());
  e.m_helpChanges.push_back(new CZorbStandardHelpChanges());
  taken.emplace_back(e.m_helpChanges[0]);
  e.RemoveAllConfigChanges();
  EXPECT_TRUE(e.m_configChanges.empty());
  EXPECT_TRUE(e.m_helpChanges.empty());
  EXPECT_FALSE(e.HasMenuChanges());
}

TEST(CZorbExtension, UserDefinedTokensAreThoseThatAsk) {
  CZorbExtension e;
  e.m_tokens.m_children.push_back(new CZorbXmlComment(u"a token follows"));
  auto* silent = new CZorbExtensionToken();
  silent->m_name = u"$fixed";
  silent->m_definition = u"$installfolder";
  e.m_tokens.m_children.push_back(silent);
  EXPECT_FALSE(e.HasUserDefinedTokens());
  auto* asking = new CZorbExtensionToken();
  asking->m_prompt = u"Folder?";
  e.m_tokens.m_children.push_back(asking);
  EXPECT_TRUE(e.HasUserDefinedTokens());
}

TEST(CZorbExtension, SignatureResultsAreAppendedAndCleared) {
  CZorbExtension e;
  e.addSignInfo(CString(u"a.yxp"), true, CString(u"X509"), CString(u"Maker"), CString(u"yxp"));
  e.addSignInfo(CString(u"b.js"), false, CString(), CString(), CString(u"file"));
  ASSERT_EQ(e.m_signInfos.m_children.size(), 2u);
  const auto* first = dynamic_cast<const CZorbExtensionSignInfo*>(e.m_signInfos.m_children.front());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(U(first->m_name), u"a.yxp");
  EXPECT_TRUE(first->m_signed);
  EXPECT_EQ(U(first->m_certificateType), u"X509");
  EXPECT_EQ(U(first->m_publisher), u"Maker");
  EXPECT_EQ(U(first->m_extensionType), u"yxp");
  EXPECT_EQ(Xml(e.m_signInfos),
            u"<signatures>\r\t<signature name=\"a.yxp\" extensiontype=\"yxp\" signed=\"true\" "
            u"certificateType=\"X509\" publisher=\"Maker\" />\r\t<signature name=\"b.js\" "
            u"extensiontype=\"file\" />\r</signatures>\r");

  e.clearSigInfoEntry();
  EXPECT_TRUE(e.m_signInfos.m_children.empty());
  CString tag;
  e.m_signInfos.GetTag(tag);
  EXPECT_EQ(U(tag), u"signatures");
}

// GetPrimaryProduct over the products of a description; a comment comes
// before the first product.
class PrimaryProduct : public ::testing::Test {
 protected:
  PrimaryProduct() {
    e.m_products.m_children.push_back(new CZorbXmlComment(u"supported hosts"));
    add(u"Emberly 9", u"", false, 0);
    byFamily = add(u"", u"Loomwright", true, 0);
    byFamily->m_version = u"9";
    byFamily->m_maxVersion = u"9.9";
    byFamily->m_minVersionOpen = true;
    byFamily->m_bit = 1;
    add(u"Loomwright 9", u"", true, 2);  // Windows only
    named = add(u"Loomwright 9", u"", true, 1);
    named->m_version = u"9";
    lumen = add(u"Lumen 9", u"", true, 0);
  }
  CZorbExtensionProduct* add(const char16_t* name, const char16_t* family, bool primary,
                             int32_t platform) {
    auto* product = new CZorbExtensionProduct();
    product->m_name = name;
    product->m_familyName = family;
    product->m_primary = primary;
    product->m_platform = platform;
    e.m_products.m_children.push_back(product);
    return product;
  }
  static CZorbExtension::ProductNames Names(const char16_t* group) {
    CZorbExtension::ProductNames names;
    names.name = u"Loomwright 9 en";
    names.groupName = group;
    names.family = u"Loomwright Family";
    return names;
  }

  CZorbExtension e;
  CZorbExtensionProduct* byFamily = nullptr;
  CZorbExtensionProduct* named = nullptr;
  CZorbExtensionProduct* lumen = nullptr;
};

TEST_F(PrimaryProduct, WithoutAProductTheFirstMarkedPrimary) {
  testsupport::ScriptedUI ui;
  EXPECT_EQ(e.GetPrimaryProduct(&ui, nullptr), byFamily);
  EXPECT_TRUE(ui.calls().empty());

  CZorbExtension none;
  none.m_products.m_children.push_back(new CZorbExtensionProduct());
  EXPECT_EQ(none.GetPrimaryProduct(&ui, nullptr), nullptr);
}

TEST_F(PrimaryProduct, WithAProductTheFirstThatTheUserInterfaceSupports) {
  testsupport::ScriptedUI ui;
  ui.answerSupports(false);
  ui.answerSupports(true);
  const CZorbExtension::ProductNames names = Names(u"LOOMWRIGHT");
  EXPECT_EQ(e.GetPrimaryProductFor(&ui, &names), named);
  const auto calls = ui.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args, (std::vector<std::u16string>{u"Loomwright 9 en", u"Loomwright Family",
                                                        u"9", u"9.9", u"1", u"0", u"1"}));
  EXPECT_EQ(calls[1].args, (std::vector<std::u16string>{u"Loomwright 9 en", u"Loomwright 9", u"9",
                                                        u"", u"0", u"0", u"0"}));
}

TEST_F(PrimaryProduct, NoneWhenNothingQualifies) {
  testsupport::ScriptedUI ui;
  ui.answerSupports(false);
  ui.answerSupports(false);
  // Another group: the family element has no name to offer.
  const CZorbExtension::ProductNames names = Names(u"Emberly");
  EXPECT_EQ(e.GetPrimaryProductFor(&ui, &names), nullptr);
  EXPECT_EQ(ui.names(), (std::vector<std::string>{"Supports", "Supports"}));
  // Without a user interface nothing can be asked.
  EXPECT_EQ(e.GetPrimaryProductFor(nullptr, &names), nullptr);
}

TEST_F(PrimaryProduct, AProductIsReadThroughTheInstalledReader) {
  static const int token = 0;
  const auto* product = reinterpret_cast<const CZorbProduct*>(&token);
  testsupport::ScriptedUI ui;
  EXPECT_EQ(e.GetPrimaryProduct(&ui, product), nullptr);  // no reader yet

  CZorbExtension::SetProductNamesReader(
      [](const CZorbProduct* p, CZorbExtension::ProductNames& names) {
        if (p != reinterpret_cast<const CZorbProduct*>(&token)) return false;
        names = Names(u"Loomwright");
        return true;
      });
  ui.answerSupports(true);
  EXPECT_EQ(e.GetPrimaryProduct(&ui, product), byFamily);
  CZorbExtension::SetProductNamesReader(nullptr);
}

// The resource bundle of a multilingual extension, read through the proxy.
class ResourceBundle : public testsupport::SandboxTest {
 protected:
  class RecordingProxy : public CZorbXmlPairsProxy {
   public:
    bool getXMLinfoFromBareString(const CString& text, const CString& keyPrefix) override {
      asked.emplace_back(U(text), U(keyPrefix));
      return CZorbXmlPairsProxy::getXMLinfoFromBareString(text, keyPrefix);
    }
    std::vector<std::pair<std::u16string, std::u16string>> asked;
  };

  void SetUp() override {
    sandbox.writeFile("Users/ann/pkg/tools.kxi", "<quillory-extension/>");
    sandbox.writeFile("Users/ann/pkg/tools.kxi_Resources/de.xml",
                      "<Resources><Data key=\"DefaultSet.name\">Werkzeuge</Data>"
                      "<Data key=\"DefaultSet.desc\">Praktisch &amp; klein</Data></Resources>");
    e.m_multilingual = true;
    e.m_name = u"Tools";
    e.m_nameResId = u"name";
    e.m_description = u"Handy";
    e.m_descriptionResId = u"desc";
    e.m_resources.SetAt(CString(u"DefaultSet.old"), CString(u"kept"));
    e.m_resources.SetAt(CString(u"DefaultSet.name"), CString(u"replaced"));
    CZorbGetXMLProxy::SetInstance(&proxy);
  }
  void TearDown() override { CZorbGetXMLProxy::SetInstance(nullptr); }

  CString Kxi() const { return CString(sandbox.colon("Users/ann/pkg/tools.kxi").c_str()); }

  RecordingProxy proxy;
  CZorbExtension e;
};

TEST_F(ResourceBundle, IsCopiedToTheSharedFolderAndMapped) {
  e.GenerateResourceBundle(Kxi());
  const std::string copy = "Library/Application Support/Vesko/Plexar WB5/tools.kxi_Resources";
  EXPECT_EQ(sandbox.readFile(copy + "/de.xml"),
            sandbox.readFile("Users/ann/pkg/tools.kxi_Resources/de.xml"));

  e.mapResourceID(Kxi());
  ASSERT_EQ(proxy.asked.size(), 1u);
  const std::string posix = "file://" + sandbox.posix(copy);
  EXPECT_EQ(proxy.asked[0].first.substr(0, posix.size()),
            std::u16string(posix.begin(), posix.end()));
  EXPECT_EQ(proxy.asked[0].second, u"Resources.Data");

  CString text;
  EXPECT_EQ(U(e.GetName(text)), u"Werkzeuge");
  EXPECT_EQ(U(e.GetDesc(text)), u"Praktisch & klein");
  EXPECT_EQ(U(e.getDisplayName(text)), u"Werkzeuge");
  CString kept;
  EXPECT_TRUE(e.getStringValueByResID(CString(u"old"), kept));
  EXPECT_EQ(U(kept), u"kept");
  e.m_multilingual = false;
  EXPECT_EQ(U(e.GetName(text)), u"Tools");
}

TEST_F(ResourceBundle, WithoutTheCopyOrAProxyNothingChanges) {
  const std::u16string before = Describe(e);
  e.mapResourceID(Kxi());  // not copied yet
  EXPECT_TRUE(proxy.asked.empty());
  EXPECT_EQ(Describe(e), before);

  e.GenerateResourceBundle(Kxi());
  CZorbGetXMLProxy::SetInstance(nullptr);
  e.mapResourceID(Kxi());
  EXPECT_EQ(Describe(e), before);

  // A description without a resource folder copies nothing.
  CZorbExtension other;
  other.GenerateResourceBundle(CString(sandbox.colon("Users/ann/pkg/other.kxi").c_str()));
  EXPECT_FALSE(sandbox.exists("Library/Application Support/Vesko/Plexar WB5/other.kxi_Resources"));
}

class ExtensionSave : public testsupport::SandboxTest {};

TEST_F(ExtensionSave, WritesUtf8AndMarksTheOwnPath) {
  CZorbExtension e;
  e.m_path = sandbox.colon("Users/ann/tools.kxi").c_str();
  e.m_encoding = 0;  // Mac Roman
  ASSERT_EQ(e.Save(nullptr), 0);
  const std::string written = sandbox.readFile("Users/ann/tools.kxi");
  EXPECT_EQ(written.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(written.find("quillory-extension"), std::string::npos);
  EXPECT_EQ(e.m_encoding, 0u);
  EXPECT_EQ(CZorbOS::GetFileType(e.m_path), 0x54455854u);     // 'TEXT'
  EXPECT_EQ(CZorbOS::GetFileCreator(e.m_path), 0x5171586Du);  // 'QqXm'

  // Another target: the own path is still the one marked.
  sandbox.writeFile("Users/ann/own.kxi", "old");
  e.m_path = sandbox.colon("Users/ann/own.kxi").c_str();
  const CString other(sandbox.colon("Users/ann/other.kxi").c_str());
  ASSERT_EQ(e.Save(other), 0);
  EXPECT_EQ(sandbox.readFile("Users/ann/own.kxi"), "old");
  EXPECT_EQ(sandbox.readFile("Users/ann/other.kxi"), written);
  EXPECT_EQ(CZorbOS::GetFileCreator(e.m_path), 0x5171586Du);

  CZorbExtension nowhere;
  EXPECT_EQ(nowhere.Save(nullptr), -1);
}

// A description in UTF-8, UTF-16 or UTF-32, either byte order, with or
// without its mark, loads with its names and texts intact.
class DescriptionEncodings : public exttest::KxiTest {
 protected:
  // The text in units of unitSize bytes (1: UTF-8 as it is), little end
  // first or not.
  static std::string Encode(const std::string& utf8, int unitSize, bool little) {
    if (unitSize == 1) return utf8;
    std::string out;
    const std::u16string units = platform::utf8ToUtf16(utf8).value();
    for (size_t i = 0; i < units.size(); ++i) {
      char32_t value = units[i];
      if (unitSize == 4 && value >= 0xD800 && value <= 0xDBFF)
        value = 0x10000 + ((value - 0xD800) << 10) + (units[++i] - 0xDC00);
      for (int k = 0; k < unitSize; ++k)
        out += static_cast<char>((value >> (8 * (little ? k : unitSize - 1 - k))) & 0xFF);
    }
    return out;
  }
};

TEST_F(DescriptionEncodings, EachFormLoadsWithItsNamesIntact) {
  const std::string body =
      "<quillory-extension name=\"Caf\xC3\xA9 Tools\" version=\"1.0\">\r\n"
      "\t<description><![CDATA[\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80]]></description>\r\n"
      "\t<files><file source=\"Caf\xC3\xA9.htm\" destination=\"$hostfolder/Caf\xC3\xA9\" "
      "/></files>\r\n"
      "</quillory-extension>\r\n";
  struct Form {
    const char* name;
    std::string mark;
    int unitSize;
    bool little;
    const char* charset;  // in the declaration
    uint32_t encoding;    // the description is read in
  } forms[] = {
      {"UTF-8", "\xEF\xBB\xBF", 1, false, "UTF-8", CZorbUnicodeConverter::kUTF8},
      {"UTF-16BE", "\xFE\xFF", 2, false, "UTF-16", CZorbUnicodeConverter::kUTF16},
      {"UTF-16LE", "\xFF\xFE", 2, true, "UTF-16", CZorbUnicodeConverter::kUTF16LE},
      {"UTF-32LE", std::string("\xFF\xFE\0\0", 4), 4, true, "UTF-32",
       CZorbUnicodeConverter::kUTF32LE},
  };
  for (const Form& f : forms) {
    for (const bool marked : {true, false}) {
      for (const bool declared : {true, false}) {
        // Without mark and declaration UTF-8 is not told from the default.
        if (f.unitSize == 1 && !marked && !declared) continue;
        SCOPED_TRACE(testing::Message() << f.name << (marked ? ", marked" : ", no mark")
                                        << (declared ? ", declared" : ", no declaration"));
        const std::string declaration =
            declared ? std::string("<?xml version=\"1.0\" encoding=\"") + f.charset + "\"?>\r\n"
                     : "";
        CZorbExtension e;
        ASSERT_EQ(
            Load(e, Put((marked ? f.mark : "") + Encode(declaration + body, f.unitSize, f.little))),
            0);
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(U(e.m_name), u"Caf\u00e9 Tools");
        EXPECT_EQ(U(e.m_description), u"\u65e5\u672c \U0001F600");
        ASSERT_EQ(e.m_files.m_children.size(), 1u);
        const auto* file = dynamic_cast<const CZorbExtensionFile*>(e.m_files.m_children.front());
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(U(file->m_source), u"Caf\u00e9.htm");
        EXPECT_EQ(U(file->m_destination), u"$hostfolder/Caf\u00e9");
        EXPECT_TRUE(CZorbUnicodeConverter::EquivalentEncodings(e.m_encoding, f.encoding))
            << std::hex << e.m_encoding;
      }
    }
  }
}

TEST_F(DescriptionEncodings, TheDeclarationNamesTheDeclaredEncoding) {
  struct Case {
    const char* name;
    std::string text;
    bool declares;
    uint32_t encoding;
  } cases[] = {
      {"Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<quillory-extension/>", true,
       0x201},
      {"UTF-8 in apostrophes", "<?xml version='1.0' encoding='utf-8'?>\n<quillory-extension/>",
       true, CZorbUnicodeConverter::kUTF8},
      {"a mark is no declaration", "\xEF\xBB\xBF<quillory-extension/>", false, 0},
      {"no charset named", "<?xml version=\"1.0\"?>\n<quillory-extension/>", false, 0},
      {"an unknown charset", "<?xml version=\"1.0\" encoding=\"x-none\"?>\n<quillory-extension/>",
       false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    ASSERT_EQ(Load(e, Put(c.text)), 0);
    uint32_t encoding = 0xDEAD;
    EXPECT_EQ(e.GetDeclaredEncoding(encoding), c.declares);
    EXPECT_EQ(encoding, c.declares ? c.encoding : 0xDEAD);
  }
}
