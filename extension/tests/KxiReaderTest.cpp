#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/CZorbConfigChanges.h"
#include "config/CZorbFTPExtensionMapChangeInsert.h"
#include "config/CZorbHelpChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbSourceFormatChangeElementInsert.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/CZorbToolbarItemChangeInsert.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/CZorbExtensionXMLParser.h"
#include "extension/KxiFormat.h"
#include "extension/tests/KxiTestSupport.h"
#include "platform/os/FaultInjectingFileSystem.h"

using exttest::KxiTest;
using exttest::Texts;
using exttest::U;

namespace {

template <class T>
std::vector<const T*> ChildrenOf(const CZorbXmlObject& node) {
  std::vector<const T*> out;
  for (const CZorbXmlObject* child : node.m_children)
    if (const auto* typed = dynamic_cast<const T*>(child)) out.push_back(typed);
  return out;
}

std::u16string Attribute(const CZorbXmlObject& node, const char16_t* name) {
  CString value;
  if (!node.GetAttribute(name, value)) return u"<absent>";
  return U(value);
}

// The first generic child with the tag, searched depth first.
const CZorbXmlObject* Find(const CZorbXmlObject& node, const char16_t* tag) {
  return node.FindTag(tag);
}

}  // namespace

class KxiReader : public KxiTest {};

TEST_F(KxiReader, RootsAndWhatIsNotADescription) {
  struct RootCase {
    const char* name;
    std::string text;
    int result;
  };
  const std::vector<RootCase> cases = {
      {"minimal root", exttest::ReadFixture("minimal.kxi"), 0},
      {"legacy root", exttest::ReadFixture("legacy-root.kxi"), 0},
      {"root in another case", "<Quillory-Extension name=\"x\" version=\"1\"/>", 0},
      {"another root", "<quillory-extensions name=\"x\"/>", -2},
      {"the root one level down", "<w><quillory-extension name=\"x\"/></w>", -2},
      {"an empty file", "", -1},
      {"only blank lines", "\n  \n\t\n", -2},
  };
  for (const RootCase& c : cases) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    EXPECT_EQ(LoadText(e, c.text), c.result);
  }
  CZorbExtension missing;
  EXPECT_EQ(Load(missing, Colon("missing.kxi")), -1);
  EXPECT_EQ(U(missing.m_path), U(Colon("missing.kxi")));
}

TEST_F(KxiReader, MinimalRootKeepsTheDefaults) {
  CZorbExtension e;
  ASSERT_EQ(Load(e, PutFixture("minimal.kxi")), 0);
  EXPECT_EQ(U(e.m_name), u"Tiny");
  EXPECT_EQ(U(e.m_version), u"1.0.0");
  EXPECT_EQ(U(e.m_xmlDecl), u"");
  EXPECT_TRUE(e.m_showFiles);
  EXPECT_TRUE(e.m_enabledForEnableAll);
  EXPECT_EQ(e.m_pluginManagerType, 2);
  EXPECT_EQ(e.m_packageType, 2);
  EXPECT_EQ(e.m_type, 0);
  EXPECT_FALSE(e.m_filesForDefaultLanguage);
  EXPECT_TRUE(e.m_products.m_children.empty());
  EXPECT_TRUE(e.m_configChanges.empty());
  EXPECT_TRUE(e.m_openElements.empty());
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(warnings.empty());
}

