#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/CZorbExtensionsChangeInsert.h"
#include "config/CZorbExtensionsChangeRemove.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbFTPExtensionMapChangeInsert.h"
#include "config/CZorbFTPExtensionMapChangeRemove.h"
#include "config/CZorbFTPExtensionMapChanges.h"
#include "config/CZorbGenericXmlFile.h"
#include "config/CZorbSourceFormatChangeAttributeInsert.h"
#include "config/CZorbSourceFormatChangeAttributeRemove.h"
#include "config/CZorbSourceFormatChangeElementInsert.h"
#include "config/CZorbSourceFormatChangeElementRemove.h"
#include "config/CZorbSourceFormatChanges.h"
#include "config/CZorbTextConfigFile.h"
#include "config/tests/ChangeSetApplier.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "platform/os/TextEncodings.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TempDir.h"

using configtest::ApplyChangeSet;
using configtest::Operation;

namespace {

using Code = CZorbConfigChange::ErrorCode;

std::string Fixture(const std::string& name) {
  return TempDir::read(std::string(PLEXAR_TESTDATA_DIR) + "/config2/" + name);
}

// UTF-8 text with line feeds, re-encoded behind the encoding's mark and
// with the given line end.
std::string Variant(const std::string& utf8, uint32_t encoding, const std::string& eol) {
  std::string lines;
  for (char ch : utf8) {
    if (ch == '\n')
      lines += eol;
    else
      lines += ch;
  }
  CString text;
  CZorbUnicodeConverter::ConvertScriptTextToUTF16(CZorbUnicodeConverter::kUTF8, lines.data(),
                                                  static_cast<uint32_t>(lines.size()), text);
  unsigned char mark[4];
  const uint32_t markLength =
      CZorbUnicodeConverter::GetEncodingsByteOrderMark(mark, sizeof mark, encoding);
  std::string bytes(reinterpret_cast<const char*>(mark), markLength);
  std::vector<char> out(CZorbUnicodeConverter::GetMaxBufSizeToConvertToScript(
                            encoding, static_cast<uint32_t>(text.GetLength())) +
                        1);
  const uint32_t written = CZorbUnicodeConverter::ConvertUTF16ToScriptText(
      encoding, text.Get(), static_cast<uint32_t>(text.GetLength()), out.data(),
      static_cast<uint32_t>(out.size()));
  return bytes + std::string(out.data(), written);
}

CZorbExtensionsChangeInsert* ExtensionInsert(const char16_t* extension,
                                             const char16_t* description) {
  auto* change = new CZorbExtensionsChangeInsert();
  change->m_extension = extension;
  change->m_description = description;
  return change;
}

CZorbExtensionsChangeRemove* ExtensionRemove(const char16_t* extension,
                                             const char16_t* description) {
  auto* change = new CZorbExtensionsChangeRemove();
  change->m_extension = extension;
  change->m_description = description;
  return change;
}

CZorbFTPExtensionMapChangeInsert* MapInsert(const char16_t* extension, bool ascii = true) {
  auto* change = new CZorbFTPExtensionMapChangeInsert();
  change->m_extension = extension;
  change->m_ascii = ascii ? 1 : 0;
  change->m_macCreator = u"LWsp";
  change->m_macFileType = u"TEXT";
  return change;
}

CZorbFTPExtensionMapChangeRemove* MapRemove(const char16_t* extension) {
  auto* change = new CZorbFTPExtensionMapChangeRemove();
  change->m_extension = extension;
  return change;
}

// A source-format change about the tag with the name.
template <class Change>
Change* Named(const char16_t* name) {
  auto* change = new Change();
  change->m_name = name;
  return change;
}

CZorbSourceFormatChangeElementInsert* ElementInsert(const char16_t* name) {
  return Named<CZorbSourceFormatChangeElementInsert>(name);
}

CZorbSourceFormatChangeAttributeInsert* AttributeInsert(const char16_t* name) {
  return Named<CZorbSourceFormatChangeAttributeInsert>(name);
}

// Runs one change on a text held in memory.
struct TextRun {
  Code code;
  std::u16string content;
};

TextRun Make(const CZorbConfigChange& change, const std::u16string& content, bool undo = false) {
  CZorbTextConfigFile file;
  file.m_content = content.c_str();
  const Code code = undo ? change.UndoChange(nullptr, &file, nullptr)
                         : change.MakeChange(nullptr, &file, nullptr);
  return {code, file.m_content.Get()};
}

template <class T>
TextRun RunOn(T* raw, const std::u16string& content, bool undo = false) {
  std::unique_ptr<T> change(raw);
  return Make(*change, content, undo);
}

// A change (taken over) run on content: the code and the text it gives.
struct TextCase {
  const char* name;
  CZorbConfigChange* change;
  std::u16string content;
  Code code;
  std::u16string expected;
};

void ExpectRuns(std::vector<TextCase> cases) {
  for (TextCase& c : cases) {
    std::unique_ptr<CZorbConfigChange> change(c.change);
    const TextRun run = Make(*change, c.content);
    EXPECT_EQ(run.code, c.code) << c.name;
    EXPECT_EQ(run.content, c.expected) << c.name;
  }
}

}  // namespace

