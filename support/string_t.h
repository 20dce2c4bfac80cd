#pragma once

#include <cstddef>
#include <string>

#include "support/vector.h"

namespace vesko {
inline namespace version_1 {

// An 8-bit string (UTF-8 by convention, bytes not checked). A non-empty
// string stores its bytes and exactly one terminating NUL; the empty string
// owns no storage at all.
class string_t {
 public:
  using value_type = char;
  using size_type = std::size_t;
  using const_iterator = char const*;

  string_t() noexcept = default;
  string_t(char const* text);  // implicit, like a C text; null is empty
  string_t(char const* text, size_type length);
  explicit string_t(std::string const& text);
  string_t(string_t const&) = default;
  string_t(string_t&&) noexcept = default;

  string_t& operator=(string_t x) noexcept {
    storage_m.swap(x.storage_m);
    return *this;
  }

  void assign(char const* first, char const* last);
  void push_back(char c);

  size_type size() const noexcept { return storage_m.empty() ? 0 : storage_m.size() - 1; }
  size_type length() const noexcept { return size(); }
  size_type capacity() const noexcept {
    return storage_m.capacity() ? storage_m.capacity() - 1 : 0;
  }
  bool empty() const noexcept { return storage_m.empty(); }

  // The bytes and their NUL; a static empty text when there is no storage.
  char const* c_str() const noexcept { return storage_m.empty() ? "" : storage_m.begin(); }
  const_iterator begin() const noexcept { return c_str(); }
  const_iterator end() const noexcept { return c_str() + size(); }

  operator std::string() const { return std::string(begin(), end()); }

  void swap(string_t& x) noexcept { storage_m.swap(x.storage_m); }
  friend void swap(string_t& x, string_t& y) noexcept { x.swap(y); }

  // Equal sizes and equal bytes, terminating NUL included.
  friend bool operator==(string_t const& x, string_t const& y) {
    return x.storage_m == y.storage_m;
  }
  friend bool operator!=(string_t const& x, string_t const& y) { return !(x == y); }

 private:
  vector<char> storage_m;
};

}  // namespace version_1
}  // namespace vesko
