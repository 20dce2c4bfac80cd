#pragma once

#include <cstdint>
#include <ctime>

#include "foundation/CString.h"

// A calendar date and time of day in local time; all fields 0 when new.
class CZorbDateTime {
 public:
  CZorbDateTime() = default;
  CZorbDateTime(const CZorbDateTime& other) = default;
  virtual ~CZorbDateTime();

  CZorbDateTime& operator=(const CZorbDateTime& other);
  // Seconds since 1970-01-01 00:00 UTC, as local calendar time.
  CZorbDateTime& operator=(int32_t seconds);
  // Absolute time: seconds since 2001-01-01 00:00 UTC, in the default time
  // zone, cut to whole seconds. A value that is not finite or lies beyond
  // any calendar leaves the fields unchanged.
  CZorbDateTime& operator=(double absolute);
  void ResetToNow();

  // The fields read as local time; the system decides whether daylight
  // saving applies on that date.
  operator int32_t() const;
  operator double() const;
  // The absolute difference in seconds.
  uint32_t operator-(const CZorbDateTime& other) const;

  // Later: fields compared from year to second.
  bool operator>(const CZorbDateTime& other) const;
  bool operator==(const CZorbDateTime& other) const;

  // "2012-3-27-9-5-0": year, month, day, hour, minute, second, no padding.
  operator CString() const;
  // Reads that form; fields it does not reach are 0.
  void setDateTimeSting(const CString& text);
  // One step of that: takes the number before the first "-" into field and
  // keeps the text after it (true), or takes the whole text (false); an
  // empty text returns false and leaves field alone.
  bool getDateTimeFieldFromStr(CString& text, uint16_t& field);

  uint16_t GetYear() const { return m_year; }
  uint16_t GetMonth() const { return m_month; }
  uint16_t GetDay() const { return m_day; }
  uint16_t GetHour() const { return m_hour; }
  uint16_t GetMinute() const { return m_minute; }
  uint16_t GetSecond() const { return m_second; }
  void Set(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
           uint16_t second);

  // The same conversions over the system's full time range (the 32-bit
  // forms above end in 2038).
  void SetTime(time_t seconds);
  time_t GetTime() const;

 private:
  uint16_t m_year = 0;
  uint16_t m_month = 0;
  uint16_t m_day = 0;
  uint16_t m_hour = 0;
  uint16_t m_minute = 0;
  uint16_t m_second = 0;
};
