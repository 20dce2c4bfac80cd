#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "support/token_range_t.h"

namespace vesko {

// The attributes of an element: (name, value) ranges, sorted, at most one
// entry per name. Copies share their entries until one of them changes.
class attribute_set_t {
 public:
  using key_type = token_range_t;
  using mapped_type = token_range_t;
  using value_type = std::pair<key_type, mapped_type>;
  using set_type = std::vector<value_type>;
  using const_iterator = set_type::const_iterator;

  // By name, then by value.
  struct less_t {
    bool operator()(value_type const& x, value_type const& y) const noexcept;
  };
  struct less_key_only_t {
    bool operator()(value_type const& x, value_type const& y) const noexcept {
      return token_range_less(x.first, y.first);
    }
  };

  attribute_set_t();  // shares the one process-wide empty set

  const_iterator begin() const noexcept { return values_m->begin(); }
  const_iterator end() const noexcept { return values_m->end(); }
  std::size_t size() const noexcept { return values_m->size(); }
  bool empty() const noexcept { return values_m->empty(); }

  // True when the entry at the found position has the same name.
  bool lower_bound(value_type const& value, const_iterator& position) const;
  bool lower_bound(key_type const& key, const_iterator& position) const;

  // Replaces the value of a name already present.
  void insert(value_type const& value);
  // The value, or an empty range when the name is absent.
  mapped_type operator[](key_type const& key) const;
  void clear();

  // Entries both sets hold: the same name and value, or with
  // mapped_matters false the same name only.
  std::size_t count_same(attribute_set_t const& other, bool mapped_matters) const;
  // The union by name; this set's value wins where both have the name.
  attribute_set_t merge(attribute_set_t const& other) const;
  // Whether some name of this set has another value in other.
  bool has_collisions(attribute_set_t const& other) const;

  friend bool operator==(attribute_set_t const& x, attribute_set_t const& y) {
    return x.size() == y.size() && x.count_same(y, true) == x.size();
  }
  friend bool operator!=(attribute_set_t const& x, attribute_set_t const& y) { return !(x == y); }

 private:
  set_type& writable();

  std::shared_ptr<set_type> values_m;
};

}  // namespace vesko