TEST_F(KxiReader, LegacyRootReadsLikeTheNewOneAndIsWrittenAsIt) {
  CZorbExtension e;
  ASSERT_EQ(Load(e, PutFixture("legacy-root.kxi")), 0);
  EXPECT_EQ(U(e.m_name), u"Old Timer");
  EXPECT_EQ(U(e.m_id), u"com.example.old");
  EXPECT_EQ(e.m_type, 1);
  EXPECT_EQ(U(e.m_typeText), u"Command");
  EXPECT_EQ(U(e.m_description), u"Written for an old host.");
  ASSERT_EQ(ChildrenOf<CZorbExtensionFile>(e.m_files).size(), 1u);
  EXPECT_EQ(U(e.m_xmlDecl), u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");

  CString written;
  e.BuildXml(0, written);
  const std::u16string text = U(written);
  EXPECT_EQ(text.find(u"quillory-package"), std::u16string::npos);
  EXPECT_EQ(text.rfind(u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r<quillory-extension", 0),
            0u);
  EXPECT_NE(text.find(u"</quillory-extension>\r"), std::u16string::npos);
}

TEST_F(KxiReader, TypeTable) {
  // Every spelling of the table gives its own code, also through a
  // document and in any letter case; the text is kept as written.
  for (size_t i = 0; i < kxi::kTypeTableSize; ++i) {
    const kxi::TypeSpelling& row = kxi::kTypeTable[i];
    CString upper(row.text);
    for (int32_t k = 0; k < upper.GetLength(); ++k)
      if (upper.GetAt(k) >= u'a' && upper.GetAt(k) <= u'z')
        upper.SetAt(k, static_cast<char16_t>(upper.GetAt(k) - u'a' + u'A'));
    EXPECT_EQ(kxi::TypeCode(CString(row.text)), row.code) << U(CString(row.text)).size();
    EXPECT_EQ(kxi::TypeCode(upper), row.code);
  }
  struct TypeCase {
    const char16_t* text;
    int32_t code;
  };
  const std::vector<TypeCase> cases = {
      {u"command", 1},
      {u"Behavior", 3},
      {u"propertyInspector", 9},
      {u"PROPERTY INSPECTOR", 9},
      {u"3rd party tags", 13},
      {u"plugin", 14},
      {u"server model", 18},
      {u"Lumen Button Style", 21},
      {u"keyboardshortcuts", 32},
      {u"lumenlet", 51},
      {u"helpqmvpanel", 55},
      {u"LumenHelpBook", 64},
      {u"widget", 0},
      {u"", 0},
      {u" command", 0},
  };
  for (const TypeCase& c : cases) {
    const std::u16string text(c.text);
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    CZorbExtension e;
    ASSERT_EQ(LoadText(e, "<quillory-extension type=\"" + std::string(text.begin(), text.end()) +
                              "\" />"),
              0);
    EXPECT_EQ(e.m_type, c.code);
    EXPECT_EQ(U(e.m_typeText), text);
    EXPECT_TRUE(errors.empty());
  }
}

TEST_F(KxiReader, RootAttributes) {
  CZorbExtension e;
  ASSERT_EQ(
      LoadText(
          e,
          "<quillory-extension id=\"x.y\" name=\"N\" version=\"1.2.3\" ismultilingual=\"TRUE\"\n"
          "  name_resid=\"n\" icon=\"i.png\" requires-restart=\"true\" kxiversion=\"2.0\"\n"
          "  vornversion=\"5.0\" forcecheck=\"true\" force-quit=\"true\" locked=\"true\"\n"
          "  show-files=\"false\" pkgtype=\"YXP\" plugin-manager-type=\"all-users\"\n"
          "  enabled-for-enabled-all=\"FALSE\" time-stamp=\"2012-3-27-9-5-7\" />"),
      0);
  EXPECT_EQ(U(e.m_id), u"x.y");
  EXPECT_EQ(U(e.m_version), u"1.2.3");
  EXPECT_TRUE(e.m_multilingual);
  EXPECT_EQ(U(e.m_nameResId), u"n");
  EXPECT_EQ(U(e.m_icon), u"i.png");
  EXPECT_TRUE(e.m_requiresRestart);
  EXPECT_EQ(U(e.m_kxiVersion), u"2.0.0");
  EXPECT_EQ(U(e.m_plexoVersion), u"5.0.0");
  EXPECT_TRUE(e.m_forceCheck && e.m_forceQuit && e.m_locked);
  EXPECT_FALSE(e.m_showFiles);
  EXPECT_EQ(e.m_packageType, 1);
  EXPECT_FALSE(e.m_writePackageType);
  EXPECT_EQ(e.m_pluginManagerType, 0);
  EXPECT_FALSE(e.m_enabledForEnableAll);
  EXPECT_EQ(U(e.m_timeStamp), u"2012-3-27-9-5-7");
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(warnings.empty());

  // Values outside the keywords.
  struct FlagCase {
    const char* attribute;
    const char* value;
    bool error;
    int expected;  // the field afterwards
  };
  const std::vector<FlagCase> cases = {
      {"show-files", "no", true, 1},
      {"show-files", "true", false, 1},
      {"ismultilingual", "yes", true, 0},
      {"locked", "false", false, 0},
      {"plugin-manager-type", "current-user", false, 1},
      {"plugin-manager-type", "everyone", true, 1},
      {"enabled-for-enabled-all", "nope", false, 1},
      {"pkgtype", "zip", false, 0},
      {"pkgtype", "kxp", false, 2},
  };
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(std::string(c.attribute) + "=" + c.value);
    CZorbExtension one;
    ASSERT_EQ(LoadText(one, std::string("<quillory-extension ") + c.attribute + "=\"" + c.value +
                                "\" />"),
              0);
    EXPECT_EQ(errors.size(), c.error ? 1u : 0u);
    const std::string attribute = c.attribute;
    const int actual = attribute == "show-files"                ? one.m_showFiles
                       : attribute == "ismultilingual"          ? one.m_multilingual
                       : attribute == "locked"                  ? one.m_locked
                       : attribute == "plugin-manager-type"     ? one.m_pluginManagerType
                       : attribute == "enabled-for-enabled-all" ? one.m_enabledForEnableAll
                                                                : one.m_packageType;
    EXPECT_EQ(actual, c.expected);
  }
  CZorbExtension invalid;
  ASSERT_EQ(LoadText(invalid, "<quillory-extension show-files=\"no\" />"), 0);
  EXPECT_EQ(Texts(errors),
            std::vector<std::u16string>{u"invalid show-files|quillory-extension|no|true,false"});
}

TEST_F(KxiReader, BadEscapesArriveAsWritten) {
  CZorbExtension e;
  ASSERT_EQ(Load(e, PutFixture("bad-escapes.kxi")), 0);
  EXPECT_EQ(U(e.m_name), u"Fish & Chips");
  EXPECT_EQ(U(e.m_id), u"it's mine");
  EXPECT_EQ(e.m_type, 15);
  EXPECT_EQ(U(e.m_description), u"Bits & bobs: &lt;b&gt; stays, it's fine, x +<y> +>z");
  ASSERT_EQ(e.m_configChanges.size(), 1u);
  const auto inserts = ChildrenOf<CZorbMenuChangeInsert>(*e.m_configChanges[0]);
  ASSERT_EQ(inserts.size(), 1u);
  EXPECT_EQ(U(inserts[0]->m_targetId), u"LWMenu_Commands");
  EXPECT_EQ(inserts[0]->m_position, 4);
}

TEST_F(KxiReader, SectionsKeepTheirTextAndTheRestOfTheirLineIsEscaped) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension name=\"x\">\n"
                     "<description><![CDATA[Fish & Chips, it's <x dynamic> +<y>]]></description>\n"
                     "<license-agreement><![CDATA[\n"
                     "Terms & conditions\n"
                     "]]></license-agreement><author name=\"Ann & Bob\" />\n"
                     "<products><row a=\"1 & 2\" dynamic><![CDATA[c & d]]></row>"
                     "<row b=\"it's\"><![CDATA[<e dynamic>]]></row></products>\n"
                     "</quillory-extension>\n"),
            0);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(U(e.m_description), u"Fish & Chips, it's <x dynamic> +<y>");
  EXPECT_EQ(U(e.m_licenseAgreement), u"Terms & conditions");
  EXPECT_EQ(U(e.m_authorName), u"Ann & Bob");
  const std::vector<const CZorbXmlObject*> rows = ChildrenOf<CZorbXmlObject>(e.m_products);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Attribute(*rows[0], u"a"), u"1 & 2");
  EXPECT_EQ(Attribute(*rows[0], u"dynamic"), u"true");
  EXPECT_EQ(U(rows[0]->m_text), u"c & d");
  EXPECT_EQ(Attribute(*rows[1], u"b"), u"it's");
  EXPECT_EQ(U(rows[1]->m_text), u"<e dynamic>");
}

