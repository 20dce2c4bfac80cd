#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXMLParser.h"
#include "foundation/CZorbXmlObject.h"
#include "foundation/Logger.h"
#include "platform/os/ColonPath.h"
#include "platform/os/TextEncodings.h"
#include "platform/os/Utf.h"
#include "testsupport/TempDir.h"

namespace {

std::string U8(std::u16string_view s) {
  return platform::utf16ToUtf8(s).value_or("<bad utf-16>");
}
std::u16string U16(const char16_t* p, int n = -1) {
  if (!p) return u"(null)";
  return n < 0 ? std::u16string(p) : std::u16string(p, static_cast<size_t>(n));
}

// Writes the events as one line each, in UTF-8, for easy comparison.
class Recorder : public CZorbXMLParser {
 public:
  void OnElementStart(const char16_t* name, const char16_t** attrs) override {
    std::u16string line = u"<" + U16(name);
    for (const char16_t* a = GetFirstAttr(attrs); a; a = GetNextAttr()) {
      line += u" " + U16(a) + u"=";
      line += U16(GetValue());
    }
    Add(line + u">");
  }
  void OnElementEnd(const char16_t* name) override { Add(u"</" + U16(name) + u">"); }
  void OnCData(const char16_t* text, int length) override {
    // expat may split text; join it up again.
    if (!events.empty() && events.back().rfind("text:", 0) == 0)
      events.back() += U8(U16(text, length));
    else
      Add(u"text:" + U16(text, length));
  }
  void OnCDataSectionStart() override { Add(u"[cdata"); }
  void OnCDataSectionEnd() override { Add(u"cdata]"); }
  void OnComment(const char16_t* text) override { Add(u"comment:" + U16(text)); }
  void OnDefault(const char16_t* text, int length) override {
    Add(u"default:" + U16(text, length));
  }

  int OnPreProcessLine(CString& line) const override {
    lines.push_back("line:" + U8(std::u16string(line.Get())));
    if (failOn && line.Find(failOn) >= 0) return -3;
    return 0;
  }
  int OnPreProcessCDATALine(CString& line) const override {
    lines.push_back("cdata:" + U8(std::u16string(line.Get())));
    return 0;
  }

  // Elements and text only, without the parse's own declaration.
  std::vector<std::string> Content() const {
    std::vector<std::string> out;
    for (const std::string& e : events)
      if (e.rfind("default:", 0) != 0) out.push_back(e);
    return out;
  }

  std::vector<std::string> events;
  mutable std::vector<std::string> lines;
  const char16_t* failOn = nullptr;

 private:
  void Add(const std::u16string& e) { events.push_back(U8(e)); }
};

class XmlParserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The default text encoding is Mac Roman for these tests.
    platform::setTextEncodingLanguage("en");
  }
  void TearDown() override { platform::setTextEncodingLanguage(""); }

  // Writes the bytes to a file and returns its colon path.
  std::u16string File(const std::string& name, const std::string& bytes) {
    const std::string posix = dir / name;
    TempDir::write(posix, bytes);
    return platform::posixToColon(posix).value();
  }

  TempDir dir;
};

using Events = std::vector<std::string>;

// A logger writing into a string the test reads.
std::ostringstream* g_log = nullptr;
Logger* LogToString() {
  auto out = std::make_unique<std::ostringstream>();
  g_log = out.get();
  return new Logger(std::move(out));
}

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

// A UTF-8 text in UTF-16 (unitSize 2) or UTF-32 (4), its units in the byte
// order asked for.
std::string Wide(const std::string& utf8, int unitSize, bool littleEndian) {
  const std::u16string units = platform::utf8ToUtf16(utf8).value();
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t value = units[i];
    if (unitSize == 4 && value >= 0xD800 && value <= 0xDBFF)
      value = 0x10000 + ((value - 0xD800) << 10) + (units[++i] - 0xDC00);
    for (int k = 0; k < unitSize; ++k) {
      const int shift = 8 * (littleEndian ? k : unitSize - 1 - k);
      out += static_cast<char>((value >> shift) & 0xFF);
    }
  }
  return out;
}

}  // namespace

