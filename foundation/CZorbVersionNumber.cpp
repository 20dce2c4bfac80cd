#include "foundation/CZorbVersionNumber.h"

#include <limits>

#include "platform/widechar/WideChar.h"

namespace {

bool FitsField(int32_t number) {
  return number >= std::numeric_limits<int16_t>::min() &&
         number <= std::numeric_limits<int16_t>::max();
}

// This minus other, held to the range of the result.
int Difference(int32_t a, int32_t b) {
  const int64_t d = int64_t{a} - int64_t{b};
  if (d > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (d < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(d);
}

}  // namespace

CZorbVersionNumber::CZorbVersionNumber(const char16_t* text) {
  *this = text;
}

CZorbVersionNumber::~CZorbVersionNumber() = default;

CZorbVersionNumber& CZorbVersionNumber::operator=(const char16_t* text) {
  m_major = m_minor = m_revision = 0;
  CString parsed(text);  // text may be our own rest
  m_rest.Empty();
  if (text == nullptr) return *this;
  const char16_t* s = parsed.Get();
  m_major = platform::wtoi(s);
  const char16_t* dot = platform::wcschr(s, u'.');
  if (dot == nullptr) return *this;
  m_minor = platform::wtoi(dot + 1);
  dot = platform::wcschr(dot + 1, u'.');
  if (dot == nullptr) return *this;
  m_revision = platform::wtoi(dot + 1);
  dot = platform::wcschr(dot + 1, u'.');
  if (dot == nullptr) return *this;
  m_rest = dot + 1;
  return *this;
}

CZorbVersionNumber& CZorbVersionNumber::operator=(const uint32_t& packed) {
  uint32_t bcd = packed >> 24;
  m_major = static_cast<int32_t>((bcd >> 4) * 10 + (bcd & 0xF));
  m_minor = static_cast<int32_t>((packed >> 20) & 0xF);
  m_revision = static_cast<int32_t>((packed >> 16) & 0xF);
  return *this;
}

CZorbVersionNumber& CZorbVersionNumber::operator=(const NumVersion& version) {
  m_major = version.majorRev;
  m_minor = version.minorAndBugRev >> 4;
  m_revision = version.minorAndBugRev & 0xF;
  return *this;
}

void CZorbVersionNumber::Set(int16_t major, int16_t minor, int16_t revision, CString rest) {
  m_major = major;
  m_minor = minor;
  m_revision = revision;
  m_rest = rest;
}

bool CZorbVersionNumber::IsEmpty() const {
  return m_major == 0 && m_minor == 0 && m_revision == 0 && m_rest.GetLength() == 0;
}

bool CZorbVersionNumber::IsOutOfRange() const {
  return !FitsField(m_major) || !FitsField(m_minor) || !FitsField(m_revision);
}

CZorbVersionNumber::operator CString() const {
  CString text;
  text.Format(u"%d.%d.%d", m_major, m_minor, m_revision);
  if (m_rest.GetLength() > 0) {
    text += u'.';
    text += m_rest;
  }
  return text;
}

int CZorbVersionNumber::Compare(const CZorbVersionNumber& other) const {
  if (m_major != other.m_major) return Difference(m_major, other.m_major);
  if (m_minor != other.m_minor) return Difference(m_minor, other.m_minor);
  if (m_revision != other.m_revision) return Difference(m_revision, other.m_revision);
  return m_rest.Compare(other.m_rest.Get());
}

bool CZorbVersionNumber::operator>=(const char16_t* text) const {
  return Compare(CZorbVersionNumber(text)) >= 0;
}
bool CZorbVersionNumber::operator<=(const char16_t* text) const {
  return Compare(CZorbVersionNumber(text)) <= 0;
}
bool CZorbVersionNumber::operator<(const char16_t* text) const {
  return Compare(CZorbVersionNumber(text)) < 0;
}
bool CZorbVersionNumber::operator>(const char16_t* text) const {
  return Compare(CZorbVersionNumber(text)) > 0;
}
