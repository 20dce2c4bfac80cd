#include "foundation/CZorbVersionNumber.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/os/Utf.h"

namespace {
std::string u8(const CString& s) {
  return platform::utf16ToUtf8(s.Get()).value_or("<bad>");
}
}  // namespace

TEST(CZorbVersionNumber, Parsing) {
  struct Case {
    const char16_t* text;
    int major, minor, revision;
    const char* rest;
    const char* formatted;
  } cases[] = {
      {u"2.1.7.4", 2, 1, 7, "4", "2.1.7.4"}, {u"2.1", 2, 1, 0, "", "2.1.0"},
      {u"2", 2, 0, 0, "", "2.0.0"},          {u"1.2.3.4.5", 1, 2, 3, "4.5", "1.2.3.4.5"},
      {u"2.1.7 beta", 2, 1, 7, "", "2.1.7"}, {u"2.1.7.beta", 2, 1, 7, "beta", "2.1.7.beta"},
      {u"beta", 0, 0, 0, "", "0.0.0"},       {u"x.5", 0, 5, 0, "", "0.5.0"},
      {u"", 0, 0, 0, "", "0.0.0"},           {u"10.0.2.", 10, 0, 2, "", "10.0.2"},
      {nullptr, 0, 0, 0, "", "0.0.0"},
  };
  for (const auto& c : cases) {
    CZorbVersionNumber v(u"9.9.9.junk");
    v = c.text;
    std::string label = c.text ? u8(CString(c.text)) : "(null)";
    EXPECT_EQ(v.GetMajor(), c.major) << label;
    EXPECT_EQ(v.GetMinor(), c.minor) << label;
    EXPECT_EQ(v.GetRevision(), c.revision) << label;
    EXPECT_EQ(u8(v.GetRest()), c.rest) << label;
    EXPECT_EQ(u8(v), c.formatted) << label;
    EXPECT_EQ(u8(CZorbVersionNumber(c.text)), c.formatted) << label;
  }
  CZorbVersionNumber set;
  set.Set(2, 1, 7, CString(u"beta"));
  EXPECT_EQ(u8(set), "2.1.7.beta");

  CZorbVersionNumber self(u"1.2.3.4.5.6");
  self = self.GetRest().Get();  // parsing its own rest
  EXPECT_EQ(u8(self), "4.5.6");
}

TEST(CZorbVersionNumber, Ordering) {
  struct Case {
    const char16_t *a, *b;
    int sign;
  } cases[] = {
      {u"2.1.7.4", u"2.1.7", 1},   {u"2.1.7.10", u"2.1.7.9", -1},  // rests compare as text
      {u"10.0.0", u"9.9.9", 1},                                    // numbers compare as numbers
      {u"2.10", u"2.9", 1},        {u"1.0.0", u"1", 0},
      {u"1.0.0.a", u"1.0.0.B", 1},  // case-sensitive
      {u"3.0.1", u"3.1", -1},
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const auto& c : cases) {
    CZorbVersionNumber a(c.a), b(c.b);
    std::string label = u8(CString(c.a)) + " vs " + u8(CString(c.b));
    EXPECT_EQ(sign(a.Compare(b)), c.sign) << label;
    EXPECT_EQ(sign(b.Compare(a)), -c.sign) << label;
    EXPECT_EQ(a > b, c.sign > 0) << label;
    EXPECT_EQ(a >= b, c.sign >= 0) << label;
    EXPECT_EQ(a < b, c.sign < 0) << label;
    EXPECT_EQ(a > c.b, c.sign > 0) << label;
    EXPECT_EQ(a >= c.b, c.sign >= 0) << label;
    EXPECT_EQ(a <= c.b, c.sign <= 0) << label;
    EXPECT_EQ(a < c.b, c.sign < 0) << label;
  }
  CZorbVersionNumber v(u"8.5");
  EXPECT_TRUE(v < static_cast<int16_t>(9));
  EXPECT_FALSE(v < static_cast<int16_t>(8));
  EXPECT_TRUE(v >= static_cast<int16_t>(8));
  EXPECT_FALSE(v >= static_cast<int16_t>(9));
}

