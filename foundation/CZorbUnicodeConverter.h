#pragma once

#include <cstddef>
#include <cstdint>

class CString;

// Conversions between the program's UTF-16 text and bytes in a Mac text
// encoding, byte-order marks, XML declarations and charset names, and the
// detection of a buffer's encoding. Encodings are Mac TextEncoding values.
class CZorbUnicodeConverter {
 public:
  static constexpr uint32_t kUTF8 = 0x08000100;
  // Also taken as UTF-8.
  static constexpr uint32_t kUTF8Alias = 2;
  // Announced by the mark FE FF (UTF-16, big-endian in bytes).
  static constexpr uint32_t kUTF16 = 0x100;
  // Announced by the mark 00 00 FE FF (UTF-32, big-endian in bytes).
  static constexpr uint32_t kUTF32Marked = 0x103;
  // Announced by the mark FF FE (UTF-16, little-endian in bytes).
  static constexpr uint32_t kUTF16LE = 0x14000100;
  // Announced by the mark FF FE 00 00 (UTF-32, little-endian in bytes).
  static constexpr uint32_t kUTF32LE = 0x1C000100;
  static constexpr uint32_t kShiftJIS = 0x0A01;
  static constexpr uint32_t kEUCJP = 0x0920;
  static constexpr uint32_t kISO2022JP = 0x0820;
  static constexpr uint32_t kNoEncoding = 0xFFFFFFFFu;
  // The status of a conversion from or to an encoding without a converter.
  static constexpr int32_t kNoConverter = -1;
  // Room for a declaration line read to find a document's encoding.
  static constexpr uint32_t kXmlDeclUnits = 512;

  static void Initialize();
  static void Uninitialize();

  // The application's text encoding (follows the UI language).
  static uint32_t GetDefaultEncoding();

  static bool EncodingIsUTF8(uint32_t encoding);
  // Every UTF-8 encoding becomes 0x08000100; others are unchanged.
  static uint32_t NormalizeEncoding(uint32_t encoding);
  static bool EquivalentEncodings(uint32_t a, uint32_t b);

  // Converts length units (0: up to the terminator) into out, terminating
  // it with a 0 byte when there is room; returns the bytes written. A
  // character the encoding lacks is written as a substitute and the rest
  // goes on. The second form also gives the status: 0, the status of the
  // first character that had to be substituted, kOutputBufferFull when out was too
  // small, or kNoConverter when the encoding cannot be converted.
  static uint32_t ConvertUTF16ToScriptText(uint32_t encoding, const char16_t* text, uint32_t length,
                                           char* out, uint32_t outSize);
  static void ConvertUTF16ToScriptText(uint32_t encoding, const char16_t* text, uint32_t length,
                                       char* out, uint32_t outSize, int32_t& status,
                                       uint32_t* written = nullptr);

  // Bytes enough to hold length units converted to the encoding (the
  // terminator not included).
  static uint32_t GetMaxBufSizeToConvertToScript(uint32_t encoding, uint32_t length);

  // Decodes byteCount bytes into out (outSize units); malformed bytes are
  // skipped. The output is terminated when there is room; returns the
  // units written.
  static uint32_t ConvertScriptTextToUTF16(uint32_t encoding, const char* bytes, uint32_t byteCount,
                                           char16_t* out, uint32_t outSize);
  static uint32_t ConvertScriptTextToUTF16(uint32_t encoding, const char* bytes, uint32_t byteCount,
                                           CString& out);

  // UTF-8 and US-ASCII are decoded directly, with the results of the
  // system's converter: from the start up to the end, the first byte that
  // does not begin a valid character (read is its offset), or the first
  // character the output has no room for. The status is the converter's
  // (0 when all was read); false for the other encodings.
  static bool DecodeDirectly(uint32_t encoding, const char* bytes, size_t byteCount, char16_t* out,
                             size_t outSize, size_t& read, size_t& written, int32_t& status);

  // Bytes per code unit: 2 for UTF-16, 4 for UTF-32, 1 for every other
  // encoding (UTF-8 and UTF-7 too); and whether those units are stored
  // low byte first.
  static uint32_t GetCodeUnitSize(uint32_t encoding);
  static bool CodeUnitsAreLittleEndian(uint32_t encoding);

  // Byte-order marks: EF BB BF for UTF-8, FE FF for 0x100, 00 00 FE FF for
  // 0x103, FF FE for kUTF16LE, FF FE 00 00 for kUTF32LE, none for the rest.
  // The readers recognise the same five.
  static uint32_t GetEncodingsByteOrderMark(unsigned char* buffer, uint32_t size,
                                            uint32_t encoding);
  static uint32_t GetByteOrderMarkLength(uint32_t encoding);
  static bool GetBuffersEncodingFromByteOrderMark(const char* bytes, uint32_t length,
                                                  uint32_t& encoding);
  static uint32_t GetBuffersByteOrderMarkLength(const char* bytes, uint32_t length);
  static uint32_t GetBuffersByteOrderMarkLength(const char* bytes, uint32_t length,
                                                uint32_t& encoding);

  // Copies an XML declaration ("<?xml" ... "?>", after white space only)
  // into out, at most outSize - 1 units, unterminated; returns the count, 0
  // when the input holds none. The 8-bit inputs skip a byte-order mark
  // first; a UTF-16 input of length 0 runs up to its terminator.
  static uint32_t GetXMLDecl(const char* in, uint32_t length, char* out, uint32_t outSize);
  static uint32_t GetXMLDecl(const char* in, uint32_t length, char16_t* out, uint32_t outSize);
  static uint32_t GetXMLDecl(const char16_t* in, uint32_t length, char* out, uint32_t outSize);
  static uint32_t GetXMLDecl(const char16_t* in, uint32_t length, char16_t* out, uint32_t outSize);

  // The encoding named by a charset or encoding attribute (length 0: up to
  // the terminator). False leaves encoding unchanged.
  static bool GetEncodingFromCharsetName(const char16_t* text, uint32_t length, uint32_t& encoding);

  // A text in UTF-16 or UTF-32 without a mark, known by the zero bytes
  // around its first character when that is "<" or white space, as an XML
  // document's is. False leaves encoding unchanged.
  static bool GetBuffersEncodingFromUnitLayout(const char* bytes, uint32_t length,
                                               uint32_t& encoding);
  static bool GetBuffersEncodingFromXMLDecl(const char* bytes, uint32_t length, uint32_t& encoding);
  static bool GetBuffersEncodingFromCSSCharset(const char* bytes, uint32_t length,
                                               uint32_t& encoding);
  static bool GetBuffersEncodingFromMetaInfo(const char* bytes, uint32_t length,
                                             uint32_t& encoding);
  static bool GetBuffersEncodingFromAutoDetect(const char* bytes, uint32_t length,
                                               uint32_t& encoding);
  // Mark, UTF-16 or UTF-32 layout, XML declaration, CSS rule, meta element
  // or content, in that order.
  static bool GetBuffersEncoding(const char* bytes, uint32_t length, uint32_t& encoding);
};
