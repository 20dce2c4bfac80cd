#include "support/md5_t.h"

#include <cstring>

namespace vesko {

namespace {

constexpr std::uint32_t rotate_left(std::uint32_t x, int n) noexcept {
  return (x << n) | (x >> (32 - n));
}

constexpr std::uint32_t f(std::uint32_t x, std::uint32_t y, std::uint32_t z) noexcept {
  return (x & y) | (~x & z);
}
constexpr std::uint32_t g(std::uint32_t x, std::uint32_t y, std::uint32_t z) noexcept {
  return (x & z) | (y & ~z);
}
constexpr std::uint32_t h(std::uint32_t x, std::uint32_t y, std::uint32_t z) noexcept {
  return x ^ y ^ z;
}
constexpr std::uint32_t i(std::uint32_t x, std::uint32_t y, std::uint32_t z) noexcept {
  return y ^ (x | ~z);
}

// The sine-derived constants, one per step.
constexpr std::uint32_t sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t read_le(std::uint8_t const* p) noexcept {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

void write_le(std::uint32_t x, std::uint8_t* p) noexcept {
  for (int k = 0; k < 4; ++k) p[k] = std::uint8_t(x >> (8 * k));
}

}  // namespace

void md5_t::reset() noexcept {
  state_m[0] = 0x67452301;
  state_m[1] = 0xefcdab89;
  state_m[2] = 0x98badcfe;
  state_m[3] = 0x10325476;
  count_m[0] = count_m[1] = 0;
  std::memset(buffer_m, 0, sizeof buffer_m);
}

void md5_t::transform(std::uint8_t const* block) noexcept {
  std::uint32_t x[16];
  for (int k = 0; k < 16; ++k) x[k] = read_le(block + 4 * k);
  std::uint32_t a = state_m[0], b = state_m[1], c = state_m[2], d = state_m[3];
  for (int step = 0; step < 64; ++step) {
    int round = step / 16;
    std::uint32_t mixed;
    int word;
    switch (round) {
      case 0:
        mixed = f(b, c, d);
        word = step;
        break;
      case 1:
        mixed = g(b, c, d);
        word = (5 * step + 1) % 16;
        break;
      case 2:
        mixed = h(b, c, d);
        word = (3 * step + 5) % 16;
        break;
      default:
        mixed = i(b, c, d);
        word = (7 * step) % 16;
        break;
    }
    std::uint32_t rotated =
        b + rotate_left(a + mixed + x[word] + sines[step], shifts[round][step % 4]);
    a = d;
    d = c;
    c = b;
    b = rotated;
  }
  state_m[0] += a;
  state_m[1] += b;
  state_m[2] += c;
  state_m[3] += d;
}

void md5_t::update(void const* data, std::uint32_t size) noexcept {
  auto input = static_cast<std::uint8_t const*>(data);
  std::uint32_t index = (count_m[0] >> 3) & 0x3F;
  std::uint32_t bits = size << 3;
  count_m[0] += bits;
  if (count_m[0] < bits) ++count_m[1];
  count_m[1] += size >> 29;

  std::uint32_t room = 64 - index;
  std::uint32_t taken = 0;
  if (size >= room) {
    std::memcpy(buffer_m + index, input, room);
    transform(buffer_m);
    // Whole blocks straight from the input.
    for (taken = room; taken + 63 < size; taken += 64) transform(input + taken);
    index = 0;
  }
  if (size > taken) std::memcpy(buffer_m + index, input + taken, size - taken);
}

md5_t::digest_t md5_t::final() noexcept {
  std::uint8_t length[8];
  write_le(count_m[0], length);
  write_le(count_m[1], length + 4);

  // 0x80 then zeros up to 56 bytes modulo 64: 1 to 64 bytes.
  static constexpr std::uint8_t padding[64] = {0x80};
  std::uint32_t index = (count_m[0] >> 3) & 0x3F;
  std::uint32_t pad = index < 56 ? 56 - index : 120 - index;
  update(padding, pad);
  update(length, 8);

  digest_t digest;
  for (int k = 0; k < 4; ++k) write_le(state_m[k], digest.data() + 4 * k);
  reset();
  return digest;
}

}  // namespace vesko