TEST_F(KxiReader, TheLinePassFollowsMarkupAndSectionsFromLineToLine) {
  // Each case: lines in order, each as expat gets it. Lines with nothing
  // to escape still carry the place in the markup to the next line.
  struct Case {
    const char* name;
    std::vector<std::u16string> lines;
    std::vector<std::u16string> expected;
  } cases[] = {
      {"a section over lines, a lone ] inside",
       {u"<d><![CDATA[ a ] b", u"c & d ]]> e & f", u"g & h"},
       {u"<d><![CDATA[ a ] b", u"c & d ]]> e &amp; f", u"g &amp; h"}},
      {"a start tag over lines, a > inside a value",
       {u"<row a=\"1 > 2\"", u"dynamic b=\"x\">x & y"},
       {u"<row a=\"1 > 2\"", u"dynamic=\"true\" b=\"x\">x &amp; y"}},
      {"a value over lines",
       {u"<x a=\"q", u"r dynamic\" dynamic>"},
       {u"<x a=\"q", u"r dynamic\" dynamic=\"true\">"}},
      {"a comment over lines",
       {u"<!-- a > b", u"dynamic -- > c -->", u"<x dynamic/>"},
       {u"<!-- a > b", u"dynamic -- > c -->", u"<x dynamic=\"true\"/>"}},
      {"escapes next to a section and to the word",
       {u"+<![CDATA[x]]>+> <%y%>", u"<z dynamic>% <![CDATA[<%]]>'"},
       {u"+&lt;![CDATA[x]]>+&gt; &lt;%y%&gt;", u"<z dynamic=\"true\">% <![CDATA[<%]]>&apos;"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    CZorbExtensionXMLParser parser(&e);
    ASSERT_EQ(c.lines.size(), c.expected.size());
    for (size_t i = 0; i < c.lines.size(); ++i) {
      CString line(c.lines[i].c_str());
      EXPECT_EQ(parser.OnPreProcessLine(line), 0);
      EXPECT_EQ(U(line), c.expected[i]) << "line " << i;
    }
  }
}

TEST_F(KxiReader, DoubleQuotesInValuesBecomeApostrophes) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension name=\"say &quot;hi&quot;\">"
                     "<products><unknown text='a \"b\" c' /></products></quillory-extension>"),
            0);
  // The file's reference stays text; a real double quote is an apostrophe.
  EXPECT_EQ(U(e.m_name), u"say &quot;hi&quot;");
}

TEST_F(KxiReader, BrokenEmptyTagEndsTheLoad) {
  for (const char* fixture : {"broken-empty-tag.kxi", "broken-empty-tag-cdata.kxi"}) {
    SCOPED_TRACE(fixture);
    CZorbExtension e;
    EXPECT_EQ(Load(e, PutFixture(fixture)), -3);
    EXPECT_TRUE(e.m_openElements.empty());
  }
  CZorbExtension tight;
  EXPECT_EQ(LoadText(tight, "<quillory-extension name=\"a\"><files /></quillory-extension>"), 0);
}

TEST_F(KxiReader, BareDynamicIsAnAttributeOnlyInsideAStartTag) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension name=\"x\" version=\"1\">\n"
                     "<products>\n"
                     "<row name=\"Add dynamic row\" dynamic id=\"a\" />\n"
                     "<row name=\"dynamic\" \tdynamic\t/>\n"
                     "<row id=\"c\" dynamic/>\n"
                     "<row id=\"d\"\n"
                     "  dynamic\n"
                     "  other=\"x dynamic y\" />\n"
                     "<row id=\"e\" dynamic =\"false\" />\n"
                     "<row id=\"f\">text with dynamic in it</row>\n"
                     "<dynamic id=\"g\" />\n"
                     "</products>\n"
                     "<description>a dynamic description</description>\n"
                     "</quillory-extension>\n"),
            0);
  const std::vector<const CZorbXmlObject*> rows = ChildrenOf<CZorbXmlObject>(e.m_products);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(Attribute(*rows[0], u"name"), u"Add dynamic row");
  EXPECT_EQ(Attribute(*rows[0], u"dynamic"), u"true");
  EXPECT_EQ(Attribute(*rows[0], u"id"), u"a");
  EXPECT_EQ(Attribute(*rows[1], u"dynamic"), u"true");
  EXPECT_EQ(Attribute(*rows[2], u"dynamic"), u"true");
  EXPECT_EQ(Attribute(*rows[3], u"dynamic"), u"true");
  EXPECT_EQ(Attribute(*rows[3], u"other"), u"x dynamic y");
  EXPECT_EQ(Attribute(*rows[4], u"dynamic"), u"false");
  EXPECT_EQ(U(rows[5]->m_text), u"text with dynamic in it");
  EXPECT_EQ(Attribute(*rows[6], u"id"), u"g");
  EXPECT_EQ(U(e.m_description), u"a dynamic description");
}

