#include "support/capture_allocator.h"

namespace vesko {
inline namespace version_1 {

void* new_s(std::size_t bytes) noexcept {
  return ::operator new(bytes, std::nothrow);
}

void delete_s(void* p) noexcept {
  ::operator delete(p);
}

allocation_record_t const local_new_delete_g = {&new_s, &delete_s};

}  // namespace version_1
}  // namespace vesko
