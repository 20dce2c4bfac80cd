#include "support/name_t.h"

#include <atomic>

#include "support/string_pool_t.h"
#include "support/unique_string_pool_t.h"
#include "support/vesko_assert.h"

namespace vesko {

namespace {

std::atomic<bool> pool_created_g{false};

char const* unique_string(char const* text) {
  if (!text || !*text) return detail::empty_text();
  static unique_string_pool_t pool;  // made once, on first use; freed at exit
  pool_created_g.store(true, std::memory_order_relaxed);
  return pool.add(text);
}

}  // namespace

bool detail::name_pool_created() noexcept {
  return pool_created_g.load(std::memory_order_relaxed);
}

inline namespace version_1 {

name_t::name_t() noexcept : name_m(detail::empty_text()) {}

name_t::name_t(char const* text) : name_m(unique_string(text)) {}

name_t::name_t(char const* text, dont_copy_t) : name_m(text) {
  VESKO_ASSERT(text != nullptr, "text != 0");
}

}  // namespace version_1
}  // namespace vesko
