#include "foundation/CZorbDateTime.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include "platform/os/Utf.h"

namespace {

std::string u8(const CString& s) {
  return platform::utf16ToUtf8(s.Get()).value_or("<bad>");
}

// Runs the test in Berlin time (the zone file when installed, else the same
// rules written out), restoring the process's zone afterwards.
class BerlinTime : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    hadTz_ = old != nullptr;
    if (hadTz_) oldTz_ = old;
    const char* zone = access("/usr/share/zoneinfo/Europe/Berlin", R_OK) == 0
                           ? "Europe/Berlin"
                           : "CET-1CEST,M3.5.0,M10.5.0/3";
    setenv("TZ", zone, 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_)
      setenv("TZ", oldTz_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool hadTz_ = false;
  std::string oldTz_;
};

CZorbDateTime make(int y, int mo, int d, int h, int mi, int s) {
  CZorbDateTime t;
  t.Set(static_cast<uint16_t>(y), static_cast<uint16_t>(mo), static_cast<uint16_t>(d),
        static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(s));
  return t;
}

}  // namespace

TEST_F(BerlinTime, SecondsInBothSeasons) {
  struct Case {
    CZorbDateTime local;
    int32_t seconds;
  } cases[] = {
      {make(2012, 7, 1, 12, 0, 0), 1341136800},   // summer: UTC+2
      {make(2012, 1, 15, 12, 0, 0), 1326625200},  // winter: UTC+1
      {make(2012, 3, 24, 12, 0, 0), 1332586800},  // the day before the change
      {make(2012, 3, 25, 12, 0, 0), 1332669600},  // the day of the change
  };
  for (const auto& c : cases) {
    EXPECT_EQ(static_cast<int32_t>(c.local), c.seconds) << u8(c.local);
    CZorbDateTime back;
    back = c.seconds;
    EXPECT_TRUE(back == c.local) << u8(back) << " vs " << u8(c.local);
  }
  // Noon to noon across the change is 23 hours, in either order.
  EXPECT_EQ(cases[3].local - cases[2].local, 23u * 3600u);
  EXPECT_EQ(cases[2].local - cases[3].local, 23u * 3600u);
  EXPECT_EQ(make(2012, 3, 27, 0, 0, 0) - make(2012, 3, 28, 0, 0, 0), 86400u);
}

TEST_F(BerlinTime, AbsoluteTime) {
  CZorbDateTime t;
  t = 0.0;
  EXPECT_EQ(u8(t), "2001-1-1-1-0-0");
  EXPECT_EQ(static_cast<double>(t), 0.0);
  t = -0.5;  // cut to the whole second before
  EXPECT_EQ(u8(t), "2001-1-1-0-59-59");
  t = 364.0 * 86400 + 0.9;
  EXPECT_EQ(u8(t), "2001-12-31-1-0-0");
  CZorbDateTime summer = make(2012, 7, 1, 12, 0, 0);
  double abs = summer;
  EXPECT_EQ(abs, 1341136800.0 - 978307200.0);
  CZorbDateTime back;
  back = abs;
  EXPECT_TRUE(back == summer);

  CZorbDateTime unchanged = make(2000, 1, 2, 3, 4, 5);
  unchanged = std::numeric_limits<double>::quiet_NaN();
  unchanged = std::numeric_limits<double>::infinity();
  unchanged = 1e300;
  EXPECT_EQ(u8(unchanged), "2000-1-2-3-4-5");
}

TEST_F(BerlinTime, BeyondTheThirtyTwoBitRange) {
  CZorbDateTime t;
  t.SetTime(static_cast<time_t>(4102444800LL));  // 2100-01-01 00:00 UTC
  EXPECT_EQ(u8(t), "2100-1-1-1-0-0");
  EXPECT_EQ(t.GetTime(), static_cast<time_t>(4102444800LL));
  EXPECT_EQ(t - make(2099, 12, 31, 1, 0, 0), 86400u);
}

TEST(CZorbDateTime, TextForm) {
  EXPECT_EQ(u8(CZorbDateTime()), "0-0-0-0-0-0");
  EXPECT_EQ(u8(make(2012, 3, 27, 9, 5, 0)), "2012-3-27-9-5-0");

  struct Case {
    const char16_t* text;
    const char* fields;
  } cases[] = {
      {u"", "0-0-0-0-0-0"},
      {u"2012-03-27", "2012-3-27-0-0-0"},
      {u"2012-3-27-10-5-30", "2012-3-27-10-5-30"},
      {u"2012-3", "2012-3-0-0-0-0"},
      {u"2012", "2012-0-0-0-0-0"},
      {u"2012-3-27-10-5-30-99", "2012-3-27-10-5-30"},
      {u"x-y", "0-0-0-0-0-0"},
      {u"2012--5", "2012-0-5-0-0-0"},
  };
  for (const auto& c : cases) {
    CZorbDateTime t = make(1, 1, 1, 1, 1, 1);
    t.setDateTimeSting(CString(c.text));
    EXPECT_EQ(u8(t), c.fields) << u8(CString(c.text));
  }
  // Round trip of the text form.
  CZorbDateTime t;
  t.setDateTimeSting(make(1999, 12, 31, 23, 59, 58));
  EXPECT_TRUE(t == make(1999, 12, 31, 23, 59, 58));

  CZorbDateTime step;
  CString text;
  uint16_t field = 7;
  EXPECT_FALSE(step.getDateTimeFieldFromStr(text, field));
  EXPECT_EQ(field, 7);
  text = u"12-rest";
  EXPECT_TRUE(step.getDateTimeFieldFromStr(text, field));
  EXPECT_EQ(field, 12);
  EXPECT_EQ(u8(text), "rest");
}

TEST(CZorbDateTime, Ordering) {
  CZorbDateTime base = make(2012, 3, 27, 9, 5, 0);
  EXPECT_FALSE(base > base);
  EXPECT_TRUE(base == base);
  EXPECT_TRUE(make(2013, 1, 1, 0, 0, 0) > base);
  EXPECT_TRUE(make(2012, 3, 27, 9, 5, 1) > base);
  EXPECT_FALSE(make(2012, 3, 26, 23, 59, 59) > base);
  EXPECT_TRUE(make(2012, 4, 1, 0, 0, 0) > make(2012, 3, 31, 23, 59, 59));
  EXPECT_FALSE(make(2012, 3, 27, 9, 5, 1) == base);
  CZorbDateTime copy;
  copy = base;
  EXPECT_TRUE(copy == base);
}

TEST(CZorbDateTime, ResetToNow) {
  time_t before = time(nullptr);
  CZorbDateTime now;
  now.ResetToNow();
  time_t after = time(nullptr);
  EXPECT_GE(now.GetTime(), before);
  EXPECT_LE(now.GetTime(), after);
}
