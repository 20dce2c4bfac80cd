#include "messaging/VtHeap.h"

#include <cstdint>
#include <cstdlib>

namespace Velt {

VtHeap::~VtHeap() = default;

void* VtHeap::operator new(std::size_t size) {
  void* p = mallocHeap(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  return p;
}

void VtHeap::operator delete(void* p) noexcept {
  freeHeap(p);
}

void* VtHeap::mallocHeap(std::size_t size) noexcept {
  return std::malloc(size);
}

void VtHeap::freeHeap(void* p) noexcept {
  std::free(p);
}

void* VtHeap::mallocBytes(std::size_t n, std::size_t elementSize) {
  if (elementSize != 0 && n > SIZE_MAX / elementSize) throw std::bad_alloc();
  std::size_t bytes = n * elementSize;
  void* p = mallocHeap(bytes == 0 ? 1 : bytes);
  if (!p) throw std::bad_alloc();
  return p;
}

}  // namespace Velt
