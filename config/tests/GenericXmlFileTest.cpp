#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

#include "config/CZorbGenericXmlFile.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/tests/ConfigTestFiles.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/TextEncodings.h"

using configtest::Colon;

namespace {

class GenericFileTest : public configtest::XmlFileTest<CZorbGenericXmlFile> {
 protected:
  GenericFileTest() : XmlFileTest("in.xml", "out.xml") {}
};

const std::string kMark = "\xEF\xBB\xBF";
const std::string kDecl = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

}  // namespace

TEST_F(GenericFileTest, WritesTheTreeBackWithItsMarkup) {
  // The host's file has line feeds and no mark: so has the file written.
  struct Case {
    const char* name;
    std::string body;      // after the declaration line
    std::string expected;  // after the declaration line
  } cases[] = {
      {"a comment element stays an element, dashes and all", "<r><comment>a -- b & c</comment></r>",
       "<r>\n\t<comment>a -- b & c</comment>\n</r>\n"},
      {"a comment", "<r>\n<!--   spaced   -->\n</r>", "<r>\n\t<!-- spaced -->\n</r>\n"},
      {"a double quote in a value becomes an apostrophe", "<r a='say \"hi\"'/>",
       "<r a=\"say 'hi'\"/>\n"},
      {"entity references and bare characters stay as they are",
       "<r a=\"x &lt; y &amp; it's &gt; >\">1 &lt; 2 & 3 &amp; 4 don't</r>",
       "<r a=\"x &lt; y &amp; it's &gt; >\">1 &lt; 2 & 3 &amp; 4 don't</r>\n"},
      {"text over several lines keeps its line break", "<r><t>line one\n     line two</t></r>",
       "<r>\n\t<t>line one\nline two</t>\n</r>\n"},
      {"text is trimmed, CDATA keeps its white space and its entities",
       "<r>\n<t>   padded   </t>\n<c><![CDATA[  a < b &amp;&amp; c &apos;d&apos;  ]]></c>\n</r>",
       "<r>\n\t<t>padded</t>\n\t<c>\n\t\t<![CDATA[  a < b &amp;&amp; c &apos;d&apos;  "
       "]]>\n\t</c>\n</r>\n"},
      {"an element with only white space keeps its end tag", "<r><a></a><b> </b></r>",
       "<r>\n\t<a></a>\n\t<b>\n\t</b>\n</r>\n"},
      {"empty elements keep the form they were read in",
       "<r><a/><b /><c\t/><d x=\"1\"/><e x=\"1\" /><f></f><g x=\"1\"></g></r>",
       "<r>\n\t<a/>\n\t<b />\n\t<c />\n\t<d x=\"1\"/>\n\t<e x=\"1\" />\n\t<f></f>\n"
       "\t<g x=\"1\"></g>\n</r>\n"},
      {"a declaration in pieces is one markup node, as written",
       "<!DOCTYPE toolbarset SYSTEM \"-//Q//T 5.0\">\n<toolbarset/>",
       "<!DOCTYPE toolbarset SYSTEM \"-//Q//T 5.0\">\n<toolbarset/>\n"},
      {"a declaration with an internal subset is one markup node",
       "<!DOCTYPE r [\n<!ENTITY e \"a > b\">\n]>\n<r/>",
       "<!DOCTYPE r [\n<!ENTITY e \"a > b\">\n]>\n<r/>\n"},
      {"processing instructions and comments outside the root",
       "<?pi data & more?>\n<!-- before & after -->\n<r/>\n<!-- after -->",
       "<?pi data & more?>\n<!-- before & after -->\n<r/>\n<!-- after -->\n"},
      {"single-quoted attributes", "<r a='1' b='two words'/>", "<r a=\"1\" b=\"two words\"/>\n"},
  };
  for (const Case& c : cases) {
    const std::string saved = RoundTrip(kDecl + "\n" + c.body + "\n");
    EXPECT_EQ(saved, kDecl + "\n" + c.expected) << c.name;
    EXPECT_EQ(RoundTrip(saved), saved) << c.name << ": once written, the file is stable";
  }
}

