#include "messaging/VtString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Velt::VtString;

namespace {

std::string bytes(const VtString& s) {
  return std::string(s.get(), s.length());
}

std::u16string converted(const VtString& s, uint32_t size, int32_t* count = nullptr) {
  std::vector<char16_t> out(s.length() + 8, u'\x7777');
  int32_t n = s.convertToUtf16(out.data(), size);
  if (count) *count = n;
  return std::u16string(out.data(), n);
}

}  // namespace

TEST(VtStringTest, ConstructionGivesABuffer) {
  VtString empty;
  EXPECT_EQ(empty.length(), 0);
  EXPECT_EQ(empty.capacity(), 128);
  EXPECT_STREQ(empty.get(), "");

  VtString one('\0');
  EXPECT_EQ(one.length(), 1);
  EXPECT_EQ(one.capacity(), 128);

  VtString fromNull(static_cast<const char*>(nullptr));
  EXPECT_EQ(fromNull.length(), 0);
  ASSERT_NE(fromNull.get(), nullptr);
  EXPECT_EQ(fromNull.capacity(), 128);

  VtString fromNull16(static_cast<const char16_t*>(nullptr));
  EXPECT_EQ(fromNull16.length(), 0);
  ASSERT_NE(fromNull16.get(), nullptr);

  VtString part("abcdef", 3);
  EXPECT_EQ(bytes(part), "abc");
}

TEST(VtStringTest, GrowthRule) {
  VtString s;
  std::string two_hundred(200, 'x');
  s.assign(two_hundred.c_str(), -1);
  EXPECT_EQ(s.length(), 200);
  EXPECT_EQ(s.capacity(), 256);

  std::string sz127(127, 'y');
  VtString t;
  t.assign(sz127.c_str(), 127);
  EXPECT_EQ(t.capacity(), 128);
  t += 'z';
  EXPECT_EQ(t.length(), 128);
  EXPECT_EQ(t.capacity(), 256);
  EXPECT_EQ(bytes(t), sz127 + "z");

  // Capacity never shrinks.
  t.assign("a", -1);
  EXPECT_EQ(t.capacity(), 256);
  EXPECT_EQ(bytes(t), "a");

  // A copy is sized for its own text.
  VtString copy(s);
  EXPECT_EQ(copy.capacity(), 256);
  EXPECT_EQ(bytes(copy), two_hundred);
}

TEST(VtStringTest, AssignAndAppendKeepEmbeddedNulsAndHandleNull) {
  VtString s;
  s.assign("a\0b", 3);
  EXPECT_EQ(s.length(), 3);
  EXPECT_EQ(bytes(s), std::string("a\0b", 3));
  EXPECT_EQ(s.get()[3], '\0');

  s.assign(nullptr, -1);
  EXPECT_EQ(s.length(), 0);
  s.assign(nullptr, 5);
  EXPECT_EQ(s.length(), 0);

  s = "abc";
  s.append("xyz", 0);
  s.append(nullptr, -1);
  s.append(nullptr, 4);
  EXPECT_EQ(bytes(s), "abc");
  s.append("xyz", 2);
  EXPECT_EQ(bytes(s), "abcxy");
}

TEST(VtStringTest, AppendOfItsOwnTextAcrossGrowth) {
  std::string text(100, 'q');
  VtString s(text.c_str());
  s += s;  // 200 bytes: the buffer grows while reading from the old one
  EXPECT_EQ(bytes(s), text + text);
  EXPECT_EQ(s.capacity(), 256);
  s.append(s.get() + 10, 5);
  EXPECT_EQ(s.length(), 205);
  s.assign(s.get() + 200, -1);  // assign from inside itself
  EXPECT_EQ(bytes(s), "qqqqq");

  VtString self("abc");
  self = self;
  EXPECT_EQ(bytes(self), "abc");
}

TEST(VtStringTest, ShrinkOnlyCuts) {
  VtString s("hello");
  s.shrink(-1);
  s.shrink(5);
  s.shrink(9);
  EXPECT_EQ(bytes(s), "hello");
  s.shrink(2);
  EXPECT_EQ(bytes(s), "he");
  EXPECT_EQ(s.get()[2], '\0');
  s.shrink(0);
  EXPECT_EQ(s.length(), 0);
}

