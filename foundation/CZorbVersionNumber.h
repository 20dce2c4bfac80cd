#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "platform/os/NumVersion.h"

using NumVersion = platform::NumVersion;

// A dotted version: three numbers and a free rest after the third ".".
//
// Each number belongs in a signed 16-bit field. A number read from text is
// kept as read, so one the field can't hold is known (IsOutOfRange) and
// compares by its value, never wrapped: 65547 stays above 11.
class CZorbVersionNumber {
 public:
  CZorbVersionNumber() = default;
  CZorbVersionNumber(const char16_t* text);
  virtual ~CZorbVersionNumber();

  // "2.1.7.4": 2, 1, 7 and the rest "4"; missing numbers are 0, text that
  // does not start with a digit gives 0 for that number.
  CZorbVersionNumber& operator=(const char16_t* text);
  // A packed 32-bit version: the top byte is the major number in two BCD
  // digits, then a nibble each for minor and revision. The rest is kept.
  CZorbVersionNumber& operator=(const uint32_t& packed);
  // Major from byte 3, minor and revision from the nibbles of byte 2. The
  // rest is kept.
  CZorbVersionNumber& operator=(const NumVersion& version);

  void Set(int16_t major, int16_t minor, int16_t revision, CString rest);
  bool IsEmpty() const;
  // Whether a number lies outside the 16-bit field: a requirement naming
  // such a version can't be judged, so it counts as unmet.
  bool IsOutOfRange() const;
  int32_t GetMajor() const { return m_major; }
  int32_t GetMinor() const { return m_minor; }
  int32_t GetRevision() const { return m_revision; }
  const CString& GetRest() const { return m_rest; }

  // "major.minor.revision", then "." and the rest when there is one.
  operator CString() const;

  // The first differing number decides (by value), then the rests unit by
  // unit (case-sensitive: a rest "10" sorts before "9", an empty rest
  // first).
  int Compare(const CZorbVersionNumber& other) const;
  bool operator>(const CZorbVersionNumber& other) const { return Compare(other) > 0; }
  bool operator>=(const CZorbVersionNumber& other) const { return Compare(other) >= 0; }
  bool operator<(const CZorbVersionNumber& other) const { return Compare(other) < 0; }
  bool operator>=(const char16_t* text) const;
  bool operator<=(const char16_t* text) const;
  bool operator<(const char16_t* text) const;
  bool operator>(const char16_t* text) const;
  // The major number alone.
  bool operator<(int16_t major) const { return m_major < major; }
  bool operator>=(int16_t major) const { return m_major >= major; }

 private:
  int32_t m_major = 0;
  int32_t m_minor = 0;
  int32_t m_revision = 0;
  CString m_rest;
};
