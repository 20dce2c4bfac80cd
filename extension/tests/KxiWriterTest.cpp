#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/CZorbDocumentTypeChangeInsert.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionsChangeInsert.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbFTPExtensionMapChangeInsert.h"
#include "config/CZorbFTPExtensionMapChanges.h"
#include "config/CZorbHelpBookChangeRemove.h"
#include "config/CZorbHelpBookChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbStandardHelpChanges.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/KxiChanges.h"
#include "extension/tests/KxiTestSupport.h"
#include "foundation/CZorbOS.h"

using exttest::KxiTest;
using exttest::U;

namespace {

std::u16string Written(const CZorbExtension& e, bool withChanges = true) {
  CString text;
  e.DoBuildXml(0, text, withChanges);
  return U(text);
}

bool Has(const std::u16string& text, const std::u16string& part) {
  return text.find(part) != std::u16string::npos;
}

std::u16string NodeXml(const CZorbXmlObject& node) {
  CString out;
  kxi::AppendNode(node, 0, out);
  return U(out);
}

}  // namespace

class KxiWriter : public KxiTest {};

TEST_F(KxiWriter, TextElementsGoIntoCDataSectionsThatSurviveTheirText) {
  struct TextCase {
    const char* name;
    std::u16string text;
    std::u16string resid;
    std::u16string written;  // between "<description...>\r" and "</description>"
    std::u16string reread;
  };
  const std::vector<TextCase> cases = {
      {"markup and ampersands unchanged", u"a & <b>bold</b>", u"",
       u"\t<![CDATA[\r\ta & <b>bold</b>\r\t]]>\r\t", u"a & <b>bold</b>"},
      {"a carriage return after each break", u"one<br>two", u"",
       u"\t<![CDATA[\r\tone<br>\rtwo\r\t]]>\r\t", u"one<br>two"},
      {"a section end in the text", u"x]]>y", u"", u"\t<![CDATA[\r\tx]]]]><![CDATA[>y\r\t]]>\r\t",
       u"x]]>y"},
      // The reader trims each piece of a description, so the blank goes;
      // the description is still read.
      {"what the reader refuses", u"a / > b", u"", u"\t<![CDATA[\r\ta / ]]><![CDATA[> b\r\t]]>\r\t",
       u"a /> b"},
      {"entities given back with a resource id", u"&lt;i&gt;", u"d",
       u"\t<![CDATA[\r\t<i>\r\t]]>\r\t", u"<i>"},
      {"entities kept without one", u"&lt;i&gt;", u"", u"\t<![CDATA[\r\t&lt;i&gt;\r\t]]>\r\t",
       u"&lt;i&gt;"},
      {"no section for no text", u"", u"", u"\t", u""},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    e.m_description = c.text.c_str();
    e.m_descriptionResId = c.resid.c_str();
    const std::u16string text = Written(e);
    const std::u16string start = c.resid.empty()
                                     ? u"\r\t<description>\r"
                                     : u"\r\t<description resid=\"" + c.resid + u"\">\r";
    const size_t at = text.find(start);
    ASSERT_NE(at, std::u16string::npos);
    const size_t from = at + start.size();
    EXPECT_EQ(text.substr(from, text.find(u"</description>", from) - from), c.written);

    CZorbExtension again;
    ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
    EXPECT_EQ(U(again.m_description), c.reread);
  }
}

TEST_F(KxiWriter, ADefaultLanguageWithMarkupKeepsTheRestOfTheDescription) {
  struct LanguageCase {
    const char* name;
    std::u16string text;
    std::u16string written;
  };
  const std::vector<LanguageCase> cases = {
      {"a plain locale", u"en_US", u"<defaultLanguage>en_US</defaultLanguage>"},
      {"markup", u"en<br>US", u"<defaultLanguage><![CDATA[en<br>US]]></defaultLanguage>"},
      {"a plus before the end tag", u"C+", u"<defaultLanguage><![CDATA[C+]]></defaultLanguage>"},
      {"a section end", u"a]]>b",
       u"<defaultLanguage><![CDATA[a]]]]><![CDATA[>b]]></defaultLanguage>"},
  };
  for (const LanguageCase& c : cases) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    e.m_defaultLanguage = c.text.c_str();
    e.m_authorName = u"Ann";
    const std::u16string text = Written(e);
    EXPECT_TRUE(Has(text, u"\r\t" + c.written + u"\r")) << std::string(text.begin(), text.end());
    CZorbExtension again;
    ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(U(again.m_defaultLanguage), c.text);
    EXPECT_EQ(U(again.m_authorName), u"Ann");
  }
}

