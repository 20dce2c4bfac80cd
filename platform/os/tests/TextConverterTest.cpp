#include "platform/os/TextConverter.h"

#include "platform/os/MacSingleByteTables.h"
#include "platform/os/PlatformConfig.h"
#include "testsupport/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace platform {
namespace {

using Bytes = std::string;

Bytes encode(TextEncoding encoding, const std::u16string& text, int32_t* status = nullptr) {
  TextConversion conv(encoding, TextDirection::FromUnicode);
  Bytes out(text.size() * 8 + 16, '\0');
  TextConvertResult r = conv.convert(text.data(), text.size() * 2, out.data(), out.size());
  if (status) *status = r.status;
  TextConvertResult f = conv.finish(out.data() + r.bytesWritten, out.size() - r.bytesWritten);
  out.resize(r.bytesWritten + f.bytesWritten);
  return out;
}

std::u16string decode(TextEncoding encoding, const Bytes& bytes, int32_t* status = nullptr) {
  TextConversion conv(encoding, TextDirection::ToUnicode);
  std::u16string out(bytes.size() + 4, u'\0');
  TextConvertResult r = conv.convert(bytes.data(), bytes.size(), out.data(), out.size() * 2);
  if (status) *status = r.status;
  out.resize(r.bytesWritten / 2);
  return out;
}

struct RoundTrip {
  const char* label;
  TextEncoding encoding;
  std::u16string text;
  Bytes bytes;
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
  *os << c.label;
}

class TextConverterRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(TextConverterRoundTrip, EncodesAndDecodes) {
  const RoundTrip& c = GetParam();
  int32_t status = 1;
  EXPECT_EQ(encode(c.encoding, c.text, &status), c.bytes) << c.label;
  EXPECT_EQ(status, textstatus::kOk) << c.label;
  EXPECT_EQ(decode(c.encoding, c.bytes, &status), c.text) << c.label;
  EXPECT_EQ(status, textstatus::kOk) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, TextConverterRoundTrip,
    ::testing::Values(
        RoundTrip{"utf8", encoding::kUTF8, u"a\u00e9\u6f22\U0001F600",
                  Bytes("a\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80")},
        RoundTrip{"utf16 is big-endian in bytes", encoding::kUnicodeDefault, u"A\u6f22",
                  Bytes("\x00"
                        "A"
                        "\x6F\x22",
                        4)},
        RoundTrip{"0x103 is utf32 big-endian", encoding::kUnicodeV2, u"A",
                  Bytes("\x00\x00\x00"
                        "A",
                        4)},
        RoundTrip{"utf32", encoding::kUTF32, u"\U0001F600", Bytes("\x00\x01\xF6\x00", 4)},
        RoundTrip{"shift-jis", encoding::kShiftJIS, u"\u65e5\u672c", Bytes("\x93\xFA\x96\x7B")},
        RoundTrip{"mac japanese", encoding::kMacJapanese, u"\u65e5", Bytes("\x93\xFA")},
        RoundTrip{"euc-jp", encoding::kEUCJP, u"\u65e5\u672c", Bytes("\xC6\xFC\xCB\xDC")},
        RoundTrip{"iso-2022-jp returns to ascii", encoding::kISO2022JP, u"a\u65e5",
                  Bytes("a\x1B$B\x46\x7C\x1B(B")},
        RoundTrip{"mac roman", encoding::kMacRoman, u"\u00e9\u00fc", Bytes("\x8E\x9F")},
        RoundTrip{"mac cyrillic", encoding::kMacCyrillic, u"\u0416", Bytes("\x86")},
        RoundTrip{"mac central european", encoding::kMacCentralEurRoman, u"\u0141", Bytes("\xFC")},
        RoundTrip{"mac icelandic", encoding::kMacIcelandic, u"\u00de", Bytes("\xDE")},
        RoundTrip{"mac korean", encoding::kMacKorean, u"\ud55c", Bytes("\xC7\xD1")},
        RoundTrip{"euc-kr", encoding::kEUCKR, u"\ud55c", Bytes("\xC7\xD1")},
        RoundTrip{"mac simplified chinese", encoding::kMacChineseSimp, u"\u4e2d",
                  Bytes("\xD6\xD0")},
        RoundTrip{"gb18030 four bytes", encoding::kGB18030, u"\u0080", Bytes("\x81\x30\x81\x30")},
        RoundTrip{"big5", encoding::kBig5, u"\u4e2d", Bytes("\xA4\xA4")},
        RoundTrip{"koi8-r", encoding::kKOI8R, u"\u0416", Bytes("\xF6")},
        RoundTrip{"iso-8859-2", 0x202, u"\u0141", Bytes("\xA3")},
        RoundTrip{"windows-1251", 0x502, u"\u0416", Bytes("\xC6")},
        RoundTrip{"mac greek table", encoding::kMacGreek, u"\u03b1\u0391", Bytes("\xE1\xB0")},
        RoundTrip{"mac turkish table", encoding::kMacTurkish, u"\u011f\u0130", Bytes("\xDB\xDC")},
        RoundTrip{"mac croatian table", encoding::kMacCroatian, u"\u0160\u017e", Bytes("\xA9\xBE")},
        RoundTrip{"mac romanian table", encoding::kMacRomanian, u"\u0218\u0219", Bytes("\xAF\xBF")},
        RoundTrip{"mac arabic table", encoding::kMacArabic, u"\u0627 1", Bytes("\xC7 1")},
        RoundTrip{"mac hebrew table", encoding::kMacHebrew, u"\u05d0\u05ea", Bytes("\xE0\xFA")},
        RoundTrip{"mac thai table", encoding::kMacThai, u"\u0e01\u0e48", Bytes("\xA1\xE8")}),
    [](const ::testing::TestParamInfo<RoundTrip>& param) {
      return "case" + std::to_string(param.index);
    });

TEST(TextConverter, StatusesOfDecoding) {
  TextConversion conv(encoding::kUTF8, TextDirection::ToUnicode);
  char16_t out[16];

  // Malformed: stops before the bad byte.
  TextConvertResult r = conv.convert("ab\xC3(", 4, out, sizeof out);
  EXPECT_EQ(r.status, textstatus::kMalformedInput);
  EXPECT_EQ(r.bytesRead, 2u);
  EXPECT_EQ(r.bytesWritten, 4u);

  // Incomplete end: the tail stays unread for the next block.
  conv.reset();
  r = conv.convert("a\xE6\xBC", 3, out, sizeof out);
  EXPECT_EQ(r.status, textstatus::kIncompleteElement);
  EXPECT_EQ(r.bytesRead, 1u);

  // Output full: what fits is written.
  conv.reset();
  r = conv.convert("abcdef", 6, out, 6);
  EXPECT_EQ(r.status, textstatus::kOutputBufferFull);
  EXPECT_EQ(r.bytesRead, 3u);
  EXPECT_EQ(r.bytesWritten, 6u);
}

TEST(TextConverter, StatusesOfEncoding) {
  struct Case {
    TextEncoding encoding;
    std::u16string text;
    int32_t status;
    size_t read;
  };
  const Case cases[] = {
      {encoding::kMacRoman, u"a\u6f22b", textstatus::kUnmappableElement, 2},
      {encoding::kMacGreek, u"a\u6f22b", textstatus::kUnmappableElement, 2},
      {encoding::kUTF8,
       u"a\xDC00"
       u"b",
       textstatus::kMalformedInput, 2},
      {encoding::kMacRoman,
       u"a\xD800"
       u"b",
       textstatus::kMalformedInput, 2},
      {encoding::kMacHebrew, u"a\xDC00", textstatus::kMalformedInput, 2},
      {encoding::kUTF8, u"a\xD83D", textstatus::kIncompleteElement, 2},
      {encoding::kMacThai, u"a\xD83D", textstatus::kIncompleteElement, 2},
  };
  for (const Case& c : cases) {
    TextConversion conv(c.encoding, TextDirection::FromUnicode);
    char out[32];
    TextConvertResult r = conv.convert(c.text.data(), c.text.size() * 2, out, sizeof out);
    EXPECT_EQ(r.status, c.status) << std::hex << c.encoding;
    EXPECT_EQ(r.bytesRead, c.read) << std::hex << c.encoding;
  }
}

TEST(TextConverter, TableReportsUndefinedBytesAndFullOutput) {
  int32_t status = 0;
  EXPECT_EQ(decode(encoding::kMacThai, Bytes("a\xFC"), &status), u"a");
  EXPECT_EQ(status, textstatus::kUndefinedElement);

  TextConversion conv(encoding::kMacGreek, TextDirection::FromUnicode);
  const std::u16string text = u"\u03b1\u03b2\u03b3";
  char out[2];
  TextConvertResult r = conv.convert(text.data(), text.size() * 2, out, sizeof out);
  EXPECT_EQ(r.status, textstatus::kOutputBufferFull);
  EXPECT_EQ(r.bytesRead, 4u);
  EXPECT_EQ(r.bytesWritten, 2u);
}

// Bytes of the Thai and Hebrew tables, from the public mapping files. The
// positional variants of Thai and the right-to-left forms of ASCII in Hebrew
// have characters of their own (private use), so that they keep their bytes.
TEST(TextConverter, ThaiAndHebrewTables) {
  struct Case {
    TextEncoding encoding;
    Bytes bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {encoding::kMacThai, "\x91", u"\u2022"},
      {encoding::kMacThai, "\xEE\xEF", u"\u2122\u0e4f"},
      {encoding::kMacThai, "\xED", u"\u0e4d"},
      {encoding::kMacThai, "\xDB", u"\u2060"},
      {encoding::kMacThai, "\x8F\x92\x93", u"\uf711\uf710\uf712"},
      {encoding::kMacThai, "\x94\x97", u"\uf701\uf704"},
      {encoding::kMacThai, "\x83\x88\x98\x9C", u"\uf705\uf70a\uf713\uf717"},
      {encoding::kMacThai, "\xE0\xE7\xE8", u"\u0e40\u0e47\u0e48"},
      {encoding::kMacHebrew, "\xC2\xC5", u"\uf89b\uf89e"},
      {encoding::kMacHebrew, "\xCB\xDE", u"\u05b8\u05c7"},
      {encoding::kMacHebrew, "()\xA8\xA9 \xA0", u"()\ue829\ue828 \ue820"},
      {encoding::kMacHebrew, "\xFB\xFC\xFD\xFE\xFF", u"\ue87d\ue85d\ue87b\ue85b\ue87c"},
      {encoding::kMacArabic, "\xA8\xA9\xAE,", u"\ue828\ue829\ue82e,"},
  };
  for (const Case& c : cases) {
    int32_t status = 1;
    EXPECT_EQ(decode(c.encoding, c.bytes, &status), c.text) << testing::PrintToString(c.bytes);
    EXPECT_EQ(status, textstatus::kOk) << testing::PrintToString(c.bytes);
    EXPECT_EQ(encode(c.encoding, c.text), c.bytes) << testing::PrintToString(c.bytes);
  }
  // Bytes with no character in the mapping files stay undefined.
  for (const char* undefined : {"\x90", "\x9F", "\xFC", "\xFF"}) {
    int32_t status = 0;
    EXPECT_EQ(decode(encoding::kMacThai, undefined, &status), u"");
    EXPECT_EQ(status, textstatus::kUndefinedElement);
  }
}

// A host file in a Mac single-byte encoding keeps its bytes when it is read
// and written again: every byte that decodes encodes back to itself.
TEST(TextConverter, EveryByteOfEveryMacSingleByteEncodingComesBack) {
  std::vector<TextEncoding> encodings;
  for (TextEncoding base = 0; base < 0x100; ++base) {
    const std::string name = iconvNameForEncoding(base);
    if (macSingleByteTable(base) || name.rfind("MAC", 0) == 0) encodings.push_back(base);
  }
  EXPECT_GE(encodings.size(), 12u);
  for (TextEncoding e : encodings) {
    SCOPED_TRACE(e);
    Bytes whole;
    for (int b = 0; b < 0x100; ++b) {
      const Bytes one(1, static_cast<char>(b));
      int32_t status = 1;
      const std::u16string text = decode(e, one, &status);
      if (status == textstatus::kUndefinedElement) continue;
      ASSERT_EQ(status, textstatus::kOk) << b;
      ASSERT_EQ(text.size(), 1u) << b;
      EXPECT_EQ(encode(e, text, &status), one)
          << "byte " << b << " read as U+" << std::hex << static_cast<unsigned>(text[0]);
      EXPECT_EQ(status, textstatus::kOk) << b;
      whole += one;
    }
    // Only bytes the Mac itself leaves without a character are missing.
    EXPECT_GE(whole.size(), 250u);
    EXPECT_EQ(encode(e, decode(e, whole)), whole);
  }
}

// The one-byte characters the Mac CJK encodings add to their double-byte
// part. Where the double-byte part has the character too, the one-byte form
// carries U+F87F after it, so that each keeps its own bytes.
TEST(TextConverter, MacCjkOneByteCharacters) {
  struct Case {
    const char* label;
    TextEncoding encoding;
    Bytes bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"japanese extras", encoding::kMacJapanese, "\xFD\xFE\xFF\xA0\x80",
       u"\u00a9\u2122\u2026\uf87f\u00a0\\"},
      {"japanese yen at 0x5C", encoding::kMacJapanese, "\\", u"\u00a5"},
      {"japanese double-byte ellipsis", encoding::kMacJapanese, "\x81\x63", u"\u2026"},
      {"japanese 0x5C inside a character", encoding::kMacJapanese, "\x83\x5C\x5C\x80",
       u"\u30bd\u00a5\\"},
      {"japanese kana and ascii", encoding::kMacJapanese,
       "a\xB1\xFD"
       "b",
       u"a\uff71\u00a9b"},
      {"traditional chinese", encoding::kMacChineseTrad, "\x80\\\x81\x82\xA0\xFD\xFE\xFF",
       u"\\\uf87f\\\uf880\uf881\u00a0\u00a9\u2122\u2026\uf87f"},
      {"traditional chinese double-byte", encoding::kMacChineseTrad, "\xA1\x4B\xA4\xA4",
       u"\u2026\u4e2d"},
      {"korean", encoding::kMacKorean, "\x80\x81\x82\x83\x84\xFF",
       u"\u00a0\u20a9\u2013\uf87f\u00a9\uff3f\uf87f\u2026\uf87f"},
      {"korean double-byte", encoding::kMacKorean, "\xA1\xA6\xA3\xDF\xC7\xD1",
       u"\u2026\uff3f\ud55c"},
      {"simplified chinese", encoding::kMacChineseSimp, "\x80\x81\x82\xA0\xFD\xFE\xFF",
       u"\u00fc\uf87f\uf880\uf881\u00a0\u00a9\u2122\u2026\uf87f"},
      {"simplified chinese double-byte", encoding::kMacChineseSimp, "\xA8\xB9\xA1\xAD\xD6\xD0",
       u"\u00fc\u2026\u4e2d"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    int32_t status = 1;
    EXPECT_EQ(decode(c.encoding, c.bytes, &status), c.text);
    EXPECT_EQ(status, textstatus::kOk);
    EXPECT_EQ(encode(c.encoding, c.text, &status), c.bytes);
    EXPECT_EQ(status, textstatus::kOk);
  }

  // What neither part has stops the conversion where it stands.
  TextConversion conv(encoding::kMacJapanese, TextDirection::FromUnicode);
  const std::u16string text = u"\u00a9\u65e5\u0e01\u00a9";
  char out[16];
  TextConvertResult r = conv.convert(text.data(), text.size() * 2, out, sizeof out);
  EXPECT_EQ(r.status, textstatus::kUnmappableElement);
  EXPECT_EQ(r.bytesRead, 4u);
  EXPECT_EQ(Bytes(out, r.bytesWritten), Bytes("\xFD\x93\xFA"));
}

// The Mac forms of Roman, Icelandic and Cyrillic, where the system's own
// tables are older: Icelandic letters, the increment sign, the logo, the euro.
TEST(TextConverter, MacRomanIcelandicAndCyrillicAsOnTheMac) {
  struct Case {
    TextEncoding encoding;
    std::u16string text;
    Bytes bytes;
  };
  const Case cases[] = {
      {encoding::kMacIcelandic, u"\u00dd\u00fd\u00d0\u00f0\u00de\u00fe",
       "\xA0\xE0\xDC\xDD\xDE\xDF"},
      {encoding::kMacIcelandic, u"\u2013\u2014\u02c6\u02dc\u20ac", "\xD0\xD1\xF6\xF7\xDB"},
      {encoding::kMacRoman, u"\u2206\uf8ff\u20ac\u03a9", "\xC6\xF0\xDB\xBD"},
      {encoding::kMacCyrillic, u"\u20ac\u0490\u0491", "\xFF\xA2\xB6"},
  };
  for (const Case& c : cases) {
    int32_t status = 1;
    EXPECT_EQ(encode(c.encoding, c.text, &status), c.bytes) << testing::PrintToString(c.bytes);
    EXPECT_EQ(status, textstatus::kOk) << testing::PrintToString(c.bytes);
    EXPECT_EQ(decode(c.encoding, c.bytes, &status), c.text) << testing::PrintToString(c.bytes);
    EXPECT_EQ(status, textstatus::kOk) << testing::PrintToString(c.bytes);
  }
}

TEST(TextConverter, StatefulOutputFinishesInAscii) {
  // The shift state carries between calls of one run.
  TextConversion conv(encoding::kISO2022JP, TextDirection::FromUnicode);
  const std::u16string a = u"\u65e5", b = u"\u672c";
  char out[32];
  TextConvertResult r1 = conv.convert(a.data(), 2, out, sizeof out);
  TextConvertResult r2 =
      conv.convert(b.data(), 2, out + r1.bytesWritten, sizeof out - r1.bytesWritten);
  size_t n = r1.bytesWritten + r2.bytesWritten;
  TextConvertResult f = conv.finish(out + n, sizeof out - n);
  n += f.bytesWritten;
  EXPECT_EQ(Bytes(out, n), Bytes("\x1B$B\x46\x7C\x4B\x5C\x1B(B"));

  // The finish needs room for its escape.
  const std::u16string c = u"\u65e5";
  r1 = conv.convert(c.data(), 2, out, sizeof out);
  f = conv.finish(out + r1.bytesWritten, 1);
  EXPECT_EQ(f.status, textstatus::kOutputBufferFull);
}

TEST(TextConverter, UnsupportedEncodingHasNoPath) {
  TextConversion conv(0x7777, TextDirection::ToUnicode);
  EXPECT_FALSE(conv.valid());
  char16_t out[4];
  EXPECT_EQ(conv.convert("a", 1, out, sizeof out).status, textstatus::kNoConversionPath);
  EXPECT_FALSE(isTextEncodingSupported(0x7777));
  EXPECT_TRUE(isTextEncodingSupported(encoding::kMacThai));
  EXPECT_TRUE(isTextEncodingSupported(encoding::kUTF8));
}

TEST(TextConverter, ConcurrentRunsDoNotShareState) {
  const std::u16string text = u"abc\u65e5\u672c\u8a9e def \u6f22\u5b57";
  const Bytes expected = encode(encoding::kISO2022JP, text);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (encode(encoding::kISO2022JP, text) != expected) ++failures[t];
        if (decode(encoding::kISO2022JP, expected) != text) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

TEST(TextEncodings, InternetNames) {
  struct Case {
    const char* name;
    bool known;
    TextEncoding encoding;
  };
  const Case cases[] = {
      {"utf-8", true, encoding::kUTF8},
      {"UTF-8", true, encoding::kUTF8},
      {" Shift_JIS ", true, encoding::kShiftJIS},
      {"x-sjis", true, encoding::kShiftJIS},
      {"EUC-JP", true, encoding::kEUCJP},
      {"iso-2022-jp", true, encoding::kISO2022JP},
      {"windows-1252", true, 0x500},
      {"macintosh", true, encoding::kMacRoman},
      {"x-mac-chinesetrad", true, encoding::kBig5},
      {"utf-16", true, encoding::kUnicodeDefault},
      {"iso-x-sjis", false, 0},
      {"klingon", false, 0},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    TextEncoding e = 0xDEAD;
    EXPECT_EQ(textEncodingFromInternetName(c.name, e), c.known) << c.name;
    EXPECT_EQ(e, c.known ? c.encoding : 0xDEADu) << c.name;
  }
}

TEST(TextEncodings, DefaultFollowsLanguage) {
  struct Case {
    const char* language;
    TextEncoding encoding;
  };
  const Case cases[] = {
      {"en", encoding::kMacRoman},
      {"fr_FR", encoding::kMacRoman},
      {"ja", encoding::kMacJapanese},
      {"ko_KR", encoding::kMacKorean},
      {"zh_TW", encoding::kBig5},
      {"zh-Hant", encoding::kBig5},
      {"zh_CN", encoding::kMacChineseSimp},
      {"zh-Hans", encoding::kMacChineseSimp},
      {"zh_Hans_MO", encoding::kMacChineseSimp},
      {"zh-Hant-CN", encoding::kBig5},
      {"zh_HK", encoding::kBig5},
      {"zh", encoding::kMacChineseSimp},
      {"ru", encoding::kMacCyrillic},
      {"el", encoding::kMacGreek},
      {"tr", encoding::kMacTurkish},
      {"pl", encoding::kMacCentralEurRoman},
      {"he", encoding::kMacHebrew},
      {"ar", encoding::kMacArabic},
      {"th", encoding::kMacThai},
      {"", encoding::kMacRoman},
  };
  for (const Case& c : cases) {
    const TextEncoding e = defaultTextEncodingForLanguage(c.language);
    EXPECT_EQ(e, c.encoding) << c.language;
    EXPECT_NE(e, 2u) << c.language;
    EXPECT_TRUE(isTextEncodingSupported(e)) << c.language;
  }

  testsupport::ScopedEnvironment environment(
      {{"LANGUAGE", nullptr}, {"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", "C.UTF-8"}});
  setTextEncodingLanguage("ja_JP");
  EXPECT_EQ(applicationTextEncoding(), encoding::kMacJapanese);
  setTextEncodingLanguage("zh_TW");
  EXPECT_EQ(applicationTextEncoding(), encoding::kBig5);
  setTextEncodingLanguage("");
  EXPECT_EQ(applicationTextEncoding(), encoding::kMacRoman);

  // Without a chosen language the settings' preferred language counts.
  PlatformConfig config;
  config.preferredLanguage = "el_GR";
  PlatformConfig::Override override(config);
  EXPECT_EQ(applicationTextEncoding(), encoding::kMacGreek);
  setTextEncodingLanguage("ko");
  EXPECT_EQ(applicationTextEncoding(), encoding::kMacKorean);
  setTextEncodingLanguage("");

  // Else the user's first language from the environment.
  PlatformConfig plain;
  PlatformConfig::Override noSetting(plain);
  testsupport::ScopedEnvironment thai({{"LANGUAGE", "th:en"}, {"LANG", "de_DE.UTF-8"}});
  EXPECT_EQ(applicationTextEncoding(), encoding::kMacThai);
}

}  // namespace
}  // namespace platform
