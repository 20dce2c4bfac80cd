#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A Mac TextEncoding value: base in the low 16 bits, variant in bits 16-25,
// format in bits 26-31.
using TextEncoding = uint32_t;

constexpr TextEncoding makeTextEncoding(uint32_t base, uint32_t variant, uint32_t format) {
  return (base & 0xFFFFu) | ((variant & 0x3FFu) << 16) | ((format & 0x3Fu) << 26);
}
constexpr uint32_t textEncodingBase(TextEncoding e) {
  return e & 0xFFFFu;
}
constexpr uint32_t textEncodingVariant(TextEncoding e) {
  return (e >> 16) & 0x3FFu;
}
constexpr uint32_t textEncodingFormat(TextEncoding e) {
  return (e >> 26) & 0x3Fu;
}

namespace encoding {
constexpr TextEncoding kMacRoman = 0;
constexpr TextEncoding kMacJapanese = 1;
constexpr TextEncoding kMacChineseTrad = 2;
constexpr TextEncoding kMacKorean = 3;
constexpr TextEncoding kMacArabic = 4;
constexpr TextEncoding kMacHebrew = 5;
constexpr TextEncoding kMacGreek = 6;
constexpr TextEncoding kMacCyrillic = 7;
constexpr TextEncoding kMacThai = 21;
constexpr TextEncoding kMacChineseSimp = 25;
constexpr TextEncoding kMacCentralEurRoman = 29;
constexpr TextEncoding kMacTurkish = 35;
constexpr TextEncoding kMacCroatian = 36;
constexpr TextEncoding kMacIcelandic = 37;
constexpr TextEncoding kMacRomanian = 38;
constexpr TextEncoding kMacUkrainian = 152;
// Unicode: UTF-16 (big-endian in bytes), UTF-8 (format 2), UTF-32 (format 3).
constexpr TextEncoding kUnicodeDefault = 0x100;
// The encoding announced by the mark 00 00 FE FF; held as UTF-32 big-endian.
constexpr TextEncoding kUnicodeV2 = 0x103;
constexpr TextEncoding kUTF8 = makeTextEncoding(0x100, 0, 2);
constexpr TextEncoding kUTF32 = makeTextEncoding(0x100, 0, 3);
// UTF-16 and UTF-32 with their byte order given: formats 4 and 6 big-endian,
// 5 and 7 little-endian.
constexpr TextEncoding kUTF16LE = makeTextEncoding(0x100, 0, 5);
constexpr TextEncoding kUTF32LE = makeTextEncoding(0x100, 0, 7);
constexpr TextEncoding kISOLatin1 = 0x201;
constexpr TextEncoding kWindowsLatin1 = 0x500;
constexpr TextEncoding kUSASCII = 0x600;
constexpr TextEncoding kGBK = 0x631;
constexpr TextEncoding kGB18030 = 0x632;
constexpr TextEncoding kISO2022JP = 0x820;
constexpr TextEncoding kEUCJP = 0x920;
constexpr TextEncoding kEUCKR = 0x940;
constexpr TextEncoding kShiftJIS = 0xA01;
constexpr TextEncoding kKOI8R = 0xA02;
constexpr TextEncoding kBig5 = 0xA03;
}  // namespace encoding

// Statuses of a text conversion (those of the Mac converter).
namespace textstatus {
constexpr int32_t kOk = 0;
constexpr int32_t kOutputBufferFull = -8785;
constexpr int32_t kUsedFallbacks = -8783;
constexpr int32_t kIncompleteElement = -8755;
constexpr int32_t kUnmappableElement = -8754;
constexpr int32_t kBufferBelowMinimumSize = -8750;
constexpr int32_t kNoConversionPath = -8749;
constexpr int32_t kUndefinedElement = -8740;
constexpr int32_t kMalformedInput = -8739;
constexpr int32_t kUnsupportedEncoding = -8738;
}  // namespace textstatus

// The iconv name behind an encoding, or empty when the encoding does not go
// through iconv (then it is either table-driven or unsupported).
std::string iconvNameForEncoding(TextEncoding encoding);

// Whether bytes in this encoding can be converted to and from UTF-16.
bool isTextEncodingSupported(TextEncoding encoding);

// Looks up an internet charset name (case-insensitive, surrounding white
// space ignored). False leaves `out` unchanged.
[[nodiscard]] bool textEncodingFromInternetName(std::string_view name, TextEncoding& out);

// The Mac encoding of a UI language ("ja", "zh_TW", "zh-Hant", "pt_BR", ...):
// Mac Roman for Western languages, the national Mac encoding elsewhere, Big5
// for traditional Chinese. Never 2, which the program takes for UTF-8.
TextEncoding defaultTextEncodingForLanguage(std::string_view language);

// The UI language the default encoding follows, recorded when the program
// chooses it. An empty value clears it.
void setTextEncodingLanguage(std::string language);
std::string textEncodingLanguage();

// The application's text encoding: that of the UI language recorded above;
// before there is one, that of the user's first preferred language (the
// settings' override, else LANGUAGE, LC_ALL, LC_MESSAGES, LANG); else Mac
// Roman.
TextEncoding applicationTextEncoding();

}  // namespace platform