class TextChangesFileTest : public testsupport::SandboxTest {};

TEST_F(TextChangesFileTest, InstallThenRemoveGivesBackTheFileInEveryEncodingAndLineEnd) {
  struct FileCase {
    const char* fixture;
    std::function<CZorbConfigChanges*()> makeSet;
  } files[] = {
      {"Extensions.txt",
       [] {
         auto* set = new CZorbExtensionsChanges();
         set->m_children.push_back(ExtensionInsert(u"TPX", u"MOD\u00c8LES \u00c9T\u00c9"));
         set->m_children.push_back(ExtensionInsert(u"PHP5", u"php files"));
         set->m_children.push_back(ExtensionInsert(u"NEWX", u"New Kind \u00e9"));
         return set;
       }},
      {"FTPExtensionMapMac.txt",
       [] {
         auto* set = new CZorbFTPExtensionMapChanges();
         set->m_children.push_back(MapInsert(u"gif", false));
         set->m_children.push_back(MapInsert(u"a"));
         set->m_children.push_back(MapInsert(u"zz"));
         set->m_children.push_back(MapInsert(u"HTML5"));
         return set;
       }},
      {"SourceFormat.txt",
       [] {
         auto* set = new CZorbSourceFormatChanges();
         auto* element = ElementInsert(u"blockquote");
         element->m_break = u"1,1,1,1";
         element->m_indent = 1;
         element->m_indentGroup = 2;
         set->m_children.push_back(element);
         set->m_children.push_back(ElementInsert(u"zeta"));
         auto* attribute = AttributeInsert(u"style");
         attribute->m_samecase = 1;
         set->m_children.push_back(attribute);
         return set;
       }},
  };
  struct EncodingCase {
    const char* name;
    uint32_t encoding;
  } encodings[] = {
      {"UTF-8", CZorbUnicodeConverter::kUTF8},
      {"UTF-16", CZorbUnicodeConverter::kUTF16},
      {"Mac Roman", platform::encoding::kMacRoman},
  };
  for (const FileCase& f : files) {
    std::unique_ptr<CZorbConfigChanges> set(f.makeSet());
    for (const EncodingCase& e : encodings) {
      for (const std::string eol : {"\n", "\r\n", "\r"}) {
        const std::string label = std::string(f.fixture) + ", " + e.name + ", line end " +
                                  std::to_string(eol.size()) + (eol == "\n" ? " LF" : "");
        const std::string original = Variant(Fixture(f.fixture), e.encoding, eol);
        sandbox.writeFile(std::string("Config/") + f.fixture, original);

        const auto installed = ApplyChangeSet(*set, sandbox.colon("Config"), Operation::Install);
        EXPECT_EQ(installed.errors, 0) << label;
        ASSERT_TRUE(installed.saved) << label;
        const std::string changed = sandbox.readFile(std::string("Config/") + f.fixture);
        EXPECT_NE(changed, original) << label;
        // New lines take the file's own line end.
        if (eol == "\n") {
          EXPECT_EQ(changed.find('\r'), std::string::npos) << label;
        }

        const auto removed = ApplyChangeSet(*set, sandbox.colon("Config"), Operation::Remove);
        EXPECT_EQ(removed.errors, 0) << label;
        EXPECT_EQ(sandbox.readFile(std::string("Config/") + f.fixture), original) << label;
      }
    }
  }
}