TEST_F(XmlParserTest, Utf8WithDeclarationLine) {
  Recorder p;
  const std::u16string path = File("a.xml",
                                   "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<root a=\"1\" "
                                   "b=\"x&amp;y\">caf\xC3\xA9</root>\r\n");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  EXPECT_EQ(p.m_xmlDecl, u"<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  EXPECT_EQ(p.m_encoding, CZorbUnicodeConverter::kUTF8);
  EXPECT_EQ(p.events.front(), "default:<?xml  version='1.0'  encoding='utf-8'  ?>");
  EXPECT_EQ(p.Content(), (Events{"<root a=1 b=x&y>", "text:caf\xC3\xA9", "</root>"}));
  EXPECT_EQ(p.GetErrorCode(), 0);
}

TEST_F(XmlParserTest, RootOnTheDeclarationLineIsKept) {
  Recorder p;
  const std::u16string path =
      File("a.xml", "  <?xml version='1.0' encoding='UTF-8'?><root><x/></root>");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  EXPECT_EQ(p.m_xmlDecl, u"<?xml version='1.0' encoding='UTF-8'?>");
  EXPECT_EQ(p.Content(), (Events{"<root>", "<x>", "</x>", "</root>"}));
  EXPECT_EQ(p.lines, (std::vector<std::string>{"line:<root><x/></root>"}));

  // A declaration that spans lines, its charset on the second.
  Recorder q;
  const std::u16string spread =
      File("s.xml", "<?xml version='1.0'\r\n  encoding='Shift_JIS' ?>\r\n<r>\x93\xFA</r>\r\n<bad");
  EXPECT_EQ(q.ParseFile(spread.c_str(), false), CZorbXMLParser::kMalformedDocument);
  EXPECT_EQ(q.m_xmlDecl, u"<?xml version='1.0'\r\n  encoding='Shift_JIS' ?>");
  EXPECT_EQ(q.m_encoding, CZorbUnicodeConverter::kShiftJIS);
  EXPECT_EQ(q.Content()[1], "text:\xE6\x97\xA5");
  EXPECT_EQ(q.GetErrorLine(), 4u);
}

TEST_F(XmlParserTest, Encodings) {
  struct Case {
    const char* name;
    std::string bytes;
    uint32_t encoding;  // m_encoding after the parse
    const char* text;   // the root's text, in UTF-8
  } cases[] = {
      {"UTF-8 with a mark, no declaration", "\xEF\xBB\xBF<r>\xE6\x97\xA5\xE6\x9C\xAC</r>",
       CZorbUnicodeConverter::kUTF8, "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"UTF-8 with a mark and a declaration",
       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r>\xC3\xA9</r>\n",
       CZorbUnicodeConverter::kUTF8, "\xC3\xA9"},
      {"UTF-16BE with a mark",
       BYTES("\xFE\xFF\0<\0?\0x\0m\0l\0 \0v\0e\0r\0s\0i\0o\0n\0=\0'\0\x31\0.\0\x30\0'\0?\0>\0\n"
             "\0<\0r\0>\x65\xE5\x67\x2C\0<\0/\0r\0>\0\n"),
       CZorbUnicodeConverter::kUTF16, "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"declared Shift-JIS",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r<r>\x93\xFA\x96\x7B</r>\r",
       CZorbUnicodeConverter::kShiftJIS, "\xE6\x97\xA5\xE6\x9C\xAC"},
      // No mark and no declaration: every line, the first included, is read
      // in the default encoding.
      {"Mac Roman without a declaration", "<r a=\"\x8E\">\x8E\n\x9A</r>\n",
       platform::encoding::kMacRoman, "\xC3\xA9\n\xC3\xB6"},
  };
  for (const Case& c : cases) {
    Recorder p;
    p.m_encoding = platform::encoding::kMacRoman;
    const std::u16string path = File("e.xml", c.bytes);
    ASSERT_EQ(p.ParseFile(path.c_str(), false), 0) << c.name << ": " << U8(p.GetErrorText().Get());
    EXPECT_TRUE(CZorbUnicodeConverter::EquivalentEncodings(p.m_encoding, c.encoding))
        << c.name << ": " << p.m_encoding;
    const Events content = p.Content();
    ASSERT_GE(content.size(), 2u) << c.name;
    EXPECT_EQ(content[1], std::string("text:") + c.text) << c.name;
  }

  // A mark counts in a file of fewer than ten bytes too.
  Recorder tiny;
  ASSERT_EQ(tiny.ParseFile(File("t.xml", "\xEF\xBB\xBF<r/>").c_str(), false), 0);
  EXPECT_EQ(tiny.m_encoding, CZorbUnicodeConverter::kUTF8);

  // The attribute on the first line of the Mac Roman file.
  Recorder p;
  const std::u16string path = File("m.xml", "<r a=\"\x8E\"/>");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  EXPECT_EQ(p.Content().front(), "<r a=\xC3\xA9>");
}

// A document in UTF-16 or UTF-32, with or without its mark, with or without a
// declaration, with either line end: each parses, its text and names intact,
// and tells the encoding it was read in.
TEST_F(XmlParserTest, UnicodeFormsWithAndWithoutMarks) {
  const std::string body = "<r n=\"Caf\xC3\xA9\">\xE6\x97\xA5\xF0\x9F\x98\x80</r>";
  struct Form {
    const char* name;
    std::string mark;
    int unitSize;
    bool little;
    uint32_t encoding;
  } forms[] = {
      {"UTF-16", BYTES("\xFE\xFF"), 2, false, CZorbUnicodeConverter::kUTF16},
      {"UTF-16LE", BYTES("\xFF\xFE"), 2, true, CZorbUnicodeConverter::kUTF16LE},
      {"UTF-32", BYTES("\0\0\xFE\xFF"), 4, false, CZorbUnicodeConverter::kUTF32Marked},
      {"UTF-32LE", BYTES("\xFF\xFE\0\0"), 4, true, CZorbUnicodeConverter::kUTF32LE},
  };
  for (const Form& f : forms) {
    const std::string declaration =
        std::string("<?xml version=\"1.0\" encoding=\"") + f.name + "\"?>";
    for (const bool marked : {true, false}) {
      for (const char* lineEnd : {"\n", "\r\n"}) {
        for (const bool declared : {true, false}) {
          SCOPED_TRACE(testing::Message()
                       << f.name << (marked ? " marked" : " unmarked")
                       << (declared ? ", declared" : "") << (lineEnd[1] ? ", CR LF" : ", LF"));
          const std::string text = (declared ? declaration + lineEnd : "") + body + lineEnd;
          Recorder p;
          const std::u16string path =
              File("u.xml", (marked ? f.mark : "") + Wide(text, f.unitSize, f.little));
          ASSERT_EQ(p.ParseFile(path.c_str(), false), 0) << U8(p.GetErrorText().Get());
          EXPECT_EQ(p.m_encoding, f.encoding);
          EXPECT_EQ(p.Content(),
                    (Events{"<r n=Caf\xC3\xA9>", "text:\xE6\x97\xA5\xF0\x9F\x98\x80", "</r>"}));
          EXPECT_EQ(U8(p.m_xmlDecl.Get() ? p.m_xmlDecl.Get() : u""), declared ? declaration : "");
        }
      }
    }
  }
}

TEST_F(XmlParserTest, WrapHoldsSeveralRoots) {
  const std::u16string path = File("w.xml", "<a/>\n<b>t</b>\n");
  Recorder wrapped;
  ASSERT_EQ(wrapped.ParseFile(path.c_str(), true), 0);
  EXPECT_EQ(wrapped.Content(), (Events{"<wrapper>", "text:\n", "<a>", "</a>", "text:\n", "<b>",
                                       "text:t", "</b>", "text:\n", "</wrapper>"}));

  Recorder bare;
  EXPECT_EQ(bare.ParseFile(path.c_str(), false), CZorbXMLParser::kMalformedDocument);
}

TEST_F(XmlParserTest, WrapOpensBehindTheProlog) {
  // A document-type declaration must stand before the first element, the
  // wrapper included; so do comments and processing instructions there.
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"document type", "<?xml version=\"1.0\"?>\n<!DOCTYPE m SYSTEM \"m.dtd\">\n<m/>\n<n/>\n"},
      {"internal subset", "<!DOCTYPE m [\n<!ENTITY e \"a > b ] c\">\n]>\n<m/>\n<n/>\n"},
      {"comments and instructions first", "<!-- a -->\n<?pi x?>\n<!DOCTYPE m>\n<m/>\n<n/>\n"},
      {"on one line with the root", "<!DOCTYPE m><m/>\n<n/>\n"},
  };
  for (const Case& c : cases) {
    Recorder p;
    ASSERT_EQ(p.ParseFile(File("p.xml", c.text).c_str(), true), 0) << c.name;
    const Events content = p.Content();
    const auto wrapper = std::find(content.begin(), content.end(), "<wrapper>");
    ASSERT_NE(wrapper, content.end()) << c.name;
    EXPECT_NE(std::find(wrapper, content.end(), "<n>"), content.end()) << c.name;
  }

  // Never closed, the declaration is reported where it stands.
  Recorder broken;
  EXPECT_EQ(broken.ParseFile(File("b.xml", "<!DOCTYPE m [\n<m/>\n").c_str(), true),
            CZorbXMLParser::kMalformedDocument);
}