TEST(VtStringTest, CompareTreatsNullAsEmpty) {
  VtString empty, other;
  EXPECT_EQ(empty.compare(nullptr), 0);
  EXPECT_TRUE(empty == other);
  EXPECT_TRUE(empty == "");
  VtString abc("abc");
  EXPECT_GT(abc.compare(nullptr), 0);
  EXPECT_LT(abc.compare("abd"), 0);
  EXPECT_GT(abc.compare("ab"), 0);
  EXPECT_TRUE(abc != "abd");
  EXPECT_TRUE(abc == VtString("abc"));
  EXPECT_TRUE(abc != VtString("ab"));
  // Bytes compare unsigned, as strcmp does.
  EXPECT_GT(VtString("\xC3").compare("a"), 0);
}

TEST(VtStringTest, CaseMappingChangesOnlyAsciiLetters) {
  VtString s("a\xC3\xA9Z");
  VtString up = s.uppercase();
  EXPECT_EQ(bytes(up), "A\xC3\xA9Z");
  VtString down = s.lowercase();
  EXPECT_EQ(bytes(down), "a\xC3\xA9z");
  EXPECT_EQ(bytes(s), "a\xC3\xA9Z");

  VtString withNul("x\0y", 3);
  EXPECT_EQ(bytes(withNul.uppercase()), std::string("X\0Y", 3));
}

TEST(VtStringTest, StreamOperators) {
  struct Case {
    const char* name;
    void (*apply)(VtString&);
    const char* expected;
  };
  const Case cases[] = {
      {"long -1", [](VtString& s) { s << int32_t(-1); }, "4294967295"},
      {"unsigned max", [](VtString& s) { s << uint32_t(0xFFFFFFFF); }, "4294967295"},
      {"long 0", [](VtString& s) { s << int32_t(0); }, "0"},
      {"long min", [](VtString& s) { s << INT32_MIN; }, "2147483648"},
      {"double 2.5", [](VtString& s) { s << 2.5; }, "2"},
      {"double 3.5", [](VtString& s) { s << 3.5; }, "4"},
      {"double -0.4", [](VtString& s) { s << -0.4; }, "-0"},
      {"char", [](VtString& s) { s << 'c'; }, "c"},
      {"null text", [](VtString& s) { s << static_cast<const char*>(nullptr); }, ""},
      {"chain", [](VtString& s) { s << "n=" << int32_t(5) << ';' << VtString("v"); }, "n=5;v"},
      {"append(long)", [](VtString& s) { s.append(int32_t(-2)); }, "4294967294"},
  };
  for (const Case& c : cases) {
    VtString s;
    c.apply(s);
    EXPECT_EQ(bytes(s), c.expected) << c.name;
  }

  VtString big;
  big << 1e300;
  EXPECT_EQ(big.length(), 301);
  EXPECT_EQ(big.get()[0], '1');

  VtString nul;
  nul << '\0';
  EXPECT_EQ(nul.length(), 1);
}

