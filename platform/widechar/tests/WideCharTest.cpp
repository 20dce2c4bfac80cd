#include "platform/widechar/WideChar.h"

#include <gtest/gtest.h>

#include <climits>

// Inside the namespace, so that its names hide the C library's wide ones.
namespace platform {
namespace {

TEST(WideChar, LengthAndCopy) {
  EXPECT_EQ(wcslen(nullptr), 0u);
  EXPECT_EQ(wcslen(u""), 0u);
  EXPECT_EQ(wcslen(u"abc\U0001F600"), 5u);

  char16_t buf[8];
  EXPECT_EQ(wcscpy(buf, u"xyz"), buf);
  EXPECT_EQ(std::u16string(buf), u"xyz");

  char16_t padded[6] = {9, 9, 9, 9, 9, 9};
  wcsncpy(padded, u"ab", 5);
  EXPECT_EQ(std::u16string(padded, 6), std::u16string(u"ab\0\0\0\x9", 6));
  char16_t cut[3] = {9, 9, 9};
  wcsncpy(cut, u"abcd", 2);
  EXPECT_EQ(cut[1], u'b');
  EXPECT_EQ(cut[2], 9) << "no terminator when the source is longer";
}

TEST(WideChar, CompareByUnitValue) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    int sign;
  } cases[] = {
      {u"abc", u"abc", 0}, {u"abc", u"abd", -1}, {u"abd", u"abc", 1},  {u"ab", u"abc", -1},
      {u"", nullptr, 0},   {nullptr, u"a", -1},  {u"\xFFFF", u"a", 1}, {u"B", u"a", -1},
  };
  for (const auto& c : cases) {
    const int r = wcscmp(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
  }
  EXPECT_EQ(wcsncmp(u"abcX", u"abcY", 3), 0);
  EXPECT_LT(wcsncmp(u"abcX", u"abcY", 4), 0);
}

TEST(WideChar, CompareIgnoringCase) {
  EXPECT_EQ(wcsicmp(u"Hello", u"hELLO"), 0);
  EXPECT_EQ(wcsicmp(u"\u00C9T\u00C9", u"\u00E9t\u00E9"), 0);
  EXPECT_EQ(wcsicmp(u"\u0416", u"\u0436"), 0);
  EXPECT_LT(wcsicmp(u"apple", u"Banana"), 0);
  EXPECT_GT(wcsicmp(u"abc", u"AB"), 0);
  EXPECT_EQ(wcsnicmp(u"ABCx", u"abcy", 3), 0);
}

TEST(WideChar, Search) {
  const char16_t* s = u"a/b/c";
  EXPECT_EQ(wcschr(s, u'/'), s + 1);
  EXPECT_EQ(wcsrchr(s, u'/'), s + 3);
  EXPECT_EQ(wcschr(s, u'x'), nullptr);
  EXPECT_EQ(wcschr(s, 0), s + 5);
  const char16_t* hay = u"aaab";
  EXPECT_EQ(wcsstr(hay, u"aab"), hay + 1);
  EXPECT_EQ(wcsstr(hay, u""), hay);
  EXPECT_EQ(wcsstr(hay, u"abc"), nullptr);
  EXPECT_EQ(wcsstr(nullptr, u"a"), nullptr);
  const char16_t* mixed = u"Menus.XML";
  EXPECT_EQ(wcsistr(mixed, u".xml"), mixed + 5);
}

TEST(WideChar, CaseTable) {
  struct Pair {
    char16_t upper, lower;
  } pairs[] = {
      {u'A', u'a'},     {u'Z', u'z'},     {0x00C0, 0x00E0}, {0x00DE, 0x00FE}, {0x0100, 0x0101},
      {0x0139, 0x013A}, {0x0141, 0x0142}, {0x0152, 0x0153}, {0x0178, 0x00FF}, {0x017D, 0x017E},
      {0x0391, 0x03B1}, {0x03A3, 0x03C3}, {0x0386, 0x03AC}, {0x038F, 0x03CE}, {0x0401, 0x0451},
      {0x0410, 0x0430}, {0x042F, 0x044F}, {0xFF21, 0xFF41},
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(towlower(p.upper), p.lower) << std::hex << int(p.upper);
    EXPECT_EQ(towupper(p.lower), p.upper) << std::hex << int(p.lower);
  }
  const char16_t unchanged[] = {u'1',   u'@',   u'[',   0x00D7, 0x00F7,
                                0x00DF, 0x0138, 0x4E2D, 0xD83D, 0x03A2};
  for (char16_t c : unchanged) {
    EXPECT_EQ(towlower(c), c) << std::hex << int(c);
    EXPECT_EQ(towupper(c), c) << std::hex << int(c);
  }
  EXPECT_EQ(towupper(char16_t(0x03C2)), 0x03A3);  // final sigma
  EXPECT_EQ(towlower(char16_t(0x0130)), u'i');
  EXPECT_EQ(towupper(char16_t(0x0131)), u'I');
}

TEST(WideChar, SpaceIsAsciiOnly) {
  for (char16_t c : {u' ', u'\t', u'\n', u'\v', u'\f', u'\r'}) EXPECT_TRUE(iswspace(c)) << int(c);
  for (char16_t c : {u'a', u'\0', char16_t(0x00A0), char16_t(0x3000), char16_t(0x1C)})
    EXPECT_FALSE(iswspace(c)) << int(c);
}

TEST(WideChar, AtoiSaturates) {
  struct Case {
    const char16_t* text;
    int32_t value;
  } cases[] = {
      {u"42", 42},
      {u"  \t-17abc", -17},
      {u"+8", 8},
      {u"", 0},
      {u"x1", 0},
      {u"2147483647", INT32_MAX},
      {u"2147483648", INT32_MAX},
      {u"99999999999999999999999", INT32_MAX},
      {u"-2147483648", INT32_MIN},
      {u"-2147483649", INT32_MIN},
      {u"\x0661", 0},  // only ASCII digits
  };
  for (const auto& c : cases) EXPECT_EQ(wtoi(c.text), c.value);
  EXPECT_EQ(wtoi(nullptr), 0);
}

}  // namespace
}  // namespace platform
