#include "foundation/CZorbDateTime.h"

#include <cmath>

#include "platform/widechar/WideChar.h"

namespace {

// 2001-01-01 00:00 UTC in seconds since 1970.
constexpr double kAbsoluteTimeOffset = 978307200.0;

}  // namespace

CZorbDateTime::~CZorbDateTime() = default;

CZorbDateTime& CZorbDateTime::operator=(const CZorbDateTime& other) {
  Set(other.m_year, other.m_month, other.m_day, other.m_hour, other.m_minute, other.m_second);
  return *this;
}

void CZorbDateTime::Set(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
                        uint16_t second) {
  m_year = year;
  m_month = month;
  m_day = day;
  m_hour = hour;
  m_minute = minute;
  m_second = second;
}

void CZorbDateTime::SetTime(time_t seconds) {
  struct tm local {};
  if (localtime_r(&seconds, &local) == nullptr) return;
  Set(static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
      static_cast<uint16_t>(local.tm_mday), static_cast<uint16_t>(local.tm_hour),
      static_cast<uint16_t>(local.tm_min), static_cast<uint16_t>(local.tm_sec));
}

time_t CZorbDateTime::GetTime() const {
  struct tm local {};
  local.tm_year = m_year - 1900;
  local.tm_mon = m_month - 1;
  local.tm_mday = m_day;
  local.tm_hour = m_hour;
  local.tm_min = m_minute;
  local.tm_sec = m_second;
  // Whether daylight saving applies is a matter of the date itself, not of
  // today's date.
  local.tm_isdst = -1;
  return mktime(&local);
}

CZorbDateTime& CZorbDateTime::operator=(int32_t seconds) {
  SetTime(static_cast<time_t>(seconds));
  return *this;
}

CZorbDateTime& CZorbDateTime::operator=(double absolute) {
  if (!std::isfinite(absolute)) return *this;
  double seconds = std::floor(absolute) + kAbsoluteTimeOffset;
  // Beyond about +-300 million years the calendar fields overflow anyway.
  if (seconds < -1e16 || seconds > 1e16) return *this;
  SetTime(static_cast<time_t>(seconds));
  return *this;
}

void CZorbDateTime::ResetToNow() {
  SetTime(time(nullptr));
}

CZorbDateTime::operator int32_t() const {
  return static_cast<int32_t>(GetTime());
}

CZorbDateTime::operator double() const {
  return static_cast<double>(GetTime()) - kAbsoluteTimeOffset;
}

uint32_t CZorbDateTime::operator-(const CZorbDateTime& other) const {
  time_t a = GetTime(), b = other.GetTime();
  return static_cast<uint32_t>(a > b ? a - b : b - a);
}

bool CZorbDateTime::operator>(const CZorbDateTime& other) const {
  const uint16_t mine[] = {m_year, m_month, m_day, m_hour, m_minute, m_second};
  const uint16_t theirs[] = {other.m_year, other.m_month,  other.m_day,
                             other.m_hour, other.m_minute, other.m_second};
  for (int i = 0; i < 6; ++i)
    if (mine[i] != theirs[i]) return mine[i] > theirs[i];
  return false;
}

bool CZorbDateTime::operator==(const CZorbDateTime& other) const {
  return m_year == other.m_year && m_month == other.m_month && m_day == other.m_day &&
         m_hour == other.m_hour && m_minute == other.m_minute && m_second == other.m_second;
}

CZorbDateTime::operator CString() const {
  CString text;
  text.Format(u"%d-%d-%d-%d-%d-%d", static_cast<int>(m_year), static_cast<int>(m_month),
              static_cast<int>(m_day), static_cast<int>(m_hour), static_cast<int>(m_minute),
              static_cast<int>(m_second));
  return text;
}

void CZorbDateTime::setDateTimeSting(const CString& text) {
  Set(0, 0, 0, 0, 0, 0);
  if (text.GetLength() == 0) return;
  CString rest(text);
  uint16_t* fields[] = {&m_year, &m_month, &m_day, &m_hour, &m_minute, &m_second};
  for (uint16_t* field : fields)
    if (!getDateTimeFieldFromStr(rest, *field)) break;
}

bool CZorbDateTime::getDateTimeFieldFromStr(CString& text, uint16_t& field) {
  if (text.GetLength() == 0) return false;
  int32_t dash = text.Find(u'-');
  if (dash < 0) {
    field = static_cast<uint16_t>(platform::wtoi(text.Get()));
    return false;
  }
  field = static_cast<uint16_t>(platform::wtoi(text.Left(dash).Get()));
  text = text.Mid(dash + 1);
  return true;
}
