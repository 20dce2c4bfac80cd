#pragma once

#include <map>
#include <utility>

#include "support/attribute_set_t.h"
#include "support/line_position_t.h"
#include "support/string_pool_t.h"
#include "support/token_range_t.h"

namespace vesko {
namespace implementation {

// The xstring glossary: every known variant of every id, and the context
// (platform and language) that lookups are matched against.
struct context_frame_t {
  using element_t = std::pair<attribute_set_t, token_range_t>;  // attributes, content
  using glossary_t = std::multimap<token_range_t, element_t, token_range_less_t>;
  using const_iterator = glossary_t::const_iterator;
  using range_t = std::pair<const_iterator, const_iterator>;

  context_frame_t();
  context_frame_t(context_frame_t const&) = delete;
  context_frame_t& operator=(context_frame_t const&) = delete;

  // Adds a variant behind those of its id, unless one with an equal
  // attribute set is there already; returns the entry kept. With copy, the
  // bytes are copied into the frame first, else they must outlive it.
  glossary_t::value_type const& store(token_range_t const& id, attribute_set_t const& attributes,
                                      token_range_t const& content, bool copy);

  range_t range_for_key(token_range_t const& id) const;
  bool exact_match_exists(attribute_set_t const& attributes, token_range_t const& content) const;
  // The entry agreeing with the lookup set on the most attributes; the end of the
  // glossary when none agrees. A tie for the best throws std::runtime_error.
  const_iterator closest_match(range_t range, attribute_set_t const& lookup) const;
  // The same bytes, kept by the frame.
  token_range_t clone(token_range_t const& range);

  line_position_t parse_info_m;
  attribute_set_t attribute_set_m;  // the context: platform and lang
  glossary_t glossary_m;
  // Copied entries may hold any bytes, NUL included, so they go to a plain
  // block pool; it only grows.
  detail::string_pool_t pool_m;
};

// The one frame of the process, made on first use.
context_frame_t& top_frame();

}  // namespace implementation
}  // namespace vesko