TEST_F(XmlParserTest, LinesAreTrimmedAndBlankLinesDropped) {
  Recorder p;
  const std::u16string path =
      File("b.xml", "<r>\n\n\t   first words   \r\n\r\n  \t\n  second\n</r>\n\n");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  // expat reports the carriage returns that join the lines as line feeds.
  EXPECT_EQ(p.Content(), (Events{"<r>", "text:\nfirst words\nsecond\n", "</r>"}));
  EXPECT_EQ(p.lines,
            (std::vector<std::string>{"line:<r>", "line:first words", "line:second", "line:</r>"}));
}

TEST_F(XmlParserTest, CDataSpanningLinesGoesToTheCDataHook) {
  Recorder p;
  const std::u16string path = File("c.xml",
                                   "<r>\n"
                                   "  <s><![CDATA[if (a < b) {\n"
                                   "      run();\n"
                                   "  }]]></s>\n"
                                   "  <t><![CDATA[one line]]></t>\n"
                                   "  <u>after</u>\n"
                                   "</r>\n");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  EXPECT_EQ(p.lines,
            (std::vector<std::string>{"line:<r>", "cdata:<s><![CDATA[if (a < b) {", "cdata:run();",
                                      "cdata:}]]></s>", "cdata:<t><![CDATA[one line]]></t>",
                                      "line:<u>after</u>", "line:</r>"}));
  const Events content = p.Content();
  const auto open = std::find(content.begin(), content.end(), "[cdata");
  ASSERT_LT(open + 2, content.end());
  EXPECT_EQ(open[1], "text:if (a < b) {\nrun();\n}");
  EXPECT_EQ(open[2], "cdata]");
}

