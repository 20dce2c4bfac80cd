#include "foundation/CString.h"

#include "platform/widechar/WideChar.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char16_t kEmptyText[1] = {0};

// Every empty string points here until it gets text, so that making and
// copying empty strings allocates nothing. It is never written: each writer
// first gets a buffer of its own.
char16_t gSharedEmpty[1] = {0};

inline bool isShared(const char16_t* p) {
  return p == gSharedEmpty;
}

inline void release(char16_t* p) {
  if (!isShared(p)) delete[] p;
}

uint32_t lengthOf(const char16_t* p) {
  const size_t n = platform::wcslen(p);
  if (n >= UINT32_MAX / 2) throw std::length_error("CString: text too long");
  return static_cast<uint32_t>(n);
}

// Twice the request, at least one unit; refuses what a 32-bit capacity
// cannot hold instead of wrapping around.
uint32_t doubled(uint64_t n) {
  const uint64_t size = n == 0 ? 1 : 2 * n;
  if (size > UINT32_MAX) throw std::length_error("CString: text too long");
  return static_cast<uint32_t>(size);
}

void copyUnits(char16_t* to, const char16_t* from, size_t n) {
  if (n) std::memmove(to, from, n * sizeof(char16_t));
}

std::u16string fromUnits16(const uint16_t* p, uint32_t n) {
  std::u16string text;
  if (!p) return text;
  if (n == 0)
    while (p[n]) ++n;
  text.reserve(n);
  for (uint32_t i = 0; i < n; ++i) text.push_back(static_cast<char16_t>(p[i]));
  return text;
}

}  // namespace

// --- construction -----------------------------------------------------------

CString::CString() {
  initBuff();
}

CString::CString(const CString& other) {
  initBuff();
  SetText(other.m_buffer, other.m_length, nullptr, 0);
}

CString::CString(const char16_t* p, uint32_t n) {
  initBuff();
  Assign(p, n, nullptr, 0);
}

CString::CString(const uint16_t* p, uint32_t n) {
  initBuff();
  const std::u16string text = fromUnits16(p, n);
  SetText(text.data(), static_cast<uint32_t>(text.size()), nullptr, 0);
}

CString::CString(const char16_t* first, uint32_t firstCount, const char16_t* second,
                 uint32_t secondCount) {
  initBuff();
  Assign(first, firstCount, second, secondCount);
}

CString::CString(char16_t ch, uint32_t n) {
  initBuff();
  if (n == 0) return;
  AllocateAndSplit(n, 0, 0, 0);
  std::fill(m_buffer, m_buffer + n, ch);
  m_buffer[n] = 0;
  m_length = n;
}

CString::~CString() {
  release(m_buffer);
}

CString& CString::operator=(const CString& other) {
  if (this != &other && other.m_buffer != m_buffer)
    SetText(other.m_buffer, other.m_length, nullptr, 0);
  return *this;
}

CString& CString::operator=(const char16_t* p) {
  if (!(p && p == m_buffer)) Assign(p, 0, nullptr, 0);
  return *this;
}

CString& CString::operator=(const uint16_t* p) {
  const std::u16string text = fromUnits16(p, 0);
  SetText(text.data(), static_cast<uint32_t>(text.size()), nullptr, 0);
  return *this;
}

void CString::Assign(const char16_t* first, uint32_t firstCount, const char16_t* second,
                     uint32_t secondCount) {
  if (!first)
    firstCount = 0;
  else if (firstCount == 0)
    firstCount = lengthOf(first);
  if (!second)
    secondCount = 0;
  else if (secondCount == 0)
    secondCount = lengthOf(second);
  SetText(first, firstCount, second, secondCount);
}

