#pragma once

#include <map>

#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbTypedIterator.h"

template <typename K, typename V, typename Less>
using CZorbTypedMapIterator = CZorbTypedIterator<std::map<K, V, Less>>;
template <typename K, typename V, typename Less>
using CZorbTypedMapConstIterator = CZorbTypedIterator<const std::map<K, V, Less>>;

// An ordered map with unique keys; pointer values are borrowed, never
// deleted by the map. Its iterators walk the pairs in key order.
template <typename K, typename V, typename Less>
class CZorbTypedMap : public std::map<K, V, Less> {
 public:
  using std::map<K, V, Less>::map;

  CZorbTypedMapIterator<K, V, Less>* CreateIterator() {
    return new CZorbTypedMapIterator<K, V, Less>(this, false);
  }
  CZorbTypedMapConstIterator<K, V, Less>* CreateIterator() const {
    return new CZorbTypedMapConstIterator<K, V, Less>(this, false);
  }

  // Copies the value of key out; false (value unchanged) when it is absent.
  bool Lookup(const K& key, V& value) const {
    auto it = this->find(key);
    if (it == this->end()) return false;
    value = it->second;
    return true;
  }

  // Overwrites the value of key, or adds the pair.
  void SetAt(K key, V value) { this->insert_or_assign(std::move(key), std::move(value)); }
};
