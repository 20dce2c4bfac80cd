#include "support/attribute_set_t.h"

#include <algorithm>

namespace vesko {

namespace {

std::shared_ptr<attribute_set_t::set_type> const& shared_empty() {
  static std::shared_ptr<attribute_set_t::set_type> const empty =
      std::make_shared<attribute_set_t::set_type>();
  return empty;
}

}  // namespace

bool attribute_set_t::less_t::operator()(value_type const& x, value_type const& y) const noexcept {
  if (token_range_less(x.first, y.first)) return true;
  if (token_range_less(y.first, x.first)) return false;
  return token_range_less(x.second, y.second);
}

attribute_set_t::attribute_set_t() : values_m(shared_empty()) {}

bool attribute_set_t::lower_bound(value_type const& value, const_iterator& position) const {
  position = std::lower_bound(begin(), end(), value, less_t());
  return position != end() && token_range_equal(position->first, value.first);
}

bool attribute_set_t::lower_bound(key_type const& key, const_iterator& position) const {
  position = std::lower_bound(begin(), end(), value_type(key, mapped_type()), less_key_only_t());
  return position != end() && token_range_equal(position->first, key);
}

attribute_set_t::set_type& attribute_set_t::writable() {
  // The shared empty set always has a second owner, so it is never written.
  if (values_m.use_count() != 1) values_m = std::make_shared<set_type>(*values_m);
  return *values_m;
}

void attribute_set_t::insert(value_type const& value) {
  const_iterator position;
  bool found = lower_bound(value.first, position);
  std::ptrdiff_t offset = position - begin();
  set_type& values = writable();
  if (found) {
    values[std::size_t(offset)].second = value.second;
  } else {
    values.insert(values.begin() + offset, value);
  }
}

attribute_set_t::mapped_type attribute_set_t::operator[](key_type const& key) const {
  const_iterator position;
  return lower_bound(key, position) ? position->second : mapped_type();
}

void attribute_set_t::clear() {
  values_m = shared_empty();
}

std::size_t attribute_set_t::count_same(attribute_set_t const& other, bool mapped_matters) const {
  std::size_t result = 0;
  const_iterator x = begin(), y = other.begin();
  while (x != end() && y != other.end()) {
    if (token_range_less(x->first, y->first)) {
      ++x;
    } else if (token_range_less(y->first, x->first)) {
      ++y;
    } else {
      if (!mapped_matters || token_range_equal(x->second, y->second)) ++result;
      ++x;
      ++y;
    }
  }
  return result;
}

attribute_set_t attribute_set_t::merge(attribute_set_t const& other) const {
  if (other.empty()) return *this;
  attribute_set_t result;
  set_type& values = result.writable();
  values.reserve(size() + other.size());
  const_iterator x = begin(), y = other.begin();
  while (x != end() || y != other.end()) {
    if (y == other.end() || (x != end() && token_range_less(x->first, y->first))) {
      values.push_back(*x++);
    } else if (x == end() || token_range_less(y->first, x->first)) {
      values.push_back(*y++);
    } else {
      values.push_back(*x++);
      ++y;
    }
  }
  return result;
}

bool attribute_set_t::has_collisions(attribute_set_t const& other) const {
  for (value_type const& entry : *values_m) {
    const_iterator position;
    if (other.lower_bound(entry.first, position) &&
        !token_range_equal(position->second, entry.second)) {
      return true;
    }
  }
  return false;
}

}  // namespace vesko