TEST(VtStringTest, FromUtf16) {
  struct Case {
    std::u16string in;
    int32_t n;
    std::string expected;
  };
  const Case cases[] = {
      {u"abc", -1, "abc"},
      {u"abc", 2, "ab"},
      {u"abc", 0, ""},
      {u"\u00E9", -1, "\xC3\xA9"},
      {u"\u20AC", -1, "\xE2\x82\xAC"},
      {u"\U0001F600", -1, "\xF0\x9F\x98\x80"},
      // A lone surrogate is written as its own value.
      {std::u16string(1, char16_t(0xD83D)), -1, "\xED\xA0\xBD"},
      {std::u16string{char16_t(0xDE00), u'a'}, -1,
       "\xED\xB8\x80"
       "a"},
      // A pair cut by n does not join.
      {u"\U0001F600", 1, "\xED\xA0\xBD"},
      // An explicit n keeps NUL units.
      {std::u16string(u"a\0b", 3), 3, std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    VtString s(c.in.c_str(), c.n);
    EXPECT_EQ(bytes(s), c.expected) << "n=" << c.n;
  }

  std::u16string longText(300, u'\u00E9');
  VtString s(longText.c_str());
  EXPECT_EQ(s.length(), 600);
  EXPECT_EQ(s.capacity(), 640);
}

TEST(VtStringTest, FromUtf16StopsAfter65536Units) {
  std::u16string huge(70000, u'a');
  VtString s(huge.c_str());
  EXPECT_EQ(s.length(), 65536);
}

TEST(VtStringTest, ConvertToUtf16) {
  struct Case {
    std::string in;
    std::u16string expected;  // with the NUL when one is written
  };
  using U = std::u16string;
  const Case cases[] = {
      {"abc", U(u"abc\0", 4)},
      {"", U(u"\0", 1)},
      {"a\x80"
       "b",
       U(u"a\uFFFD"
         "b\0",
         4)},
      {"\xF0\x9F\x98\x80", U(u"\xD83D\xDE00\0", 3)},
      {"\xC3\xA9", U(u"\u00E9\0", 2)},
      // Surrogate values pass unchanged.
      {"\xED\xA0\xBD", U(u"\xD83D\0", 2)},
      // Overlong forms decode to their value; an overlong NUL ends the text.
      {"\xC1\x81z", U(u"Az\0", 3)},
      {"a\xC0\x80"
       "b",
       U(u"a\0", 2)},
      // Beyond U+10FFFF: five- and six-byte forms, and F4 90 80 80.
      {"\xF4\x90\x80\x80", U(u"\uFFFD\0", 2)},
      {"\xF8\x88\x80\x80\x80x", U(u"\uFFFDx\0", 3)},
      {"\xFD\xBF\xBF\xBF\xBF\xBF", U(u"\uFFFD\0", 2)},
      {"\xF4\x8F\xBF\xBF", U(u"\xDBFF\xDFFF\0", 3)},
      // A lead byte without its continuation bytes stands alone and does not
      // swallow what follows it.
      {"caf\xE9!", U(u"caf\uFFFD!\0", 6)},
      {"\xE2\x82", U(u"\uFFFD\uFFFD\0", 3)},
      {"x\xF0", U(u"x\uFFFD\0", 3)},
      // An embedded NUL ends the conversion.
      {std::string("a\0b", 3), U(u"a\0", 2)},
  };
  for (const Case& c : cases) {
    VtString s(c.in.data(), static_cast<int32_t>(c.in.size()));
    int32_t n = 0;
    std::u16string out = converted(s, s.length() + 1, &n);
    EXPECT_EQ(out, c.expected) << "input of " << c.in.size() << " bytes: " << c.in;
    EXPECT_EQ(n, static_cast<int32_t>(c.expected.size()));
    EXPECT_LE(n, s.length() + 1);
  }
}

TEST(VtStringTest, ConvertToUtf16WritesTheNulOnlyWhenRoomRemains) {
  VtString s(
      "a\xF0\x9F\x98\x80"
      "b");  // three characters
  EXPECT_EQ(converted(s, 3), std::u16string(u"a\xD83D\xDE00"
                                            "b"));
  EXPECT_EQ(converted(s, 4), std::u16string(u"a\xD83D\xDE00"
                                            "b\0",
                                            5));
  // size counts characters, and a pair counts once.
  EXPECT_EQ(converted(s, 2), std::u16string(u"a\xD83D\xDE00"));
  EXPECT_EQ(converted(s, 0), std::u16string());

  // The documented buffer (length + 1 units, size = length) never overflows.
  VtString longest("\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
  std::vector<char16_t> buf(longest.length() + 1);
  int32_t n = longest.convertToUtf16(buf.data(), longest.length());
  EXPECT_EQ(n, 5);
  EXPECT_EQ(buf[4], 0);

  EXPECT_EQ(s.convertToUtf16(nullptr, 10), 0);
}