TEST_F(KxiReader, OneErrorAndEveryWarningReachTheCaller) {
  CZorbExtension e;
  ASSERT_EQ(Load(e, PutFixture("messages.kxi")), 0);
  EXPECT_EQ(Texts(errors),
            std::vector<std::u16string>{u"invalid locked|quillory-extension|maybe|true,false"});
  EXPECT_EQ(Texts(warnings), (std::vector<std::u16string>{
                                 u"Unknown attribute: colour.",
                                 u"Unknown attribute: localize-name.",
                                 u"Unknown attribute: nickname.",
                                 u"Unknown attribute: size.",
                                 u"Unknown attribute of tag 'description': lang.",
                             }));
  // The invalid values still left their mark.
  EXPECT_FALSE(e.m_locked);
  const auto files = ChildrenOf<CZorbExtensionFile>(e.m_files);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0]->m_fileType, -1);

  // Either list may be missing.
  CZorbExtension quiet;
  EXPECT_EQ(quiet.LoadWithLoadResourceFlagAndCheck(Colon("messages.kxi"), true, nullptr, nullptr),
            0);
  // Load hands its list the warnings.
  CZorbExtension loaded;
  CZorbTypedList<CZorbString> messages;
  EXPECT_EQ(loaded.Load(Colon("messages.kxi"), &messages), 0);
  EXPECT_EQ(messages.size(), 5u);
}

TEST_F(KxiReader, ADocumentThatBreaksOffLoadsWithAnError) {
  CZorbExtension e;
  ASSERT_EQ(Load(e, PutFixture("partial.kxi")), 0);
  ASSERT_EQ(errors.size(), 1u);
  const std::u16string error = U(errors.front());
  EXPECT_EQ(error.rfind(u"breaks off 5|", 0), 0u) << std::string(error.begin(), error.end());
  const auto files = ChildrenOf<CZorbExtensionFile>(e.m_files);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(U(files[0]->m_source), u"a.js");
  EXPECT_TRUE(e.m_openElements.empty());

  // Junk after a whole description costs nothing.
  CZorbExtension whole;
  EXPECT_EQ(LoadText(whole, "<quillory-extension name=\"a\"></quillory-extension>\n<junk"), 0);
  EXPECT_TRUE(errors.empty());
  // The break-off error comes before any other.
  CZorbExtension both;
  EXPECT_EQ(LoadText(both, "<quillory-extension locked=\"maybe\">\n<files>\n<x"), 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(U(errors.front()).rfind(u"breaks off 3|", 0), 0u);
  // The place in the file as the user wrote it, indentation included: the
  // name in the end tag that does not match.
  CZorbExtension mismatched;
  EXPECT_EQ(
      LoadText(mismatched, "<quillory-extension>\n\t\t<files></filez>\n</quillory-extension>"), 0);
  ASSERT_EQ(errors.size(), 1u);
  const std::u16string place = U(errors.front());
  EXPECT_EQ(place.rfind(u"breaks off 2|12|", 0), 0u) << std::string(place.begin(), place.end());
}

TEST_F(KxiReader, DeepNestingBreaksTheDescriptionOff) {
  std::string text = "<quillory-extension name=\"deep\"><products>";
  for (int i = 0; i < 5000; ++i) text += "<n>";
  for (int i = 0; i < 5000; ++i) text += "</n>";
  text += "</products></quillory-extension>";
  CZorbExtension e;
  ASSERT_EQ(LoadText(e, text), 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(U(errors.front()).rfind(u"breaks off 1|", 0), 0u);
  EXPECT_TRUE(e.m_openElements.empty());
  // What was read is bounded: it can be written and copied.
  CString written;
  e.BuildXml(0, written);
  const CZorbExtension copy(e);
}

TEST_F(KxiReader, DotDotRefusesTheLoadButTheChecksGoOn) {
  CZorbExtension e;
  ASSERT_EQ(Load(e, PutFixture("dotdot.kxi")), -5);
  const auto files = ChildrenOf<CZorbExtensionFile>(e.m_files);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0]->m_fileType, 1);
  EXPECT_EQ(files[2]->m_fileType, 0);  // the walk stopped before it
  EXPECT_TRUE(e.m_severalPrimaryProducts);
  EXPECT_EQ(Texts(errors),
            (std::vector<std::u16string>{u"several primary", u"missing url|update"}));
}

TEST_F(KxiReader, PlatformAndBitKeywords) {
  // A product takes the exact words in any case; a file entry looks at the
  // first three letters only and never complains.
  struct KeywordCase {
    std::string element;
    int32_t platform;
    int32_t bit;
    std::vector<std::u16string> errors;
  };
  const std::vector<KeywordCase> cases = {
      {"<products><product name=\"P\" platform=\"MAC\" bit=\"64\" /></products>", 1, 2, {}},
      {"<products><product name=\"P\" platform=\"Win\" bit=\"32\" /></products>", 2, 1, {}},
      {"<products><product name=\"P\" platform=\"macintosh\" /></products>",
       0,
       0,
       {u"invalid platform|product|macintosh|win,mac"}},
      {"<products><product name=\"P\" bit=\"16\" /></products>",
       0,
       0,
       {u"invalid bit|product|16|32,64"}},
      {"<files><file source=\"a\" platform=\"Macintosh\" /></files>", 1, 0, {}},
      {"<files><file source=\"a\" platform=\"windows\" /></files>", 2, 0, {}},
      {"<files><file source=\"a\" platform=\"ma\" /></files>", 0, 0, {}},
      {"<files><file source=\"a\" platform=\"linux\" /></files>", 0, 0, {}},
  };
  for (const KeywordCase& c : cases) {
    SCOPED_TRACE(c.element);
    CZorbExtension e;
    ASSERT_EQ(LoadText(e, "<quillory-extension>" + c.element + "</quillory-extension>"), 0);
    EXPECT_EQ(Texts(errors), c.errors);
    const auto products = ChildrenOf<CZorbExtensionProduct>(e.m_products);
    const auto files = ChildrenOf<CZorbExtensionFile>(e.m_files);
    ASSERT_EQ(products.size() + files.size(), 1u);
    if (!products.empty()) {
      EXPECT_EQ(products[0]->m_platform, c.platform);
      EXPECT_EQ(products[0]->m_bit, c.bit);
    } else {
      EXPECT_EQ(files[0]->m_platform, c.platform);
    }
  }
}

