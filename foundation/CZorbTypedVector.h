#pragma once

#include <vector>

#include "foundation/CZorbTypedIterator.h"

template <typename T>
using CZorbTypedVectorIterator = CZorbTypedIterator<std::vector<T>>;
template <typename T>
using CZorbTypedVectorConstIterator = CZorbTypedIterator<const std::vector<T>>;

// A vector of values or of pointers. Whether it owns what the pointers point
// to is the owner's business (an install step list deletes its steps).
template <typename T>
class CZorbTypedVector : public std::vector<T> {
 public:
  using std::vector<T>::vector;

  CZorbTypedVectorIterator<T>* CreateIterator() {
    return new CZorbTypedVectorIterator<T>(this, false);
  }
  CZorbTypedVectorConstIterator<T>* CreateIterator() const {
    return new CZorbTypedVectorConstIterator<T>(this, false);
  }
  CZorbTypedVectorIterator<T>* CreateReverseIterator() {
    return new CZorbTypedVectorIterator<T>(this, true);
  }
  CZorbTypedVectorConstIterator<T>* CreateReverseIterator() const {
    return new CZorbTypedVectorConstIterator<T>(this, true);
  }

  // The last element; null (a value-initialised T) when empty.
  T GetBack() const { return this->empty() ? T{} : this->back(); }
};