TEST_F(KxiWriter, RootAttributesAndTheirConditions) {
  CZorbExtension e;
  e.m_name = u"Tools";
  e.SetVersion(u"1.2");
  e.m_typeText = u"command";
  EXPECT_EQ(Written(e),
            u"<quillory-extension\r\t name=\"Tools\"\r\t version=\"1.2.0\"\r\t type=\"command\"\r"
            u"\t locked=\"false\">\r"
            u"\r\t<products />\r"
            u"\r\t<update />\r"
            u"\r\t<description>\r\t</description>\r"
            u"\r\t<ui-access>\r\t</ui-access>\r"
            u"\r\t<license-agreement>\r\t</license-agreement>\r"
            u"\r\t<signatures />\r"
            u"\r</quillory-extension>\r");

  e.m_xmlDecl = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  e.m_nameResId = u"n";
  e.m_authorName = u"Ann";
  e.m_authorResId = u"a";
  e.m_resources.SetAt(CString(u"DefaultSet.a"), CString(u"Anna"));
  e.m_showFiles = false;
  e.m_locked = true;
  e.m_pluginManagerType = 1;
  const std::u16string text = Written(e);
  EXPECT_EQ(text.rfind(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<quillory-extension", 0), 0u);
  EXPECT_TRUE(Has(text, u"\r\t name_resid=\"n\"\r\t version"));  // no localize-name
  EXPECT_TRUE(Has(
      text,
      u"\r\t locked=\"true\"\r\t show-files=\"false\"\r\tplugin-manager-type=\"current-user\">"));
  EXPECT_TRUE(Has(text, u"<author name=\"Ann\" author_resid=\"a\" localize-author=\"Anna\" />"));
  EXPECT_FALSE(Has(text, u"pkgtype"));
  EXPECT_FALSE(Has(text, u"time-stamp"));

  e.m_resources.SetAt(CString(u"DefaultSet.n"), CString(u"Werkzeuge"));
  e.m_pluginManagerType = 0;
  e.m_timeStamp.Set(2012, 3, 27, 9, 5, 0);
  e.m_writePackageType = true;
  e.m_packageType = 1;
  const std::u16string all = Written(e);
  EXPECT_TRUE(Has(all, u"\r\t name_resid=\"n\"\r\t localize-name=\"Werkzeuge\"\r"));
  EXPECT_TRUE(Has(all,
                  u"\r\t pkgtype=\"yxp\"\r\tplugin-manager-type=\"all-users\"\r"
                  u"\ttime-stamp=\"2012-3-27-9-5-0\"\r\tenabled-for-enabled-all=\"true\">"));
}

TEST_F(KxiWriter, WindowsCharacterSetAppliesToTheDescriptionButNotTheChanges) {
  CZorbExtension e;
  e.m_name = u"Caf\u00e9";  // Mac Roman 0x8E is é; here as the unit U+008E
  e.m_name = std::u16string(u"Caf\u008E").c_str();
  auto* menus = new CZorbMasterConfigChanges();
  auto* remove = new CZorbMenuChangeRemove();
  remove->m_id = std::u16string(u"m\u008E").c_str();
  menus->m_children.push_back(remove);
  e.m_configChanges.push_back(menus);
  e.m_windowsCharset = true;
  const std::u16string text = Written(e);
  EXPECT_TRUE(Has(text, u"name=\"Caf\u00e9\""));
  EXPECT_TRUE(Has(text, u"id=\"m\u008E\""));
}

TEST_F(KxiWriter, ChangeValuesComeBackAsTheyWere) {
  // Values as a description holds them: entity references stay text, and
  // the characters the reader escapes stand bare.
  const std::u16string values[] = {
      u"Fish &amp; Chips", u"it&apos;s", u"&lt;% x %&gt;", u"a +&lt; b",       u"it's",
      u"<% x %>",          u"a & b",     u"x > y",         u"Add dynamic row", u"ends in a plus+",
  };
  for (const std::u16string& value : values) {
    SCOPED_TRACE(std::string(value.begin(), value.end()));
    CZorbExtension e;
    auto* menus = new CZorbMasterConfigChanges();
    auto* remove = new CZorbMenuChangeRemove();
    remove->m_id = value.c_str();
    remove->m_locale = u"de_DE";
    menus->m_children.push_back(remove);
    auto* generic = new CZorbXmlObject(u"anything");
    generic->SetAttribute(u"value", value.c_str());
    generic->m_text = value.c_str();
    auto* types = new CZorbDocumentTypeConfigChanges();
    auto* insert = new CZorbDocumentTypeChangeInsert();
    insert->m_children.push_back(generic);
    types->m_children.push_back(insert);
    e.m_configChanges.push_back(menus);
    e.m_configChanges.push_back(types);

    const std::u16string text = Written(e);
    CZorbExtension again;
    ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0)
        << std::string(text.begin(), text.end());
    ASSERT_EQ(again.m_configChanges.size(), 2u);
    const auto* read =
        dynamic_cast<const CZorbMenuChangeRemove*>(again.m_configChanges[0]->m_children.front());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(U(read->m_id), value);
    EXPECT_EQ(U(read->m_locale), u"de_DE");
    const CZorbXmlObject* body = again.m_configChanges[1]->FindTag(u"anything");
    ASSERT_NE(body, nullptr);
    CString attribute;
    body->GetAttribute(u"value", attribute);
    EXPECT_EQ(U(attribute), value);
    EXPECT_EQ(U(body->m_text), value);
  }
}

TEST_F(KxiWriter, ValuesNoDescriptionCanHoldAreWrittenSoTheDocumentStillReads) {
  CZorbExtension e;
  e.m_name = u"say \"hi\" <now> / >";
  auto* menus = new CZorbMasterConfigChanges();
  auto* remove = new CZorbMenuChangeRemove();
  remove->m_id = u"a\"b";
  menus->m_children.push_back(remove);
  e.m_configChanges.push_back(menus);
  const std::u16string text = Written(e);
  EXPECT_TRUE(Has(text, u"name=\"say 'hi' &lt;now> / &gt;\""));
  EXPECT_TRUE(Has(text, u"<menu-remove id=\"a'b\" />"));
  CZorbExtension again;
  ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
  EXPECT_EQ(again.m_configChanges.size(), 1u);
}

TEST_F(KxiWriter, EveryChangeKeepsItsLocale) {
  CZorbExtension e;
  auto* ftp = new CZorbFTPExtensionMapChanges();
  auto* insert = new CZorbFTPExtensionMapChangeInsert();
  insert->m_extension = u"ttx";
  insert->m_locale = u"de_DE";
  ftp->m_children.push_back(insert);
  e.m_configChanges.push_back(new CZorbMasterConfigChanges());
  e.m_configChanges.push_back(ftp);
  EXPECT_TRUE(Has(Written(e),
                  u"\t\t<ftp-extension-insert extension=\"ttx\" mac-creator=\"????\" "
                  u"mac-file-type=\"????\" type=\"BINARY\" xml:lang=\"de_DE\" />\r"));
}

TEST_F(KxiWriter, SectionsKeepTheirListsWhateverSetComesFirst) {
  struct SectionCase {
    const char* name;
    bool menusFirst;
    bool standardHelpFirst;
  };
  for (const SectionCase& c : {SectionCase{"the sections' own sets first", true, true},
                               SectionCase{"other sets first", false, false}}) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    auto* toolbars = new CZorbToolbarConfigChanges();
    toolbars->m_fileName = u"mine.xml";
    auto* extensions = new CZorbExtensionsChanges();
    auto* add = new CZorbExtensionsChangeInsert();
    add->m_extension = u"TTX";
    add->m_description = u"Tables";
    extensions->m_children.push_back(add);
    if (c.menusFirst) e.m_configChanges.push_back(new CZorbMasterConfigChanges());
    e.m_configChanges.push_back(toolbars);
    e.m_configChanges.push_back(extensions);
    auto* books = new CZorbHelpBookChanges();
    auto* removeBook = new CZorbHelpBookChangeRemove();
    removeBook->m_id = u"b";
    books->m_children.push_back(removeBook);
    if (c.standardHelpFirst) e.m_helpChanges.push_back(new CZorbStandardHelpChanges());
    e.m_helpChanges.push_back(books);

    const std::u16string text = Written(e);
    CZorbExtension again;
    ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
    ASSERT_EQ(again.m_configChanges.size(), e.m_configChanges.size());
    for (size_t i = 0; i < e.m_configChanges.size(); ++i)
      EXPECT_EQ(NodeXml(*again.m_configChanges[i]), NodeXml(*e.m_configChanges[i]));
    ASSERT_EQ(again.m_helpChanges.size(), e.m_helpChanges.size());
    for (size_t i = 0; i < e.m_helpChanges.size(); ++i)
      EXPECT_EQ(NodeXml(*again.m_helpChanges[i]), NodeXml(*e.m_helpChanges[i]));
    EXPECT_EQ(Written(again), text);
  }
}

