#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// A one-byte character that a Mac CJK encoding adds to the double-byte
// encoding it is read with (Shift-JIS as CP932, Big5, CP949, GBK): the
// copyright and trademark signs, the ellipsis, the no-break space and a few
// more. The Mac reads such a byte only where a character starts.
struct MacCjkExtra {
  unsigned char byte;
  // The character; a second unit U+F87F marks the one-byte form of a
  // character the double-byte part has too, so that both keep their bytes.
  char16_t units[2];
};

struct MacCjkExtras {
  const MacCjkExtra* items = nullptr;
  size_t count = 0;
  // Whether a byte starts a two-byte character of the double-byte part.
  bool (*isLeadByte)(unsigned char) = nullptr;
};

// The extras of a Mac CJK encoding base (Japanese, traditional Chinese,
// Korean, simplified Chinese); items is null for any other base.
MacCjkExtras macCjkExtras(uint32_t base);

}  // namespace platform
