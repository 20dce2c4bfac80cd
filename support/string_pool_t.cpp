#include "support/string_pool_t.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace vesko {
namespace detail {

char const* empty_text() noexcept {
  static char const empty[1] = {'\0'};
  return empty;
}

string_pool_t::string_pool_t(std::size_t block_size) : block_size_m(block_size) {}

string_pool_t::~string_pool_t() {
  for (char* block : blocks_m) delete[] block;
}

char* string_pool_t::add(char const* text) {
  std::size_t length = std::strlen(text);
  char* result = allocate(length);
  std::memcpy(result, text, length);
  return result;
}

char* string_pool_t::allocate(std::size_t n) {
  if (n == std::numeric_limits<std::size_t>::max()) throw std::bad_alloc();
  std::size_t needed = n + 1;
  if (needed > available()) {
    std::size_t size = std::max(block_size_m, needed);
    std::unique_ptr<char[]> block(new char[size]);
    blocks_m.push_back(block.get());  // may throw; the block is still ours then
    next_m = block.release();
    end_m = next_m + size;
  }
  char* result = next_m;
  result[n] = '\0';
  next_m += needed;
  return result;
}

}  // namespace detail
}  // namespace vesko