TEST_F(KxiWriter, CommentNodesAreWrittenAsCommentElements) {
  CZorbExtension e;
  auto* menus = new CZorbMasterConfigChanges();
  menus->m_children.push_back(new CZorbXmlComment(u"added -- by us"));
  menus->m_children.push_back(new CZorbXmlComment(u"<b>"));
  // A plus just before the end tag would make it text.
  menus->m_children.push_back(new CZorbXmlComment(u"C+"));
  e.m_configChanges.push_back(menus);
  const std::u16string text = Written(e);
  EXPECT_TRUE(Has(text, u"\t\t<comment>added -- by us</comment>\r"));
  CZorbExtension again;
  ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
  ASSERT_EQ(again.m_configChanges.size(), 1u);
  std::vector<std::u16string> comments;
  for (const CZorbXmlObject* child : again.m_configChanges[0]->m_children)
    if (const auto* comment = dynamic_cast<const CZorbXmlComment*>(child))
      comments.push_back(U(comment->m_comment));
  EXPECT_EQ(comments, (std::vector<std::u16string>{u"added -- by us", u"<b>", u"C+"}));
}

TEST_F(KxiWriter, InstalledCopyAndFlagCopy) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension name=\"x\" plugin-manager-type=\"all-users\">"
                     "<configuration-changes><menu-remove id=\"m\" /></configuration-changes>"
                     "<help-changes><helpbook-remove id=\"b\" /></help-changes>"
                     "</quillory-extension>"),
            0);
  const CZorbExtension before(e);
  CString described;
  before.BuildXml(0, described);

  // The installed copy: no configuration changes, the help changes stay.
  const CString other = Colon("other.kxi");
  ASSERT_EQ(e.SaveWithoutConfigChangeSection(other), 0);
  const std::string copy = sandbox.readFile(std::string(kPackage) + "other.kxi");
  EXPECT_EQ(copy.rfind("\xEF\xBB\xBF<quillory-extension", 0), 0u);
  EXPECT_EQ(copy.find("configuration-changes"), std::string::npos);
  EXPECT_EQ(copy.find("menu-remove"), std::string::npos);
  EXPECT_NE(copy.find("<help-changes>"), std::string::npos);
  EXPECT_EQ(CZorbOS::GetFileCreator(e.m_path), 0x5171586Du);  // 'QqXm', on the own path

  // The flag copy, in another folder under the same name.
  sandbox.makeFolder("Users/ann/flags");
  const CZorbPath folder(CString(sandbox.colon("Users/ann/flags").c_str()));
  ASSERT_EQ(e.createZIRForEnableALL(folder, false), 0);
  const std::string flag = sandbox.readFile("Users/ann/flags/test.kxi");
  EXPECT_NE(flag.find("pkgtype=\"kxp\""), std::string::npos);
  EXPECT_NE(flag.find("enabled-for-enabled-all=\"false\""), std::string::npos);
  EXPECT_EQ(CZorbOS::GetFileType(CString(sandbox.colon("Users/ann/flags/test.kxi").c_str())),
            0x54455854u);  // 'TEXT'
  CString after;
  e.BuildXml(0, after);
  EXPECT_EQ(U(after), U(described));
  EXPECT_EQ(U(e.m_path), U(Colon("test.kxi")));

  // A flag copy that cannot be written reports it and changes nothing.
  const CZorbPath nowhere(CString(sandbox.colon("Users/ann/flags/missing/deeper").c_str()));
  EXPECT_NE(e.createZIRForEnableALL(nowhere, true), 0);
  CString still;
  e.BuildXml(0, still);
  EXPECT_EQ(U(still), U(described));
}

