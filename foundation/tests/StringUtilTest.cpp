#include "foundation/StringUtil.h"

#include "messaging/VtString.h"
#include "support/string_t.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

std::u16string text(const CString& s) {
  return std::u16string(s.Get(), static_cast<size_t>(s.GetLength()));
}

TEST(StringUtil, ToUtf8Appends) {
  std::string out = "prefix:";
  StringUtil::convertStringToSingle(CString(u"a\u00E9\U0001F600"), out);
  EXPECT_EQ(out, "prefix:a\xC3\xA9\xF0\x9F\x98\x80");

  CString stopsAtTerminator(u"ab");
  stopsAtTerminator.SetAt(1, 0);
  std::string cut;
  StringUtil::convertStringToSingle(stopsAtTerminator, cut);
  EXPECT_EQ(cut, "a");

  CString absent;
  absent.Deallocate();
  std::string none = "x";
  StringUtil::convertStringToSingle(absent, none);
  EXPECT_EQ(none, "x");

  CString lone(u"ok\xD83D");
  std::string partial;
  try {
    StringUtil::convertStringToSingle(lone, partial);
    ADD_FAILURE() << "a lone high surrogate must not convert";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "unicode: utf16 high surrogate found without low surrogate");
  }
  EXPECT_EQ(partial, "ok");
}

TEST(StringUtil, FromStdString) {
  std::u16string wide = u"<";
  StringUtil::convertStringToWide(std::string("\xF0\x9F\x98\x80x"), wide);
  EXPECT_EQ(wide, u"<\xD83D\xDE00x");

  CString out(u"replaced");
  StringUtil::convertStringToWide(std::string("Men\xC3\xBC"), out);
  EXPECT_EQ(text(out), u"Men\u00FC");
  StringUtil::convertStringToWide(std::string(), out);
  EXPECT_EQ(out.GetLength(), 0);

  CString kept(u"kept");
  EXPECT_THROW(StringUtil::convertStringToWide(std::string("ab\x80"), kept), std::runtime_error);
  EXPECT_EQ(text(kept), u"kept");
  std::u16string partial;
  EXPECT_THROW(StringUtil::convertStringToWide(std::string("ab\xE2"), partial), std::runtime_error);
  EXPECT_EQ(partial, u"ab");
}

TEST(StringUtil, FromSupportString) {
  std::u16string wide = u"=";
  StringUtil::convertStringToWide(vesko::string_t("\xE2\x82\xAC"), wide);
  EXPECT_EQ(wide, u"=\u20AC");
  StringUtil::convertStringToWide(vesko::string_t(), wide);
  StringUtil::convertStringToWide(vesko::string_t(""), wide);
  EXPECT_EQ(wide, u"=\u20AC");

  CString out(u"old");
  StringUtil::convertStringToWide(vesko::string_t(), out);
  EXPECT_EQ(out.GetLength(), 0);
  StringUtil::convertStringToWide(vesko::string_t("a\xC3\xA9"), out);
  EXPECT_EQ(text(out), u"a\u00E9");
}

TEST(StringUtil, EmptyResultIntoAFreedStringGivesAnEmptyString) {
  // A string whose buffer was freed equals null; the result must not.
  CString fromStd(u"x"), fromValue(u"x"), fromMessaging(u"x");
  fromStd.Deallocate();
  fromValue.Deallocate();
  fromMessaging.Deallocate();
  StringUtil::convertStringToWide(std::string(), fromStd);
  StringUtil::convertStringToWide(vesko::string_t(), fromValue);
  StringUtil::convertVTStringToCString(Velt::VtString(), fromMessaging);
  for (const CString* s : {&fromStd, &fromValue, &fromMessaging}) {
    ASSERT_NE(s->Get(), nullptr);
    EXPECT_EQ(s->GetLength(), 0);
    EXPECT_FALSE(*s == nullptr);
  }
}

TEST(StringUtil, FromMessagingString) {
  CString out(u"old");
  StringUtil::convertVTStringToCString(Velt::VtString("\xF0\x9F\x98\x80 caf\xC3\xA9"), out);
  EXPECT_EQ(text(out), u"\U0001F600 caf\u00E9");
  StringUtil::convertVTStringToCString(Velt::VtString(), out);
  EXPECT_EQ(out.GetLength(), 0);
  StringUtil::convertVTStringToCString(Velt::VtString("\xFC\x84\x80\x80\x80\x80!"), out);
  EXPECT_EQ(text(out), u"\uFFFD!") << "the messaging decoder never fails";

  const std::string big(5000, 'q');
  StringUtil::convertVTStringToCString(Velt::VtString(big.c_str()), out);
  EXPECT_EQ(out.GetLength(), 5000);
}

TEST(StringUtil, Tstring) {
  EXPECT_EQ(TSTRING(CString(u"a\u00E9")), u"a\u00E9");
  CString absent;
  absent.Deallocate();
  EXPECT_EQ(TSTRING(absent), u"");
}

}  // namespace