TEST_F(GenericFileTest, NewEmptyElementsTakeTheFormOfTheFilesFirstOne) {
  struct Case {
    const char* name;
    std::string body;
    const char* added;  // the line an element the file did not hold gets
  } cases[] = {
      {"without a space", "<r><a/><b /></r>", "\t<n/>\n"},
      {"with a space", "<r><b /><a/></r>", "\t<n />\n"},
      {"a pair of tags is not an empty-element form", "<r><c></c><a/></r>", "\t<n/>\n"},
      {"no empty element: the writer's own form", "<r><c>text</c></r>", "\t<n />\n"},
  };
  for (const Case& c : cases) {
    CZorbGenericXmlFile file;
    ASSERT_EQ(LoadText(file, kDecl + "\n" + c.body + "\n"), 0) << c.name;
    CZorbXmlObject* root = file.m_children.front();
    root->m_children.push_back(new CZorbXmlObject(u"n"));
    const std::string saved = SaveText(file);
    EXPECT_NE(saved.find(std::string(c.added) + "</r>"), std::string::npos) << c.name << saved;
    EXPECT_EQ(RoundTrip(saved), saved) << c.name << ": once written, the file is stable";
  }
}

TEST_F(GenericFileTest, CommentsThatChangesBringAreWrittenSoTheFileLoadsAgain) {
  CZorbGenericXmlFile file;
  ASSERT_EQ(LoadText(file, kDecl + "\n<r>\n<comment>host -- own</comment>\n</r>\n"), 0);
  CZorbXmlObject* root = file.m_children.front();
  root->m_children.push_back(new CZorbXmlComment(u"ext -- note--"));
  root->m_children.push_back(file.m_children.front()->m_children.front()->Clone());
  const std::string saved = SaveText(file);
  EXPECT_EQ(saved, kDecl +
                       "\n<r>\n\t<comment>host -- own</comment>\n\t<!-- ext - - note- - -->\n"
                       "\t<comment>host -- own</comment>\n</r>\n")
      << "a copy of a comment element is one too";
  CZorbGenericXmlFile again;
  EXPECT_EQ(LoadText(again, saved), 0);
}