TEST(ExtensionsChanges, InsertJoinsTheLineOfItsDescription) {
  const std::u16string base = u"HTM,HTML:HTML Documents\rPHP3,PHP,PHP4:PHP Files\r:All Documents\r";
  ExpectRuns({
      {"joins the list", ExtensionInsert(u"PHP5", u"php files"), base, Code::kNoError,
       u"HTM,HTML:HTML Documents\rPHP3,PHP,PHP4,PHP5:PHP Files\r:All Documents\r"},
      {"moves to the end of the list once", ExtensionInsert(u"php", u"PHP Files"), base,
       Code::kNoError, u"HTM,HTML:HTML Documents\rPHP3,PHP4,php:PHP Files\r:All Documents\r"},
      {"new description, new line", ExtensionInsert(u"X", u"X Files"), base, Code::kNoError,
       base + u"X:X Files\r"},
      {"a line without extensions takes it behind a comma too",
       ExtensionInsert(u"ANY", u"all documents"), base, Code::kNoError,
       u"HTM,HTML:HTML Documents\rPHP3,PHP,PHP4:PHP Files\r,ANY:All Documents\r"},
      {"a final line end is added", ExtensionInsert(u"X", u"X Files"), u"A:B", Code::kNoError,
       u"A:B\rX:X Files\r"},
      {"LF text keeps LF", ExtensionInsert(u"X", u"X Files"), u"A:B\n", Code::kNoError,
       u"A:B\nX:X Files\n"},
      {"an empty file gets its first line", ExtensionInsert(u"X", u"X Files"), u"", Code::kNoError,
       u"X:X Files\r"},
      {"no extension", ExtensionInsert(u"", u"X"), base, Code::kExtensionsInsertNoExtension, base},
      {"no description", ExtensionInsert(u"X", u""), base, Code::kExtensionsInsertNoDescription,
       base},
  });

  // Inserting twice leaves the extension there once.
  std::unique_ptr<CZorbConfigChange> twice(ExtensionInsert(u"PHP5", u"PHP Files"));
  EXPECT_EQ(Make(*twice, Make(*twice, base).content).content,
            u"HTM,HTML:HTML Documents\rPHP3,PHP,PHP4,PHP5:PHP Files\r:All Documents\r");
}

TEST(ExtensionsChanges, RemoveTakesOnlyWholeItemsOnQualifyingLines) {
  const std::u16string base =
      u"HTM,HTML,SHTML:HTML Documents\rPHP3,PHP,PHP4:PHP Files\r"
      u"JS:JavaScript\rHTML:Other\r";
  ExpectRuns({
      {"longer extensions stay", ExtensionRemove(u"php", u""), base, Code::kNoError,
       u"HTM,HTML,SHTML:HTML Documents\rPHP3,PHP4:PHP Files\rJS:JavaScript\rHTML:Other\r"},
      {"every line without a description", ExtensionRemove(u"html", u""), base, Code::kNoError,
       u"HTM,SHTML:HTML Documents\rPHP3,PHP,PHP4:PHP Files\rJS:JavaScript\r"},
      {"only the lines of the description", ExtensionRemove(u"HTML", u"other"), base,
       Code::kNoError, u"HTM,HTML,SHTML:HTML Documents\rPHP3,PHP,PHP4:PHP Files\rJS:JavaScript\r"},
      {"first item with its comma", ExtensionRemove(u"htm", u"HTML Documents"), base,
       Code::kNoError,
       u"HTML,SHTML:HTML Documents\rPHP3,PHP,PHP4:PHP Files\rJS:JavaScript\rHTML:Other\r"},
      {"the only item takes its line", ExtensionRemove(u"js", u""), base, Code::kNoError,
       u"HTM,HTML,SHTML:HTML Documents\rPHP3,PHP,PHP4:PHP Files\rHTML:Other\r"},
      {"other description, nothing", ExtensionRemove(u"js", u"Script"), base, Code::kNoError, base},
      {"not in a description", ExtensionRemove(u"Documents", u""), base, Code::kNoError, base},
      {"CR LF lines", ExtensionRemove(u"js", u"javascript"), u"A:B\r\nJS:JavaScript\r\nC:D\r\n",
       Code::kNoError, u"A:B\r\nC:D\r\n"},
      {"no extension", ExtensionRemove(u"", u""), base, Code::kExtensionsRemoveNoExtension, base},
  });
}

