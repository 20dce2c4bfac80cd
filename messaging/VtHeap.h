#pragma once

#include <cstddef>
#include <new>

namespace Velt {

// Base of every object of the messaging library. All of the library's memory
// (objects, string buffers, vector arrays) comes from one allocator.
class VtHeap {
 public:
  VtHeap() = default;
  VtHeap(const VtHeap&) = default;
  VtHeap& operator=(const VtHeap&) { return *this; }
  virtual ~VtHeap();

  static void* operator new(std::size_t size);
  static void operator delete(void* p) noexcept;

  // The library allocator: the C heap. mallocHeap returns null on failure.
  static void* mallocHeap(std::size_t size) noexcept;
  static void freeHeap(void* p) noexcept;

  // Uninitialised room for n objects of T; throws std::bad_alloc when the
  // allocator fails or n * sizeof(T) would overflow.
  template <class T>
  static T* mallocThis(std::size_t n) {
    return static_cast<T*>(mallocBytes(n, sizeof(T)));
  }
  template <class T>
  static void freeThis(T* p) noexcept {
    freeHeap(static_cast<void*>(p));
  }

 private:
  static void* mallocBytes(std::size_t n, std::size_t elementSize);
};

}  // namespace Velt
