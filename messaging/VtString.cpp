#include "messaging/VtString.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace Velt {

namespace {

constexpr int32_t kGrowthStep = 128;
constexpr int32_t kMaxUtf16Scan = 65536;

// The smallest multiple of 128 above n.
int32_t grownCapacity(int64_t n) {
  if (n < 0 || n > INT32_MAX - kGrowthStep) throw std::bad_alloc();
  return static_cast<int32_t>((n + kGrowthStep) & ~int64_t(kGrowthStep - 1));
}

int32_t checkedLength(std::size_t n) {
  if (n > static_cast<std::size_t>(INT32_MAX - kGrowthStep)) throw std::bad_alloc();
  return static_cast<int32_t>(n);
}

// UTF-8 length of one code point below 0x110000.
int utf8Length(uint32_t cp) {
  return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

char* encodeUtf8(uint32_t cp, char* out) {
  switch (utf8Length(cp)) {
    case 1:
      *out++ = static_cast<char>(cp);
      break;
    case 2:
      *out++ = static_cast<char>(0xC0 | (cp >> 6));
      *out++ = static_cast<char>(0x80 | (cp & 0x3F));
      break;
    case 3:
      *out++ = static_cast<char>(0xE0 | (cp >> 12));
      *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (cp & 0x3F));
      break;
    default:
      *out++ = static_cast<char>(0xF0 | (cp >> 18));
      *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (cp & 0x3F));
      break;
  }
  return out;
}

bool isHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// Reads one code point at s[i] of n units, advancing i. A high surrogate
// followed by a low one forms a pair; any other unit stands for itself.
uint32_t nextCodePoint(const char16_t* s, int32_t n, int32_t& i) {
  char16_t u = s[i++];
  if (isHighSurrogate(u) && i < n && isLowSurrogate(s[i])) {
    char16_t low = s[i++];
    return 0x10000 + ((uint32_t(u) - 0xD800) << 10) + (uint32_t(low) - 0xDC00);
  }
  return u;
}

// Decodes one character of the NUL-terminated bytes at p. Returns the
// number of bytes taken, 0 at the terminating NUL. A lead byte that is not
// followed by enough continuation bytes stands alone as U+FFFD, so a stray
// byte never swallows the text after it; nothing past a NUL is read.
int decodeUtf8(const unsigned char* p, uint32_t& value) {
  unsigned char lead = p[0];
  if (lead == 0) return 0;
  if (lead < 0x80) {
    value = lead;
    return 1;
  }
  if (lead < 0xC0) {
    value = 0xFFFD;
    return 1;
  }
  int len;
  uint32_t v;
  if (lead < 0xE0) {
    len = 2;
    v = lead & 0x1F;
  } else if (lead < 0xF0) {
    len = 3;
    v = lead & 0x0F;
  } else if (lead < 0xF8) {
    len = 4;
    v = lead & 0x07;
  } else if (lead < 0xFC) {
    len = 5;
    v = lead & 0x03;
  } else {
    len = 6;
    v = lead & 0x01;
  }
  for (int i = 1; i < len; ++i) {
    unsigned char c = p[i];
    if ((c & 0xC0) != 0x80) {
      value = 0xFFFD;
      return 1;
    }
    v = (v << 6) | (c & 0x3F);
  }
  value = v;
  return len;
}

}  // namespace

VtString::VtString() {
  mBuffer = mallocThis<char>(kGrowthStep);
  mCapacity = kGrowthStep;
  mBuffer[0] = 0;
}

VtString::VtString(char c) : VtString() {
  mBuffer[0] = c;
  mBuffer[1] = 0;
  mLength = 1;
}

VtString::VtString(const char* s, int32_t n) {
  assign(s, n);
}

VtString::VtString(const char16_t* s, int32_t n) {
  if (!s || n == 0) {
    assign(nullptr, 0);
    return;
  }
  if (n < 0) {
    n = 0;
    while (n < kMaxUtf16Scan && s[n] != 0) ++n;
  }
  int64_t bytes = 0;
  for (int32_t i = 0; i < n;) bytes += utf8Length(nextCodePoint(s, n, i));
  mCapacity = grownCapacity(bytes);
  mBuffer = mallocThis<char>(mCapacity);
  char* out = mBuffer;
  for (int32_t i = 0; i < n;) out = encodeUtf8(nextCodePoint(s, n, i), out);
  *out = 0;
  mLength = static_cast<int32_t>(out - mBuffer);
}

