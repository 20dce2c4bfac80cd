#pragma once

#include <cstdint>

#include "messaging/VtHeap.h"

namespace Velt {

// The messaging library's 8-bit string. The text is UTF-8 by convention;
// length, comparison and case mapping work on bytes. The buffer always holds
// a NUL after the text, and may hold NULs inside it.
class VtString : public VtHeap {
 public:
  VtString();
  explicit VtString(char c);
  VtString(const char* s, int32_t n = -1);
  // UTF-16 to UTF-8; n < 0 means up to the NUL (at most 65,536 units).
  VtString(const char16_t* s, int32_t n = -1);
  VtString(const VtString& other);
  ~VtString() override;

  VtString& operator=(const char* s);
  VtString& operator=(const VtString& other);

  // n < 0: up to the NUL of s. A null s is the empty text.
  void assign(const char* s, int32_t n);
  // n < 0: up to the NUL of s. A null s or n == 0 appends nothing.
  void append(const char* s, int32_t n);
  // The value's 32 bits as unsigned decimal.
  void append(int32_t value);

  VtString& operator+=(char c);
  VtString& operator+=(const char* s);
  VtString& operator+=(const VtString& other);

  // Cuts the text to n bytes when 0 <= n < length(); otherwise nothing.
  void shrink(int32_t n);

  // strcmp of the two texts; a null s is the empty text.
  int compare(const char* s) const;
  bool operator==(const char* s) const { return compare(s) == 0; }
  bool operator!=(const char* s) const { return compare(s) != 0; }
  bool operator==(const VtString& other) const { return compare(other.get()) == 0; }
  bool operator!=(const VtString& other) const { return compare(other.get()) != 0; }

  const char* get() const { return mBuffer; }
  operator const char*() const { return mBuffer; }
  int32_t length() const { return mLength; }
  int32_t capacity() const { return mCapacity; }

  // Copies with only the ASCII letters mapped; other bytes stay.
  VtString uppercase() const;
  VtString lowercase() const;

  // Decodes the UTF-8 text into out, at most `size` characters (a surrogate
  // pair counts as one). Stops at the text's NUL and then writes a NUL unit
  // when fewer than `size` characters were written. Returns the units
  // written, the NUL included. A buffer of length() + 1 units always
  // suffices for size == length(). Malformed bytes become U+FFFD.
  int32_t convertToUtf16(char16_t* out, uint32_t size) const;

  VtString& operator<<(const char* s);
  VtString& operator<<(char c);
  VtString& operator<<(const VtString& other);
  VtString& operator<<(int32_t value);  // as unsigned: -1 gives 4294967295
  VtString& operator<<(uint32_t value);
  VtString& operator<<(double value);  // rounded, as printf "%.0f"

 private:
  // The text becomes its first `offset` bytes followed by n bytes of s.
  // A grown buffer replaces the old one only after it is filled, so s may
  // point into this string.
  void store(int32_t offset, const char* s, int32_t n);

  char* mBuffer = nullptr;
  int32_t mLength = 0;
  int32_t mCapacity = 0;
};

}  // namespace Velt