TEST_F(KxiReader, XmlCommentsAreIgnoredAndCommentElementsKept) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension name=\"x\">\n"
                     "<!-- <files><file source=\"a & b\" dynamic /></files>\n"
                     "     it's <% not %> read -->\n"
                     "<configuration-changes><comment>Keep me & my \"quotes\"</comment>"
                     "<menu-remove id=\"m\" /></configuration-changes>\n"
                     "</quillory-extension>\n"),
            0);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(e.m_files.m_children.empty());
  ASSERT_EQ(e.m_configChanges.size(), 1u);
  const std::vector<const CZorbXmlObject*> changes =
      ChildrenOf<CZorbXmlObject>(*e.m_configChanges[0]);
  ASSERT_EQ(changes.size(), 2u);
  const auto* comment = dynamic_cast<const CZorbXmlComment*>(changes[0]);
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(U(comment->m_comment), u"Keep me & my \"quotes\"");
  EXPECT_NE(dynamic_cast<const CZorbMenuChangeRemove*>(changes[1]), nullptr);
}

TEST_F(KxiReader, ChildrenOutsideTheirParentsMakeNothing) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension name=\"x\">\n"
                     "<token name=\"$t\" bad=\"1\" />\n"
                     "<product name=\"P\" />\n"
                     "<signature name=\"s\" />\n"
                     "<file source=\"a.js\" />\n"
                     "<menu-remove id=\"m\" />\n"
                     "<comment>lost</comment>\n"
                     "<helpbook-remove id=\"b\" />\n"
                     "<products><file source=\"b.js\" /><menu-remove id=\"m\" /></products>\n"
                     "</quillory-extension>\n"),
            0);
  EXPECT_TRUE(e.m_tokens.m_children.empty());
  EXPECT_TRUE(e.m_files.m_children.empty());
  EXPECT_TRUE(e.m_signInfos.m_children.empty());
  EXPECT_TRUE(e.m_products.m_children.empty());
  EXPECT_TRUE(warnings.empty());
}

TEST_F(KxiReader, TextElements) {
  CZorbExtension e;
  ASSERT_EQ(
      LoadText(e,
               "<quillory-extension name=\"x\">\n"
               "<description href=\"h\" source=\"s\" resid=\"d\"><![CDATA[\n"
               "  First line\n"
               "  Second  line\n"
               "]]></description>\n"
               "<products><description>not the extension's</description></products>\n"
               "<ui-access resid=\"u\">  Commands &gt; Tools  </ui-access>\n"
               "<license-agreement resid=\"l\"><![CDATA[Use <i>it</i>]]></license-agreement>\n"
               "<defaultLanguage> en_US </defaultLanguage>\n"
               "<author name=\"Ann\" author_resid=\"a\" />\n"
               "</quillory-extension>\n"),
      0);
  EXPECT_EQ(U(e.m_description), u"First line<br>Second line");
  EXPECT_EQ(U(e.m_descriptionHref), u"h");
  EXPECT_EQ(U(e.m_descriptionSource), u"s");
  EXPECT_EQ(U(e.m_descriptionResId), u"d");
  const CZorbXmlObject* inner = Find(e.m_products, u"description");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(U(inner->m_text), u"not the extension's");
  EXPECT_EQ(U(e.m_uiAccess), u"Commands &gt; Tools");
  EXPECT_EQ(U(e.m_uiAccessResId), u"u");
  EXPECT_EQ(U(e.m_licenseAgreement), u"Use <i>it</i>");
  EXPECT_EQ(U(e.m_licenseResId), u"l");
  EXPECT_EQ(U(e.m_defaultLanguage), u"en_US");
  EXPECT_TRUE(e.m_defaultLanguageGiven);
  EXPECT_EQ(U(e.m_authorName), u"Ann");
  EXPECT_EQ(U(e.m_authorResId), u"a");
}

TEST_F(KxiReader, ChecksAfterReading) {
  struct CheckCase {
    const char* name;
    std::string body;
    std::vector<std::u16string> errors;
  };
  const std::vector<CheckCase> cases = {
      {"WBXS with a default type",
       "<products><product name=\"wbxs\" /></products>"
       "<files default-file-type=\"plugin\"><file source=\"a\" /></files>",
       {u"not for wbxs default-file-type", u"not for wbxs file-type"}},
      {"WBXS with an explicit type",
       "<products><product name=\"WBXS\" /></products>"
       "<files><file source=\"a\" file-type=\"ordinary\" /><file source=\"b\" /></files>",
       {u"not for wbxs file-type"}},
      {"two primaries and a plug-in manager type",
       "<products><product name=\"a\" primary=\"true\" /><product name=\"b\" primary=\"true\" />"
       "</products>",
       {u"several primary"}},
      {"method without url", "<update method=\"directlink\" />", {u"missing url|update"}},
      {"url without method", "<update url=\"https://example.com/x\" />", {}},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    const std::string managed = c.name == std::string("two primaries and a plug-in manager type")
                                    ? " plugin-manager-type=\"current-user\""
                                    : "";
    ASSERT_EQ(LoadText(e, "<quillory-extension name=\"x\"" + managed + ">" + c.body +
                              "</quillory-extension>"),
              0);
    EXPECT_EQ(Texts(errors), c.errors);
  }

  CZorbExtension wbxs;
  ASSERT_EQ(LoadText(wbxs,
                     "<quillory-extension><products><product name=\"WBXS\" /></products>"
                     "<files><file source=\"a\" file-type=\"ordinary\" /><file source=\"b\" />"
                     "</files></quillory-extension>"),
            0);
  const auto files = ChildrenOf<CZorbExtensionFile>(wbxs.m_files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0]->m_fileType, -1);
  EXPECT_EQ(files[1]->m_fileType, 2);
  EXPECT_TRUE(files[1]->m_typeImplied);
  EXPECT_EQ(wbxs.m_fileTypes, -1);
  // The first product is primary when none says so.
  const auto products = ChildrenOf<CZorbExtensionProduct>(wbxs.m_products);
  EXPECT_TRUE(products[0]->m_primary);

  CZorbExtension twoPrimaries;
  ASSERT_EQ(LoadText(twoPrimaries,
                     "<quillory-extension><products><product name=\"a\" primary=\"true\" />"
                     "<product name=\"b\" primary=\"true\" /></products></quillory-extension>"),
            0);
  EXPECT_TRUE(twoPrimaries.m_severalPrimaryProducts);
  EXPECT_TRUE(errors.empty());

  CZorbExtension update;
  ASSERT_EQ(LoadText(update,
                     "<quillory-extension><update url=\"https://e.com/u\" /></quillory-extension>"),
            0);
  EXPECT_EQ(update.m_updateInfo.m_method, 1);
}