TEST(ExtensionsChanges, LowerCaseMirrorKeepsEveryPosition) {
  // Letters whose full lower case is longer or shorter than themselves come
  // before the edit; the splice must still land on the right units.
  const std::u16string content = u"\u0130\u1E9E\u2126,\u0130X:\u0130 Kind\rJS,TS:Scripts\r";
  EXPECT_EQ(RunOn(ExtensionRemove(u"ts", u"SCRIPTS"), content).content,
            u"\u0130\u1E9E\u2126,\u0130X:\u0130 Kind\rJS:Scripts\r");
  EXPECT_EQ(RunOn(ExtensionInsert(u"MJS", u"scripts"), content).content,
            u"\u0130\u1E9E\u2126,\u0130X:\u0130 Kind\rJS,TS,MJS:Scripts\r");
  EXPECT_EQ(RunOn(ExtensionRemove(u"\u0130x", u""), content).content,
            u"\u0130\u1E9E\u2126:\u0130 Kind\rJS,TS:Scripts\r");
}

TEST(ExtensionsChanges, OnlyTextFilesAreEdited) {
  CZorbGenericXmlFile xml;
  std::unique_ptr<CZorbConfigChange> insert(ExtensionInsert(u"X", u"Y"));
  std::unique_ptr<CZorbConfigChange> remove(ExtensionRemove(u"X", u"Y"));
  EXPECT_EQ(insert->MakeChange(nullptr, &xml, nullptr), Code::kExtensionsFileMissing);
  EXPECT_EQ(insert->UndoChange(nullptr, nullptr, nullptr), Code::kExtensionsFileMissing);
  EXPECT_EQ(remove->MakeChange(nullptr, nullptr, nullptr), Code::kExtensionsFileMissing);
  EXPECT_EQ(remove->UndoChange(nullptr, nullptr, nullptr), Code::kNoError);
}

TEST(FTPExtensionMapChanges, InsertKeepsTheMapSorted) {
  const std::u16string base =
      u"ai\tART5\tPDF \tBINARY\rHTM\tLWsp\tTEXT\tASCII\r"
      u"html\tLWsp\tTEXT\tASCII\rshtml\tLWsp\tTEXT\tASCII\r";
  std::u16string content = base;
  for (const char16_t* extension : {u"gif", u"A", u"zz", u"Htm", u"ht", u"shtml"})
    content = RunOn(MapInsert(extension), content).content;
  EXPECT_EQ(content,
            u"A\tLWsp\tTEXT\tASCII\r"
            u"ai\tART5\tPDF \tBINARY\r"
            u"gif\tLWsp\tTEXT\tASCII\r"
            u"ht\tLWsp\tTEXT\tASCII\r"
            u"Htm\tLWsp\tTEXT\tASCII\r"
            u"html\tLWsp\tTEXT\tASCII\r"
            u"shtml\tLWsp\tTEXT\tASCII\r"
            u"zz\tLWsp\tTEXT\tASCII\r");

  // Lines without a tab do not move the point.
  EXPECT_EQ(RunOn(MapInsert(u"b", false), u"# modes\rc\tX\tY\tASCII\r").content,
            u"b\tLWsp\tTEXT\tBINARY\r# modes\rc\tX\tY\tASCII\r");
  EXPECT_EQ(RunOn(MapInsert(u"d"), u"c\tX\tY\tASCII\n# end\n").content,
            u"c\tX\tY\tASCII\nd\tLWsp\tTEXT\tASCII\n# end\n");
}

