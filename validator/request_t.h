#pragma once

#include "support/any_regular_t.h"
#include "support/name_t.h"
#include "support/vector.h"

namespace nimbrel {

// A named message with its arguments, between Nimbrel and its component.
struct request_t {
  vesko::name_t name;
  vesko::vector<vesko::any_regular_t> arguments;
};

}  // namespace nimbrel
