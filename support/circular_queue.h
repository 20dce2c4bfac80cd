#pragma once

#include <cstddef>
#include <vector>

#include "support/vesko_assert.h"

namespace vesko {

// A ring of fixed capacity. Pushing into a full ring overwrites the oldest
// element; a popped element stays in its slot until the slot is reused, so
// putback() can bring it back.
template <typename T>
class circular_queue {
 public:
  explicit circular_queue(std::size_t capacity) : storage_m(capacity) {
    VESKO_ASSERT(capacity != 0, "capacity != 0");
  }

  std::size_t capacity() const noexcept { return storage_m.size(); }
  bool empty() const noexcept { return is_empty_m; }
  bool full() const noexcept { return !is_empty_m && front_m == back_m; }
  std::size_t size() const noexcept {
    if (is_empty_m) return 0;
    return back_m > front_m ? back_m - front_m : capacity() - front_m + back_m;
  }

  T& front() {
    VESKO_ASSERT(!empty(), "!empty()");
    return storage_m[front_m];
  }
  T const& front() const {
    VESKO_ASSERT(!empty(), "!empty()");
    return storage_m[front_m];
  }

  void push_back(T const& x) {
    bool was_full = full();
    storage_m[back_m] = x;
    back_m = next(back_m);
    if (was_full) front_m = back_m;
    is_empty_m = false;
  }

  void pop_front() {
    VESKO_ASSERT(!empty(), "!empty()");
    front_m = next(front_m);
    is_empty_m = front_m == back_m;
  }

  // Brings back the element popped last.
  void putback() {
    VESKO_ASSERT(!full(), "!full()");
    front_m = front_m == 0 ? capacity() - 1 : front_m - 1;
    is_empty_m = false;
  }

  void clear() noexcept {
    front_m = back_m = 0;
    is_empty_m = true;
  }

 private:
  std::size_t next(std::size_t i) const noexcept { return i + 1 == capacity() ? 0 : i + 1; }

  std::vector<T> storage_m;
  std::size_t front_m = 0;
  std::size_t back_m = 0;
  bool is_empty_m = true;
};

}  // namespace vesko