TEST_F(XmlParserTest, LongLinesArriveWhole) {
  // A multibyte character right at byte 4095, where lines used to be cut.
  std::string text(4094, 'x');
  text += "\xC3\xA9";
  text += std::string(3000, 'y');
  Recorder p;
  const std::u16string path =
      File("l.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r>" + text + "</r>");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  EXPECT_EQ(p.lines.size(), 1u);
  EXPECT_EQ(p.Content()[1], "text:" + text);
}

TEST_F(XmlParserTest, MalformedDocumentIsAnErrorWithItsPlace) {
  Logger::resetForTest(&LogToString);
  Recorder p;
  const std::u16string path = File("bad.xml",
                                   "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                   "<menus>\n"
                                   "\n"
                                   "  <menu id=\"a\">\n"
                                   "    <item></menu>\n"
                                   "  <after/>\n"
                                   "</menus>\n");
  EXPECT_EQ(p.ParseFile(path.c_str(), false), CZorbXMLParser::kMalformedDocument);
  EXPECT_NE(p.GetErrorCode(), 0);
  EXPECT_EQ(p.GetErrorLine(), 5u);     // the source line, blank lines counted
  EXPECT_EQ(p.GetErrorColumn(), 13u);  // the name in "</menu>", four trimmed blanks counted
  EXPECT_NE(U8(p.GetErrorText().Get()).find("mismatched tag"), std::string::npos)
      << U8(p.GetErrorText().Get());
  // The reader saw what came before the error, nothing after it.
  EXPECT_EQ(p.Content().back(), "<item>");
  // The log names the file, expat's code, the line and the column.
  ASSERT_NE(g_log, nullptr);
  const std::string log = g_log->str();
  Logger::resetForTest(nullptr);
  EXPECT_NE(log.find("[ERROR]"), std::string::npos) << log;
  EXPECT_NE(log.find("bad.xml"), std::string::npos) << log;
  EXPECT_NE(log.find("(expat error " + std::to_string(p.GetErrorCode()) + ") at line 5, column 13"),
            std::string::npos)
      << log;

  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"unclosed root", "<r><a></a>"},
      {"text after the root", "<r/>junk"},
      {"bad attribute", "<r a=1/>"},
      {"control character", std::string("<r>\x01</r>")},
      {"only a declaration", "<?xml version=\"1.0\"?>"},
      {"a line end only", "\n"},
  };
  for (const Case& c : cases) {
    Recorder q;
    EXPECT_EQ(q.ParseFile(File("m.xml", c.bytes).c_str(), false),
              CZorbXMLParser::kMalformedDocument)
        << c.name;
    EXPECT_NE(q.GetErrorCode(), 0) << c.name;
  }
}

