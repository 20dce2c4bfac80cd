#include "support/any_regular_t.h"

#include <new>
#include <utility>

#include "support/bad_cast.h"
#include "support/vector_impl.h"

namespace vesko {

namespace implementation {

template <typename T>
struct any_regular_model_local {
  static_assert(sizeof(T) <= sizeof(double) && alignof(T) <= alignof(double), "held in place");

  static T& object(any_regular_t& x) noexcept {
    return *std::launder(reinterpret_cast<T*>(x.storage_m));
  }
  static T const& object(any_regular_t const& x) noexcept {
    return *std::launder(reinterpret_cast<T const*>(x.storage_m));
  }

  template <typename... Args>
  static void construct(any_regular_t& destination, Args&&... args) {
    ::new (static_cast<void*>(destination.storage_m)) T(std::forward<Args>(args)...);
    destination.vtable_m = &vtable_s;
  }

  static void destruct(any_regular_t& x) { object(x).~T(); }
  static type_info_t type_info(any_regular_t const&) { return vesko::type_info<T>(); }
  static void clone(any_regular_t const& x, any_regular_t& d) { construct(d, object(x)); }
  static void move_clone(any_regular_t& x, any_regular_t& d) { construct(d, std::move(object(x))); }
  static void assign(any_regular_t& d, any_regular_t const& x) { object(d) = object(x); }
  static bool equals(any_regular_t const& x, any_regular_t const& y) {
    return object(x) == object(y);
  }
  static void exchange(any_regular_t& x, any_regular_t& y) {
    using std::swap;
    swap(object(x), object(y));
  }

  static any_regular_vtable_t const vtable_s;
};

template <typename T>
any_regular_vtable_t const any_regular_model_local<T>::vtable_s = {
    1, &destruct, &type_info, &clone, &move_clone, &assign, &equals, &exchange};

}  // namespace implementation

inline namespace version_1 {

namespace {

template <typename T>
using model = implementation::any_regular_model_local<T>;

}  // namespace

any_regular_t::any_regular_t() noexcept {
  model<empty_t>::construct(*this);
}
any_regular_t::any_regular_t(empty_t) noexcept {
  model<empty_t>::construct(*this);
}
any_regular_t::any_regular_t(double x) noexcept {
  model<double>::construct(*this, x);
}
any_regular_t::any_regular_t(name_t x) noexcept {
  model<name_t>::construct(*this, x);
}
any_regular_t::any_regular_t(string_t x) noexcept {
  model<string_t>::construct(*this, std::move(x));
}
any_regular_t::any_regular_t(char const* text) {
  model<string_t>::construct(*this, string_t(text));
}
any_regular_t::any_regular_t(std::string const& text) {
  model<string_t>::construct(*this, string_t(text));
}

any_regular_t::any_regular_t(any_regular_t const& x) {
  x.vtable_m->clone(x, *this);
}
any_regular_t::any_regular_t(any_regular_t&& x) noexcept {
  x.vtable_m->move_clone(x, *this);
}
any_regular_t::~any_regular_t() {
  vtable_m->destruct(*this);
}

any_regular_t& any_regular_t::operator=(any_regular_t x) noexcept {
  vtable_m->destruct(*this);
  x.vtable_m->move_clone(x, *this);
  return *this;
}

bool operator==(any_regular_t const& x, any_regular_t const& y) {
  return x.type_info() == y.type_info() && x.vtable_m->equals(x, y);
}

void swap(any_regular_t& x, any_regular_t& y) noexcept {
  if (x.vtable_m == y.vtable_m) {
    x.vtable_m->exchange(x, y);
    return;
  }
  any_regular_t t(std::move(x));
  x = std::move(y);
  y = std::move(t);
}

template <typename T>
T& any_regular_t::helper<T>::cast(any_regular_t& x) {
  type_info_t wanted = vesko::type_info<T>();
  if (x.type_info() != wanted) throw bad_cast(x.type_info(), wanted);
  return model<T>::object(x);
}

template <typename T>
T const& any_regular_t::helper<T>::cast(any_regular_t const& x) {
  type_info_t wanted = vesko::type_info<T>();
  if (x.type_info() != wanted) throw bad_cast(x.type_info(), wanted);
  return model<T>::object(x);
}

template struct any_regular_t::helper<string_t>;
template struct any_regular_t::helper<name_t>;
template struct any_regular_t::helper<empty_t>;
template struct any_regular_t::helper<double>;

template class vector<any_regular_t>;
template bool operator==(vector<any_regular_t> const&, vector<any_regular_t> const&);

}  // namespace version_1
}  // namespace vesko
