#include "foundation/MessageText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ShortenedForMessage, LongTextsAreCutInTheMiddleAndShortOnesKept) {
  struct Case {
    std::u16string text;
    int32_t limit;
    std::u16string shown;
  };
  const Case cases[] = {
      {u"/home/ann/a.yxp", 15, u"/home/ann/a.yxp"},
      {u"/home/ann/a.yxp", 14, u"/home/a\u2026/a.yxp"},
      {u"abcdefghij", 5, u"ab\u2026ij"},
      {u"abcdefghij", 6, u"abc\u2026ij"},
      // A pair at either cut stays whole or goes whole.
      {u"ab\U0001F600cdef\U0001F600gh", 7, u"ab\u2026gh"},
      {u"abc\U0001F600defgh\U0001F600", 11, u"abc\U0001F600\u2026fgh\U0001F600"},
  };
  for (const Case& c : cases) {
    const CString shown = ShortenedForMessage(CString(c.text.c_str()), c.limit);
    EXPECT_EQ(std::u16string(shown.Get(), static_cast<size_t>(shown.GetLength())), c.shown);
    EXPECT_LE(shown.GetLength(), c.limit);
  }
}

}  // namespace
