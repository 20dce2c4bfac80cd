#include "support/type_info_t.h"

#include <cstring>
#include <functional>
#include <ostream>

namespace vesko {

namespace implementation {

namespace {

std::size_t parameter_count(type_instance_t const& x) noexcept {
  std::size_t n = 0;
  while (n != type_instance_t::parameter_slots + 1 && x.parameter_m[n]) ++n;
  return n;
}

void print(type_instance_t const& x, std::string& out) {
  if (x.type_info_m) {
    out += x.type_info_m->name();
    return;
  }
  out += x.name_m;
  std::size_t n = parameter_count(x);
  if (n == 0) return;
  out += '<';
  for (std::size_t i = 0; i != n; ++i) {
    if (i) out += ',';
    print(*x.parameter_m[i], out);
  }
  out += '>';
}

}  // namespace

bool type_instance_t::requires_std_rtti() const noexcept {
  if (type_info_m) return true;
  for (std::size_t i = 0, n = parameter_count(*this); i != n; ++i)
    if (parameter_m[i]->requires_std_rtti()) return true;
  return false;
}

bool operator==(type_instance_t const& x, type_instance_t const& y) noexcept {
  if (&x == &y) return true;
  if (x.type_info_m) return y.type_info_m && x.type_info_m->name() == y.type_info_m->name();
  if (y.type_info_m) return false;
  if (std::strcmp(x.name_m, y.name_m) != 0) return false;
  std::size_t n = parameter_count(x);
  if (n != parameter_count(y)) return false;
  for (std::size_t i = 0; i != n; ++i)
    if (!(*x.parameter_m[i] == *y.parameter_m[i])) return false;
  return true;
}

bool before(type_instance_t const& x, type_instance_t const& y) noexcept {
  if (x.type_info_m && y.type_info_m)
    return std::less<char const*>()(x.type_info_m->name(), y.type_info_m->name());
  if (x.type_info_m || y.type_info_m) return !x.type_info_m;  // portable descriptions first
  int c = std::strcmp(x.name_m, y.name_m);
  if (c != 0) return c < 0;
  std::size_t nx = parameter_count(x);
  std::size_t ny = parameter_count(y);
  for (std::size_t i = 0; i != nx && i != ny; ++i) {
    if (before(*x.parameter_m[i], *y.parameter_m[i])) return true;
    if (before(*y.parameter_m[i], *x.parameter_m[i])) return false;
  }
  return nx < ny;
}

std::ostream& operator<<(std::ostream& out, type_instance_t const& x) {
  std::string text;
  print(x, text);
  return out << text;
}

void serialize(type_instance_t const& x, std::string& out) {
  print(x, out);
}

}  // namespace implementation

inline namespace version_1 {

char const* type_info_t::name() const noexcept {
  return identity_m->type_info_m ? identity_m->type_info_m->name() : identity_m->name_m;
}

std::ostream& operator<<(std::ostream& out, type_info_t const& x) {
  return out << *x.identity_m;
}

void serialize(type_info_t const& x, std::string& out) {
  implementation::serialize(x.instance(), out);
}

implementation::type_instance_t const type_info_maker_t<string_t>::value = {
    nullptr, "string_t:version_1:vesko", {}};
implementation::type_instance_t const type_info_maker_t<name_t>::value = {
    nullptr, "name_t:version_1:vesko", {}};
implementation::type_instance_t const type_info_maker_t<empty_t>::value = {
    nullptr, "empty_t:version_1:vesko", {}};
implementation::type_instance_t const type_info_maker_t<double>::value = {nullptr, "double", {}};

}  // namespace version_1
}  // namespace vesko
