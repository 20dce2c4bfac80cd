#pragma once

// Conversions between UTF-8, UTF-16 and UTF-32 code points.
//
// Inputs are ranges of bytes (char) or of UTF-16 units (char16_t); outputs
// are appended through an output iterator and never cleared. Malformed input
// throws std::runtime_error with a message beginning "unicode:"; whatever was
// appended before the error stays in the output.
//
// The definitions live in Unicode.cpp and are instantiated there for:
//   inputs   const char*, char*, std::string::const_iterator,
//            std::string::iterator, and the same four for char16_t and
//            std::u16string;
//   outputs  std::back_insert_iterator of std::string and of std::u16string.
// Another iterator type needs a line in Unicode.cpp.

#include <cstddef>
#include <cstdint>

namespace vesko {
namespace implementation {

// Reading an N-byte UTF-8 sequence (N from 2 to 6). With the lead byte: from
// the lead byte on, advancing first past the sequence. Without it: the N - 1
// continuation bytes, each adding 6 bits below `value`. Continuation bytes
// are taken with their top bit cleared and not otherwise checked.
template <std::size_t N, bool Lead>
struct promotion_engine_t;

template <std::size_t N>
struct promotion_engine_t<N, true> {
  template <class I>
  std::uint32_t operator()(I& first, I last) const;
};

template <std::size_t N>
struct promotion_engine_t<N, false> {
  template <class I>
  std::uint32_t operator()(I& first, I last, std::uint32_t value) const;
};

// Writing an N-byte UTF-8 sequence. With the lead byte: the whole sequence.
// Without it: only the N - 1 continuation bytes (0x80 and 6 bits each).
template <std::size_t N, bool Lead>
struct demotion_engine_t {
  template <class O>
  O operator()(std::uint32_t code_point, O out) const;
};

// Decodes one code point starting at first and returns the position behind
// it; at the end of the range nothing is read. Over bytes (UTF-8) or over
// UTF-16 units, by the iterator's value type.
template <class I>
I to_utf32(I first, I last, std::uint32_t& code_point);

}  // namespace implementation

// Appends one code point: UTF-8 in the classic forms of up to six bytes;
// UTF-16 as one unit or a surrogate pair, and U+FFFD for a value beyond
// U+10FFFF, which no pair can carry.
template <class O>
O to_utf8(std::uint32_t code_point, O out);
template <class O>
O to_utf16(std::uint32_t code_point, O out);

// Whole ranges: UTF-16 to UTF-8, and UTF-8 to UTF-16.
template <class I, class O>
O to_utf8(I first, I last, O out);
template <class I, class O>
O to_utf16(I first, I last, O out);

}  // namespace vesko