TEST_F(KxiReader, LanguagesOfFilesAndChanges) {
  CZorbExtension e;
  ASSERT_EQ(
      LoadText(e,
               "<quillory-extension>\n"
               "<defaultLanguage>de_de</defaultLanguage>\n"
               "<files xml:lang=\"fr_FR\">\n"
               "  <file source=\"a\" />\n"
               "  <file source=\"b\" xml:lang=\"it_IT\" />\n"
               "  <file source=\"c\" xml:lang=\"es_ES\" isresourcefile=\"true\" />\n"
               "</files>\n"
               "<files><file source=\"d\" /></files>\n"
               "<configuration-changes>\n"
               "  <menu-remove id=\"m\" xml:lang=\"de_DE\" />\n"
               "  <FTP-extension-map-changes>\n"
               "    <FTP-extension-insert extension=\"x\" xml:lang=\"nl_NL\" />\n"
               "  </FTP-extension-map-changes>\n"
               "  <toolbar-changes><toolbar-insert><toolbar xml:lang=\"no\" /></toolbar-insert>"
               "  <anything xml:lang=\"pt_BR\" /></toolbar-changes>\n"
               "</configuration-changes>\n"
               "<help-changes><helpbook-remove id=\"b\" xml:lang=\"ja_JP\" /></help-changes>\n"
               "</quillory-extension>\n"),
      0);
  std::vector<std::u16string> locales;
  for (const auto& [locale, unused] : e.m_localesWithFiles) locales.push_back(U(locale));
  EXPECT_EQ(locales, (std::vector<std::u16string>{u"de_DE", u"fr_FR", u"it_IT", u"ja_JP", u"nl_NL",
                                                  u"pt_BR"}));
  const auto files = ChildrenOf<CZorbExtensionFile>(e.m_files);
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(U(files[0]->m_language), u"fr_FR");
  EXPECT_EQ(U(files[3]->m_language), u"");
  // The default language has files, ignoring case.
  EXPECT_TRUE(e.m_filesForDefaultLanguage);
  EXPECT_TRUE(e.filesExistForLocale(CString()));
  EXPECT_FALSE(e.filesExistForLocale(CString(u"es_ES")));
}

TEST_F(KxiReader, ChangeSetsNestIntoTheTwoLists) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension>\n"
                     "<configuration-changes>\n"
                     "  <menu-remove menuid=\"m1\" />\n"
                     "  <toolbar-changes file=\"my.xml\" other=\"ignored\">\n"
                     "    <toolbar-item-insert prependTo=\"T\" toolbar=\"TB\" xml:lang=\"fr\" />\n"
                     "  </toolbar-changes>\n"
                     "  <menu-remove id=\"m2\" />\n"
                     "  <source-format-changes>\n"
                     "    <element-insert name=\"tt\" indent=\"false\" indentGroup=\"7\" "
                     "noformat=\"maybe\" />\n"
                     "  </source-format-changes>\n"
                     "</configuration-changes>\n"
                     "<server-behavior-changes servermodel=\"PHP\" colour=\"x\" />\n"
                     "<help-changes><helpbook-changes /></help-changes>\n"
                     "</quillory-extension>\n"),
            0);
  ASSERT_EQ(e.m_configChanges.size(), 4u);
  const auto* menus = dynamic_cast<CZorbMasterConfigChanges*>(e.m_configChanges[0]);
  ASSERT_NE(menus, nullptr);
  const auto removes = ChildrenOf<CZorbMenuChangeRemove>(*menus);
  ASSERT_EQ(removes.size(), 2u);
  EXPECT_EQ(U(removes[0]->m_id), u"m1");
  EXPECT_EQ(U(removes[1]->m_id), u"m2");
  const auto* toolbars = dynamic_cast<CZorbToolbarConfigChanges*>(e.m_configChanges[1]);
  ASSERT_NE(toolbars, nullptr);
  EXPECT_EQ(U(toolbars->m_fileName), u"my.xml");
  const auto items = ChildrenOf<CZorbToolbarItemChangeInsert>(*toolbars);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0]->m_position, 3);
  EXPECT_EQ(U(items[0]->m_id), u"T");
  EXPECT_EQ(U(items[0]->m_toolbarId), u"TB");
  EXPECT_EQ(U(items[0]->m_locale), u"fr");
  const auto elements = ChildrenOf<CZorbSourceFormatChangeElementInsert>(*e.m_configChanges[2]);
  ASSERT_EQ(elements.size(), 1u);
  EXPECT_EQ(elements[0]->m_indent, 2);
  EXPECT_EQ(elements[0]->m_indentGroup, 7);
  EXPECT_EQ(elements[0]->m_noformat, 2);
  EXPECT_EQ(errors.size(), 1u);  // noformat="maybe"
  EXPECT_EQ(Texts(warnings), std::vector<std::u16string>{u"Unknown attribute: colour."});
  ASSERT_EQ(e.m_helpChanges.size(), 2u);
}