TEST(FTPExtensionMapChanges, RemoveTakesTheWholeLineOfTheExtensionOnly) {
  const std::u16string base =
      u"html\tA\tB\tASCII\r\nshtml\tA\tB\tASCII\r\nxhtml\tA\tB\tASCII\r\nHTML\tC\tD\tASCII\r\n";
  EXPECT_EQ(RunOn(MapRemove(u"HTML"), base).content,
            u"shtml\tA\tB\tASCII\r\nxhtml\tA\tB\tASCII\r\nHTML\tC\tD\tASCII\r\n");
  EXPECT_EQ(RunOn(MapRemove(u"tml"), base).content, base);
  EXPECT_EQ(RunOn(MapInsert(u"shtml"), base, true).content,
            u"html\tA\tB\tASCII\r\nxhtml\tA\tB\tASCII\r\nHTML\tC\tD\tASCII\r\n");

  struct Case {
    const char* name;
    CZorbConfigChange* change;
    Code onText;
  } errors[] = {
      {"insert without extension", MapInsert(u""), Code::kFTPExtensionMapInsertFailed},
      {"remove without extension", MapRemove(u""), Code::kFTPExtensionMapRemoveFailed},
  };
  for (Case& c : errors) {
    std::unique_ptr<CZorbConfigChange> change(c.change);
    EXPECT_EQ(Make(*change, base).code, c.onText) << c.name;
    EXPECT_EQ(change->MakeChange(nullptr, nullptr, nullptr), Code::kFTPExtensionMapFileMissing)
        << c.name;
  }
}

TEST(SourceFormatChanges, InsertPutsTheTagLineInItsSortedPlace) {
  const std::u16string base =
      u"<?options dontindenthead>\r<?elements>\r<!-- block -->\r<a>\r"
      u"<body indent>\r<br break=\"0,1,0,0\">\r<?attributes>\r<class>\r"
      u"<ID samecase>\r<?end>\r";
  auto* element = ElementInsert(u"BlockQuote");
  element->m_break = u"1,1,1,1";
  element->m_indent = 1;
  element->m_indentGroup = 3;
  element->m_namecase = u"upper";
  element->m_noformat = 1;
  EXPECT_EQ(RunOn(element, base).content,
            u"<?options dontindenthead>\r<?elements>\r<!-- block -->\r<a>\r"
            u"<BlockQuote break=\"1,1,1,1\" indent igroup=\"3\" namecase=\"upper\" noformat>\r"
            u"<body indent>\r<br break=\"0,1,0,0\">\r<?attributes>\r<class>\r"
            u"<ID samecase>\r<?end>\r");

  // An existing tag is replaced, options that are off are left out.
  auto* br = ElementInsert(u"br");
  br->m_indent = 2;
  br->m_noformat = 2;
  EXPECT_EQ(RunOn(br, base).content,
            u"<?options dontindenthead>\r<?elements>\r<!-- block -->\r<a>\r"
            u"<body indent>\r<br>\r<?attributes>\r<class>\r<ID samecase>\r<?end>\r");

  auto* attribute = AttributeInsert(u"style");
  attribute->m_namecase = u"lower";
  attribute->m_samecase = 1;
  EXPECT_EQ(RunOn(attribute, base).content,
            u"<?options dontindenthead>\r<?elements>\r<!-- block -->\r<a>\r"
            u"<body indent>\r<br break=\"0,1,0,0\">\r<?attributes>\r<class>\r"
            u"<ID samecase>\r<style namecase=\"lower\" samecase>\r<?end>\r");
  EXPECT_EQ(RunOn(AttributeInsert(u"align"), base).content,
            u"<?options dontindenthead>\r<?elements>\r<!-- block -->\r<a>\r"
            u"<body indent>\r<br break=\"0,1,0,0\">\r<?attributes>\r<align>\r<class>\r"
            u"<ID samecase>\r<?end>\r");

  // A tag on the marker's own line opens the section there.
  EXPECT_EQ(RunOn(ElementInsert(u"b"), u"<?elements><a>\r<c>\r<?attributes>\r").content,
            u"<?elements><a>\r<b>\r<c>\r<?attributes>\r");
}