void CString::SetText(const char16_t* first, uint32_t firstCount, const char16_t* second,
                      uint32_t secondCount) {
  const uint64_t total = uint64_t(firstCount) + secondCount;
  if (total == 0) {
    if (!m_buffer) initBuff();
    if (!isShared(m_buffer)) m_buffer[0] = 0;
    m_length = 0;
    return;
  }
  if (total >= UINT32_MAX / 2) throw std::length_error("CString: text too long");
  // A piece taken from this very buffer is copied out before the buffer
  // is overwritten or replaced.
  std::u16string saved;
  if (Owns(first) || Owns(second)) {
    saved.assign(first ? first : kEmptyText, firstCount);
    saved.append(second ? second : kEmptyText, secondCount);
    first = saved.data();
    firstCount = static_cast<uint32_t>(total);
    second = nullptr;
    secondCount = 0;
  }
  AllocateAndSplit(static_cast<uint32_t>(total), 0, 0, 0);
  copyUnits(m_buffer, first, firstCount);
  copyUnits(m_buffer + firstCount, second, secondCount);
  m_length = static_cast<uint32_t>(total);
  m_buffer[m_length] = 0;
}

CString operator+(const CString& left, char16_t right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const CString& left, const char16_t* right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const CString& left, const CString& right) {
  CString result(left);
  result += right;
  return result;
}

// --- access -----------------------------------------------------------------

bool CString::Owns(const char16_t* p) const {
  std::less<const char16_t*> before;
  return m_buffer && p && !before(p, m_buffer) && before(p, m_buffer + m_capacity);
}

char16_t CString::GetAt(int32_t i) const {
  if (!m_buffer || i < 0 || static_cast<uint32_t>(i) > m_length) return 0;
  return m_buffer[i];
}

void CString::SetAt(int32_t i, char16_t ch) {
  if (m_buffer && i >= 0 && static_cast<uint32_t>(i) < m_length) m_buffer[i] = ch;
}

void CString::Empty() {
  if (!m_buffer || isShared(m_buffer)) return;
  m_buffer[0] = 0;
  m_length = 0;
}

uint32_t CString::Hash() const {
  uint32_t h = 0;
  if (m_buffer)
    for (const char16_t* p = m_buffer; *p; ++p) h = h * 5 + *p;
  return h;
}

// --- buffer -----------------------------------------------------------------

// Growth: when n does not fit below the capacity a new buffer of 2n units
// replaces the old one. With kAllocateKeepText, the units before `from` stay
// and the tail from `from` (with its terminator) moves to `to`, leaving the
// gap for the caller; from == to keeps the whole text. Without it the caller
// writes the whole text afterwards.
void CString::AllocateAndSplit(uint32_t n, uint32_t from, uint32_t to, TAllocateOptions options) {
  const bool keep = (options & kAllocateKeepText) && m_buffer;
  if (keep) {
    from = std::min(from, m_length);
    if (to > from && uint64_t(m_length) + (to - from) > n) n = m_length + (to - from);
  }
  const uint32_t tail = keep ? m_length - from + 1 : 0;
  if (n >= m_capacity || isShared(m_buffer)) {
    const uint32_t size = doubled(n);
    char16_t* fresh = new char16_t[size];
    if (keep) {
      copyUnits(fresh, m_buffer, from);
      copyUnits(fresh + to, m_buffer + from, tail);
    } else {
      fresh[0] = 0;
      m_length = 0;
    }
    char16_t* old = m_buffer;
    m_buffer = fresh;
    m_capacity = size;
    release(old);
  } else if (keep && from != to) {
    copyUnits(m_buffer + to, m_buffer + from, tail);
  }
}

char16_t* CString::GetBuffer(int32_t n) {
  if (!m_buffer) initBuff();
  AllocateAndSplit(static_cast<uint32_t>(std::max(n, 0)), m_length, m_length, kAllocateKeepText);
  return m_buffer;
}

