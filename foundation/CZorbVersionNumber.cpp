#include "foundation/CZorbVersionNumber.h"

#include "platform/widechar/WideChar.h"

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
  m_major = static_cast<int16_t>(platform::wtoi(s));
  const char16_t* dot = platform::wcschr(s, u'.');
  if (dot == nullptr) return *this;
  m_minor = static_cast<int16_t>(platform::wtoi(dot + 1));
  dot = platform::wcschr(dot + 1, u'.');
  if (dot == nullptr) return *this;
  m_revision = static_cast<int16_t>(platform::wtoi(dot + 1));
  dot = platform::wcschr(dot + 1, u'.');
  if (dot == nullptr) return *this;
  m_rest = dot + 1;
  return *this;
}

CZorbVersionNumber& CZorbVersionNumber::operator=(const uint32_t& packed) {
  uint32_t bcd = packed >> 24;
  m_major = static_cast<int16_t>((bcd >> 4) * 10 + (bcd & 0xF));
  m_minor = static_cast<int16_t>((packed >> 20) & 0xF);
  m_revision = static_cast<int16_t>((packed >> 16) & 0xF);
  return *this;
}

CZorbVersionNumber& CZorbVersionNumber::operator=(const NumVersion& version) {
  m_major = version.majorRev;
  m_minor = static_cast<int16_t>(version.minorAndBugRev >> 4);
  m_revision = static_cast<int16_t>(version.minorAndBugRev & 0xF);
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

CZorbVersionNumber::operator CString() const {
  CString text;
  text.Format(u"%d.%d.%d", static_cast<int>(m_major), static_cast<int>(m_minor),
              static_cast<int>(m_revision));
  if (m_rest.GetLength() > 0) {
    text += u'.';
    text += m_rest;
  }
  return text;
}

int CZorbVersionNumber::Compare(const CZorbVersionNumber& other) const {
  if (m_major != other.m_major) return m_major - other.m_major;
  if (m_minor != other.m_minor) return m_minor - other.m_minor;
  if (m_revision != other.m_revision) return m_revision - other.m_revision;
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
