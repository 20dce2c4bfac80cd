#include "pkg/BasePkgHexStrings.h"

#include <cassert>
#include <cstring>
#include <type_traits>

#include "pkg/PackageException.h"

namespace pkg {

namespace {

const char kDigits[] = "0123456789ABCDEF";

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte of the pair of digits at text[i], text[i + 1].
uint8_t decodePair(const std::string& text, size_t i) {
  int high = digitValue(text[i]);
  int low = digitValue(text[i + 1]);
  if (high < 0 || low < 0) throw PackageException(kPkgErrBadArgument);
  return static_cast<uint8_t>(high << 4 | low);
}

// The little-endian image of value, two digits per byte.
std::string littleEndianHex(unsigned long long value, size_t bytes) {
  std::string text;
  text.reserve(bytes * 2);
  for (size_t i = 0; i < bytes; ++i) {
    unsigned b = static_cast<unsigned>(value >> (8 * i)) & 0xFF;
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

// Decodes up to `bytes` bytes from the least significant up. On a bad digit
// the value stays 0 and PackageException 22 is thrown.
unsigned long long fromLittleEndianHex(const std::string& text, size_t bytes) {
  size_t pairs = text.size() / 2;
  if (pairs > bytes) pairs = bytes;
  unsigned long long value = 0;
  for (size_t i = 0; i < pairs; ++i) {
    value |= static_cast<unsigned long long>(decodePair(text, 2 * i)) << (8 * i);
  }
  return value;
}

template <class T>
void decodeInto(const std::string& text, T& out) {
  out = 0;
  unsigned long long v = fromLittleEndianHex(text, sizeof(T));
  // Reinterpret the low bytes as T (two's complement for signed types).
  using U = std::make_unsigned_t<T>;
  out = static_cast<T>(static_cast<U>(v));
}

}  // namespace

std::atomic<BasePkgHexStrings*> BasePkgHexStrings::s_instance{nullptr};
PkgMutualExclusion BasePkgHexStrings::s_mutex;

BasePkgHexStrings* BasePkgHexStrings::getInstance() {
  return guardedSingleton(s_instance, s_mutex);
}

BasePkgHexStrings::BasePkgHexStrings() {
  assert(s_instance.load() == nullptr);
  s_instance.store(this, std::memory_order_release);
}

BasePkgHexStrings::~BasePkgHexStrings() {
  BasePkgHexStrings* self = this;
  s_instance.compare_exchange_strong(self, nullptr);
}

std::string BasePkgHexStrings::encodeHexString(const void* data, uint32_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::string text;
  if (!bytes) return text;
  text.reserve(static_cast<size_t>(length) * 2);
  for (uint32_t i = 0; i < length; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

uint32_t BasePkgHexStrings::decodeHexString(const std::string& text, void* buffer,
                                            uint32_t& count) {
  uint32_t available = static_cast<uint32_t>(text.size() / 2);
  if (!buffer) return available;
  uint32_t n = available < count ? available : count;
  // Check first, so that a refused text leaves the buffer untouched.
  for (uint32_t i = 0; i < 2 * n; ++i) {
    if (digitValue(text[i]) < 0) throw PackageException(kPkgErrBadArgument);
  }
  auto* out = static_cast<uint8_t*>(buffer);
  for (uint32_t i = 0; i < n; ++i) out[i] = decodePair(text, 2 * i);
  count = n;
  return available;
}

std::string BasePkgHexStrings::iToHexString(char value) {
  return littleEndianHex(static_cast<unsigned char>(value), 1);
}
std::string BasePkgHexStrings::iToHexString(unsigned char value) {
  return littleEndianHex(value, 1);
}
std::string BasePkgHexStrings::iToHexString(short value) {
  return littleEndianHex(static_cast<unsigned short>(value), 2);
}
std::string BasePkgHexStrings::iToHexString(unsigned short value) {
  return littleEndianHex(value, 2);
}
std::string BasePkgHexStrings::iToHexString(int value) {
  return littleEndianHex(static_cast<unsigned int>(value), 4);
}
std::string BasePkgHexStrings::iToHexString(unsigned int value) {
  return littleEndianHex(value, 4);
}
std::string BasePkgHexStrings::iToHexString(long long value) {
  return littleEndianHex(static_cast<unsigned long long>(value), 8);
}
std::string BasePkgHexStrings::iToHexString(unsigned long long value) {
  return littleEndianHex(value, 8);
}

void BasePkgHexStrings::hexStringToI(const std::string& text, unsigned long long& out) {
  decodeInto(text, out);
}
void BasePkgHexStrings::hexStringToI(const std::string& text, long long& out) {
  decodeInto(text, out);
}
void BasePkgHexStrings::hexStringToI(const std::string& text, unsigned int& out) {
  decodeInto(text, out);
}
void BasePkgHexStrings::hexStringToI(const std::string& text, int& out) {
  decodeInto(text, out);
}
void BasePkgHexStrings::hexStringToI(const std::string& text, unsigned short& out) {
  decodeInto(text, out);
}
void BasePkgHexStrings::hexStringToI(const std::string& text, short& out) {
  decodeInto(text, out);
}
void BasePkgHexStrings::hexStringToI(const std::string& text, unsigned char& out) {
  decodeInto(text, out);
}
void BasePkgHexStrings::hexStringToI(const std::string& text, char& out) {
  decodeInto(text, out);
}

}  // namespace pkg
