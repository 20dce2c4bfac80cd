#pragma once

#include <string>
#include <typeinfo>

#include "support/type_info_t.h"

namespace vesko {

// Thrown by a cast of a value to a type it doesn't hold.
class bad_cast : public std::bad_cast {
 public:
  bad_cast();
  bad_cast(std::type_info const& from, std::type_info const& to);
  bad_cast(type_info_t const& from, type_info_t const& to);
  bad_cast(bad_cast const& x);
  bad_cast& operator=(bad_cast const& x);
  ~bad_cast() override;

  char const* what() const noexcept override;

 private:
  std::string what_m;
};

}  // namespace vesko
