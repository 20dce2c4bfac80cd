#include "support/Unicode.h"

#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <string>

namespace {

std::string utf8(std::u16string const& in) {
  std::string out;
  vesko::to_utf8(in.begin(), in.end(), std::back_inserter(out));
  return out;
}

std::u16string utf16(std::string const& in) {
  std::u16string out;
  vesko::to_utf16(in.begin(), in.end(), std::back_inserter(out));
  return out;
}

std::string encode8(std::uint32_t c) {
  std::string out;
  vesko::to_utf8(c, std::back_inserter(out));
  return out;
}

std::uint32_t decode8(std::string const& bytes) {
  std::uint32_t c = 0xDEADBEEF;
  auto end = vesko::implementation::to_utf32(bytes.begin(), bytes.end(), c);
  EXPECT_TRUE(end == bytes.end()) << "one sequence, read whole";
  return c;
}

TEST(Unicode, CodePointsBothWays) {
  struct Case {
    std::uint32_t code_point;
    std::string bytes;
    std::u16string units;
  } cases[] = {
      {0x41, "A", u"A"},
      {0x7F, "\x7F", u"\x7F"},
      {0x80, "\xC2\x80", u"\x80"},
      {0x7FF, "\xDF\xBF", u"\u07FF"},
      {0x800, "\xE0\xA0\x80", u"\u0800"},
      {0x20AC, "\xE2\x82\xAC", u"\u20AC"},
      {0xFFFF, "\xEF\xBF\xBF", u"\xFFFF"},
      {0x10000, "\xF0\x90\x80\x80", u"\xD800\xDC00"},
      {0x1F600, "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
  };
  for (auto const& c : cases) {
    EXPECT_EQ(encode8(c.code_point), c.bytes) << std::hex << c.code_point;
    EXPECT_EQ(decode8(c.bytes), c.code_point);
    EXPECT_EQ(utf16(c.bytes), c.units);
    EXPECT_EQ(utf8(c.units), c.bytes);
    std::uint32_t c32 = 0;
    vesko::implementation::to_utf32(c.units.cbegin(), c.units.cend(), c32);
    EXPECT_EQ(c32, c.code_point);
  }
}

TEST(Unicode, ClassicLongFormsAndUncheckedValues) {
  struct Case {
    std::uint32_t code_point;
    std::string bytes;
  } cases[] = {
      {0x1FFFFF, "\xF7\xBF\xBF\xBF"},
      {0x200000, "\xF8\x88\x80\x80\x80"},
      {0x3FFFFFF, "\xFB\xBF\xBF\xBF\xBF"},
      {0x4000000, "\xFC\x84\x80\x80\x80\x80"},
      {0x7FFFFFFF, "\xFD\xBF\xBF\xBF\xBF\xBF"},
      {0xD800, "\xED\xA0\x80"},  // surrogate code points are written like any value
  };
  for (auto const& c : cases) {
    EXPECT_EQ(encode8(c.code_point), c.bytes) << std::hex << c.code_point;
    EXPECT_EQ(decode8(c.bytes), c.code_point);
  }
  // Six bytes hold 31 bits; the lead byte keeps its form.
  EXPECT_EQ(encode8(0xFFFFFFFF), "\xFD\xBF\xBF\xBF\xBF\xBF");
  // Overlong forms pass unchecked.
  EXPECT_EQ(decode8("\xC0\x80"), 0u);
  EXPECT_EQ(decode8("\xE0\x81\x81"), 0x41u);
}

TEST(Unicode, ValuesBeyondUtf16BecomeReplacementCharacters) {
  std::u16string out;
  vesko::to_utf16(0x110000, std::back_inserter(out));
  vesko::to_utf16(0x7FFFFFFF, std::back_inserter(out));
  EXPECT_EQ(out, u"\xFFFD\xFFFD");
  EXPECT_EQ(utf16("a\xF8\x88\x80\x80\x80"
                  "b\xFD\xBF\xBF\xBF\xBF\xBF"
                  "c\xF4\x90\x80\x80"),
            u"a\xFFFD"
            u"b\xFFFD"
            u"c\xFFFD");
}

TEST(Unicode, MalformedUtf8KeepsWhatCameBefore) {
  struct Case {
    std::string bytes;
    const char* message;
    std::u16string kept;
  } cases[] = {
      {"\x80", "unicode: ill-defined utf8 (< 192)", u""},
      {"ab\xBF", "unicode: ill-defined utf8 (< 192)", u"ab"},
      {"a\xFE", "unicode: ill-defined utf8 (>= 254)", u"a"},
      {"a\xFF"
       "b",
       "unicode: ill-defined utf8 (>= 254)", u"a"},
      {"\xE2", "unicode: utf32 conversion ran out of input", u""},
      {"x\xE2\x82", "unicode: utf32 conversion ran out of input", u"x"},
      {"\xE2\x82\xAC\xF0\x9F\x98", "unicode: utf32 conversion ran out of input", u"\u20AC"},
      {"\xFC\x84\x80\x80\x80", "unicode: utf32 conversion ran out of input", u""},
  };
  for (auto const& c : cases) {
    std::u16string out(u">");
    try {
      vesko::to_utf16(c.bytes.data(), c.bytes.data() + c.bytes.size(), std::back_inserter(out));
      ADD_FAILURE() << "no error for " << c.message;
    } catch (std::runtime_error const& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(out, u">" + c.kept);
  }
}

TEST(Unicode, MalformedUtf16KeepsWhatCameBefore) {
  struct Case {
    std::u16string units;
    const char* message;
    std::string kept;
  } cases[] = {
      {u"\xDC00", "unicode: utf16 low surrogate found without high surrogate", ""},
      {u"a\xDFFFz", "unicode: utf16 low surrogate found without high surrogate", "a"},
      {u"ab\xD83D", "unicode: utf16 high surrogate found without low surrogate", "ab"},
      {u"\xD83Dx", "unicode: utf16 high surrogate found without low surrogate", ""},
      {u"\u00E9\xD83D\xD83D\xDE00", "unicode: utf16 high surrogate found without low surrogate",
       "\xC3\xA9"},
  };
  for (auto const& c : cases) {
    std::string out("<");
    try {
      vesko::to_utf8(c.units.data(), c.units.data() + c.units.size(), std::back_inserter(out));
      ADD_FAILURE() << "no error for " << c.message;
    } catch (std::runtime_error const& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(out, "<" + c.kept);
  }
}

TEST(Unicode, EmptyRangesAndIteratorKinds) {
  std::uint32_t c = 7;
  const char* nothing = "";
  EXPECT_EQ(vesko::implementation::to_utf32(nothing, nothing, c), nothing);
  EXPECT_EQ(c, 7u) << "nothing read at the end";

  std::string bytes = "\xF0\x9F\x98\x80!";
  std::u16string out;
  vesko::to_utf16(bytes.begin(), bytes.end(), std::back_inserter(out));
  vesko::to_utf16(bytes.data(), bytes.data() + bytes.size(), std::back_inserter(out));
  EXPECT_EQ(out, u"\U0001F600!\U0001F600!") << "appends, never clears";

  std::u16string units = u"\U0001F600";
  std::string back = "=";
  vesko::to_utf8(units.begin(), units.end(), std::back_inserter(back));
  vesko::to_utf8(units.data(), units.data() + units.size(), std::back_inserter(back));
  EXPECT_EQ(back, "=\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
}

TEST(Unicode, SequenceEngines) {
  using namespace vesko::implementation;
  using Lead3 = promotion_engine_t<3, true>;
  using Tail3 = promotion_engine_t<3, false>;
  using Lead4 = promotion_engine_t<4, true>;
  std::string out;
  demotion_engine_t<3, true>()(0x20AC, std::back_inserter(out));
  demotion_engine_t<3, false>()(0x20AC, std::back_inserter(out));
  EXPECT_EQ(out, "\xE2\x82\xAC\x82\xAC");

  const char* euro = "\xE2\x82\xAC";
  const char* at = euro;
  EXPECT_EQ(Lead3()(at, euro + 3), 0x20ACu);
  EXPECT_EQ(at, euro + 3);
  at = euro + 1;
  EXPECT_EQ(Tail3()(at, euro + 3, 0x2), 0x20ACu);
  at = euro;
  EXPECT_THROW(Lead4()(at, euro + 3), std::runtime_error);
}

}  // namespace
