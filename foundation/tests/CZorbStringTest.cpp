#include "foundation/CZorbString.h"

#include <gtest/gtest.h>

#include <thread>

#include "foundation/CZorbRect.h"
#include "platform/os/Utf.h"

namespace {
std::string u8(const char16_t* s) {
  return platform::utf16ToUtf8(s ? s : u"").value_or("<bad>");
}
}  // namespace

TEST(CZorbString, IsAsciiAndCount) {
  EXPECT_TRUE(CZorbString(u"plain text\t\r\n").IsAscii());
  EXPECT_TRUE(CZorbString(u"").IsAscii());
  EXPECT_FALSE(CZorbString(u"caf\u00e9").IsAscii());
  EXPECT_FALSE(CZorbString(u"bell\a").IsAscii());
  EXPECT_FALSE(CZorbString(u"del\x7f").IsAscii());
  EXPECT_EQ(CZorbString(u"a:b:c:").Count(u':'), 3);
  EXPECT_EQ(CZorbString(u"abc").Count(u'z'), 0);
}

TEST(CZorbString, FindAndReplaceIgnoringCase) {
  CZorbString s(u"Hello World hello");
  EXPECT_EQ(s.FindNoCase(u"WORLD"), 6);
  EXPECT_EQ(s.FindNoCase(u"hello", 1), 12);
  EXPECT_EQ(s.FindNoCase(u"absent"), -1);
  EXPECT_EQ(s.FindNoCase(nullptr), -1);

  struct Case {
    const char16_t *text, *find, *with, *result;
    int count;
  } cases[] = {
      {u"ABCa", u"a", u"x", u"xBCx", 2},
      {u"aaa", u"aa", u"b", u"ba", 1},
      {u"Menu.XML menu.xml", u"MENU.xml", u"", u" ", 2},
      {u"abc", u"b", u"B", u"aBc", 1},
      {u"abc", u"b", u"b", u"abc", 0},  // find equal to with
      {u"abc", u"", u"x", u"abc", 0},
      {u"abc", nullptr, u"x", u"abc", 0},
      {u"abc", u"b", nullptr, u"abc", 0},
      {u"", u"b", u"x", u"", 0},
      {u"abc", u"z", u"x", u"abc", 0},
      {u"xAx", u"a", u"aa", u"xaax", 1},  // the replacement is not searched again
  };
  for (const auto& c : cases) {
    CZorbString str(c.text);
    EXPECT_EQ(str.ReplaceNoCase(c.find, c.with), c.count) << u8(c.text) << " " << u8(c.find);
    EXPECT_EQ(u8(str.Get()), u8(c.result));
  }
}

TEST(CZorbString, AsRectAndRectText) {
  struct Case {
    const char16_t* text;
    CRect rect;
  } cases[] = {
      {u"1,2,3,4", {1, 2, 3, 4}}, {u"1,2,3", {1, 2, 3, 0}},        {u"1,,2,3,4", {1, 2, 3, 4}},
      {u"", {0, 0, 0, 0}},        {u"-5, 6,7,8,9", {-5, 6, 7, 8}},
  };
  for (const auto& c : cases) {
    CRect r = CZorbString(c.text).AsRect();
    EXPECT_EQ(r.left, c.rect.left) << u8(c.text);
    EXPECT_EQ(r.top, c.rect.top) << u8(c.text);
    EXPECT_EQ(r.right, c.rect.right) << u8(c.text);
    EXPECT_EQ(r.bottom, c.rect.bottom) << u8(c.text);
  }
  EXPECT_EQ(u8(CZorbRect().AsString().Get()), "0,0,0,0");
  EXPECT_EQ(u8(CZorbRect(CRect{-1, 2, 30, 400}).AsString().Get()), "-1,2,30,400");
  CZorbString round(CZorbRect(CRect{7, 8, 9, 10}).AsString());
  CRect back = round.AsRect();
  EXPECT_EQ(back.left + back.top + back.right + back.bottom, 34);
}

TEST(CZorbString, TokenizerScansAreNotDisturbedByAsRect) {
  char16_t text[] = u",a,,b;c,";
  EXPECT_EQ(u8(px_wcstok(text, u",;")), "a");
  CZorbString(u"1,2,3,4").AsRect();  // in the middle of the caller's scan
  EXPECT_EQ(u8(px_wcstok(nullptr, u",;")), "b");
  EXPECT_EQ(u8(px_wcstok(nullptr, u",;")), "c");
  EXPECT_EQ(px_wcstok(nullptr, u",;"), nullptr);
  EXPECT_EQ(px_wcstok(nullptr, u",;"), nullptr);
  char16_t only[] = u",,,";
  EXPECT_EQ(px_wcstok(only, u","), nullptr);

  // Each thread has its own scan.
  char16_t mine[] = u"x y";
  EXPECT_EQ(u8(px_wcstok(mine, u" ")), "x");
  std::thread([] {
    char16_t theirs[] = u"p q";
    EXPECT_EQ(u8(px_wcstok(theirs, u" ")), "p");
    EXPECT_EQ(u8(px_wcstok(nullptr, u" ")), "q");
  }).join();
  EXPECT_EQ(u8(px_wcstok(nullptr, u" ")), "y");
}

TEST(CZorbString, MacToWinAndWinToMacAreInverses) {
  for (char16_t b = 0x80; b <= 0xFF; ++b) {
    char16_t s[2] = {b, 0};
    CZorbString::MacToWin(s);
    EXPECT_GE(s[0], 0x80);
    EXPECT_LE(s[0], 0xFF);
    CZorbString::WinToMac(s);
    EXPECT_EQ(s[0], b);
    CZorbString::WinToMac(s);
    CZorbString::MacToWin(s);
    EXPECT_EQ(s[0], b);
  }
  char16_t sample[] = u"\x80\x8E\xA5\xD2\xFF ok";
  CZorbString::MacToWin(sample);
  EXPECT_EQ(std::u16string(sample), u"\xC4\xE9\x95\x93\xB9 ok");  // the table's own values
}

TEST(CZorbString, CodePageConversionLeavesTextBeyondLatin1Alone) {
  // U+20AC and U+4E8C have low bytes above 127; they are not byte values.
  char16_t s[] = u"\u20AC\u4E8C\u0080";
  CZorbString::MacToWin(s);
  EXPECT_EQ(std::u16string(s), u"\u20AC\u4E8C\u00C4");
  CZorbString::WinToMac(s);
  EXPECT_EQ(std::u16string(s), u"\u20AC\u4E8C\u0080");
  CZorbString::MacToWin(nullptr);
}
