#pragma once

#include <cstddef>
#include <list>

namespace vesko {
namespace detail {

// The one empty text shared by every empty name; it lives in no pool.
char const* empty_text() noexcept;

// A block allocator for texts that live as long as the pool. Texts are never
// freed one by one; the tail of a block that can't hold the next text is
// abandoned.
class string_pool_t {
 public:
  static constexpr std::size_t default_block_size = 4096;

  explicit string_pool_t(std::size_t block_size = default_block_size);
  ~string_pool_t();
  string_pool_t(string_pool_t const&) = delete;
  string_pool_t& operator=(string_pool_t const&) = delete;

  // Copies the NUL-terminated text into the pool.
  char* add(char const* text);
  // Room for n bytes followed by a NUL, which is already written.
  char* allocate(std::size_t n);

  // Observers: the blocks in allocation order and the bytes left in the last.
  std::list<char*> const& blocks() const noexcept { return blocks_m; }
  std::size_t available() const noexcept { return std::size_t(end_m - next_m); }
  std::size_t block_size() const noexcept { return block_size_m; }

 private:
  std::size_t block_size_m;
  std::list<char*> blocks_m;
  char* next_m = nullptr;
  char* end_m = nullptr;
};

}  // namespace detail
}  // namespace vesko
