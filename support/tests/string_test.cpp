#include "support/string16_t.h"
#include "support/string_t.h"

#include <gtest/gtest.h>

#include <string>

using vesko::string16_t;
using vesko::string_t;

TEST(StringT, EmptyStringHasNoStorage) {
  for (string_t const& s :
       {string_t(), string_t(""), string_t(nullptr), string_t("abc", 0), string_t(std::string())}) {
    EXPECT_EQ(s.size(), 0u);
    EXPECT_EQ(s.capacity(), 0u);
    EXPECT_TRUE(s.empty());
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_EQ(std::string(s), "");
    EXPECT_TRUE(s == string_t());
  }
}

TEST(StringT, StorageHoldsBytesAndOneNul) {
  string_t s("abc");
  EXPECT_EQ(s.size(), 3u);
  EXPECT_EQ(s.capacity(), 3u);  // exactly length + 1 slots
  EXPECT_EQ(s.c_str()[3], '\0');
  EXPECT_EQ(std::string(s), "abc");

  std::string with_nul("a\0b", 3);
  string_t t(with_nul);
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(std::string(t), with_nul);
  EXPECT_EQ(std::string(t.begin(), t.end()), with_nul);
}

TEST(StringT, PushBackKeepsOneTerminatingNul) {
  string_t s;
  s.push_back('a');
  EXPECT_EQ(s.size(), 1u);
  EXPECT_EQ(s.c_str()[1], '\0');
  EXPECT_TRUE(s == string_t("a"));
  EXPECT_EQ(s.capacity(), 1u);

  string_t t("abc");
  t.push_back('d');  // storage full: doubles to 8 slots
  EXPECT_EQ(std::string(t), "abcd");
  EXPECT_EQ(t.capacity(), 7u);
  t.push_back('\0');
  EXPECT_EQ(t.size(), 5u);
  EXPECT_EQ(std::string(t), std::string("abcd\0", 5));
}

TEST(StringT, EqualityCountsEveryByte) {
  char const* a = "a";
  struct Case {
    string_t x, y;
    bool equal;
  } const cases[] = {
      {string_t(""), string_t(), true},
      {string_t("abc"), string_t(std::string("abc")), true},
      {string_t(a), string_t(a, 2), false},  // the second holds an embedded NUL
      {string_t("ab"), string_t("abc"), false},
      {string_t("abd"), string_t("abc"), false},
  };
  for (Case const& c : cases) EXPECT_EQ(c.x == c.y, c.equal) << c.x.c_str() << " / " << c.y.c_str();
}

TEST(StringT, CopyAssignAndSelfAssign) {
  string_t s("hello");
  string_t copy = s;
  EXPECT_NE(copy.c_str(), s.c_str());
  EXPECT_TRUE(copy == s);
  copy = string_t("x");
  EXPECT_EQ(std::string(copy), "x");
  s = s;
  EXPECT_EQ(std::string(s), "hello");
  s.assign(s.begin() + 1, s.end());  // from its own bytes
  EXPECT_EQ(std::string(s), "ello");
  s.assign(s.begin(), s.begin());
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(s.capacity(), 0u);
  string_t moved(std::move(copy));
  EXPECT_EQ(std::string(moved), "x");
}

TEST(String16T, SameStorageRules) {
  string16_t empty(u"");
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.capacity(), 0u);
  EXPECT_EQ(empty.c_str()[0], 0);
  EXPECT_TRUE(empty == string16_t());

  string16_t s(u"ab");
  EXPECT_EQ(s.size(), 2u);
  EXPECT_EQ(s.c_str()[2], 0);
  s.append(u"\U0001F600");
  s.push_back(u'z');
  EXPECT_EQ(std::u16string(s.c_str()), u"ab\U0001F600z");
  EXPECT_EQ(s.size(), 5u);
  EXPECT_EQ(s.c_str()[5], 0);

  s.append(s.begin(), s.begin() + 2);  // from its own units
  EXPECT_EQ(std::u16string(s.begin(), s.end()), u"ab\U0001F600zab");

  string16_t p;
  p.push_back(u'q');
  EXPECT_EQ(p.size(), 1u);
  EXPECT_EQ(p.capacity(), 1u);
  EXPECT_TRUE(p == string16_t(u"qrs", 1));
  EXPECT_FALSE(p == string16_t(u"q\0", 2));
}
