#pragma once

// Member definitions of vesko::vector. Included only by the sources that
// instantiate the container for its few element types.

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>

#include "support/vector.h"

namespace vesko {
inline namespace version_1 {
namespace vector_detail {

// Moves n elements from src into the uninitialised slots at dst and ends the
// sources' lifetimes. Overlapping ranges are walked in the safe direction.
template <typename T>
void relocate(T* dst, T* src, std::size_t n) noexcept {
  static_assert(std::is_nothrow_move_constructible_v<T>);
  if (n == 0 || dst == src) return;
  if constexpr (std::is_trivially_copyable_v<T>) {
    std::memmove(static_cast<void*>(dst), static_cast<void const*>(src), n * sizeof(T));
  } else if (std::less<T*>()(dst, src)) {
    for (std::size_t i = 0; i != n; ++i) {
      ::new (static_cast<void*>(dst + i)) T(std::move(src[i]));
      src[i].~T();
    }
  } else {
    for (std::size_t i = n; i-- != 0;) {
      ::new (static_cast<void*>(dst + i)) T(std::move(src[i]));
      src[i].~T();
    }
  }
}

}  // namespace vector_detail

template <typename T>
typename vector<T>::header_t* vector<T>::allocate(allocator_type const& a, size_type n) {
  if (n == 0) {
    if (a == allocator_type()) return nullptr;
    n = 1;  // keep the block so that the allocator is remembered
  }
  if (n > (std::numeric_limits<size_type>::max() - header_size()) / sizeof(T))
    throw std::bad_alloc();
  void* p = capture_allocator<char>(a).allocate(header_size() + n * sizeof(T));
  header_t* h = ::new (p) header_t{a.record(), nullptr, nullptr};
  h->finish_m = elements(h);
  h->end_of_storage_m = elements(h) + n;
  return h;
}

template <typename T>
void vector<T>::free_block(header_t* h) noexcept {
  if (!h) return;
  allocation_record_t const* record = h->allocator_m;
  h->~header_t();
  record->free_m(h);
}

template <typename T>
vector<T>::vector(allocator_type const& a) : header_m(allocate(a, 0)) {}

template <typename T>
vector<T>::vector(vector const& x) : header_m(allocate(x.get_allocator(), x.size())) {
  if (!header_m) return;
  try {
    header_m->finish_m = std::uninitialized_copy(x.begin(), x.end(), elements(header_m));
  } catch (...) {
    free_block(header_m);
    throw;
  }
}

template <typename T>
vector<T>::~vector() {
  if (!header_m) return;
  std::destroy(begin(), end());
  free_block(header_m);
}

template <typename T>
typename vector<T>::allocator_type vector<T>::get_allocator() const noexcept {
  return header_m ? allocator_type(header_m->allocator_m) : allocator_type();
}

template <typename T>
void vector<T>::reserve(size_type n) {
  if (capacity() >= n) return;
  header_t* h = allocate(get_allocator(), n);
  size_type s = size();
  vector_detail::relocate(elements(h), begin(), s);
  h->finish_m = elements(h) + s;
  header_t* old = header_m;
  header_m = h;
  free_block(old);  // its elements were moved out above
}

template <typename T>
template <typename Construct>
typename vector<T>::iterator vector<T>::insert_aside(size_type offset, size_type n,
                                                     size_type capacity, Construct construct) {
  // The new elements are made first, while the old ones are still in place:
  // the source may lie inside this vector, and a throw must change nothing.
  header_t* h = allocate(get_allocator(), capacity);
  T* first = elements(h);
  try {
    construct(first + offset);
  } catch (...) {
    free_block(h);
    throw;
  }
  size_type s = size();
  vector_detail::relocate(first, begin(), offset);
  vector_detail::relocate(first + offset + n, begin() + offset, s - offset);
  h->finish_m = first + s + n;
  header_t* old = header_m;
  header_m = h;
  free_block(old);
  return first + offset + n;
}

template <typename T>
typename vector<T>::iterator vector<T>::insert_in_place(iterator position, vector& items) noexcept {
  size_type n = items.size();
  vector_detail::relocate(position + n, position, size_type(end() - position));
  vector_detail::relocate(position, items.begin(), n);
  items.header_m->finish_m = items.begin();
  header_m->finish_m += n;
  return position + n;
}

template <typename T>
void vector<T>::push_back(T const& x) {
  if (room() != 0) {
    ::new (static_cast<void*>(header_m->finish_m)) T(x);
    ++header_m->finish_m;
    return;
  }
  size_type s = size();
  insert_aside(s, 1, s ? 2 * s : 1, [&](T* p) { ::new (static_cast<void*>(p)) T(x); });
}

template <typename T>
void vector<T>::pop_back() {
  VESKO_ASSERT(!empty(), "!empty()");
  --header_m->finish_m;
  std::destroy_at(header_m->finish_m);
}

template <typename T>
void vector<T>::append(const_iterator first, const_iterator last) {
  insert(end(), first, last);
}

template <typename T>
void vector<T>::move_append(iterator first, iterator last) {
  size_type n = size_type(last - first);
  if (n == 0) return;
  if (room() >= n) {
    header_m->finish_m = std::uninitialized_move(first, last, header_m->finish_m);
    return;
  }
  size_type s = size();
  insert_aside(s, n, std::max(2 * s, s + n),
               [&](T* p) { std::uninitialized_move(first, last, p); });
}

template <typename T>
typename vector<T>::iterator vector<T>::insert(iterator position, const_iterator first,
                                               const_iterator last) {
  size_type n = size_type(last - first);
  if (n == 0) return position;
  if (room() >= n) {
    if constexpr (std::is_trivially_copyable_v<T>) {
      std::less<const_iterator> less;
      bool overlaps = less(first, header_m->end_of_storage_m) && less(begin(), last);
      if (!overlaps) {
        std::memmove(static_cast<void*>(position + n), static_cast<void const*>(position),
                     size_type(end() - position) * sizeof(T));
        std::memcpy(static_cast<void*>(position), static_cast<void const*>(first), n * sizeof(T));
        header_m->finish_m += n;
        return position + n;
      }
    }
    // Copy the range aside first: it may lie inside this vector, and a
    // throwing copy must leave the vector as it was.
    vector items;
    items.reserve(n);
    items.header_m->finish_m = std::uninitialized_copy(first, last, items.begin());
    return insert_in_place(position, items);
  }
  size_type s = size();
  return insert_aside(size_type(position - begin()), n, std::max(2 * s, s + n),
                      [&](T* p) { std::uninitialized_copy(first, last, p); });
}

template <typename T>
typename vector<T>::iterator vector<T>::insert(iterator position, size_type n, T const& x) {
  if (n == 0) return position;
  if (room() >= n) {
    if constexpr (std::is_trivially_copyable_v<T>) {
      T value = x;  // x may be an element about to move
      std::memmove(static_cast<void*>(position + n), static_cast<void const*>(position),
                   size_type(end() - position) * sizeof(T));
      std::fill_n(position, n, value);
      header_m->finish_m += n;
      return position + n;
    } else {
      vector items;
      items.reserve(n);
      items.header_m->finish_m = std::uninitialized_fill_n(items.begin(), n, x);
      return insert_in_place(position, items);
    }
  }
  size_type s = size();
  return insert_aside(size_type(position - begin()), n, std::max(2 * s, s + n),
                      [&](T* p) { std::uninitialized_fill_n(p, n, x); });
}

template <typename T>
typename vector<T>::iterator vector<T>::erase(iterator first, iterator last) {
  if (first == last) return first;
  std::destroy(first, last);
  size_type tail = size_type(end() - last);
  vector_detail::relocate(first, last, tail);
  header_m->finish_m = first + tail;
  return first;
}

template <typename T>
void vector<T>::resize(size_type n) {
  size_type s = size();
  if (n < s)
    erase(begin() + n, end());
  else if (n > s)
    insert(end(), n - s, T());
}

template <typename T>
void vector<T>::clear() noexcept {
  erase(begin(), end());
}

template <typename T>
bool operator==(vector<T> const& x, vector<T> const& y) {
  return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin());
}

}  // namespace version_1
}  // namespace vesko