void CString::ReleaseBuffer(int32_t n) {
  if (!m_buffer) initBuff();
  if (isShared(m_buffer)) {
    if (n <= 0) return;
    AllocateAndSplit(0, 0, 0, kAllocateKeepText);
  }
  if (n < 0) {
    uint32_t len = 0;
    while (len + 1 < m_capacity && m_buffer[len]) ++len;
    n = static_cast<int32_t>(len);
  } else if (static_cast<uint32_t>(n) >= m_capacity) {
    // Keep everything written so far; units never written become 0.
    const uint32_t size = doubled(static_cast<uint32_t>(n));
    char16_t* fresh = new char16_t[size]();
    copyUnits(fresh, m_buffer, m_capacity);
    release(m_buffer);
    m_buffer = fresh;
    m_capacity = size;
  }
  m_length = static_cast<uint32_t>(n);
  m_buffer[m_length] = 0;
}

void CString::SetStringLength(int32_t n) {
  if (!m_buffer || isShared(m_buffer)) return;
  uint32_t len = static_cast<uint32_t>(std::max(n, 0));
  if (len >= m_capacity) len = m_capacity - 1;
  m_buffer[len] = 0;
  m_length = len;
}

void CString::Allocate(uint32_t n, TAllocateOptions options) {
  if (!m_buffer) initBuff();
  AllocateAndSplit(n, m_length, m_length, options);
}

std::unique_ptr<char16_t[]> CString::Allocate(uint32_t n) {
  if (m_buffer && !isShared(m_buffer) && m_capacity > n) return nullptr;
  return ForceAllocate(n);
}

std::unique_ptr<char16_t[]> CString::ForceAllocate(uint32_t n) {
  const uint32_t size = doubled(n);
  char16_t* fresh = new char16_t[size];
  const uint32_t kept = m_buffer ? std::min(m_length, size - 1) : 0;
  copyUnits(fresh, m_buffer, kept);
  fresh[kept] = 0;
  std::unique_ptr<char16_t[]> old(isShared(m_buffer) ? nullptr : m_buffer);
  m_buffer = fresh;
  m_capacity = size;
  m_length = kept;
  return old;
}

void CString::initBuff() {
  release(m_buffer);
  m_buffer = gSharedEmpty;
  m_capacity = 1;
  m_length = 0;
}

void CString::Deallocate() {
  release(m_buffer);
  m_buffer = nullptr;
  m_capacity = 0;
  m_length = 0;
}

// --- changing the text ------------------------------------------------------

void CString::Insert(const char16_t* p, uint32_t n, uint32_t pos) {
  if (!p) return;
  if (!m_buffer) initBuff();
  std::u16string saved;
  if (Owns(p)) {
    // Inserting (part of) this string: take the units before the gap
    // is opened, so an insert in the middle copies the old text.
    const uint32_t available =
        p < m_buffer + m_length ? static_cast<uint32_t>(m_buffer + m_length - p) : 0;
    if (n == 0 || n > available) n = available;
    saved.assign(p, n);
    p = saved.data();
  } else if (n == 0) {
    n = lengthOf(p);
  }
  if (n == 0) return;
  pos = std::min(pos, m_length);
  const uint64_t newLength = uint64_t(m_length) + n;
  if (newLength >= UINT32_MAX / 2) throw std::length_error("CString: text too long");
  AllocateAndSplit(static_cast<uint32_t>(newLength), pos, pos + n, kAllocateKeepText);
  copyUnits(m_buffer + pos, p, n);
  m_length = static_cast<uint32_t>(newLength);
  m_buffer[m_length] = 0;
}

int32_t CString::Insert(int32_t pos, const char16_t* p) {
  Insert(p, 0, static_cast<uint32_t>(std::max(pos, 0)));
  return GetLength();
}

void CString::Append(const char16_t* p, uint32_t n) {
  Insert(p, n, m_length);
}

CString& CString::operator+=(char16_t ch) {
  Insert(&ch, 1, m_length);
  return *this;
}

CString& CString::operator+=(const char16_t* p) {
  Insert(p, 0, m_length);
  return *this;
}

CString& CString::operator+=(const CString& other) {
  if (other.m_length) Insert(other.m_buffer, other.m_length, m_length);
  return *this;
}