TEST(SourceFormatChanges, RemoveTakesATagLineThatStandsAlone) {
  const std::u16string base =
      u"<?elements>\r\n<a>\r\n<p indent> <span>\r\n  <td>  \r\n"
      u"<?attributes>\r\n<ID samecase>\r\n<?end>\r\n";
  auto element = Named<CZorbSourceFormatChangeElementRemove>;
  auto attribute = Named<CZorbSourceFormatChangeAttributeRemove>;
  struct Case {
    const char* name;
    CZorbConfigChange* change;
    Code code;
    std::u16string expected;
    std::u16string content = u"";  // the base when empty
  } cases[] = {
      {"alone", element(u"A"), Code::kNoError,
       u"<?elements>\r\n<p indent> <span>\r\n  <td>  \r\n<?attributes>\r\n<ID samecase>\r\n"
       u"<?end>\r\n"},
      {"alone with blanks around", element(u"td"), Code::kNoError,
       u"<?elements>\r\n<a>\r\n<p indent> <span>\r\n<?attributes>\r\n<ID samecase>\r\n<?end>\r\n"},
      {"followed by a tag", element(u"p"), Code::kSourceFormatTagNotAlone, base},
      {"after a tag, through its line end", element(u"span"), Code::kNoError,
       u"<?elements>\r\n<a>\r\n<p indent>   <td>  \r\n<?attributes>\r\n<ID samecase>\r\n"
       u"<?end>\r\n"},
      {"not closed on its line", element(u"q"), Code::kSourceFormatTagNotAlone,
       u"<?elements>\r<q x\r<r>\r<?attributes>\r", u"<?elements>\r<q x\r<r>\r<?attributes>\r"},
      {"not there", element(u"div"), Code::kNoError, base},
      {"only in its own section", element(u"id"), Code::kNoError, base},
      {"attribute", attribute(u"id"), Code::kNoError,
       u"<?elements>\r\n<a>\r\n<p indent> <span>\r\n  <td>  \r\n<?attributes>\r\n<?end>\r\n"},
      {"element without a name", element(u""), Code::kSourceFormatElementRemoveFailed, base},
      {"attribute without a name", attribute(u""), Code::kSourceFormatAttributeRemoveFailed, base},
  };
  for (Case& c : cases) {
    std::unique_ptr<CZorbConfigChange> change(c.change);
    const TextRun run = Make(*change, c.content.empty() ? base : c.content);
    EXPECT_EQ(run.code, c.code) << c.name;
    EXPECT_EQ(run.content, c.expected) << c.name;
  }
}

TEST(SourceFormatChanges, UndoTakesOutATagTheInsertPutAmongOthersOnALine) {
  // The insert puts the new tag in front of the first one that sorts after
  // it, which may stand on a line with others; its undo gives the line back.
  const std::u16string lines[] = {
      u"<?elements>\r<a> <c>\r<?attributes>\r<x>\r<?end>\r",
      u"<?elements><c>\r<?attributes>\r<x>\r<?end>\r",
      u"<?elements>\r<a>\r<c>\r<?attributes><x> <z>\r<?end>\r",
  };
  for (const std::u16string& original : lines) {
    std::unique_ptr<CZorbSourceFormatChangeElementInsert> element(ElementInsert(u"b"));
    std::unique_ptr<CZorbSourceFormatChangeAttributeInsert> attribute(AttributeInsert(u"y"));
    const TextRun inserted = Make(*element, Make(*attribute, original).content);
    ASSERT_EQ(inserted.code, Code::kNoError);
    EXPECT_NE(inserted.content.find(u"<b>"), std::u16string::npos);
    const TextRun undone = Make(*attribute, Make(*element, inserted.content, true).content, true);
    EXPECT_EQ(undone.code, Code::kNoError);
    EXPECT_EQ(undone.content, original);
  }
}

