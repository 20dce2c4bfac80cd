#pragma once

#include <cstddef>

#include "support/vector.h"

namespace vesko {
inline namespace version_1 {

// A 16-bit string of UTF-16 code units, stored like string_t: the units and
// one terminating 0 unit when non-empty, no storage when empty.
class string16_t {
 public:
  using value_type = char16_t;
  using size_type = std::size_t;
  using const_iterator = char16_t const*;

  string16_t() noexcept = default;
  string16_t(char16_t const* text);  // implicit, like a C text; null is empty
  string16_t(char16_t const* text, size_type length);
  string16_t(string16_t const&) = default;
  string16_t(string16_t&&) noexcept = default;

  string16_t& operator=(string16_t x) noexcept {
    storage_m.swap(x.storage_m);
    return *this;
  }

  void assign(char16_t const* first, char16_t const* last);
  void append(char16_t const* text);
  void append(char16_t const* first, char16_t const* last);
  void push_back(char16_t unit);

  size_type size() const noexcept { return storage_m.empty() ? 0 : storage_m.size() - 1; }
  size_type length() const noexcept { return size(); }
  size_type capacity() const noexcept {
    return storage_m.capacity() ? storage_m.capacity() - 1 : 0;
  }
  bool empty() const noexcept { return storage_m.empty(); }

  char16_t const* c_str() const noexcept { return storage_m.empty() ? u"" : storage_m.begin(); }
  const_iterator begin() const noexcept { return c_str(); }
  const_iterator end() const noexcept { return c_str() + size(); }

  void swap(string16_t& x) noexcept { storage_m.swap(x.storage_m); }
  friend void swap(string16_t& x, string16_t& y) noexcept { x.swap(y); }

  friend bool operator==(string16_t const& x, string16_t const& y) {
    return x.storage_m == y.storage_m;
  }
  friend bool operator!=(string16_t const& x, string16_t const& y) { return !(x == y); }

 private:
  vector<char16_t> storage_m;
};

}  // namespace version_1
}  // namespace vesko
