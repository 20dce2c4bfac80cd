#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace vesko {
inline namespace version_1 {

// A pair of allocation functions; containers keep a pointer to one so that a
// block is always freed by the functions that made it.
struct allocation_record_t {
  void* (*allocate_m)(std::size_t bytes);  // null on exhaustion
  void (*free_m)(void* p);
};

void* new_s(std::size_t bytes) noexcept;
void delete_s(void* p) noexcept;

// The process-wide default: non-throwing global new and matching delete.
extern allocation_record_t const local_new_delete_g;

template <typename T>
class capture_allocator {
 public:
  using value_type = T;
  using size_type = std::size_t;

  capture_allocator() noexcept : record_m(&local_new_delete_g) {}
  explicit capture_allocator(allocation_record_t const* record) noexcept : record_m(record) {}
  template <typename U>
  capture_allocator(capture_allocator<U> const& x) noexcept : record_m(x.record()) {}

  T* allocate(size_type n) {
    if (n > std::numeric_limits<size_type>::max() / sizeof(T)) throw std::bad_alloc();
    void* p = record_m->allocate_m(n * sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_type = 0) noexcept { record_m->free_m(p); }

  allocation_record_t const* record() const noexcept { return record_m; }

  friend bool operator==(capture_allocator const& x, capture_allocator const& y) noexcept {
    return x.record_m == y.record_m;
  }

 private:
  allocation_record_t const* record_m;
};

}  // namespace version_1
}  // namespace vesko
