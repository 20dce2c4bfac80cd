#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbrel {

// The escapes of every text that crosses between Nimbrel and its component,
// the same as the program uses with its movie: "#", "&", "'", '"', "<" and
// ">" become "#" followed by "A" to "F" in that order; every other byte
// passes unchanged. Decoding turns "#" and a letter A to F back into its
// character, "#" and any other byte below 0x80 into that byte, and drops a
// "#" at the very end. Bytes of 0x80 and above pass both ways unchanged and
// leave a pending "#" pending.
class MessageEscapeCodec {
 public:
  MessageEscapeCodec() { initConversionTable(); }

  // Index c holds the byte an escape letter c decodes to, index 128 + c the
  // letter byte c encodes to (c itself when it needs no escape).
  void initConversionTable();

  std::string encodeMessage(std::string_view in) const;
  std::string decodeMessage(std::string_view in) const;

  unsigned char tableEntry(size_t index) const { return m_table[index]; }

 private:
  unsigned char m_table[256];
};

}  // namespace nimbrel