int32_t CString::Delete(int32_t index, int32_t count) {
  const int32_t before = GetLength();
  if (!m_buffer) return before;
  if (index < 0) index = 0;
  if (count < 1 || index >= before) return before;
  count = std::min(count, before - index);
  copyUnits(m_buffer + index, m_buffer + index + count,
            static_cast<size_t>(before - index - count) + 1);
  m_length -= static_cast<uint32_t>(count);
  return before;
}

void CString::Replace(char16_t from, char16_t to) {
  if (from == to || !m_buffer) return;
  for (uint32_t i = 0; i < m_length; ++i)
    if (m_buffer[i] == from) m_buffer[i] = to;
}

void CString::Replace(const char16_t* find, const char16_t* with) {
  if (!m_buffer || !find || !*find) return;
  const uint32_t findLength = lengthOf(find);
  const uint32_t withLength = lengthOf(with);
  std::vector<uint32_t> matches;
  // Only where the first unit stands is the rest compared.
  const char16_t first = find[0];
  for (uint32_t i = 0; i + findLength <= m_length;) {
    const char16_t* at =
        std::char_traits<char16_t>::find(m_buffer + i, m_length - findLength + 1 - i, first);
    if (!at) break;
    i = static_cast<uint32_t>(at - m_buffer);
    if (std::memcmp(at + 1, find + 1, (findLength - 1) * sizeof(char16_t)) == 0) {
      matches.push_back(i);
      i += findLength;
    } else {
      ++i;
    }
  }
  if (matches.empty()) return;
  const uint64_t newLength = uint64_t(m_length) - uint64_t(matches.size()) * findLength +
                             uint64_t(matches.size()) * withLength;
  if (newLength >= UINT32_MAX / 2) throw std::length_error("CString: text too long");
  // One pass into a fresh buffer; find and with may lie in the old one,
  // which is freed only at the end.
  const uint32_t size = doubled(newLength);
  char16_t* fresh = new char16_t[size];
  char16_t* out = fresh;
  uint32_t done = 0;
  for (uint32_t at : matches) {
    copyUnits(out, m_buffer + done, at - done);
    out += at - done;
    copyUnits(out, with, withLength);
    out += withLength;
    done = at + findLength;
  }
  copyUnits(out, m_buffer + done, m_length - done);
  out += m_length - done;
  *out = 0;
  release(m_buffer);
  m_buffer = fresh;
  m_capacity = size;
  m_length = static_cast<uint32_t>(newLength);
}

void CString::MakeLower() {
  if (!m_buffer) return;
  for (uint32_t i = 0; i < m_length; ++i) m_buffer[i] = platform::towlower(m_buffer[i]);
}

void CString::TrimLeft() {
  if (!m_buffer) return;
  uint32_t skip = 0;
  while (skip < m_length && platform::iswspace(m_buffer[skip])) ++skip;
  if (skip == 0) return;
  copyUnits(m_buffer, m_buffer + skip, m_length - skip + 1);
  m_length -= skip;
}

void CString::TrimRight() {
  if (!m_buffer) return;
  int64_t runStart = -1;
  uint32_t i = 0;
  for (; m_buffer[i]; ++i) {
    if (platform::iswspace(m_buffer[i])) {
      if (runStart < 0) runStart = i;
    } else {
      runStart = -1;
    }
  }
  if (runStart >= 0) {
    m_buffer[runStart] = 0;
    m_length = static_cast<uint32_t>(runStart);
  }
}

// --- searching --------------------------------------------------------------

int32_t CString::Find(char16_t ch, int32_t start) const {
  if (!m_buffer || start < 0 || static_cast<uint32_t>(start) > m_length) return -1;
  for (uint32_t i = static_cast<uint32_t>(start); i < m_length; ++i)
    if (m_buffer[i] == ch) return static_cast<int32_t>(i);
  return -1;
}

