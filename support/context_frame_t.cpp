#include "support/context_frame_t.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "support/vesko_assert.h"

namespace vesko {
namespace implementation {

context_frame_t::context_frame_t() : parse_info_m("xstring context_frame_t", 0) {
  attribute_set_m.insert({static_token_range("platform"), static_token_range("macintosh")});
  attribute_set_m.insert({static_token_range("lang"), static_token_range("en-us")});
}

context_frame_t::glossary_t::value_type const& context_frame_t::store(
    token_range_t const& id, attribute_set_t const& attributes, token_range_t const& content,
    bool copy) {
  VESKO_ASSERT(!token_range_empty(id), "size(key)");
  range_t same_id = range_for_key(id);
  for (const_iterator entry = same_id.first; entry != same_id.second; ++entry) {
    if (entry->second.first == attributes) return *entry;
  }
  if (!copy) return *glossary_m.emplace(id, element_t(attributes, content));

  attribute_set_t copied;
  for (attribute_set_t::value_type const& attribute : attributes) {
    copied.insert(attribute_set_t::value_type(clone(attribute.first), clone(attribute.second)));
  }
  // multimap insertion goes behind the entries of an equal key.
  return *glossary_m.emplace(clone(id), element_t(copied, clone(content)));
}

context_frame_t::range_t context_frame_t::range_for_key(token_range_t const& id) const {
  return glossary_m.equal_range(id);
}

bool context_frame_t::exact_match_exists(attribute_set_t const& attributes,
                                         token_range_t const&) const {
  range_t same_id = range_for_key(attributes[static_token_range("id")]);
  for (const_iterator entry = same_id.first; entry != same_id.second; ++entry) {
    if (entry->second.first == attributes) return true;
  }
  return false;
}

context_frame_t::const_iterator context_frame_t::closest_match(
    range_t range, attribute_set_t const& lookup) const {
  const_iterator best = glossary_m.end();
  std::size_t best_score = 0;
  std::size_t ties = 0;
  for (const_iterator entry = range.first; entry != range.second; ++entry) {
    attribute_set_t const& attributes = entry->second.first;
    std::size_t score = attributes.has_collisions(lookup) ? 0 : attributes.count_same(lookup, true);
    if (score > best_score) {
      best = entry;
      best_score = score;
      ties = 1;
    } else if (score != 0 && score == best_score) {
      ++ties;
    }
  }
  if (ties > 1) {
    throw std::runtime_error("xstr: ambiguous closest match; found " + std::to_string(ties) +
                             " glossary entries that matched " + std::to_string(best_score) +
                             " attribute(s)");
  }
  return best;
}

token_range_t context_frame_t::clone(token_range_t const& range) {
  std::size_t size = token_range_size(range);
  if (size == 0) return token_range_t();
  char* copy = pool_m.allocate(size);
  std::memcpy(copy, range.first, size);
  auto first = reinterpret_cast<uchar_ptr_t>(copy);
  return token_range_t(first, first + size);
}

context_frame_t& top_frame() {
  static context_frame_t frame;
  return frame;
}

}  // namespace implementation
}  // namespace vesko