TEST_F(XmlParserTest, FilesThatCannotBeRead) {
  Recorder p;
  EXPECT_EQ(p.ParseFile(File("empty.xml", "").c_str(), false), -1);
  EXPECT_EQ(p.ParseFile(File("mark.xml", "\xEF\xBB\xBF").c_str(), false), -1);
  const std::u16string missing = platform::posixToColon(dir / "missing.xml").value();
  EXPECT_EQ(p.ParseFile(missing.c_str(), false), -1);
  EXPECT_EQ(p.ParseFile(nullptr, false), -1);
  EXPECT_TRUE(p.events.empty());
}

TEST_F(XmlParserTest, PreProcessingCanStopTheParseBeforeAnyEvent) {
  Recorder p;
  p.failOn = u"/ >";
  const std::u16string path = File("s.xml", "<r>\n<a/>\n<b / >\n<c/>\n</r>\n");
  EXPECT_EQ(p.ParseFile(path.c_str(), false), -3);
  EXPECT_TRUE(p.events.empty());
  EXPECT_EQ(p.lines.size(), 3u);
}

TEST_F(XmlParserTest, PreProcessingMayRewriteLines) {
  class Escaper : public Recorder {
    int OnPreProcessLine(CString& line) const override {
      line.Replace(u"&", u"&amp;");
      return 0;
    }
  } p;
  const std::u16string path = File("x.xml", "<r a=\"&lt;\">&gt; & more</r>");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  EXPECT_EQ(p.Content(), (Events{"<r a=&lt;>", "text:&gt; & more", "</r>"}));
}

TEST_F(XmlParserTest, EntitiesStayInside) {
  // A declared internal entity goes to the default handler unexpanded; an
  // external one is never read.
  const std::string secret = dir / "secret.txt";
  TempDir::write(secret, "SECRET");
  Recorder p;
  const std::u16string path = File("d.xml",
                                   "<!DOCTYPE r [\n"
                                   "<!ENTITY in \"inner\">\n"
                                   "<!ENTITY ex SYSTEM \"file://" +
                                       secret +
                                       "\">\n"
                                       "]>\n"
                                       "<r>&in;&ex;&lt;</r>\n");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0) << U8(p.GetErrorText().Get());
  std::string all;
  for (const std::string& e : p.events) all += e + "\n";
  EXPECT_EQ(all.find("SECRET"), std::string::npos) << all;
  EXPECT_NE(all.find("default:&in;"), std::string::npos) << all;
  EXPECT_NE(all.find("text:<"), std::string::npos) << all;
}

TEST_F(XmlParserTest, AttributeWalk) {
  class Walker : public CZorbXMLParser {
   public:
    void OnElementStart(const char16_t*, const char16_t** attrs) override {
      const char16_t* first = GetFirstAttr(attrs);
      names.push_back(first ? U8(first) : "-");
      if (!first) {
        EXPECT_EQ(GetValue(), nullptr);
        EXPECT_EQ(GetNextAttr(), nullptr);
        return;
      }
      EXPECT_EQ(U8(GetValue()), "1");
      // Skipping a value: the next step lands on it.
      EXPECT_EQ(U8(GetNextAttr()), "b");
      EXPECT_EQ(U8(GetNextAttr()), "2");
      EXPECT_EQ(GetNextAttr(), nullptr);
      EXPECT_EQ(GetNextAttr(), nullptr);  // stays at the end
      EXPECT_EQ(GetValue(), nullptr);
    }
    std::vector<std::string> names;
  } p;
  const std::u16string path = File("w.xml", "<r a=\"1\" b=\"2\"><e/></r>");
  ASSERT_EQ(p.ParseFile(path.c_str(), false), 0);
  EXPECT_EQ(p.names, (std::vector<std::string>{"a", "-"}));
}