int32_t CString::Find(const char16_t* s, int32_t start) const {
  if (!m_buffer || !s || start < 0 || static_cast<uint32_t>(start) > m_length) return -1;
  const uint32_t n = lengthOf(s);
  if (n == 0) return start;
  if (n > m_length) return -1;
  // Only where the first unit stands is the rest compared.
  for (uint32_t i = static_cast<uint32_t>(start); i + n <= m_length; ++i) {
    const char16_t* at = std::char_traits<char16_t>::find(m_buffer + i, m_length - n + 1 - i, s[0]);
    if (!at) return -1;
    i = static_cast<uint32_t>(at - m_buffer);
    if (std::memcmp(at + 1, s + 1, (n - 1) * sizeof(char16_t)) == 0) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t CString::ReverseFind(char16_t ch) const {
  if (!m_buffer) return -1;
  for (uint32_t i = m_length; i > 0; --i)
    if (m_buffer[i - 1] == ch) return static_cast<int32_t>(i - 1);
  return -1;
}

int32_t CString::FindOneOf(const char16_t* set) const {
  if (!m_buffer || !set) return -1;
  for (; *set; ++set) {
    const int32_t at = Find(*set, 0);
    if (at >= 0) return at;
  }
  return -1;
}

// --- slicing ----------------------------------------------------------------

CString CString::Left(int32_t n) const {
  CString result;
  if (m_buffer && n > 0)
    result.SetText(m_buffer, std::min(static_cast<uint32_t>(n), m_length), nullptr, 0);
  return result;
}

CString CString::Right(int32_t n) const {
  CString result;
  if (m_buffer && n > 0) {
    const uint32_t count = std::min(static_cast<uint32_t>(n), m_length);
    result.SetText(m_buffer + (m_length - count), count, nullptr, 0);
  }
  return result;
}

CString CString::Mid(int32_t start, int32_t count) const {
  CString result;
  if (!m_buffer || count == 0) return result;
  const uint32_t from = static_cast<uint32_t>(std::max(start, 0));
  if (from >= m_length) return result;
  const uint32_t rest = m_length - from;
  const uint32_t n = count < 0 ? rest : std::min(static_cast<uint32_t>(count), rest);
  result.SetText(m_buffer + from, n, nullptr, 0);
  return result;
}

// --- comparing --------------------------------------------------------------

int CString::Compare(const char16_t* s) const {
  return platform::wcscmp(m_buffer, s);
}

int CString::CompareNoCase(const char16_t* s) const {
  return platform::wcsicmp(m_buffer, s);
}

bool CString::operator==(const CString& other) const {
  return m_length == other.m_length &&
         (m_length == 0 || std::memcmp(m_buffer, other.m_buffer, m_length * sizeof(char16_t)) == 0);
}

bool CString::operator==(const char16_t* s) const {
  if (!s) return !m_buffer;
  if (!m_buffer) return *s == 0;
  uint32_t i = 0;
  for (; i < m_length; ++i)
    if (s[i] != m_buffer[i] || s[i] == 0) return false;
  return s[i] == 0;
}

bool CString::operator==(const uint16_t* s) const {
  if (!s) return m_length == 0;
  uint32_t i = 0;
  for (; i < m_length; ++i)
    if (s[i] != m_buffer[i] || s[i] == 0) return false;
  return s[i] == 0;
}

bool CString::operator==(char16_t ch) const {
  return m_length == 1 && m_buffer[0] == ch;
}

bool CString::operator<(const CString& other) const {
  return platform::wcscmp(m_buffer, other.m_buffer) < 0;
}

bool CString::operator>(const CString& other) const {
  return platform::wcscmp(m_buffer, other.m_buffer) > 0;
}

// --- formatting -------------------------------------------------------------

namespace {

// Far beyond any real format; a larger result still gets its room after
// formatting.
constexpr uint64_t kEstimateLimit = 1u << 24;

}  // namespace

// Walks the format as the formatter will, adding the room each item may
// take. Where the result could still be longer, FormatArgs grows further.
uint32_t CString::FormatEstimate(const char16_t* format, const platform::FormatArg* args,
                                 size_t count) {
  uint64_t estimate = 1;
  if (!format) return 1;
  size_t next = 0;
  auto take = [&]() -> const platform::FormatArg* {
    return next < count ? &args[next++] : nullptr;
  };
  auto takeInt = [&]() -> int64_t {
    const platform::FormatArg* a = take();
    if (!a) return 0;
    if (a->type == platform::FormatArgType::Signed) return a->i;
    if (a->type == platform::FormatArgType::Unsigned)
      return static_cast<int64_t>(std::min<unsigned long long>(a->u, platform::kFormatMaxWidth));
    return 0;
  };
  auto clampWidth = [](int64_t v) -> uint64_t {
    if (v < 0) v = v < -platform::kFormatMaxWidth ? platform::kFormatMaxWidth : -v;
    return static_cast<uint64_t>(std::min<int64_t>(v, platform::kFormatMaxWidth));
  };
  for (size_t i = 0; format[i] && estimate < kEstimateLimit;) {
    if (format[i] != u'%') {
      ++estimate;
      ++i;
      continue;
    }
    if (format[i + 1] == u'%') {
      ++estimate;
      i += 2;
      continue;
    }
    const platform::FormatSpec spec = platform::ParseFormatSpec(format, i + 1);
    i = spec.end;
    estimate += 2u * static_cast<unsigned>(spec.hashes);
    uint64_t width = static_cast<uint64_t>(spec.width);
    for (int n = 0; n < spec.widthStars; ++n) width = clampWidth(takeInt());
    uint64_t precision = static_cast<uint64_t>(spec.precision);
    if (spec.precisionStar) {
      const int64_t p = takeInt();
      precision = p < 0 ? 0 : clampWidth(p);
    }
    uint64_t item = 0;
    switch (spec.conversion) {
      case u'c':
      case u'C':
      case u's':
      case u'S': {
        const platform::FormatArg* a = take();
        if (spec.conversion == u'c' || spec.conversion == u'C') {
          item = 2;
        } else if (a && a->type == platform::FormatArgType::Text && a->s) {
          item = std::max<uint64_t>(platform::wcslen(a->s), 1);
        } else {
          item = 6;  // "(null)"
        }
        // Precision cuts a unit or an unsized text.
        if (precision != 0 && (!spec.sized || spec.conversion == u'c' || spec.conversion == u'C'))
          item = std::min(item, precision);
        break;
      }
      case u'd':
      case u'i':
      case u'u':
      case u'o':
      case u'x':
      case u'X':
      case u'p':
        take();
        item = std::max<uint64_t>(32, width + precision);
        break;
      case u'e':
      case u'E':
      case u'g':
      case u'G':
        take();
        item = std::max<uint64_t>(128, width + precision);
        break;
      case u'f':
        take();
        item = std::max<uint64_t>(128, 312 + precision);
        break;
      case u'n':
        take();
        break;
      case u'%':
        item = 1;
        break;
      default:
        break;
    }
    // A padded item is never shorter than its width.
    if (spec.conversion != u'n') item = std::max(item, width);
    estimate += item;
  }
  return static_cast<uint32_t>(std::min(estimate, kEstimateLimit));
}

void CString::FormatArgs(const char16_t* format, const platform::FormatArg* args, size_t count) {
  // The arguments may point into this string: read them all before the
  // buffer is replaced.
  const uint32_t estimate = FormatEstimate(format, args, count);
  std::u16string text;
  platform::FormatAppend(text, format, args, count);
  AllocateAndSplit(estimate, 0, 0, 0);
  if (text.size() >= UINT32_MAX / 2) throw std::length_error("CString: text too long");
  const uint32_t n = static_cast<uint32_t>(text.size());
  if (n >= m_capacity) AllocateAndSplit(n, 0, 0, 0);
  copyUnits(m_buffer, text.data(), n);
  m_buffer[n] = 0;
  m_length = lengthOf(m_buffer);
}