TEST_F(KxiReader, FtpChangesKeepTheirLanguage) {
  CZorbExtension e;
  ASSERT_EQ(LoadText(e,
                     "<quillory-extension><configuration-changes><FTP-extension-map-changes>"
                     "<FTP-extension-insert extension=\"ttx\" type=\"ASCII\" xml:lang=\"de_DE\" />"
                     "</FTP-extension-map-changes></configuration-changes></quillory-extension>"),
            0);
  ASSERT_EQ(e.m_configChanges.size(), 2u);
  const auto inserts = ChildrenOf<CZorbFTPExtensionMapChangeInsert>(*e.m_configChanges[1]);
  ASSERT_EQ(inserts.size(), 1u);
  EXPECT_EQ(U(inserts[0]->m_locale), u"de_DE");
  EXPECT_EQ(inserts[0]->m_ascii, 1);
  EXPECT_FALSE(inserts[0]->filterByLocale(CString(u"en_US")));
}

// The size is checked before a byte is read: a load takes many times the
// file's size in memory.
TEST_F(KxiTest, ADescriptionLargerThanTheLimitIsRefusedUnread) {
  constexpr int64_t kLimit = CZorbExtensionXMLParser::kMaxDescriptionBytes;
  const std::string head = "<quillory-extension version=\"1.0\" name=\"";
  const std::string tail = "\"></quillory-extension>";
  std::string text = head + std::string(kLimit - head.size() - tail.size(), 'n') + tail;
  ASSERT_EQ(static_cast<int64_t>(text.size()), kLimit);
  {
    CZorbExtension e;
    EXPECT_EQ(LoadText(e, text), 0);
    EXPECT_EQ(e.m_name.GetLength(), kLimit - static_cast<int64_t>(head.size() + tail.size()));
    EXPECT_TRUE(errors.empty());
  }

  const std::string posix = sandbox.posix(kPackage + std::string("test.kxi"));
  const std::u16string refusal =
      u"too large " + std::u16string(posix.begin(), posix.end()) + u"|16";
  text.insert(head.size(), "n");
  {
    CZorbExtension e;
    EXPECT_EQ(LoadText(e, text), -1);
    EXPECT_EQ(Texts(errors), std::vector<std::u16string>{refusal});
    EXPECT_EQ(e.m_name.GetLength(), 0);
  }
  // Far beyond what a size in 32 bits holds, and never read.
  text.clear();
  text.shrink_to_fit();
  std::filesystem::resize_file(posix, (uint64_t{1} << 32) + 1);
  {
    CZorbExtension e;
    EXPECT_EQ(Load(e, Colon("test.kxi")), -1);
    EXPECT_EQ(Texts(errors), std::vector<std::u16string>{refusal});
  }
}

// A package folder on disk that a file entry names.
class FolderEntries : public KxiTest {
 protected:
  void SetUp() override {
    sandbox.writeFile("Users/ann/pkg/tools/a.js", "a");
    sandbox.writeFile("Users/ann/pkg/tools/.DS_Store", "x");
    sandbox.writeFile("Users/ann/pkg/tools/sub/b.js", "b");
    sandbox.writeFile("Users/ann/pkg/tools/sub/.DS_Store", "x");
    sandbox.writeFile("Users/ann/pkg/tools/only-ds/.DS_Store", "x");
    sandbox.makeFolder("Users/ann/pkg/tools/empty");
    sandbox.makeFolder("Users/ann/pkg/bare");
    sandbox.writeFile("Users/ann/pkg/v1..2/c.js", "c");
    namespace fs = std::filesystem;
    // A loop back to the package, and a link to a file.
    fs::create_directory_symlink("../..", sandbox.posix("Users/ann/pkg/tools/sub/loop"));
    fs::create_symlink("../a.js", sandbox.posix("Users/ann/pkg/tools/sub/link.js"));
  }

  struct Entry {
    std::u16string source;
    std::u16string destination;
    std::u16string folder;
    int32_t emptyFolder;
    bool operator==(const Entry&) const = default;
  };
  friend std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << std::string(entry.source.begin(), entry.source.end()) << " -> "
               << std::string(entry.destination.begin(), entry.destination.end()) << " ("
               << entry.emptyFolder << ")";
  }

  std::vector<Entry> Entries(const CZorbExtension& e) {
    std::vector<Entry> out;
    for (const auto* file : ChildrenOf<CZorbExtensionFile>(e.m_files))
      out.push_back(
          {U(file->m_source), U(file->m_destination), U(file->m_folder), file->m_isEmptyFolder});
    return out;
  }

  int LoadEntry(CZorbExtension& e, const std::string& file) {
    return LoadText(
        e, "<quillory-extension name=\"x\"><files>" + file + "</files></quillory-extension>");
  }
};