TEST(CZorbVersionNumber, PackedForms) {
  CZorbVersionNumber v(u"1.1.1.keep");
  v = static_cast<uint32_t>(0x10200000);  // BCD major 10, minor 2
  EXPECT_EQ(u8(v), "10.2.0.keep");
  v = static_cast<uint32_t>(0x99F50000);
  EXPECT_EQ(u8(v), "99.15.5.keep");
  v = static_cast<uint32_t>(0x01230000);
  EXPECT_EQ(u8(v), "1.2.3.keep");

  NumVersion record;
  record.majorRev = 0x10;  // a plain number: 16
  record.minorAndBugRev = 0x25;
  record.stage = 0x80;
  record.nonRelRev = 7;
  CZorbVersionNumber w;
  w = record;
  EXPECT_EQ(u8(w), "16.2.5");
  // The record as it lies in memory: byte 3 is the major revision.
  uint32_t word = 0x10250000;
  static_assert(sizeof(NumVersion) == 4);
  std::memcpy(static_cast<void*>(&record), &word, 4);
  w = record;
  EXPECT_EQ(u8(w), "16.2.5");
}

TEST(CZorbVersionNumber, IsEmpty) {
  EXPECT_TRUE(CZorbVersionNumber().IsEmpty());
  EXPECT_TRUE(CZorbVersionNumber(u"0.0.0").IsEmpty());
  EXPECT_FALSE(CZorbVersionNumber(u"0.0.1").IsEmpty());
  EXPECT_FALSE(CZorbVersionNumber(u"0.0.0.a").IsEmpty());
}

// Numbers the 16-bit fields can't hold compare by their value, never
// wrapped (65547 would read as 11, 65535 as -1), and are known to be out of
// range.
TEST(CZorbVersionNumber, NumbersBeyondTheFieldCompareByValue) {
  struct Case {
    const char16_t *a, *b;
    int sign;
    bool aOutOfRange;
  } cases[] = {
      {u"65547", u"11", 1, true},
      {u"65535", u"0", 1, true},
      {u"65536", u"65535", 1, true},
      {u"65547", u"65536", 1, true},
      {u"1.65547", u"1.11", 1, true},
      {u"1.2.65536", u"1.2.0", 1, true},
      {u"32768", u"32767", 1, true},
      {u"32767", u"32766", 1, false},
      {u"99999999999", u"2147483647", 0, true},  // held at the largest value
      {u"-32768", u"0", -1, false},
      {u"-32769", u"-32768", -1, true},
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const auto& c : cases) {
    const CZorbVersionNumber a(c.a), b(c.b);
    const std::string label = u8(CString(c.a)) + " vs " + u8(CString(c.b));
    EXPECT_EQ(sign(a.Compare(b)), c.sign) << label;
    EXPECT_EQ(sign(b.Compare(a)), -c.sign) << label;
    EXPECT_EQ(a > b, c.sign > 0) << label;
    EXPECT_EQ(a < c.b, c.sign < 0) << label;
    EXPECT_EQ(a.IsOutOfRange(), c.aOutOfRange) << label;
  }
  EXPECT_FALSE(CZorbVersionNumber(u"11.0.3").IsOutOfRange());
  EXPECT_FALSE(CZorbVersionNumber().IsOutOfRange());
  // Shown as read, so a message names the version the description gives.
  EXPECT_EQ(u8(CZorbVersionNumber(u"65547.1.2.x")), "65547.1.2.x");
  EXPECT_EQ(CZorbVersionNumber(u"65547").GetMajor(), 65547);
  CZorbVersionNumber copy;
  copy = CZorbVersionNumber(u"1.65536");
  EXPECT_TRUE(copy.IsOutOfRange());
  copy = u"1.2";
  EXPECT_FALSE(copy.IsOutOfRange());
}