TEST_F(XmlParserTest, ParsesAgainAndInMemory) {
  Recorder p;
  ASSERT_EQ(p.ParseFile(File("1.xml", "<one/>").c_str(), false), 0);
  ASSERT_EQ(p.ParseFile(File("2.xml", "<two/>").c_str(), false), 0);
  EXPECT_EQ(p.Content(), (Events{"<one>", "</one>", "<two>", "</two>"}));
  EXPECT_EQ(p.m_xmlDecl, u"");

  Recorder q;
  const std::u16string text = u"<m k=\"v\">hi</m>";
  EXPECT_EQ(q.Parse(text.data(), 7, false), 1);
  EXPECT_EQ(q.Parse(text.data() + 7, static_cast<int>(text.size() - 7), true), 1);
  EXPECT_EQ(q.Content(), (Events{"<m k=v>", "text:hi", "</m>"}));
  Recorder r;
  EXPECT_EQ(r.Parse(u"<a></b>", 7, true), 0);
}

TEST_F(XmlParserTest, ReaderExceptionsLeaveTheParse) {
  class Thrower : public Recorder {
    void OnElementStart(const char16_t* name, const char16_t**) override {
      if (U16(name) == u"boom") throw std::runtime_error("reader failed");
      ++seen;
    }

   public:
    int seen = 0;
  } p;
  EXPECT_THROW(p.ParseFile(File("t.xml", "<r><boom/><after/></r>").c_str(), false),
               std::runtime_error);
  EXPECT_EQ(p.seen, 1);
  // The same object parses again afterwards.
  EXPECT_EQ(p.ParseFile(File("u.xml", "<r/>").c_str(), false), 0);
}

TEST_F(XmlParserTest, ConvertUTF8MapsByTheSwitches) {
  CZorbXMLParser* none = nullptr;
  const char16_t source[] = u"\u00e9x";
  char16_t dest[8] = {u'z', 0};
  const char16_t* cursor = source;
  int length = 2;
  CZorbXMLParser::ConvertUTF8(cursor, dest, length, none);
  EXPECT_EQ(cursor, source);
  EXPECT_EQ(dest[0], u'z');

  struct Case {
    bool enabled, toWindows;
    int mode;
    char16_t expected;
  } cases[] = {
      {true, false, 1, 0x8E},  // enabled without the Windows switch: unchanged
      {true, true, 2, 0xE9},   // Mac 0x8E (e acute) -> cp1252 0xE9
      {true, true, 1, 0x8E},
      {false, false, 1, 0xB3},  // disabled, mode 1: Windows -> Mac by the table
      {false, false, 2, 0x8E},
  };
  for (const Case& c : cases) {
    Recorder p;
    p.m_convertEnabled = c.enabled;
    p.m_convertToWindows = c.toWindows;
    p.m_mode = c.mode;
    const char16_t in[] = {0x8E, u'a', 0};
    const char16_t* src = in;
    char16_t out[4] = {};
    int n = 2;
    CZorbXMLParser::ConvertUTF8(src, out, n, &p);
    EXPECT_EQ(src, in + 1);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(out[0], c.expected) << c.enabled << c.toWindows << c.mode;
    EXPECT_EQ(out[1], u'a');
    EXPECT_EQ(out[2], 0);
  }
}

