#pragma once

#include <type_traits>

#include "messaging/VtHeap.h"

namespace Velt {

// Owns one library object and deletes it through its virtual destructor.
template <class T>
class autoPtr {
  static_assert(std::is_base_of_v<VtHeap, T>, "autoPtr holds library objects");

 public:
  explicit autoPtr(T* p = nullptr) : mPtr(p) {}
  autoPtr(const autoPtr&) = delete;
  autoPtr& operator=(const autoPtr&) = delete;
  ~autoPtr() { delete mPtr; }

  void reset(T* p = nullptr) {
    if (p != mPtr) {
      delete mPtr;
      mPtr = p;
    }
  }
  T* steal() {
    T* p = mPtr;
    mPtr = nullptr;
    return p;
  }
  T* get() const { return mPtr; }
  T* operator->() const { return mPtr; }
  T& operator*() const { return *mPtr; }

 private:
  T* mPtr;
};

}  // namespace Velt
