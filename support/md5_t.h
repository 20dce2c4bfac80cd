#pragma once

#include <array>
#include <cstdint>

namespace vesko {

// The MD5 message digest (RFC 1321) of bytes fed in any number of chunks.
class md5_t {
 public:
  using digest_t = std::array<std::uint8_t, 16>;

  md5_t() noexcept { reset(); }

  void reset() noexcept;
  void update(void const* data, std::uint32_t size) noexcept;
  // The digest of everything fed since the last reset; the object is then
  // back in its initial state, ready for the next message.
  digest_t final() noexcept;

 private:
  void transform(std::uint8_t const* block) noexcept;

  std::uint32_t state_m[4];
  std::uint32_t count_m[2];  // the length in bits, low word first
  std::uint8_t buffer_m[64];
};

}  // namespace vesko
