#pragma once

namespace vesko {

// Keeps each distinct text once; equal texts give the same pointer, valid for
// the pool's lifetime. Safe to use from several threads at once.
class unique_string_pool_t {
 public:
  unique_string_pool_t();
  ~unique_string_pool_t();
  unique_string_pool_t(unique_string_pool_t const&) = delete;
  unique_string_pool_t& operator=(unique_string_pool_t const&) = delete;

  // Null or empty gives the shared static empty text.
  char const* add(char const* text);

 private:
  struct implementation_t;
  implementation_t* object_m;
};

}  // namespace vesko
