#include "support/bad_cast.h"

namespace vesko {

bad_cast::bad_cast() : what_m("bad_cast") {}

bad_cast::bad_cast(std::type_info const& from, std::type_info const& to)
    : what_m(std::string("bad_cast: ") + from.name() + " -> " + to.name()) {}

bad_cast::bad_cast(type_info_t const& from, type_info_t const& to) : what_m("bad_cast: ") {
  serialize(from, what_m);
  what_m += " -> ";
  serialize(to, what_m);
}

bad_cast::bad_cast(bad_cast const& x) : std::bad_cast(x), what_m(x.what_m) {}

bad_cast& bad_cast::operator=(bad_cast const& x) {
  what_m = x.what_m;
  return *this;
}

bad_cast::~bad_cast() = default;

char const* bad_cast::what() const noexcept {
  return what_m.c_str();
}

}  // namespace vesko
