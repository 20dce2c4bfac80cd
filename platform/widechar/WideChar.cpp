#include "platform/widechar/WideChar.h"

#include <climits>

namespace platform {

size_t wcslen(const char16_t* s) {
  if (!s) return 0;
  const char16_t* p = s;
  while (*p) ++p;
  return static_cast<size_t>(p - s);
}

char16_t* wcscpy(char16_t* dst, const char16_t* src) {
  char16_t* d = dst;
  if (src)
    while ((*d = *src++) != 0) ++d;
  else
    *d = 0;
  return dst;
}

char16_t* wcsncpy(char16_t* dst, const char16_t* src, size_t n) {
  size_t i = 0;
  if (src)
    for (; i < n && src[i]; ++i) dst[i] = src[i];
  for (; i < n; ++i) dst[i] = 0;
  return dst;
}

namespace {

const char16_t kEmpty[1] = {0};

inline const char16_t* orEmpty(const char16_t* s) {
  return s ? s : kEmpty;
}

template <class Fold>
int compareUnits(const char16_t* a, const char16_t* b, size_t n, Fold fold) {
  a = orEmpty(a);
  b = orEmpty(b);
  for (size_t i = 0; i < n; ++i) {
    const int ca = fold(a[i]);
    const int cb = fold(b[i]);
    if (ca != cb) return ca - cb;
    if (ca == 0) return 0;
  }
  return 0;
}

inline char16_t same(char16_t c) {
  return c;
}

}  // namespace

int wcscmp(const char16_t* a, const char16_t* b) {
  return compareUnits(a, b, SIZE_MAX, same);
}

int wcsncmp(const char16_t* a, const char16_t* b, size_t n) {
  return compareUnits(a, b, n, same);
}

int wcsicmp(const char16_t* a, const char16_t* b) {
  return compareUnits(a, b, SIZE_MAX, towlower);
}

int wcsnicmp(const char16_t* a, const char16_t* b, size_t n) {
  return compareUnits(a, b, n, towlower);
}

const char16_t* wcschr(const char16_t* s, char16_t ch) {
  if (!s) return nullptr;
  for (;; ++s) {
    if (*s == ch) return s;
    if (*s == 0) return nullptr;
  }
}

const char16_t* wcsrchr(const char16_t* s, char16_t ch) {
  if (!s) return nullptr;
  const char16_t* found = nullptr;
  for (;; ++s) {
    if (*s == ch) found = s;
    if (*s == 0) return found;
  }
}

namespace {

template <class Fold>
const char16_t* search(const char16_t* haystack, const char16_t* needle, Fold fold) {
  if (!haystack || !needle) return nullptr;
  if (*needle == 0) return haystack;
  const char16_t first = fold(*needle);
  for (; *haystack; ++haystack) {
    if (fold(*haystack) != first) continue;
    size_t i = 1;
    while (needle[i] && fold(haystack[i]) == fold(needle[i])) ++i;
    if (needle[i] == 0) return haystack;
  }
  return nullptr;
}

}  // namespace

const char16_t* wcsstr(const char16_t* haystack, const char16_t* needle) {
  return search(haystack, needle, same);
}

const char16_t* wcsistr(const char16_t* haystack, const char16_t* needle) {
  return search(haystack, needle, towlower);
}

char16_t towlower(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 0x20);
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130) return u'i';
    if (c == 0x178) return 0xFF;
    if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 0)
      return char16_t(c + 1);
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1)
      return char16_t(c + 1);
    return c;
  }
  if (c >= 0x386 && c <= 0x3AB) {
    if (c >= 0x391 && c != 0x3A2) return char16_t(c + 0x20);
    switch (c) {
      case 0x386:
        return 0x3AC;
      case 0x388:
      case 0x389:
      case 0x38A:
        return char16_t(c + 37);
      case 0x38C:
        return 0x3CC;
      case 0x38E:
      case 0x38F:
        return char16_t(c + 63);
      default:
        return c;
    }
  }
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 0x50);
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 0x20);
  if (c >= 0xFF21 && c <= 0xFF3A) return char16_t(c + 0x20);
  return c;
}

char16_t towupper(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c == 0xB5) return 0x39C;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131) return u'I';
    if (c == 0x17F) return u'S';
    if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 1)
      return char16_t(c - 1);
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 0)
      return char16_t(c - 1);
    return c;
  }
  if (c >= 0x3AC && c <= 0x3CE) {
    if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? char16_t(0x3A3) : char16_t(c - 0x20);
    switch (c) {
      case 0x3AC:
        return 0x386;
      case 0x3AD:
      case 0x3AE:
      case 0x3AF:
        return char16_t(c - 37);
      case 0x3CC:
        return 0x38C;
      case 0x3CD:
      case 0x3CE:
        return char16_t(c - 63);
      default:
        return c;
    }
  }
  if (c >= 0x430 && c <= 0x44F) return char16_t(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
  if (c >= 0xFF41 && c <= 0xFF5A) return char16_t(c - 0x20);
  return c;
}

bool iswspace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int32_t wtoi(const char16_t* s) {
  if (!s) return 0;
  while (iswspace(*s)) ++s;
  bool negative = false;
  if (*s == u'-' || *s == u'+') negative = (*s++ == u'-');
  // Accumulate towards the limit on the side of the sign, then clamp.
  const int64_t limit = negative ? -int64_t(INT32_MIN) : int64_t(INT32_MAX);
  int64_t value = 0;
  for (; *s >= u'0' && *s <= u'9'; ++s) {
    value = value * 10 + (*s - u'0');
    if (value > limit) value = limit;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace platform
