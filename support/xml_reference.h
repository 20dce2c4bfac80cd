#pragma once

#include <cstddef>

#include "support/token_range_t.h"

namespace vesko {
namespace implementation {

// The text a reference stands for, as UTF-8 in storage that lives until the
// process ends: "&#65;" and "&#x41;" give "A", "&euro;" the euro sign. A
// reference that names no character (an unknown name, zero, a surrogate, a
// value beyond U+10FFFF) gives an empty range.
token_range_t transform_reference(token_range_t const& reference);

// The number of named references known.
std::size_t entity_count();

}  // namespace implementation
}  // namespace vesko
