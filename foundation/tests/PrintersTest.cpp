#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "testsupport/Printers.h"

namespace {

TEST(Printers, TextsPrintAsQuotedUtf8) {
  struct Case {
    std::u16string text;
    const char* printed;
  } cases[] = {
      {u"", "u\"\""},
      {u"Disk:Users:ann", "u\"Disk:Users:ann\""},
      {u"caf\u00e9 \u65e5\u672c \U0001F600",
       "u\"caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\""},
      {u"a\"b\\c\r\n\t", "u\"a\\\"b\\\\c\\r\\n\\t\""},
      {std::u16string(u"a\0b", 3), "u\"a\\0b\""},
      {u"\x01\x7f", "u\"\\x1\\x7F\""},
      {u"x\xD800y\xDC00", "u\"x\\xD800y\\xDC00\""},
  };
  for (const Case& c : cases) {
    const CString text(c.text.data(), static_cast<uint32_t>(c.text.size()));
    EXPECT_EQ(testing::PrintToString(c.text), c.printed);
    // The CString constructor stops at a 0 unit; compare only whole texts.
    if (c.text.find(u'\0') == std::u16string::npos) {
      EXPECT_EQ(testing::PrintToString(text), c.printed);
      EXPECT_EQ(testing::PrintToString(CZorbString(text)), c.printed);
      EXPECT_EQ(testing::PrintToString(c.text.c_str()), c.printed);
    }
  }
  CString gone;
  gone.Deallocate();
  EXPECT_EQ(testing::PrintToString(gone), "NULL");
  EXPECT_EQ(testing::PrintToString(static_cast<const char16_t*>(nullptr)), "NULL");
}

// A side printed as its own expression is left out of the message, so the
// literals go in through names.
const char16_t* const kGruss = u"Gruss";
const char16_t* const kLeft = u"left";
const char16_t* const kEte = u"ete";

TEST(Printers, FailedComparisonShowsBothTexts) {
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(CString(u"Gr\u00fc\u00dfe"), kGruss),
                          "Which is: u\"Gr\xC3\xBC\xC3\x9F"
                          "e\"");
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(CString(u"Gr\u00fc\u00dfe"), kGruss), "Which is: u\"Gruss\"");
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(kLeft, CZorbPath(u"Disk:right")), "Which is: u\"left\"");
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(kLeft, CZorbPath(u"Disk:right")), "Which is: u\"Disk:right\"");
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(std::u16string(u"\u00e9t\u00e9"), kEte),
                          "Which is: u\"\xC3\xA9t\xC3\xA9\"");
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(std::u16string(u"\u00e9t\u00e9"), kEte), "Which is: u\"ete\"");
}

}  // namespace
