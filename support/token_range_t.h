#pragma once

#include <cstring>
#include <string>
#include <utility>

namespace vesko {

using uchar_ptr_t = unsigned char const*;

// A range [first, last) of a caller's bytes.
using token_range_t = std::pair<uchar_ptr_t, uchar_ptr_t>;

inline bool token_range_empty(token_range_t const& x) noexcept {
  return x.first == x.second;
}
inline std::size_t token_range_size(token_range_t const& x) noexcept {
  return std::size_t(x.second - x.first);
}

// The same length and the same bytes.
bool token_range_equal(token_range_t const& x, token_range_t const& y) noexcept;
// Length first: the shorter range orders first; equal lengths compare their
// bytes as unsigned values (so "b" orders before "aa").
bool token_range_less(token_range_t const& x, token_range_t const& y) noexcept;

struct token_range_less_t {
  bool operator()(token_range_t const& x, token_range_t const& y) const noexcept {
    return token_range_less(x, y);
  }
};

// The bytes of a NUL-terminated text, which must outlive the range.
inline token_range_t static_token_range(char const* text) noexcept {
  auto first = reinterpret_cast<uchar_ptr_t>(text);
  return token_range_t(first, first + std::strlen(text));
}

inline std::string token_range_string(token_range_t const& x) {
  return std::string(x.first, x.second);
}

}  // namespace vesko
