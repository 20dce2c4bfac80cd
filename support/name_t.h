#pragma once

#include <cstring>

namespace vesko {
inline namespace version_1 {

// Tag: hold the text itself, without interning it.
struct dont_copy_t {};

// An interned name: one pointer to a text that lives until the process ends.
// Equal texts give the same pointer, so names compare and copy cheaply.
class name_t {
 public:
  name_t() noexcept;
  explicit name_t(char const* text);
  // The text must outlive the name and not be null.
  name_t(char const* text, dont_copy_t);

  char const* c_str() const noexcept { return name_m; }
  bool empty() const noexcept { return *name_m == '\0'; }
  explicit operator bool() const noexcept { return !empty(); }

  // By pointer, falling back to the text for names made with dont_copy_t.
  friend bool operator==(name_t const& x, name_t const& y) noexcept {
    return x.name_m == y.name_m || std::strcmp(x.name_m, y.name_m) == 0;
  }
  friend bool operator!=(name_t const& x, name_t const& y) noexcept { return !(x == y); }
  friend bool operator<(name_t const& x, name_t const& y) noexcept {
    return std::strcmp(x.name_m, y.name_m) < 0;
  }
  friend bool operator>(name_t const& x, name_t const& y) noexcept { return y < x; }
  friend bool operator<=(name_t const& x, name_t const& y) noexcept { return !(y < x); }
  friend bool operator>=(name_t const& x, name_t const& y) noexcept { return !(x < y); }

 private:
  char const* name_m;
};

}  // namespace version_1

namespace detail {
// Whether the process-wide name pool exists yet (it is made on first use).
bool name_pool_created() noexcept;
}  // namespace detail

}  // namespace vesko