namespace {

// What an extension holds beyond its written text: the values the load
// derives and the ones that are never written.
std::u16string Derived(const CZorbExtension& e) {
  std::u16string d;
  const auto add = [&d](const char16_t* name, const std::u16string& value) {
    d += name;
    d += u'=';
    d += value;
    d += u'\n';
  };
  const auto flag = [](bool value) { return std::u16string(value ? u"1" : u"0"); };
  add(u"fileTypes", std::u16string(1, static_cast<char16_t>(u'0' + e.m_fileTypes)));
  add(u"severalPrimary", flag(e.m_severalPrimaryProducts));
  add(u"defaultLanguageGiven", flag(e.m_defaultLanguageGiven));
  add(u"filesForDefaultLanguage", flag(e.m_filesForDefaultLanguage));
  add(u"urlGiven", flag(e.m_updateInfo.m_urlGiven));
  add(u"encoding", flag(e.m_encoding == 0x08000100));
  for (const auto& [locale, unused] : e.m_localesWithFiles) add(u"locale", U(locale));
  return d;
}

}  // namespace

// The full description: every element and attribute the reader knows.
class FullDescription : public KxiTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Load(e, PutFixture("full.kxi")), 0);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(warnings.empty());
  }
  CZorbExtension e;
};

TEST_F(FullDescription, ReadWriteReadKeepsEveryValue) {
  // A sample of what the reader made of it, so the comparison below is
  // not between two empty objects.
  EXPECT_EQ(U(e.m_name), u"Table Tools & More");
  EXPECT_EQ(U(e.m_authorName), u"Ann O'Neil");
  EXPECT_EQ(U(e.m_descriptionHref), u"https://example.com/help");
  EXPECT_EQ(U(e.m_description),
            u"Builds tables & lists.<br>Second line with <b>markup</b> and \"quotes\".");
  EXPECT_EQ(e.m_configChanges.size(), 13u);
  EXPECT_EQ(e.m_helpChanges.size(), 2u);
  const auto* menus = e.GetMasterConfigChanges();
  ASSERT_NE(menus, nullptr);
  ASSERT_EQ(menus->m_children.size(), 4u);

  ASSERT_EQ(e.Save(Colon("written.kxi")), 0);
  CZorbExtension again;
  ASSERT_EQ(Load(again, Colon("written.kxi")), 0);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(Written(again), Written(e));
  EXPECT_EQ(Derived(again), Derived(e));
  // Every field, the changes in their host-file form and with their
  // locales: a value the writer leaves out is missing here, not on both
  // sides of the comparison above.
  CZorbExtension reread(again);
  reread.m_path = e.m_path;
  // The files element's language and default type serve the reading of its
  // entries only; every entry keeps them.
  reread.m_files.m_language = e.m_files.m_language;
  reread.m_files.m_defaultFileType = e.m_files.m_defaultFileType;
  reread.m_files.m_defaultTypeGiven = e.m_files.m_defaultTypeGiven;
  EXPECT_EQ(exttest::Describe(reread), exttest::Describe(e));
}

TEST_F(FullDescription, GoldenCopies) {
  // The copy kept in a product's store, and the flag copy for enable-all.
  ASSERT_EQ(e.SaveWithoutConfigChangeSection(Colon("store.kxi")), 0);
  EXPECT_EQ(sandbox.readFile(std::string(kPackage) + "store.kxi"),
            exttest::ReadFixture("golden/store-copy.kxi"));

  sandbox.makeFolder("Users/ann/flags");
  ASSERT_EQ(
      e.createZIRForEnableALL(CZorbPath(CString(sandbox.colon("Users/ann/flags").c_str())), true),
      0);
  EXPECT_EQ(sandbox.readFile("Users/ann/flags/full.kxi"),
            exttest::ReadFixture("golden/enable-all-copy.kxi"));
}
