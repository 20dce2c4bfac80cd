#pragma once

#include <cstddef>

#include "support/capture_allocator.h"
#include "support/vesko_assert.h"

namespace vesko {
inline namespace version_1 {

// A contiguous container held through one pointer. Header (allocator record,
// finish, end of storage) and elements share one heap block; an empty vector
// with the default allocator owns no block at all.
//
// Only three element types are instantiated (in the library's sources):
// char, char16_t and any_regular_t. Growth builds new storage aside and swaps
// it in, so a throwing operation leaves the vector unchanged.
template <typename T>
class vector {
 public:
  using value_type = T;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = T&;
  using const_reference = T const&;
  using pointer = T*;
  using const_pointer = T const*;
  using iterator = T*;
  using const_iterator = T const*;
  using allocator_type = capture_allocator<T>;

  vector() noexcept = default;
  explicit vector(allocator_type const& a);
  vector(vector const& x);
  vector(vector&& x) noexcept : header_m(x.header_m) { x.header_m = nullptr; }
  ~vector();

  vector& operator=(vector x) noexcept {
    swap(x);
    return *this;
  }

  allocator_type get_allocator() const noexcept;

  iterator begin() noexcept { return header_m ? elements(header_m) : nullptr; }
  iterator end() noexcept { return header_m ? header_m->finish_m : nullptr; }
  const_iterator begin() const noexcept { return header_m ? elements(header_m) : nullptr; }
  const_iterator end() const noexcept { return header_m ? header_m->finish_m : nullptr; }

  size_type size() const noexcept { return size_type(end() - begin()); }
  size_type capacity() const noexcept {
    return header_m ? size_type(header_m->end_of_storage_m - elements(header_m)) : 0;
  }
  bool empty() const noexcept { return begin() == end(); }

  reference operator[](size_type n) {
    VESKO_ASSERT(n < size(), "n < size()");
    return begin()[n];
  }
  const_reference operator[](size_type n) const {
    VESKO_ASSERT(n < size(), "n < size()");
    return begin()[n];
  }

  void reserve(size_type n);
  void push_back(T const& x);
  void pop_back();

  void append(const_iterator first, const_iterator last);
  void move_append(iterator first, iterator last);
  iterator insert(iterator position, const_iterator first, const_iterator last);
  iterator insert(iterator position, size_type n, T const& x);
  iterator erase(iterator first, iterator last);
  void resize(size_type n);
  void clear() noexcept;

  // Sets the end of the elements directly (callers that wrote the slots).
  void set_finish(iterator x) {
    VESKO_ASSERT(header_m != nullptr || x == nullptr, "header_m != 0 || x == 0");
    if (header_m) header_m->finish_m = x;
  }

  void swap(vector& x) noexcept {
    header_t* t = header_m;
    header_m = x.header_m;
    x.header_m = t;
  }
  friend void swap(vector& x, vector& y) noexcept { x.swap(y); }

 private:
  struct header_t {
    allocation_record_t const* allocator_m;
    T* finish_m;
    T* end_of_storage_m;
  };

  static constexpr size_type header_size() noexcept {
    return (sizeof(header_t) + alignof(T) - 1) / alignof(T) * alignof(T);
  }
  static T* elements(header_t* h) noexcept {
    return reinterpret_cast<T*>(reinterpret_cast<char*>(h) + header_size());
  }

  static header_t* allocate(allocator_type const& a, size_type n);
  static void free_block(header_t* h) noexcept;
  size_type room() const noexcept {
    return header_m ? size_type(header_m->end_of_storage_m - header_m->finish_m) : 0;
  }
  template <typename Construct>
  iterator insert_aside(size_type offset, size_type n, size_type capacity, Construct construct);
  iterator insert_in_place(iterator position, vector& items) noexcept;

  header_t* header_m = nullptr;
};

template <typename T>
bool operator==(vector<T> const& x, vector<T> const& y);

template <typename T>
bool operator!=(vector<T> const& x, vector<T> const& y) {
  return !(x == y);
}

extern template class vector<char>;
extern template class vector<char16_t>;
extern template bool operator==(vector<char> const&, vector<char> const&);
extern template bool operator==(vector<char16_t> const&, vector<char16_t> const&);

}  // namespace version_1
}  // namespace vesko
