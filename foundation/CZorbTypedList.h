#pragma once

#include <list>
#include <type_traits>

#include "foundation/CZorbTypedIterator.h"

template <typename T>
using CZorbTypedListIterator = CZorbTypedIterator<std::list<T>>;
template <typename T>
using CZorbTypedListConstIterator = CZorbTypedIterator<const std::list<T>>;

// A list of values or of borrowed pointers (the list never deletes what they
// point to).
template <typename T>
class CZorbTypedList : public std::list<T> {
 public:
  using std::list<T>::list;

  CZorbTypedListIterator<T>* CreateIterator() { return new CZorbTypedListIterator<T>(this, false); }
  CZorbTypedListConstIterator<T>* CreateIterator() const {
    return new CZorbTypedListConstIterator<T>(this, false);
  }
  CZorbTypedListIterator<T>* CreateReverseIterator() {
    return new CZorbTypedListIterator<T>(this, true);
  }
  CZorbTypedListConstIterator<T>* CreateReverseIterator() const {
    return new CZorbTypedListConstIterator<T>(this, true);
  }

  // Puts item in front of the first element equal to before; nothing when
  // there is none.
  void InsertBefore(T item, T before) {
    for (auto it = this->begin(); it != this->end(); ++it)
      if (*it == before) {
        this->insert(it, item);
        return;
      }
  }

  // Puts item right behind the first element equal to after (at the end of
  // the list when that element is a null pointer); nothing when there is
  // none.
  void InsertAfter(T item, T after) {
    for (auto it = this->begin(); it != this->end(); ++it)
      if (*it == after) {
        if constexpr (std::is_pointer_v<T>) {
          if (*it == nullptr) {
            this->push_back(item);
            return;
          }
        }
        this->insert(std::next(it), item);
        return;
      }
  }

  // Places at on the first element equal to value (case-sensitive for
  // strings); false, with at past the end, when there is none.
  bool Find(const T& value, CZorbTypedListIterator<T>& at) {
    auto it = this->begin();
    while (it != this->end() && !(*it == value)) ++it;
    at.SetPosition(this, it);
    return it != this->end();
  }
  bool Find(const T& value, CZorbTypedListConstIterator<T>& at) const {
    auto it = this->begin();
    while (it != this->end() && !(*it == value)) ++it;
    at.SetPosition(this, it);
    return it != this->end();
  }

  bool Exists(const T& value) const {
    CZorbTypedListConstIterator<T> at;
    return Find(value, at);
  }
};