VtString::VtString(const VtString& other) : VtHeap(other) {
  assign(other.mBuffer, other.mLength);
}

VtString::~VtString() {
  freeThis(mBuffer);
}

VtString& VtString::operator=(const char* s) {
  assign(s, -1);
  return *this;
}

VtString& VtString::operator=(const VtString& other) {
  if (this != &other) assign(other.mBuffer, other.mLength);
  return *this;
}

void VtString::store(int32_t offset, const char* s, int32_t n) {
  int64_t newLength = int64_t(offset) + n;
  if (mCapacity < newLength + 1) {
    int32_t newCapacity = grownCapacity(newLength);
    char* grown = mallocThis<char>(newCapacity);
    if (offset > 0) std::memcpy(grown, mBuffer, offset);
    if (n > 0) std::memcpy(grown + offset, s, n);
    freeThis(mBuffer);
    mBuffer = grown;
    mCapacity = newCapacity;
  } else if (n > 0) {
    std::memmove(mBuffer + offset, s, n);
  }
  mLength = static_cast<int32_t>(newLength);
  mBuffer[mLength] = 0;
}

void VtString::assign(const char* s, int32_t n) {
  if (!s)
    n = 0;
  else if (n < 0)
    n = checkedLength(std::strlen(s));
  store(0, s, n);
}

void VtString::append(const char* s, int32_t n) {
  if (!s) return;
  if (n < 0) n = checkedLength(std::strlen(s));
  if (n == 0) return;
  store(mLength, s, n);
}

void VtString::append(int32_t value) {
  char digits[16];
  int len = std::snprintf(digits, sizeof digits, "%u",
                          static_cast<unsigned>(static_cast<uint32_t>(value)));
  append(digits, len);
}

VtString& VtString::operator+=(char c) {
  append(&c, 1);
  return *this;
}

VtString& VtString::operator+=(const char* s) {
  append(s, -1);
  return *this;
}

VtString& VtString::operator+=(const VtString& other) {
  append(other.mBuffer, other.mLength);
  return *this;
}

void VtString::shrink(int32_t n) {
  if (n >= 0 && n < mLength) {
    mLength = n;
    mBuffer[n] = 0;
  }
}

int VtString::compare(const char* s) const {
  return std::strcmp(mBuffer, s ? s : "");
}

VtString VtString::uppercase() const {
  VtString copy(*this);
  for (int32_t i = 0; i < copy.mLength; ++i) {
    char c = copy.mBuffer[i];
    if (c >= 'a' && c <= 'z') copy.mBuffer[i] = static_cast<char>(c - 'a' + 'A');
  }
  return copy;
}

VtString VtString::lowercase() const {
  VtString copy(*this);
  for (int32_t i = 0; i < copy.mLength; ++i) {
    char c = copy.mBuffer[i];
    if (c >= 'A' && c <= 'Z') copy.mBuffer[i] = static_cast<char>(c - 'A' + 'a');
  }
  return copy;
}

int32_t VtString::convertToUtf16(char16_t* out, uint32_t size) const {
  if (!out) return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(mBuffer);
  int32_t written = 0;
  uint32_t remaining = size;
  while (remaining > 0) {
    uint32_t value = 0;
    int taken = decodeUtf8(p, value);
    if (taken == 0 || value == 0) break;
    p += taken;
    if (value < 0x10000) {
      out[written++] = static_cast<char16_t>(value);
    } else if (value <= 0x10FFFF) {
      out[written++] = static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
      out[written++] = static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
    } else {
      out[written++] = 0xFFFD;
    }
    --remaining;
  }
  if (remaining > 0) out[written++] = 0;
  return written;
}

VtString& VtString::operator<<(const char* s) {
  append(s, -1);
  return *this;
}

VtString& VtString::operator<<(char c) {
  append(&c, 1);
  return *this;
}

VtString& VtString::operator<<(const VtString& other) {
  append(other.mBuffer, other.mLength);
  return *this;
}

VtString& VtString::operator<<(int32_t value) {
  append(value);
  return *this;
}

VtString& VtString::operator<<(uint32_t value) {
  append(static_cast<int32_t>(value));
  return *this;
}

VtString& VtString::operator<<(double value) {
  // The largest double prints as 309 digits and a sign.
  char digits[400];
  int len = std::snprintf(digits, sizeof digits, "%.0f", value);
  if (len > 0 && len < static_cast<int>(sizeof digits)) append(digits, len);
  return *this;
}

}  // namespace Velt
