#pragma once

#include <string>

#include "support/empty_t.h"
#include "support/name_t.h"
#include "support/string_t.h"
#include "support/type_info_t.h"
#include "support/vector.h"

namespace vesko {
inline namespace version_1 {
class any_regular_t;
}

namespace implementation {

// The interface table of a held type.
struct any_regular_vtable_t {
  int version;  // 1
  void (*destruct)(any_regular_t& x);
  type_info_t (*type_info)(any_regular_t const& x);
  void (*clone)(any_regular_t const& x, any_regular_t& destination);   // destination is raw
  void (*move_clone)(any_regular_t& x, any_regular_t& destination);    // destination is raw
  void (*assign)(any_regular_t& destination, any_regular_t const& x);  // same held type
  bool (*equals)(any_regular_t const& x, any_regular_t const& y);      // same held type
  void (*exchange)(any_regular_t& x, any_regular_t& y);                // same held type
};

template <typename T>
struct any_regular_model_local;

}  // namespace implementation

inline namespace version_1 {

// A regular value of one of the held types string_t, name_t, empty_t and
// double, kept in place behind its type's interface table.
class any_regular_t {
 public:
  any_regular_t() noexcept;  // holds empty_t
  explicit any_regular_t(empty_t) noexcept;
  explicit any_regular_t(double x) noexcept;
  explicit any_regular_t(name_t x) noexcept;
  explicit any_regular_t(string_t x) noexcept;
  explicit any_regular_t(char const* text);
  explicit any_regular_t(std::string const& text);
  any_regular_t(any_regular_t const& x);
  any_regular_t(any_regular_t&& x) noexcept;
  ~any_regular_t();

  any_regular_t& operator=(any_regular_t x) noexcept;

  type_info_t type_info() const { return vtable_m->type_info(*this); }

  // Throw vesko::bad_cast when the value holds another type.
  template <typename T>
  struct helper {
    static T& cast(any_regular_t& x);
    static T const& cast(any_regular_t const& x);
  };
  template <typename T>
  T& cast() {
    return helper<T>::cast(*this);
  }
  template <typename T>
  T const& cast() const {
    return helper<T>::cast(*this);
  }

  friend bool operator==(any_regular_t const& x, any_regular_t const& y);
  friend bool operator!=(any_regular_t const& x, any_regular_t const& y) { return !(x == y); }
  friend void swap(any_regular_t& x, any_regular_t& y) noexcept;

 private:
  template <typename T>
  friend struct implementation::any_regular_model_local;

  implementation::any_regular_vtable_t const* vtable_m;
  alignas(double) unsigned char storage_m[sizeof(double)];
};

extern template struct any_regular_t::helper<string_t>;
extern template struct any_regular_t::helper<name_t>;
extern template struct any_regular_t::helper<empty_t>;
extern template struct any_regular_t::helper<double>;

extern template class vector<any_regular_t>;
extern template bool operator==(vector<any_regular_t> const&, vector<any_regular_t> const&);

}  // namespace version_1
}  // namespace vesko
