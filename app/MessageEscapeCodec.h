#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The escapes of every text that crosses between the program and a movie:
// "#", "&", "'", '"', "<" and ">" become "#" followed by "A" to "F" in that
// order; every other byte passes unchanged. Decoding turns "#" and a letter
// A to F back into its character, "#" and any other byte below 0x80 into that
// byte, and drops a "#" at the very end. Bytes of 0x80 and above pass both
// ways unchanged and leave a pending "#" pending.
class MessageEscapeCodec {
 public:
  MessageEscapeCodec() { initConversionTable(); }

  // Fills the 256-byte table: index c holds the byte an escape letter c
  // decodes to, index 128 + c the letter byte c encodes to (c itself when
  // it needs no escape).
  void initConversionTable();

  // Zero-terminated input into a caller's buffer of at least 2 * length + 1
  // bytes (encoding) or length + 1 bytes (decoding).
  void encodeMessage(const char* in, char* out) const;
  void decodeMessage(const char* in, char* out) const;

  // The same over whole byte strings (zero bytes pass like any other).
  std::string encode(std::string_view in) const;
  std::string decode(std::string_view in) const;

  unsigned char tableEntry(size_t index) const { return m_table[index]; }

 private:
  unsigned char m_table[256];
};
