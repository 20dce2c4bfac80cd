#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <typeinfo>

namespace vesko {

namespace implementation {

// A portable description of a type: the compiler's record, or a portable
// name with the descriptions of its parameters.
struct type_instance_t {
  static constexpr std::size_t parameter_slots = 4;

  std::type_info const* type_info_m;  // null when the portable name is used
  char const* name_m;
  // Ended by the first null entry (or by the end of the array).
  type_instance_t const* parameter_m[parameter_slots + 1];

  bool requires_std_rtti() const noexcept;
};

bool operator==(type_instance_t const& x, type_instance_t const& y) noexcept;
inline bool operator!=(type_instance_t const& x, type_instance_t const& y) noexcept {
  return !(x == y);
}
bool before(type_instance_t const& x, type_instance_t const& y) noexcept;
std::ostream& operator<<(std::ostream& out, type_instance_t const& x);
// Appends the printed form to out.
void serialize(type_instance_t const& x, std::string& out);

}  // namespace implementation

inline namespace version_1 {

class string_t;
class name_t;
struct empty_t;

class type_info_t {
 public:
  explicit type_info_t(implementation::type_instance_t const& x) noexcept : identity_m(&x) {}

  // The compiler's name when there is a platform record, else the portable name.
  char const* name() const noexcept;
  bool before(type_info_t const& x) const noexcept {
    return implementation::before(*identity_m, *x.identity_m);
  }
  bool requires_std_rtti() const noexcept { return identity_m->requires_std_rtti(); }
  implementation::type_instance_t const& instance() const noexcept { return *identity_m; }

  friend bool operator==(type_info_t const& x, type_info_t const& y) noexcept {
    return *x.identity_m == *y.identity_m;
  }
  friend bool operator!=(type_info_t const& x, type_info_t const& y) noexcept { return !(x == y); }
  friend std::ostream& operator<<(std::ostream& out, type_info_t const& x);

 private:
  implementation::type_instance_t const* identity_m;
};

void serialize(type_info_t const& x, std::string& out);

// One static description per held type of any_regular_t.
template <typename T>
struct type_info_maker_t;

template <>
struct type_info_maker_t<string_t> {
  static implementation::type_instance_t const value;
};
template <>
struct type_info_maker_t<name_t> {
  static implementation::type_instance_t const value;
};
template <>
struct type_info_maker_t<empty_t> {
  static implementation::type_instance_t const value;
};
template <>
struct type_info_maker_t<double> {
  static implementation::type_instance_t const value;
};

template <typename T>
type_info_t type_info() noexcept {
  return type_info_t(type_info_maker_t<T>::value);
}

}  // namespace version_1
}  // namespace vesko
