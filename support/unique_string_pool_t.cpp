#include "support/unique_string_pool_t.h"

#include <cstring>
#include <mutex>
#include <set>

#include "support/string_pool_t.h"

namespace vesko {

namespace {

struct str_less_t {
  bool operator()(char const* x, char const* y) const noexcept { return std::strcmp(x, y) < 0; }
};

}  // namespace

struct unique_string_pool_t::implementation_t {
  char const* add(char const* text) {
    if (!text || !*text) return detail::empty_text();
    // The main and the worker thread both make names.
    std::lock_guard<std::mutex> lock(mutex_m);
    auto found = texts_m.find(text);
    if (found != texts_m.end()) return *found;
    char const* copy = pool_m.add(text);
    texts_m.insert(copy);
    return copy;
  }

  // Declared in this order so that the pool goes first, then the set.
  std::set<char const*, str_less_t> texts_m;
  detail::string_pool_t pool_m;
  std::mutex mutex_m;
};

unique_string_pool_t::unique_string_pool_t() : object_m(new implementation_t) {}

unique_string_pool_t::~unique_string_pool_t() {
  delete object_m;
}

char const* unique_string_pool_t::add(char const* text) {
  return object_m->add(text);
}

}  // namespace vesko
