#pragma once

#include <cstdint>
#include <type_traits>

#include "messaging/VtHeap.h"

namespace Velt {

// An array of untyped pointers. It owns the array, never the objects the
// pointers point to. Copies get an array of their own.
class VtVectorBase : public VtHeap {
 public:
  VtVectorBase();
  VtVectorBase(const VtVectorBase& other);
  VtVectorBase& operator=(const VtVectorBase& other);
  ~VtVectorBase() override;

  // Grows by 32 elements when full.
  void append(void* p);
  // Removes the first element equal to p; nothing when p is absent.
  void remove(void* p);
  // Removes and returns the element at index; null when index is out of range.
  void* removeAt(int32_t index);
  // The caller keeps index in range.
  void* operator[](int32_t index) const { return mArray[index]; }
  int32_t length() const { return mCount; }
  int32_t capacity() const { return mCapacity; }

 private:
  void** mArray = nullptr;
  int32_t mCount = 0;
  int32_t mCapacity = 0;
};

// Typed view over VtVectorBase holding pointers to T.
template <class T>
class VtVector : public VtVectorBase {
 public:
  void append(T* p) { VtVectorBase::append(toVoid(p)); }
  void remove(T* p) { VtVectorBase::remove(toVoid(p)); }
  T* removeAt(int32_t index) { return static_cast<T*>(VtVectorBase::removeAt(index)); }
  T* operator[](int32_t index) const { return static_cast<T*>(VtVectorBase::operator[](index)); }

 private:
  static void* toVoid(T* p) { return const_cast<std::remove_const_t<T>*>(p); }
};

}  // namespace Velt
