#include "support/Unicode.h"

#include <iterator>
#include <stdexcept>
#include <string>

namespace vesko {
namespace implementation {

namespace {

// Lead-byte marker and payload mask of an N-byte sequence.
constexpr unsigned char kLeadMarker[7] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
constexpr unsigned char kLeadPayload[7] = {0, 0, 0x1F, 0x0F, 0x07, 0x03, 0x01};

[[noreturn]] void fail(const char* message) {
  throw std::runtime_error(message);
}

}  // namespace

template <std::size_t N>
template <class I>
std::uint32_t promotion_engine_t<N, true>::operator()(I& first, I last) const {
  static_assert(N >= 2 && N <= 6);
  if (first == last) fail("unicode: utf32 conversion ran out of input");
  const std::uint32_t lead = static_cast<unsigned char>(*first) & kLeadPayload[N];
  ++first;
  return promotion_engine_t<N, false>()(first, last, lead);
}

template <std::size_t N>
template <class I>
std::uint32_t promotion_engine_t<N, false>::operator()(I& first, I last,
                                                       std::uint32_t value) const {
  static_assert(N >= 2 && N <= 6);
  for (std::size_t i = 1; i < N; ++i) {
    if (first == last) fail("unicode: utf32 conversion ran out of input");
    value = (value << 6) | (static_cast<unsigned char>(*first) & 0x7F);
    ++first;
  }
  return value;
}

template <std::size_t N, bool Lead>
template <class O>
O demotion_engine_t<N, Lead>::operator()(std::uint32_t code_point, O out) const {
  static_assert(N >= 2 && N <= 6);
  if constexpr (Lead) {
    // Six bytes carry 31 bits; the lead byte never leaves its form.
    *out++ = static_cast<char>(kLeadMarker[N] | ((code_point >> (6 * (N - 1))) & kLeadPayload[N]));
  }
  for (std::size_t i = N - 1; i > 0; --i)
    *out++ = static_cast<char>(0x80 | ((code_point >> (6 * (i - 1))) & 0x3F));
  return out;
}

namespace {

template <class I>
I utf8ToUtf32(I first, I last, std::uint32_t& code_point) {
  if (first == last) return first;
  const unsigned char lead = static_cast<unsigned char>(*first);
  if (lead < 0x80) {
    code_point = lead;
    return ++first;
  }
  if (lead < 0xC0) fail("unicode: ill-defined utf8 (< 192)");
  if (lead >= 0xFE) fail("unicode: ill-defined utf8 (>= 254)");
  if (lead < 0xE0)
    code_point = promotion_engine_t<2, true>()(first, last);
  else if (lead < 0xF0)
    code_point = promotion_engine_t<3, true>()(first, last);
  else if (lead < 0xF8)
    code_point = promotion_engine_t<4, true>()(first, last);
  else if (lead < 0xFC)
    code_point = promotion_engine_t<5, true>()(first, last);
  else
    code_point = promotion_engine_t<6, true>()(first, last);
  return first;
}

template <class I>
I utf16ToUtf32(I first, I last, std::uint32_t& code_point) {
  if (first == last) return first;
  const std::uint32_t unit = static_cast<char16_t>(*first);
  ++first;
  if (unit < 0xD800 || unit > 0xDFFF) {
    code_point = unit;
    return first;
  }
  if (unit >= 0xDC00) fail("unicode: utf16 low surrogate found without high surrogate");
  if (first == last) fail("unicode: utf16 high surrogate found without low surrogate");
  const std::uint32_t low = static_cast<char16_t>(*first);
  if (low < 0xDC00 || low > 0xDFFF)
    fail("unicode: utf16 high surrogate found without low surrogate");
  ++first;
  code_point = 0x10000 + (unit - 0xD800) * 0x400 + (low - 0xDC00);
  return first;
}

}  // namespace

template <class I>
I to_utf32(I first, I last, std::uint32_t& code_point) {
  using Value = typename std::iterator_traits<I>::value_type;
  if constexpr (sizeof(Value) == 1)
    return utf8ToUtf32(first, last, code_point);
  else
    return utf16ToUtf32(first, last, code_point);
}

}  // namespace implementation

template <class O>
O to_utf8(std::uint32_t c, O out) {
  using namespace implementation;
  if (c <= 0x7F) {
    *out++ = static_cast<char>(c);
    return out;
  }
  if (c <= 0x7FF) return demotion_engine_t<2, true>()(c, out);
  if (c <= 0xFFFF) return demotion_engine_t<3, true>()(c, out);
  if (c <= 0x1FFFFF) return demotion_engine_t<4, true>()(c, out);
  if (c <= 0x3FFFFFF) return demotion_engine_t<5, true>()(c, out);
  return demotion_engine_t<6, true>()(c, out);
}

template <class O>
O to_utf16(std::uint32_t c, O out) {
  if (c <= 0xFFFF) {
    *out++ = static_cast<char16_t>(c);
  } else if (c <= 0x10FFFF) {
    *out++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    *out++ = char16_t(0xFFFD);
  }
  return out;
}

template <class I, class O>
O to_utf8(I first, I last, O out) {
  while (first != last) {
    std::uint32_t c = 0;
    first = implementation::to_utf32(first, last, c);
    out = to_utf8(c, out);
  }
  return out;
}

template <class I, class O>
O to_utf16(I first, I last, O out) {
  while (first != last) {
    std::uint32_t c = 0;
    first = implementation::to_utf32(first, last, c);
    out = to_utf16(c, out);
  }
  return out;
}

// --- the instances the program uses ----------------------------------------

using Out8 = std::back_insert_iterator<std::string>;
using Out16 = std::back_insert_iterator<std::u16string>;

#define VESKO_UNICODE_INPUT8(I)                                                                \
  template I implementation::to_utf32<I>(I, I, std::uint32_t&);                                \
  template Out16 to_utf16<I, Out16>(I, I, Out16);                                              \
  template std::uint32_t implementation::promotion_engine_t<2, true>::operator()(I&, I) const; \
  template std::uint32_t implementation::promotion_engine_t<3, true>::operator()(I&, I) const; \
  template std::uint32_t implementation::promotion_engine_t<4, true>::operator()(I&, I) const; \
  template std::uint32_t implementation::promotion_engine_t<5, true>::operator()(I&, I) const; \
  template std::uint32_t implementation::promotion_engine_t<6, true>::operator()(I&, I) const; \
  template std::uint32_t implementation::promotion_engine_t<2, false>::operator()(             \
      I&, I, std::uint32_t) const;                                                             \
  template std::uint32_t implementation::promotion_engine_t<3, false>::operator()(             \
      I&, I, std::uint32_t) const;                                                             \
  template std::uint32_t implementation::promotion_engine_t<4, false>::operator()(             \
      I&, I, std::uint32_t) const;                                                             \
  template std::uint32_t implementation::promotion_engine_t<5, false>::operator()(             \
      I&, I, std::uint32_t) const;                                                             \
  template std::uint32_t implementation::promotion_engine_t<6, false>::operator()(             \
      I&, I, std::uint32_t) const;

#define VESKO_UNICODE_INPUT16(I)                                \
  template I implementation::to_utf32<I>(I, I, std::uint32_t&); \
  template Out8 to_utf8<I, Out8>(I, I, Out8);

#define VESKO_UNICODE_OUTPUT8(O)                                                              \
  template O to_utf8<O>(std::uint32_t, O);                                                    \
  template O implementation::demotion_engine_t<2, true>::operator()(std::uint32_t, O) const;  \
  template O implementation::demotion_engine_t<3, true>::operator()(std::uint32_t, O) const;  \
  template O implementation::demotion_engine_t<4, true>::operator()(std::uint32_t, O) const;  \
  template O implementation::demotion_engine_t<5, true>::operator()(std::uint32_t, O) const;  \
  template O implementation::demotion_engine_t<6, true>::operator()(std::uint32_t, O) const;  \
  template O implementation::demotion_engine_t<2, false>::operator()(std::uint32_t, O) const; \
  template O implementation::demotion_engine_t<3, false>::operator()(std::uint32_t, O) const; \
  template O implementation::demotion_engine_t<4, false>::operator()(std::uint32_t, O) const; \
  template O implementation::demotion_engine_t<5, false>::operator()(std::uint32_t, O) const; \
  template O implementation::demotion_engine_t<6, false>::operator()(std::uint32_t, O) const;

using ConstChars = const char*;
using Chars = char*;
using ConstUnits = const char16_t*;
using Units = char16_t*;

VESKO_UNICODE_INPUT8(ConstChars)
VESKO_UNICODE_INPUT8(Chars)
VESKO_UNICODE_INPUT8(std::string::const_iterator)
VESKO_UNICODE_INPUT8(std::string::iterator)
VESKO_UNICODE_INPUT16(ConstUnits)
VESKO_UNICODE_INPUT16(Units)
VESKO_UNICODE_INPUT16(std::u16string::const_iterator)
VESKO_UNICODE_INPUT16(std::u16string::iterator)
VESKO_UNICODE_OUTPUT8(Out8)
template Out16 to_utf16<Out16>(std::uint32_t, Out16);

}  // namespace vesko