TEST_F(XmlParserTest, ParsersOnSeveralThreadsShareNothing) {
  std::vector<std::u16string> paths;
  for (int i = 0; i < 4; ++i) {
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r" + std::to_string(i) + ">\n";
    for (int k = 0; k < 200; ++k)
      body += "<e v=\"" + std::to_string(i) + "\">t" + std::to_string(i) + "</e>\n";
    body += "</r" + std::to_string(i) + ">\n";
    paths.push_back(File("p" + std::to_string(i) + ".xml", body));
  }
  std::vector<std::string> failures(paths.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < paths.size(); ++i)
    threads.emplace_back([&, i] {
      for (int round = 0; round < 5; ++round) {
        Recorder p;
        if (p.ParseFile(paths[i].c_str(), false) != 0) {
          failures[i] = "parse failed";
          return;
        }
        const std::string mine = "<e v=" + std::to_string(i) + ">";
        for (const std::string& e : p.Content())
          if (e.rfind("<e ", 0) == 0 && e != mine) failures[i] = "foreign event " + e;
      }
    });
  for (std::thread& t : threads) t.join();
  for (const std::string& f : failures) EXPECT_EQ(f, "");
}

// Bytes that do not decode in the encoding the mark or the declaration
// names would be dropped, and a save would write the file back without
// them: such a document is refused, with the place of the first one.
TEST_F(XmlParserTest, BytesOutsideTheNamedEncodingAreRefused) {
  struct Case {
    const char* name;
    std::string bytes;
    uint32_t line;
    uint32_t column;
  } cases[] = {
      {"declared UTF-8",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r>\n  ab\xFF"
       "cd</r>\n",
       3, 5},
      {"marked UTF-8", "\xEF\xBB\xBF<r>\xC3</r>", 1, 4},
      {"UTF-8 cut short at the end", "<?xml version='1.0' encoding='UTF-8'?><r/>\r\n\xE6\x97", 2,
       1},
      {"a surrogate in UTF-8", "<?xml version='1.0' encoding='UTF-8'?>\r<r>\xED\xA0\x80</r>", 2, 4},
      {"declared Shift-JIS",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r<r>\x93\xFA\x81</r>\r", 2, 5},
      {"marked UTF-16, a lone surrogate", BYTES("\xFE\xFF\0<\0r\0>\xD8\x00\0<\0/\0r\0>"), 1, 4},
  };
  for (const Case& c : cases) {
    Recorder p;
    EXPECT_EQ(p.ParseFile(File("e.xml", c.bytes).c_str(), false),
              CZorbXMLParser::kMalformedDocument)
        << c.name;
    EXPECT_NE(p.GetErrorCode(), 0) << c.name;
    EXPECT_EQ(p.GetErrorLine(), c.line) << c.name;
    EXPECT_EQ(p.GetErrorColumn(), c.column) << c.name;
    EXPECT_TRUE(p.events.empty()) << c.name;
  }
  // Without a mark or a declaration naming it, the default encoding reads
  // whatever bytes there are.
  Recorder lenient;
  EXPECT_EQ(lenient.ParseFile(File("d.xml", "<r>\xFF</r>").c_str(), false), 0);
}

// Every model built from a document is as deep as the document: one nested
// deeper than the limit is refused, and the reader never sees an element
// below the limit.
TEST_F(XmlParserTest, NestingBeyondTheLimitIsRefused) {
  const auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
  };
  constexpr int kLimit = CZorbXmlObject::kMaxDepth;
  for (bool wrap : {false, true}) {
    SCOPED_TRACE(wrap ? "wrapped" : "as it is");
    Recorder atLimit;
    EXPECT_EQ(atLimit.ParseFile(File("n.xml", nested(kLimit)).c_str(), wrap), 0);
    for (int depth : {kLimit + 1, 100000}) {
      Recorder deeper;
      EXPECT_EQ(deeper.ParseFile(File("n.xml", nested(depth)).c_str(), wrap),
                CZorbXMLParser::kMalformedDocument);
      EXPECT_EQ(deeper.GetErrorLine(), 1u);
      EXPECT_NE(U8(deeper.GetErrorText().Get()).find("nested too deeply"), std::string::npos);
      const auto starts = std::count_if(deeper.events.begin(), deeper.events.end(),
                                        [](const std::string& e) { return e == "<a>"; });
      EXPECT_EQ(starts, kLimit);
    }
  }
  // In memory too.
  Recorder memory;
  const std::string deep = nested(kLimit + 1);
  const std::u16string text(deep.begin(), deep.end());
  EXPECT_EQ(memory.Parse(text.data(), static_cast<int>(text.size()), true), 0);
}