TEST(SourceFormatChanges, MissingSectionsAndNamesGiveTheirCodes) {
  const std::u16string noElements = u"<?attributes>\r<class>\r<?end>\r";
  const std::u16string noAttributes = u"<?elements>\r<a>\r<?attributes>\r<class>\r";
  EXPECT_EQ(RunOn(ElementInsert(u"b"), noElements).code, Code::kSourceFormatElementSectionMissing);
  EXPECT_EQ(RunOn(ElementInsert(u"b"), noElements, true).code,
            Code::kSourceFormatElementSectionMissing);
  EXPECT_EQ(RunOn(ElementInsert(u""), noElements).code, Code::kSourceFormatElementInsertFailed);
  EXPECT_EQ(RunOn(AttributeInsert(u"x"), noAttributes).code,
            Code::kSourceFormatAttributeSectionMissing);
  EXPECT_EQ(RunOn(AttributeInsert(u""), noAttributes, true).code,
            Code::kSourceFormatAttributeInsertFailed);
  EXPECT_EQ(RunOn(AttributeInsert(u"x"), noAttributes).content, noAttributes);

  std::unique_ptr<CZorbConfigChange> insert(ElementInsert(u"b"));
  CZorbGenericXmlFile xml;
  EXPECT_EQ(insert->MakeChange(nullptr, &xml, nullptr), Code::kSourceFormatFileMissing);
  EXPECT_EQ(insert->UndoChange(nullptr, nullptr, nullptr), Code::kSourceFormatFileMissing);
}

TEST(TextChanges, WriteThemselvesAsDescriptionElements) {
  auto* element = ElementInsert(u"q");
  element->m_break = u"0,1";
  element->m_indent = 2;
  element->m_noformat = 1;
  element->m_locale = u"fr_FR";
  auto* attribute = AttributeInsert(u"id");
  attribute->m_samecase = 2;
  auto* elementRemove = new CZorbSourceFormatChangeElementRemove();
  elementRemove->m_name = u"q";
  auto* attributeRemove = new CZorbSourceFormatChangeAttributeRemove();
  attributeRemove->m_name = u"id";
  attributeRemove->m_locale = u"de";
  auto* extension = ExtensionInsert(u"X", u"X Files");
  extension->m_locale = u"ja";
  auto* map = MapInsert(u"x", false);
  map->m_locale = u"ja";  // never written

  struct Case {
    CZorbConfigChange* change;
    std::u16string expected;
  } cases[] = {
      {element,
       u"\t<element-insert name=\"q\" break=\"0,1\" indent=\"false\" indentGroup=\"0\" "
       u"noformat=\"true\" xml:lang=\"fr_FR\" />\r"},
      {attribute, u"\t<attribute-insert name=\"id\" samecase=\"false\" />\r"},
      {elementRemove, u"\t<element-remove name=\"q\" />\r"},
      {attributeRemove, u"\t<attribute-remove name=\"id\" xml:lang=\"de\" />\r"},
      {extension,
       u"\t<extension-insert extension=\"X\" description=\"X Files\" xml:lang=\"ja\" />\r"},
      {ExtensionRemove(u"X", u""), u"\t<extension-remove extension=\"X\" description=\"\" />\r"},
      {map,
       u"\t<ftp-extension-insert extension=\"x\" mac-creator=\"LWsp\" mac-file-type=\"TEXT\" "
       u"type=\"BINARY\" />\r"},
      {MapRemove(u"x"), u"\t<ftp-extension-remove extension=\"x\" />\r"},
  };
  for (Case& c : cases) {
    std::unique_ptr<CZorbConfigChange> change(c.change);
    std::unique_ptr<CZorbXmlObject> copy(change->Clone());
    CString written;
    copy->BuildXml(1, written);
    EXPECT_EQ(std::u16string(written.Get()), c.expected);
  }

  // A new FTP mapping is of unknown type and creator until the description says.
  CZorbFTPExtensionMapChangeInsert fresh;
  EXPECT_EQ(fresh.m_macCreator, u"????");
  EXPECT_EQ(fresh.m_macFileType, u"????");
  CZorbSourceFormatChangeElementInsert tagged;
  CString line;
  tagged.m_name = u"x";
  tagged.CreateTag(line, true);
  EXPECT_EQ(line, u"<x>\r");
}
