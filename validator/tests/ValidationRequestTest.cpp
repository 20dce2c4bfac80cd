// The request as Nimbrel reads it from standard input, and the names cut
// for the sentences of its answer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "validator/ValidationRequest.h"

namespace {

using nimbrel::ValidationRequest;
using Texts = std::vector<std::string>;
using namespace std::string_literals;

// Reads bytes as Nimbrel reads its standard input.
bool readBytes(const std::string& bytes, Texts& texts, std::string& reason) {
  std::FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  if (!file) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  texts.clear();
  reason.clear();
  const bool ok = ValidationRequest::read(file, texts, &reason);
  std::fclose(file);
  return ok;
}

TEST(ValidationRequestRead, EachTextEndsAtItsZeroByte) {
  const struct {
    const char* what;
    std::string bytes;
    bool ok;
    Texts texts;
    std::string reason;
  } cases[] = {
      {"a package",
       "1\0"
       "0\0"
       "My Ext\0/p.yxp\0"s,
       true,
       {"1", "0", "My Ext", "/p.yxp"},
       ""},
      {"empty texts and line ends", "\0a\nb\0\0"s, true, {"", "a\nb", ""}, ""},
      {"nothing", "", true, {}, ""},
      {"a last text without its zero byte",
       "1\0"
       "0\0My"s,
       false,
       {},
       "the validation request breaks off"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Texts texts;
    std::string reason;
    EXPECT_EQ(readBytes(c.bytes, texts, reason), c.ok);
    if (c.ok) {
      EXPECT_EQ(texts, c.texts);
    }
    EXPECT_EQ(reason, c.reason);
  }
}

TEST(ValidationRequestRead, ARequestUpToTheLimitIsReadAndALargerOneRefused) {
  Texts texts;
  std::string reason;
  std::string bytes(ValidationRequest::kMaxRequestBytes - 1, 'n');
  bytes += '\0';
  ASSERT_TRUE(readBytes(bytes, texts, reason)) << reason;
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].size(), ValidationRequest::kMaxRequestBytes - 1);

  bytes.insert(bytes.begin(), 'n');
  EXPECT_FALSE(readBytes(bytes, texts, reason));
  EXPECT_EQ(reason, "the validation request is larger than 64 MB");
  EXPECT_TRUE(texts.empty());
}

TEST(ValidationRequestShortened, TheMiddleGivesWayToAnEllipsisBetweenWholeCharacters) {
  const std::string ellipsis = "\u2026";
  const struct {
    const char* what;
    std::string text;
    size_t limit;
    std::string cut;
  } cases[] = {
      {"short enough", "My Ext", 10, "My Ext"},
      {"exactly the limit", "0123456789", 10, "0123456789"},
      {"one byte over", "0123456789A", 10, "012" + ellipsis + "789A"},
      // "é" is two bytes: neither end splits one.
      {"characters of two bytes", "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", 10,
       "\u00e9" + ellipsis + "\u00e9\u00e9"},
      {"a limit below the ellipsis", "abcdef", 2, "abcdef"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string cut = ValidationRequest::shortened(c.text, c.limit);
    EXPECT_EQ(cut, c.cut);
    if (c.limit >= ellipsis.size()) {
      EXPECT_LE(cut.size(), c.limit);
    }
  }
  const std::string name(50u << 20, 'n');
  EXPECT_EQ(ValidationRequest::shortened(name).size(), ValidationRequest::kMaxNameBytes);
}

}  // namespace