TEST_F(FolderEntries, AFolderBecomesItsFilesAndEmptyFolders) {
  CZorbExtension e;
  ASSERT_EQ(LoadEntry(e,
                      "<file source=\"tools\" destination=\"$installfolder/Commands\" "
                      "shared=\"true\" />"),
            0);
  const std::vector<Entry> expected = {
      {u"tools/a.js", u"$installfolder/Commands/tools", u"tools", 0},
      {u"tools/sub/b.js", u"$installfolder/Commands/tools/sub", u"tools", 0},
      {u"tools/sub/link.js", u"$installfolder/Commands/tools/sub", u"tools", 0},
      {u"tools/empty", u"$installfolder/Commands/tools", u"tools", 1},
      {u"tools/only-ds", u"$installfolder/Commands/tools", u"tools", 1},
  };
  EXPECT_EQ(Entries(e), expected);
  for (const auto* file : ChildrenOf<CZorbExtensionFile>(e.m_files)) EXPECT_EQ(file->m_shared, 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(FolderEntries, SourcesAreTidiedAndClimbingOnesAreNotLookedAt) {
  struct SourceCase {
    const char* name;
    std::string file;
    int result;
    std::vector<Entry> entries;
  };
  const std::vector<SourceCase> cases = {
      {"an empty folder",
       "<file source=\"bare/\" destination=\"D/\" />",
       0,
       {{u"bare", u"D/", u"bare", 1}}},
      {"doubled and leading slashes",
       "<file source=\"//tools//sub\" destination=\"D\" />",
       0,
       {{u"tools/sub/b.js", u"D/sub", u"tools/sub", 0},
        {u"tools/sub/link.js", u"D/sub", u"tools/sub", 0}}},
      {"a folder reached through ..",
       "<file source=\"tools/../tools/sub\" destination=\"D\" />",
       -5,
       {{u"tools/../tools/sub", u"D", u"", 0}}},
      // The load refuses any source holding "..", so none is listed.
      {"a folder whose name holds ..",
       "<file source=\"v1..2\" destination=\"D\" />",
       -5,
       {{u"v1..2", u"D", u"", 0}}},
      {"a file", "<file name=\"tools/a.js\" location=\"D\" />", 0, {{u"tools/a.js", u"D", u"", 0}}},
      {"nothing on disk",
       "<file source=\"gone\" destination=\"D\" />",
       0,
       {{u"gone", u"D", u"", 0}}},
      {"sources below a folder that is not there, then below one that is",
       "<file source=\"gone/x\" destination=\"D\" /><file source=\"gone/y\" destination=\"D\" />"
       "<file source=\"tools/sub\" destination=\"D\" />",
       0,
       {{u"gone/x", u"D", u"", 0},
        {u"gone/y", u"D", u"", 0},
        {u"tools/sub/b.js", u"D/sub", u"tools/sub", 0},
        {u"tools/sub/link.js", u"D/sub", u"tools/sub", 0}}},
      {"folders spelled in another case",
       "<file source=\"TOOLS/a.js\" destination=\"D\" /><file source=\"TOOLS/Sub\" "
       "destination=\"D\" />",
       0,
       {{u"TOOLS/a.js", u"D", u"", 0},
        {u"TOOLS/Sub/b.js", u"D/Sub", u"TOOLS/Sub", 0},
        {u"TOOLS/Sub/link.js", u"D/Sub", u"TOOLS/Sub", 0}}},
      {"a link to a folder",
       "<file source=\"tools/sub/loop\" destination=\"D\" />",
       0,
       {{u"tools/sub/loop", u"D", u"", 0}}},
      {"a folder reached through a link",
       "<file source=\"tools/sub/loop/bare\" destination=\"D\" />",
       0,
       {{u"tools/sub/loop/bare", u"D", u"", 0}}},
  };
  for (const SourceCase& c : cases) {
    SCOPED_TRACE(c.name);
    CZorbExtension e;
    EXPECT_EQ(LoadEntry(e, c.file), c.result);
    EXPECT_EQ(Entries(e), c.entries);
  }
}

TEST_F(FolderEntries, AColonInAListedNameStaysInTheName) {
  sandbox.writeFile("Users/ann/pkg/lib/x:y.js", "xy");
  sandbox.writeFile("Users/ann/pkg/lib/a:b/c.js", "c");
  CZorbExtension e;
  ASSERT_EQ(LoadEntry(e,
                      "<file source=\"lib\" destination=\"D\" />"
                      "<file source=\"lib/a:b\" destination=\"E\" />"),
            0);
  const std::vector<Entry> expected = {
      {u"lib/a:b/c.js", u"D/lib/a:b", u"lib", 0},
      {u"lib/x:y.js", u"D/lib", u"lib", 0},
      {u"lib/a:b/c.js", u"E/a:b", u"lib/a:b", 0},
  };
  EXPECT_EQ(Entries(e), expected);
  EXPECT_TRUE(errors.empty());
}

TEST(SourceToColon, SlashesSeparateAndColonsStayInNamesOfSuchPaths) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"tools/x:y.js", u"tools:x/y.js"},
      {u"a/b:c/d", u"a:b/c:d"},
      // Without "/", a ":" separates, as older descriptions wrote it.
      {u"Commands:a.htm", u"Commands:a.htm"},
      {u"a\\b", u"a:b"},
      {u"a\u00A5b/c:d", u"a:b:c/d"},
      {u"plain.js", u"plain.js"},
      {u"", u""},
  };
  for (const auto& [source, colon] : cases)
    EXPECT_EQ(U(CZorbExtensionXMLParser::SourceToColon(CString(source.c_str()))), colon)
        << std::string(source.begin(), source.end());
}

TEST_F(FolderEntries, AFolderThatCannotBeListedGivesAnErrorAndNoEntry) {
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("tools/sub", EACCES, platform::kFsList);
  CZorbExtension e;
  ASSERT_EQ(LoadEntry(e, "<file source=\"tools\" destination=\"D\" />"), 0);
  const std::vector<Entry> expected = {
      {u"tools/a.js", u"D/tools", u"tools", 0},
      {u"tools/empty", u"D/tools", u"tools", 1},
      {u"tools/only-ds", u"D/tools", u"tools", 1},
  };
  EXPECT_EQ(Entries(e), expected);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(U(errors.front()), u"unreadable " + U(Colon("tools")) + u":sub");
}
