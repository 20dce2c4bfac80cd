#include "foundation/CZorbUnicodeConverter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/EncodingDetector.h"
#include "foundation/MuiLocales.h"
#include "platform/os/TextConverter.h"
#include "platform/os/TextEncodings.h"
#include "testsupport/ScopedEnvironment.h"

namespace {

using Conv = CZorbUnicodeConverter;
using Bytes = std::string;

constexpr uint32_t kMacRoman = 0;
constexpr uint32_t kUntouched = 0xDEAD;

std::string readFixture(const std::string& name) {
  std::ifstream in(std::string(PLEXAR_TESTDATA_DIR) + "/encodings/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Restores the UI language the default encoding follows.
struct LanguageScope {
  explicit LanguageScope(const char* language) { platform::setTextEncodingLanguage(language); }
  ~LanguageScope() { platform::setTextEncodingLanguage(""); }
};

std::u16string decodeAll(uint32_t encoding, const Bytes& bytes) {
  CString out;
  Conv::ConvertScriptTextToUTF16(encoding, bytes.data(), static_cast<uint32_t>(bytes.size()), out);
  return std::u16string(out.Get(), out.GetLength());
}

Bytes encodeAll(uint32_t encoding, const std::u16string& text, int32_t* status = nullptr) {
  std::vector<char> buf(
      Conv::GetMaxBufSizeToConvertToScript(encoding, static_cast<uint32_t>(text.size())) + 1);
  int32_t st = 0;
  uint32_t n = 0;
  Conv::ConvertUTF16ToScriptText(encoding, text.data(), static_cast<uint32_t>(text.size()),
                                 buf.data(), static_cast<uint32_t>(buf.size()), st, &n);
  if (status) *status = st;
  return Bytes(buf.data(), n);
}

TEST(CZorbUnicodeConverter, Utf8EncodingsAreNormalised) {
  EXPECT_TRUE(Conv::EncodingIsUTF8(0x08000100));
  EXPECT_TRUE(Conv::EncodingIsUTF8(2));
  EXPECT_TRUE(Conv::EncodingIsUTF8(platform::makeTextEncoding(0x103, 0, 2)));
  EXPECT_FALSE(Conv::EncodingIsUTF8(0x100));
  EXPECT_FALSE(Conv::EncodingIsUTF8(kMacRoman));
  EXPECT_EQ(Conv::NormalizeEncoding(2), 0x08000100u);
  EXPECT_EQ(Conv::NormalizeEncoding(0x0A01), 0x0A01u);
  EXPECT_TRUE(Conv::EquivalentEncodings(2, 0x08000100));
  EXPECT_FALSE(Conv::EquivalentEncodings(0x100, 0x08000100));
  // Value 2 converts as UTF-8, not as Mac traditional Chinese.
  EXPECT_EQ(encodeAll(2, u"\u00e9"), Bytes("\xC3\xA9"));
}

TEST(CZorbUnicodeConverter, DefaultEncodingFollowsUiLanguage) {
  // The UI language is chosen from the program's languages by the user's
  // (from the environment), and the default encoding follows that choice.
  struct Case {
    const char* language;  // LANGUAGE
    const char* lang;      // LANG
    const char* chosen;
    uint32_t before;  // before the choice: the user's first language
    uint32_t after;
  } cases[] = {
      {nullptr, "ja_JP.UTF-8", "ja_JP", 1, 1},
      {"zh_TW", "C.UTF-8", "zh_TW", 0x0A03, 0x0A03},  // Big5, never 2
      {"ko:ja", "ko_KR.UTF-8", "ja_JP", 3, 1},        // Korean is not offered
      {nullptr, "ru_RU.UTF-8", "en_US", 7, kMacRoman},
      {nullptr, "C.UTF-8", "en_US", kMacRoman, kMacRoman},
      {nullptr, nullptr, "en_US", kMacRoman, kMacRoman},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    testsupport::ScopedEnvironment environment({{"LANGUAGE", c.language},
                                                {"LC_ALL", nullptr},
                                                {"LC_MESSAGES", nullptr},
                                                {"LANG", c.lang}});
    CZorbOS::ResetLocaleListForTest();
    MuiForceOrderOfOsLocales({});
    EXPECT_EQ(Conv::GetDefaultEncoding(), c.before);
    CZorbOS::setLocaleList("en_US,ja_JP,zh_TW");
    EXPECT_EQ(CZorbOS::GetUserPreferredLanguageCode(), c.chosen);
    EXPECT_EQ(Conv::GetDefaultEncoding(), c.after);
  }
  CZorbOS::ResetLocaleListForTest();
}

// With a Japanese UI, host text keeps the one-byte characters of Mac
// Japanese (copyright, trademark, ellipsis, no-break space, backslash).
TEST(CZorbUnicodeConverter, MacJapaneseKeepsItsOneByteCharacters) {
  testsupport::ScopedEnvironment environment(
      {{"LANGUAGE", "ja"}, {"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", nullptr}});
  CZorbOS::ResetLocaleListForTest();
  MuiForceOrderOfOsLocales({});
  CZorbOS::setLocaleList("en_US,ja_JP");
  ASSERT_EQ(CZorbOS::GetUserPreferredLanguageCode(), "ja_JP");
  const uint32_t encoding = Conv::GetDefaultEncoding();
  const Bytes host =
      "(\xFD) \xFE\xFF\xA0"
      "C:\x80\x93\xFA";
  const std::u16string text = decodeAll(encoding, host);
  EXPECT_EQ(text, u"(\u00a9) \u2122\u2026\uf87f\u00a0C:\\\u65e5");
  EXPECT_EQ(encodeAll(encoding, text), host);
  CZorbOS::ResetLocaleListForTest();
}

TEST(CZorbUnicodeConverter, ByteOrderMarksRecognised) {
  struct Case {
    Bytes bytes;
    bool marked;
    uint32_t encoding;
    uint32_t length;
  };
  const Case cases[] = {
      {Bytes("\xEF\xBB\xBFxy"), true, 0x08000100, 3},
      {Bytes("\xFE\xFF\x00x", 4), true, 0x100, 2},
      {Bytes("\x00\x00\xFE\xFFx", 5), true, 0x103, 4},
      {Bytes("\xFF\xFEx\x00", 4), true, Conv::kUTF16LE, 2},
      {Bytes("\xFF\xFE\x00\x00", 4), true, Conv::kUTF32LE, 4},
      {Bytes("\xFF\xFE\x00", 3), true, Conv::kUTF16LE, 2},  // too short for UTF-32
      {Bytes("\xFE\xFF", 2), true, 0x100, 2},
      {Bytes("\xEF\xBB", 2), false, kUntouched, 0},  // cut short
      {Bytes("\x00\x00\xFE", 3), false, kUntouched, 0},
      {Bytes("\xFF\xFF\x00\x00", 4), false, kUntouched, 0},
      {Bytes("<?xml"), false, kUntouched, 0},
      {Bytes(), false, kUntouched, 0},
  };
  for (const Case& c : cases) {
    uint32_t e = kUntouched;
    const auto n = static_cast<uint32_t>(c.bytes.size());
    EXPECT_EQ(Conv::GetBuffersEncodingFromByteOrderMark(c.bytes.data(), n, e), c.marked);
    EXPECT_EQ(e, c.encoding);
    EXPECT_EQ(Conv::GetBuffersByteOrderMarkLength(c.bytes.data(), n), c.length);
  }
}

TEST(CZorbUnicodeConverter, ByteOrderMarksWritten) {
  struct Case {
    uint32_t encoding;
    Bytes mark;
  };
  const Case cases[] = {
      {0x08000100, Bytes("\xEF\xBB\xBF")},
      {2, Bytes("\xEF\xBB\xBF")},
      {0x100, Bytes("\xFE\xFF")},
      {0x103, Bytes("\x00\x00\xFE\xFF", 4)},
      {Conv::kUTF16LE, Bytes("\xFF\xFE")},
      {Conv::kUTF32LE, Bytes("\xFF\xFE\x00\x00", 4)},
      {kMacRoman, Bytes()},
      {0x0A01, Bytes()},
  };
  for (const Case& c : cases) {
    unsigned char buf[8] = {};
    const uint32_t n = Conv::GetEncodingsByteOrderMark(buf, sizeof buf, c.encoding);
    EXPECT_EQ(Bytes(reinterpret_cast<char*>(buf), n), c.mark) << std::hex << c.encoding;
    EXPECT_EQ(Conv::GetByteOrderMarkLength(c.encoding), c.mark.size()) << std::hex << c.encoding;
    // Every mark written is read back as its encoding.
    uint32_t e = kUntouched;
    if (n > 0) {
      EXPECT_EQ(Conv::GetBuffersByteOrderMarkLength(reinterpret_cast<char*>(buf), n, e), n);
      EXPECT_TRUE(Conv::EquivalentEncodings(e, c.encoding)) << std::hex << c.encoding;
    }
  }
  unsigned char small[2];
  EXPECT_EQ(Conv::GetEncodingsByteOrderMark(small, sizeof small, 0x08000100), 0u);
}

// UTF-16 and UTF-32 without a mark, known by where the zero bytes of the
// first character fall.
TEST(CZorbUnicodeConverter, UnmarkedUnicodeKnownByItsZeroBytes) {
  struct Case {
    Bytes bytes;
    uint32_t encoding;  // kUntouched: not recognised
  };
  const Case cases[] = {
      {Bytes("\0<\0?", 4), 0x100},
      {Bytes("<\0?\0", 4), Conv::kUTF16LE},
      {Bytes("\0\0\0<", 4), 0x103},
      {Bytes("<\0\0\0", 4), Conv::kUTF32LE},
      {Bytes("\0\r\0\n", 4), 0x100},  // a blank first line
      {Bytes(" \0", 2), Conv::kUTF16LE},
      {Bytes("\0<", 2), 0x100},
      {Bytes("<?xm"), kUntouched},
      {Bytes("\0a\0b", 4), kUntouched},  // no document starts with a letter
      {Bytes("\0\0\0\0", 4), kUntouched},
      {Bytes("<", 1), kUntouched},
      {Bytes(), kUntouched},
  };
  for (const Case& c : cases) {
    uint32_t e = kUntouched;
    const auto n = static_cast<uint32_t>(c.bytes.size());
    EXPECT_EQ(Conv::GetBuffersEncodingFromUnitLayout(c.bytes.data(), n, e),
              c.encoding != kUntouched)
        << testing::PrintToString(c.bytes);
    EXPECT_EQ(e, c.encoding) << testing::PrintToString(c.bytes);
  }
  // The detector looks at the layout after the mark and before any 8-bit
  // rule, whose UTF-8 detector would take the zero bytes for ASCII.
  uint32_t e = kUntouched;
  const Bytes little("<\0r\0/\0>\0", 8);
  EXPECT_TRUE(Conv::GetBuffersEncoding(little.data(), 8, e));
  EXPECT_EQ(e, Conv::kUTF16LE);
}

// Text in every Unicode form the marks announce comes back as it went, its
// units in their byte order.
TEST(CZorbUnicodeConverter, UnicodeFormsOfTheMarksConvert) {
  const std::u16string text = u"a\r\u00e9\u6f22\U0001F600";
  struct Case {
    uint32_t encoding;
    uint32_t unitSize;
    bool little;
    Bytes firstUnit;  // of "a"
  };
  const Case cases[] = {
      {0x100, 2, false, Bytes("\0a", 2)},     {Conv::kUTF16LE, 2, true, Bytes("a\0", 2)},
      {0x103, 4, false, Bytes("\0\0\0a", 4)}, {Conv::kUTF32LE, 4, true, Bytes("a\0\0\0", 4)},
      {0x08000100, 1, false, Bytes("a")},     {kMacRoman, 1, false, Bytes("a")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.encoding);
    EXPECT_EQ(Conv::GetCodeUnitSize(c.encoding), c.unitSize);
    EXPECT_EQ(Conv::CodeUnitsAreLittleEndian(c.encoding), c.little);
    if (c.unitSize == 1) continue;
    int32_t status = 1;
    const Bytes bytes = encodeAll(c.encoding, text, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(bytes.substr(0, c.unitSize), c.firstUnit);
    EXPECT_EQ(bytes.size(), c.unitSize == 2 ? 12u : 20u);
    EXPECT_EQ(decodeAll(c.encoding, bytes), text);
  }
  uint32_t e = kUntouched;
  EXPECT_TRUE(Conv::GetEncodingFromCharsetName(u"encoding='UTF-16LE'", 0, e));
  EXPECT_EQ(e, Conv::kUTF16LE);
  EXPECT_TRUE(Conv::GetEncodingFromCharsetName(u"charset=utf-32le", 0, e));
  EXPECT_EQ(e, Conv::kUTF32LE);
}

TEST(CZorbUnicodeConverter, XmlDeclarationFound) {
  const Bytes line = "  <?xml version=\"1.0\"?><root/>";
  char16_t out[64];
  uint32_t n = Conv::GetXMLDecl(line.data(), static_cast<uint32_t>(line.size()), out, 64);
  EXPECT_EQ(std::u16string(out, n), u"<?xml version=\"1.0\"?>");

  // Only white space may come before it.
  const Bytes late = "x<?xml version=\"1.0\"?>";
  EXPECT_EQ(Conv::GetXMLDecl(late.data(), static_cast<uint32_t>(late.size()), out, 64), 0u);
  // Another processing instruction is not the declaration.
  const Bytes sheet = "<?xml-stylesheet href=\"a.css\"?><root/>";
  EXPECT_EQ(Conv::GetXMLDecl(sheet.data(), static_cast<uint32_t>(sheet.size()), out, 64), 0u);
  // Unfinished.
  const Bytes open = "<?xml version=\"1.0\"";
  EXPECT_EQ(Conv::GetXMLDecl(open.data(), static_cast<uint32_t>(open.size()), out, 64), 0u);

  // A byte-order mark is skipped by the 8-bit forms.
  const Bytes marked = "\xEF\xBB\xBF<?xml a?>";
  char narrow[64];
  n = Conv::GetXMLDecl(marked.data(), static_cast<uint32_t>(marked.size()), narrow, 64);
  EXPECT_EQ(Bytes(narrow, n), "<?xml a?>");

  // UTF-16 inputs; length 0 runs to the terminator.
  const char16_t* wide = u"\t<?xml encoding='utf-8'?>\n<a/>";
  n = Conv::GetXMLDecl(wide, 0, out, 64);
  EXPECT_EQ(std::u16string(out, n), u"<?xml encoding='utf-8'?>");
  n = Conv::GetXMLDecl(wide, 0, narrow, 64);
  EXPECT_EQ(Bytes(narrow, n), "<?xml encoding='utf-8'?>");

  // At most size - 1 units, no terminator.
  out[5] = u'#';
  n = Conv::GetXMLDecl(wide, 0, out, 6);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(std::u16string(out, n), u"<?xml");
  EXPECT_EQ(out[5], u'#');
}

TEST(CZorbUnicodeConverter, CharsetNames) {
  struct Case {
    std::u16string text;
    bool known;
    uint32_t encoding;
  };
  const Case cases[] = {
      {u"<?xml version='1.0' encoding='UTF-8'?>", true, 0x08000100},
      {u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", true, 0x0A01},
      {u"<?xml version = \"1.0\" encoding = \"euc-jp\" ?>", true, 0x0920},
      {u"text/html; charset=utf-8", true, 0x08000100},
      {u"content=\"text/html; CHARSET=ISO-2022-JP\"", true, 0x0820},
      {u" \"utf-8\";", true, 0x08000100},  // what follows a CSS @charset
      {u"iso-x-sjis", true, 0x0A01},
      {u"encoding='ISO-X-SJIS'", true, 0x0A01},
      {u"<?xml version='1.0'?>", false, kUntouched},  // names only the version
      {u"charset=\"utf-8\"", false, kUntouched},      // "=" then a quote: empty name
      {u"encoding='klingon'", false, kUntouched},
      {u"encoding='" + std::u16string(300, u'a') + u"'", false, kUntouched},
      {u"encoding='utf-8\u00e9'", false, kUntouched},
      {u"", false, kUntouched},
  };
  for (const Case& c : cases) {
    uint32_t e = kUntouched;
    EXPECT_EQ(
        Conv::GetEncodingFromCharsetName(c.text.c_str(), static_cast<uint32_t>(c.text.size()), e),
        c.known);
    EXPECT_EQ(e, c.encoding);
  }
  // Length 0 runs to the terminator.
  uint32_t e = kUntouched;
  EXPECT_TRUE(Conv::GetEncodingFromCharsetName(u"charset=big5", 0, e));
  EXPECT_EQ(e, 0x0A03u);
}

TEST(CZorbUnicodeConverter, BufferEncodingFromFixtures) {
  LanguageScope en("en");
  struct Case {
    const char* fixture;
    bool known;
    uint32_t encoding;
  };
  const Case cases[] = {
      {"bom-utf8.txt", true, 0x08000100},
      {"decl-apostrophes.xml", true, 0x0A01},
      {"charset-rule.css", true, 0x202},
      {"meta-eucjp.html", true, 0x0920},
      {"ascii.txt", true, kMacRoman},  // the default encoding
      {"utf8.txt", true, 0x08000100},
      // The charset is unknown, the bytes are neither ASCII nor UTF-8,
      // but there is a declaration: UTF-8.
      {"decl-unknown.xml", true, 0x08000100},
      // A meta element after the head does not count.
      {"meta-after-head.html", false, kUntouched},
      // Stray Mac Roman letters are not UTF-8.
      {"macroman.txt", false, kUntouched},
  };
  for (const Case& c : cases) {
    const std::string data = readFixture(c.fixture);
    uint32_t e = kUntouched;
    EXPECT_EQ(Conv::GetBuffersEncoding(data.data(), static_cast<uint32_t>(data.size()), e), c.known)
        << c.fixture;
    EXPECT_EQ(e, c.encoding) << c.fixture;
  }
}

TEST(CZorbUnicodeConverter, CssCharsetNeedsTheRuleFirst) {
  uint32_t e = kUntouched;
  const Bytes ok = "\n  @charset 'koi8-r';";
  EXPECT_TRUE(
      Conv::GetBuffersEncodingFromCSSCharset(ok.data(), static_cast<uint32_t>(ok.size()), e));
  EXPECT_EQ(e, 0x0A02u);
  e = kUntouched;
  const Bytes late = "p{} @charset 'koi8-r';";
  EXPECT_FALSE(
      Conv::GetBuffersEncodingFromCSSCharset(late.data(), static_cast<uint32_t>(late.size()), e));
  const Bytes cut = "@charset";  // fewer than 9 bytes
  EXPECT_FALSE(
      Conv::GetBuffersEncodingFromCSSCharset(cut.data(), static_cast<uint32_t>(cut.size()), e));
  EXPECT_EQ(e, kUntouched);
  EXPECT_FALSE(
      Conv::GetBuffersEncodingFromAutoDetect(ok.data(), static_cast<uint32_t>(ok.size()), e));
}

TEST(CZorbUnicodeConverter, MetaDetector) {
  struct Case {
    Bytes html;
    bool known;
    uint32_t encoding;
  };
  const Case cases[] = {
      {"<head><meta charset=\"Shift_JIS\"></head>\x93", true, 0x0A01},
      {"<HEAD><Meta Charset=euc-jp></HEAD>\xC6", true, 0x0920},
      {"<head><meta content='text/html; charset=iso-2022-jp'></head>\x1B", true, 0x0820},
      {"<head><metadata charset=euc-jp></head>\xC6\xFC", false, kUntouched},  // not a meta element
      {"<head><meta name=x> charset=euc-jp</head>\xC6\xFC", false,
       kUntouched},  // outside the element
      {"<head><meta charset=klingon charset=euc-jp></head>\xC6", true, 0x0920},
      {"<head><meta charset = euc-jp></head>\xC6\xFC", false,
       kUntouched},  // "=" must follow directly
  };
  for (const Case& c : cases) {
    uint32_t e = kUntouched;
    EXPECT_EQ(Conv::GetBuffersEncodingFromMetaInfo(c.html.data(),
                                                   static_cast<uint32_t>(c.html.size()), e),
              c.known)
        << c.html;
    EXPECT_EQ(e, c.encoding) << c.html;
  }
}

TEST(CZorbUnicodeConverter, Utf8DetectorRules) {
  struct Case {
    Bytes bytes;
    bool utf8;
  };
  const Case cases[] = {
      {"abc", true},          {"caf\xC3\xA9", true}, {"\xF0\x9F\x98\x80", true},
      {"cut \xE6\xBC", true},  // cut by the end of the buffer
      {"caf\xE9 ", false},     // Latin-1
      {"\x8E", false},         // a stray continuation byte
      {"\xC0\xAF", false},     // never a lead byte
      {"\xFF", false},
  };
  for (const Case& c : cases) {
    UTF8Detector d;
    for (char ch : c.bytes) d.ScanByte(static_cast<unsigned char>(ch));
    EXPECT_EQ(d.GetEncoding() == CZorbUnicodeConverter::kUTF8, c.utf8) << c.bytes;
  }
  AsciiDetector a;
  EXPECT_TRUE(a.ScanByte('\t'));
  EXPECT_FALSE(a.ScanByte(0x07));
  EXPECT_EQ(a.GetEncoding(), EncodingDetector::kNoEncoding);
}

TEST(CZorbUnicodeConverter, JapaneseDetector) {
  struct Case {
    Bytes bytes;
    uint32_t encoding;
  };
  const uint32_t none = EncodingDetector::kNoEncoding;
  const Case cases[] = {
      {"plain", none},
      {"\x1B$B\x46\x7C\x1B(B", 0x0820},  // ISO-2022-JP
      {"\x93\xFA\x96\x7B", 0x0A01},      // Shift-JIS lead byte
      {"\xF5\xA1", 0x0920},              // EUC-JP only lead byte
      {"\xC6\xFC\xCB\xDC", 0x0920},      // EUC-JP kanji: second byte above 0xEF
      {"\x8E\x40", 0x0A01},
      {"\x8E\xB1", none},
      {"\xE0\x40", 0x0A01},
      {"\xE0\xFD", 0x0920},
      {"\xB1\xE0\x81", 0x0A01},
      {"\xB1\xE0\xFE", 0x0920},
      {"\x1B\x93", 0x0A01},  // a later decision replaces an earlier one
  };
  for (const Case& c : cases) {
    JapaneseDetector d;
    for (char ch : c.bytes) EXPECT_TRUE(d.ScanByte(static_cast<unsigned char>(ch)));
    EXPECT_EQ(d.GetEncoding(), c.encoding) << testing::PrintToString(c.bytes);
  }
}

TEST(CZorbUnicodeConverter, ConvertToScriptBasics) {
  char out[16];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(Conv::ConvertUTF16ToScriptText(0x08000100, u"", 0, out, sizeof out), 0u);
  EXPECT_EQ(out[0], 0);

  // Length 0 with a text runs to its terminator; the output is terminated.
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(Conv::ConvertUTF16ToScriptText(kMacRoman, u"caf\u00e9", 0, out, sizeof out), 4u);
  EXPECT_EQ(Bytes(out), "caf\x8E");

  // No room for the terminator: none is written.
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(Conv::ConvertUTF16ToScriptText(kMacRoman, u"abc", 3, out, 3), 3u);
  EXPECT_EQ(out[3], 'x');

  int32_t status = 0;
  uint32_t n = 99;
  Conv::ConvertUTF16ToScriptText(0x7777, u"abc", 3, out, sizeof out, status, &n);
  EXPECT_EQ(status, CZorbUnicodeConverter::kNoConverter);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(out[0], 0);

  Conv::ConvertUTF16ToScriptText(kMacRoman, u"abcdef", 6, out, 4, status, &n);
  EXPECT_EQ(status, platform::textstatus::kOutputBufferFull);
  EXPECT_EQ(n, 4u);
}

TEST(CZorbUnicodeConverter, UnmappableCharactersAreSubstituted) {
  struct Case {
    uint32_t encoding;
    std::u16string text;
    Bytes bytes;
    int32_t status;
  };
  const Case cases[] = {
      {kMacRoman, u"a\u6f22b\u5b57c", "a?b?c", -8754},
      {kMacRoman, u"a\U0001F600b", "a?b", -8754},
      {0x0820, u"\u65e5\u00e9\u672c", "\x1B$B\x46\x7C\x1B(B?\x1B$B\x4B\x5C\x1B(B", -8754},
      {0x08000100,
       u"a\xDC00"
       u"b",
       "a\xEF\xBF\xBD"
       "b",
       -8739},
      {0x08000100, u"ok\u00e9", "ok\xC3\xA9", 0},
  };
  for (const Case& c : cases) {
    int32_t status = 1;
    EXPECT_EQ(encodeAll(c.encoding, c.text, &status), c.bytes);
    EXPECT_EQ(status, c.status);
  }
}

// Texts at the worst case of each encoding all fit in the size that
// GetMaxBufSizeToConvertToScript promises.
TEST(CZorbUnicodeConverter, MaxBufferSizeHoldsWorstCases) {
  std::u16string alternating;
  for (int i = 0; i < 100; ++i) alternating += u"a\u6f22";
  struct Case {
    uint32_t encoding;
    std::u16string text;
  };
  const Case cases[] = {
      {0x0820, alternating},
      {0x0920, std::u16string(50, u'\u4e02')},  // JIS X 0212: three bytes each
      {0x0632, std::u16string(50, u'\u0080')},  // GB18030: four bytes each
      {platform::makeTextEncoding(0x100, 0, 3), std::u16string(50, u'a')},
      {0x103, std::u16string(50, u'a')},
      {0x08000100, std::u16string(50, u'\u6f22')},
      {0x100, std::u16string(50, u'a')},
      {Conv::kUTF32LE, std::u16string(50, u'a')},
  };
  for (const Case& c : cases) {
    int32_t status = 1;
    const Bytes bytes = encodeAll(c.encoding, c.text, &status);
    EXPECT_EQ(status, 0) << std::hex << c.encoding;
    EXPECT_EQ(decodeAll(c.encoding, bytes), c.text) << std::hex << c.encoding;
  }
}

TEST(CZorbUnicodeConverter, MalformedInputSkippedByteByByte) {
  struct Case {
    uint32_t encoding;
    Bytes bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {0x08000100,
       "\x80\x80"
       "a\xC3(b\xFF",
       u"a(b"},
      {0x08000100, "caf\xC3\xA9\xE6\xBC", u"caf\u00e9"},  // cut at the end
      {2, "x\xC3\xA9", u"x\u00e9"},
      {0x0920, "\xC6\xFC\xFF\xFF\xCB\xDC", u"\u65e5\u672c"},
      {0x0A01, "a\x93\xFA", u"a\u65e5"},
      {kMacRoman, "caf\x8E", u"caf\u00e9"},
      {0x6, "\xE1\xFF", u"\u03b1\u00ad"},  // Mac Greek from its table
  };
  for (const Case& c : cases)
    EXPECT_EQ(decodeAll(c.encoding, c.bytes), c.text) << testing::PrintToString(c.bytes);
}

TEST(CZorbUnicodeConverter, ConvertToUtf16Buffer) {
  char16_t out[8];
  std::fill(std::begin(out), std::end(out), u'#');
  EXPECT_EQ(Conv::ConvertScriptTextToUTF16(0x08000100, "ab", 2, out, 8), 2u);
  EXPECT_EQ(std::u16string(out), u"ab");

  // Full: no terminator, no overrun.
  std::fill(std::begin(out), std::end(out), u'#');
  EXPECT_EQ(Conv::ConvertScriptTextToUTF16(kMacRoman, "abcdef", 6, out, 3), 3u);
  EXPECT_EQ(out[3], u'#');

  EXPECT_EQ(Conv::ConvertScriptTextToUTF16(0x08000100, "", 0, out, 8), 0u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(Conv::ConvertScriptTextToUTF16(0x7777, "ab", 2, out, 8), 0u);
  EXPECT_EQ(out[0], 0);

  CString s(u"old");
  EXPECT_EQ(Conv::ConvertScriptTextToUTF16(0x08000100, "", 0, s), 0u);
  EXPECT_EQ(s.GetLength(), 0);
}

TEST(CZorbUnicodeConverter, LongKanjiTextThroughIso2022JpWhole) {
  std::u16string text;
  for (int i = 0; i < 3000; ++i) {
    text += u"\u65e5\u672c\u8a9e";
    if (i % 7 == 0) text += u"abc ";
  }
  int32_t status = 1;
  const Bytes bytes = encodeAll(0x0820, text, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(bytes.substr(bytes.size() - 3), "\x1B(B");
  EXPECT_EQ(decodeAll(0x0820, bytes), text);
}

TEST(CZorbUnicodeConverter, AsPascal) {
  unsigned char out[256];
  {
    LanguageScope en("en");
    CString(u"caf\u00e9").AsPascal(out);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(Bytes(reinterpret_cast<char*>(out + 1), 4), "caf\x8E");

    CString empty;
    empty.Deallocate();
    out[0] = 9;
    empty.AsPascal(out);
    EXPECT_EQ(out[0], 0);
    CString(u"x").AsPascal(nullptr);
  }
  {
    // 200 kanji are 400 bytes in Shift-JIS: cut after 127 whole ones.
    LanguageScope ja("ja");
    CString(std::u16string(200, u'\u65e5').c_str()).AsPascal(out);
    EXPECT_EQ(out[0], 254);
    EXPECT_EQ(Bytes(reinterpret_cast<char*>(out + 1), 2), "\x93\xFA");
  }
}

}  // namespace

namespace {

// What the system converter gives for the bytes: the lenient decode (each
// byte that begins no character skipped) and where a strict one stops.
struct ConverterResult {
  std::u16string lenient;
  std::u16string strictPrefix;
  bool strictOk = false;
};

ConverterResult throughConverter(uint32_t encoding, const Bytes& bytes) {
  namespace textstatus = platform::textstatus;
  ConverterResult result;
  std::u16string out(bytes.size() + 8, u'\0');
  size_t read = 0;
  size_t written = 0;
  bool first = true;
  while (read < bytes.size()) {
    platform::TextConversion conversion(Conv::NormalizeEncoding(encoding),
                                        platform::TextDirection::ToUnicode);
    const platform::TextConvertResult r = conversion.convert(
        bytes.data() + read, bytes.size() - read, out.data() + written, (out.size() - written) * 2);
    read += r.bytesRead;
    written += r.bytesWritten / 2;
    if (first) {
      result.strictPrefix.assign(out.data(), written);
      result.strictOk = r.status == textstatus::kOk && read >= bytes.size();
      first = false;
    }
    if (r.status == textstatus::kOk) break;
    if (read < bytes.size()) ++read;
  }
  if (first) result.strictOk = true;
  result.lenient.assign(out.data(), written);
  return result;
}

void expectSameAsConverter(uint32_t encoding, const Bytes& bytes) {
  const ConverterResult expected = throughConverter(encoding, bytes);
  std::u16string out(bytes.size() + 8, u'\0');
  size_t read = 0;
  size_t written = 0;
  int32_t status = -1;
  ASSERT_TRUE(Conv::DecodeDirectly(encoding, bytes.data(), bytes.size(), out.data(), out.size(),
                                   read, written, status));
  const std::u16string lenient = decodeAll(encoding, bytes);
  const std::u16string strict(out.data(), written);
  const bool strictOk = status == 0 && read == bytes.size();
  if (lenient == expected.lenient && strict == expected.strictPrefix &&
      strictOk == expected.strictOk)
    return;
  std::string shown;
  for (unsigned char c : bytes) shown += " " + std::to_string(c);
  ADD_FAILURE() << "encoding " << encoding << ", bytes" << shown;
  EXPECT_EQ(lenient, expected.lenient);
  EXPECT_EQ(strict, expected.strictPrefix);
  EXPECT_EQ(strictOk, expected.strictOk);
}

}  // namespace

// UTF-8 and ASCII are decoded without the system converter, with its
// results to the unit, malformed bytes included.
TEST(CZorbUnicodeConverter, DirectDecodingMatchesTheConverter) {
  const Bytes table[] = {
      "",
      "plain ascii <menu/>\r\n",
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",  // 2, 3, 4 bytes, U+10FFFF
      "\xEF\xBB\xBF<?xml?>",                                         // a mark stays
      "\xC0\x80",                                                    // overlong NUL
      "\xC1\xBF",
      "\xE0\x80\xAF",  // overlong "/"
      "\xE0\x9F\xBF",
      "\xF0\x8F\xBF\xBF",  // overlong 4 bytes
      "\xED\xA0\x80",      // surrogates
      "\xED\xBF\xBF",
      "\xED\xA0\xBD\xED\xB8\x80",  // an encoded pair
      "\xF4\x90\x80\x80",          // past U+10FFFF
      "\xF5\x80\x80\x80",
      "\xF8\x88\x80\x80\x80",
      "\xFC\x84\x80\x80\x80\x80",
      "\xFE\xFF",
      "\x80",  // lone continuations
      "a\xBFz",
      "\xE2\x82",  // cut off at the end
      "\xF0\x9F\x98",
      "\xE2\x82\x41",  // cut off by a byte that continues nothing
      "\xC3\xC3\xA9",
      "\xF0\x9F\x41\x98\x80",
      "x\xE2\x82\xACy\xE2\x82",
      std::string("nul\0inside", 10),
  };
  for (const Bytes& bytes : table) {
    expectSameAsConverter(Conv::kUTF8, bytes);
    expectSameAsConverter(platform::encoding::kUSASCII, bytes);
  }
  // Every pair of bytes, and every run of three and four built from bytes
  // at the edges of the ranges.
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) expectSameAsConverter(Conv::kUTF8, {char(a), char(b)});
  const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  for (unsigned char a : edges)
    for (unsigned char b : edges)
      for (unsigned char c : edges) {
        expectSameAsConverter(Conv::kUTF8, {char(a), char(b), char(c)});
        if (a >= 0xF0) {
          for (unsigned char d : edges)
            expectSameAsConverter(Conv::kUTF8, {char(a), char(b), char(c), char(d)});
        }
      }
}

// A full output stops at a whole character, as the converter's does, so
// that the caller can grow it and start again.
TEST(CZorbUnicodeConverter, DirectDecodingStopsAtAFullOutput) {
  const Bytes bytes = "ab\xF0\x9F\x98\x80";
  char16_t out[3] = {};
  size_t read = 0;
  size_t written = 0;
  int32_t status = 0;
  ASSERT_TRUE(
      Conv::DecodeDirectly(Conv::kUTF8, bytes.data(), bytes.size(), out, 3, read, written, status));
  EXPECT_EQ(status, platform::textstatus::kOutputBufferFull);
  EXPECT_EQ(read, 2u);
  EXPECT_EQ(written, 2u);
  EXPECT_FALSE(
      Conv::DecodeDirectly(kMacRoman, bytes.data(), bytes.size(), out, 3, read, written, status));
}