TEST_F(GenericFileTest, KeepsTheDeclarationAndTheEncodingItWasReadIn) {
  // Written in the default text encoding, the Japanese label would be lost.
  const std::string body = "<toolbar label=\"\xE6\x97\xA5\xE6\x9C\xAC\" />\n";
  const std::string saved = RoundTrip(kDecl + "\n" + body);
  EXPECT_EQ(saved, kDecl + "\n" + body);

  CZorbGenericXmlFile file;
  ASSERT_EQ(LoadText(file, kDecl + "\n" + body), 0);
  EXPECT_EQ(file.m_encoding, CZorbUnicodeConverter::kUTF8);
  EXPECT_EQ(file.m_xmlDecl, CString(u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"));

  // Without a declaration or a mark the file stays in the default encoding.
  CZorbGenericXmlFile plain;
  ASSERT_EQ(LoadText(plain, "<r a=\"caf\x8E\"/>\n"), 0);
  const std::string out = SaveText(plain);
  EXPECT_EQ(out, platform::encoding::kMacRoman == CZorbUnicodeConverter::GetDefaultEncoding()
                     ? std::string("<r a=\"caf\x8E\"/>\n")
                     : out);
}

TEST_F(GenericFileTest, AFileThatDoesNotParseIsNotLoadedAndNeverSaved) {
  const std::string broken = kDecl + "\n<r>\n<open>\n</r>\n";
  CZorbGenericXmlFile file;
  EXPECT_NE(LoadText(file, broken, "Broken.xml"), 0);
  EXPECT_TRUE(file.m_children.empty());
  EXPECT_EQ(file.Save(Colon(dir / "Broken.xml").c_str()), -1);
  EXPECT_EQ(TempDir::read(dir / "Broken.xml"), broken);

  EXPECT_EQ(file.Load(Colon(dir / "missing.xml").c_str(), nullptr), -1);
  EXPECT_TRUE(file.m_children.empty());
  EXPECT_EQ(LoadText(file, "<r/>\n", "good.xml"), 0);
  EXPECT_EQ(SaveText(file), "<r/>\n");
}

TEST_F(GenericFileTest, APartialDeclarationStaysWithItsOwnFile) {
  // Expat stops inside the document-type declaration; its pieces must not
  // turn up in the next file read.
  CZorbGenericXmlFile broken;
  EXPECT_NE(LoadText(broken, "<!DOCTYPE toolbarset SYSTEM \"x\"\n", "a.xml"), 0);
  CZorbGenericXmlFile good;
  ASSERT_EQ(LoadText(good, "<!DOCTYPE other SYSTEM \"y\">\n<other/>\n", "b.xml"), 0);
  EXPECT_EQ(SaveText(good), "<!DOCTYPE other SYSTEM \"y\">\n<other/>\n");
}

TEST_F(GenericFileTest, SaveFailureIsReportedAndLeavesTheFileAsItWas) {
  const std::string original = kMark + kDecl + "\r<r />\r";
  CZorbGenericXmlFile file;
  ASSERT_EQ(LoadText(file, original, "toolbars.xml"), 0);
  file.m_children.push_back(new CZorbXmlObject(u"added"));
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("toolbars", EIO, platform::kFsWrite);
  EXPECT_EQ(file.Save(Colon(dir / "toolbars.xml").c_str()), -1);
  EXPECT_EQ(TempDir::read(dir / "toolbars.xml"), original);
}

TEST_F(GenericFileTest, CloneIsDeepAndKeepsThePath) {
  CZorbGenericXmlFile file;
  ASSERT_EQ(LoadText(file, kDecl + "\n<r><a x=\"1\"><b/></a></r>\n"), 0);
  std::unique_ptr<CZorbXmlObject> clone(file.Clone());
  auto* copy = dynamic_cast<CZorbGenericXmlFile*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->m_path, file.m_path);
  EXPECT_EQ(copy->m_openElements.size(), 1u);
  EXPECT_EQ(copy->m_openElements.front(), copy);
  EXPECT_EQ(SaveText(*copy, "copy.xml"), SaveText(file, "orig.xml"));
}

TEST_F(GenericFileTest, NewToolbarFileHoldsTheTemplate) {
  CZorbToolbarConfigChanges set;
  std::unique_ptr<CZorbXmlFile> existing(set.CreateConfigFile(true));
  EXPECT_TRUE(existing->m_children.empty());
  std::unique_ptr<CZorbXmlFile> created(set.CreateConfigFile(false));
  auto* file = dynamic_cast<CZorbGenericXmlFile*>(created.get());
  ASSERT_NE(file, nullptr);
  const std::string saved = SaveText(*file, "toolbars.xml");
  // A file the program makes has its own form: carriage returns (and the
  // mark of its encoding, the default one here, which has none).
  const std::string expected =
      "<?xml version=\"1.0\"?>\r<!DOCTYPE toolbarset SYSTEM "
      "\"-//Quillory//LWExtension toolbar 5.0\">\r<toolbarset />\r";
  EXPECT_EQ(saved, expected);
  // Read back, the template gives a file that loads and stays stable.
  CZorbGenericXmlFile reread;
  ASSERT_EQ(reread.Load(Colon(dir / "toolbars.xml").c_str(), nullptr), 0);
  const std::string again = SaveText(reread, "again.xml");
  EXPECT_EQ(RoundTrip(again), again);
}
