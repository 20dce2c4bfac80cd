#include "support/token_range_t.h"

namespace vesko {

bool token_range_equal(token_range_t const& x, token_range_t const& y) noexcept {
  std::size_t size = token_range_size(x);
  return size == token_range_size(y) && (size == 0 || std::memcmp(x.first, y.first, size) == 0);
}

bool token_range_less(token_range_t const& x, token_range_t const& y) noexcept {
  std::size_t x_size = token_range_size(x), y_size = token_range_size(y);
  if (x_size != y_size) return x_size < y_size;
  // memcmp compares as unsigned char.
  return x_size != 0 && std::memcmp(x.first, y.first, x_size) < 0;
}

}  // namespace vesko
