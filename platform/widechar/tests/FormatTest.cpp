#include "platform/widechar/Format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

using platform::Format;
using platform::FormatMatches;
using platform::FormatToString;
using platform::RuntimeFormat;

// The checks that make a wrong call fail to compile.
static_assert(FormatMatches<int, int, int>(u"%d.%d.%d"));
static_assert(FormatMatches<uint32_t>(u"%08x.TMP"));
static_assert(FormatMatches<const char16_t*, char16_t*>(u"%s and %ls"));
static_assert(FormatMatches<double, char16_t>(u"%.2f%c 100%%"));
static_assert(FormatMatches<int, const char16_t*>(u"%*s"));
static_assert(FormatMatches<long long, short, uint8_t>(u"%lld %hd %u"));
static_assert(FormatMatches<>(u"no conversions, 100%%"));
static_assert(!FormatMatches<int>(u"%s"));
static_assert(!FormatMatches<const char16_t*>(u"%d"));
static_assert(!FormatMatches<int>(u"%f"));
static_assert(!FormatMatches<double>(u"%d"));
static_assert(!FormatMatches<int>(u"%c"));
static_assert(!FormatMatches<int>(u"%d %d"));
static_assert(!FormatMatches<int, int>(u"%d"));
static_assert(!FormatMatches<double, const char16_t*>(u"%*s"));
static_assert(!FormatMatches<int>(u"%n"));
static_assert(!FormatMatches<const char16_t*>(u"%p"));
static_assert(!FormatMatches<>(u"dangling %"));

TEST(Format, Conversions) {
  const char16_t* null = nullptr;
  EXPECT_EQ(FormatToString(u"%d.%d.%d", 5, 0, 12), u"5.0.12");
  EXPECT_EQ(FormatToString(u"%d,%d,%d,%d", -1, 2, -3, 4), u"-1,2,-3,4");
  EXPECT_EQ(FormatToString(u"%08x.TMP", 0xBEEFu), u"0000beef.TMP");
  EXPECT_EQ(FormatToString(u"%X", 255u), u"FF");
  EXPECT_EQ(FormatToString(u"%x", -1), u"ffffffff");
  EXPECT_EQ(FormatToString(u"%x", int64_t(-1)), u"ffffffffffffffff");
  EXPECT_EQ(FormatToString(u"%u", uint64_t(18446744073709551615ull)), u"18446744073709551615");
  EXPECT_EQ(FormatToString(u"%d", uint64_t(18446744073709551615ull)), u"18446744073709551615");
  EXPECT_EQ(FormatToString(u"%+5d|%-5d|%05d", 7, 7, -7), u"   +7|7    |-0007");
  EXPECT_EQ(FormatToString(u"%#o %#x", 8u, 255u), u"010 0xff");
  EXPECT_EQ(FormatToString(u"%s-%ls", u"a\u00E9", u"\U0001F600"), u"a\u00E9-\U0001F600");
  EXPECT_EQ(FormatToString(u"[%s]", null), u"[(null)]");
  EXPECT_EQ(FormatToString(u"[%s]", nullptr), u"[(null)]");
  EXPECT_EQ(FormatToString(u"[%5s|%-5s|%.2s]", u"ab", u"ab", u"abcdef"), u"[   ab|ab   |ab]");
  EXPECT_EQ(FormatToString(u"[%*s|%-*s]", 4, u"x", 3, u"y"), u"[   x|y  ]");
  EXPECT_EQ(FormatToString(u"[%*d]", -4, 1), u"[1   ]");
  EXPECT_EQ(FormatToString(u"[%.*s]", 3, u"abcdef"), u"[abc]");
  EXPECT_EQ(FormatToString(u"%c%c", u'\u00E9', u'!'), u"\u00E9!");
  EXPECT_EQ(FormatToString(u"[%3c]", u'z'), u"[  z]");
  EXPECT_EQ(FormatToString(u"%.2f %e %g", 3.14159, 1500.0, 0.5), u"3.14 1.500000e+03 0.5");
  EXPECT_EQ(FormatToString(u"%.1f", 2.5f), u"2.5");
  EXPECT_EQ(FormatToString(u"100%%"), u"100%");
  EXPECT_EQ(FormatToString(u"%%d"), u"%d");
}

TEST(Format, BufferFormIsBoundedLikeVswprintf) {
  char16_t buf[6];
  EXPECT_EQ(Format(buf, 6, u"%s", u"abcde"), 5);
  EXPECT_EQ(std::u16string(buf), u"abcde");
  EXPECT_EQ(Format(buf, 6, u"%s", u"abcdef"), -1);
  EXPECT_EQ(std::u16string(buf), u"abcde") << "cut, but terminated";
  EXPECT_EQ(Format(buf, 0, u"x"), -1);
}

TEST(Format, RuntimeFormatsNeverMisreadArguments) {
  // Localised texts arrive at run time; a wrong kind writes nothing.
  EXPECT_EQ(FormatToString(RuntimeFormat(u"<%s>"), 5), u"<>");
  EXPECT_EQ(FormatToString(RuntimeFormat(u"<%d>"), u"text"), u"<>");
  EXPECT_EQ(FormatToString(RuntimeFormat(u"<%s|%s>"), u"one"), u"<one|>");
  EXPECT_EQ(FormatToString(RuntimeFormat(u"<%n%p>"), 1, 2), u"<>");
  EXPECT_EQ(FormatToString(RuntimeFormat(u"<%y>")), u"<>");
  EXPECT_EQ(FormatToString(RuntimeFormat(u"tail %")), u"tail ");
  EXPECT_EQ(FormatToString(RuntimeFormat(nullptr), 1), u"");
  // Numbers and units convert between each other.
  EXPECT_EQ(FormatToString(RuntimeFormat(u"%d %.1f %c"), 2.9, 3, 65), u"2 3.0 A");
  EXPECT_EQ(FormatToString(RuntimeFormat(u"%d"), 1e300), u"0");
  EXPECT_EQ(FormatToString(RuntimeFormat(u"%s and %s"), u"a", u"b"), u"a and b");
}

TEST(Format, HugeWidthIsLimited) {
  const std::u16string s = FormatToString(RuntimeFormat(u"%*d"), INT_MAX, 1);
  EXPECT_EQ(s.size(), size_t(platform::kFormatMaxWidth));
}
