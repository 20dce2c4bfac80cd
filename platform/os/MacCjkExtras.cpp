#include "platform/os/MacCjkExtras.h"

namespace platform {

namespace {

constexpr char16_t kOneByteForm = 0xF87F;

// Mac Japanese also swaps two ASCII places: 0x5C is the yen sign, and the
// backslash moves to 0x80.
const MacCjkExtra kJapanese[] = {
    {0x5C, {0x00A5, 0}}, {0x80, {0x005C, 0}}, {0xA0, {0x00A0, 0}},
    {0xFD, {0x00A9, 0}}, {0xFE, {0x2122, 0}}, {0xFF, {0x2026, kOneByteForm}},
};

const MacCjkExtra kChineseTraditional[] = {
    {0x80, {0x005C, kOneByteForm}},
    {0x81, {0xF880, 0}},
    {0x82, {0xF881, 0}},
    {0xA0, {0x00A0, 0}},
    {0xFD, {0x00A9, 0}},
    {0xFE, {0x2122, 0}},
    {0xFF, {0x2026, kOneByteForm}},
};

const MacCjkExtra kKorean[] = {
    {0x80, {0x00A0, 0}},
    {0x81, {0x20A9, 0}},
    {0x82, {0x2013, kOneByteForm}},
    {0x83, {0x00A9, 0}},
    {0x84, {0xFF3F, kOneByteForm}},
    {0xFF, {0x2026, kOneByteForm}},
};

const MacCjkExtra kChineseSimplified[] = {
    {0x80, {0x00FC, kOneByteForm}},
    {0x81, {0xF880, 0}},
    {0x82, {0xF881, 0}},
    {0xA0, {0x00A0, 0}},
    {0xFD, {0x00A9, 0}},
    {0xFE, {0x2122, 0}},
    {0xFF, {0x2026, kOneByteForm}},
};

bool shiftJisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool doubleByteLead(unsigned char b) {
  return b >= 0x81 && b <= 0xFE;
}

template <size_t N>
MacCjkExtras extras(const MacCjkExtra (&items)[N], bool (*isLeadByte)(unsigned char)) {
  return MacCjkExtras{items, N, isLeadByte};
}

}  // namespace

MacCjkExtras macCjkExtras(uint32_t base) {
  switch (base) {
    case 1:
      return extras(kJapanese, shiftJisLead);
    case 2:
      return extras(kChineseTraditional, doubleByteLead);
    case 3:
      return extras(kKorean, doubleByteLead);
    case 25:
      return extras(kChineseSimplified, doubleByteLead);
    default:
      return {};
  }
}

}  // namespace platform
