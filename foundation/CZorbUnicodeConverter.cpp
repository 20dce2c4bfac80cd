#include "foundation/CZorbUnicodeConverter.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/EncodingDetector.h"
#include "platform/os/TextConverter.h"
#include "platform/os/TextEncodings.h"

static_assert(CZorbUnicodeConverter::kUTF16LE == platform::encoding::kUTF16LE);
static_assert(CZorbUnicodeConverter::kUTF32LE == platform::encoding::kUTF32LE);

namespace {

using platform::TextConversion;
using platform::TextConvertResult;
using platform::TextDirection;
namespace textstatus = platform::textstatus;

// A charset name travels as a Pascal string.
constexpr size_t kPascalStringBytes = 255;

size_t unitLength(const char16_t* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

bool isXmlSpace(uint32_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The platform encoding behind an encoding value: every UTF-8 value becomes
// the one UTF-8 encoding.
uint32_t conversionEncoding(uint32_t encoding) {
  return CZorbUnicodeConverter::NormalizeEncoding(encoding);
}

bool isSkippableDecodeStatus(int32_t status) {
  return status == textstatus::kMalformedInput || status == textstatus::kUndefinedElement ||
         status == textstatus::kUnmappableElement || status == textstatus::kIncompleteElement ||
         status == textstatus::kUsedFallbacks;
}

// Decodes into out (room units); malformed or undefined bytes are skipped one
// at a time. Returns the units written; status is the last converter status.
size_t decode(uint32_t encoding, const unsigned char* bytes, size_t count, char16_t* out,
              size_t room, int32_t& status) {
  status = textstatus::kOk;
  {
    const char* const text = reinterpret_cast<const char*>(bytes);
    size_t at = 0;
    size_t units = 0;
    if (CZorbUnicodeConverter::DecodeDirectly(encoding, text, count, out, room, at, units,
                                              status)) {
      // As below: each byte that begins no character is skipped.
      while (isSkippableDecodeStatus(status) && at + 1 < count) {
        ++at;
        size_t taken = 0;
        size_t got = 0;
        CZorbUnicodeConverter::DecodeDirectly(encoding, text + at, count - at, out + units,
                                              room - units, taken, got, status);
        at += taken;
        units += got;
      }
      return units;
    }
  }
  TextConversion conv(conversionEncoding(encoding), TextDirection::ToUnicode);
  if (!conv.valid()) {
    status = CZorbUnicodeConverter::kNoConverter;
    return 0;
  }
  size_t read = 0;
  size_t written = 0;
  while (read < count) {
    TextConvertResult r =
        conv.convert(bytes + read, count - read, out + written, (room - written) * 2);
    read += r.bytesRead;
    written += r.bytesWritten / 2;
    status = r.status;
    if (status == textstatus::kOk) break;
    if (!isSkippableDecodeStatus(status)) break;  // output full or no path
    if (read < count) ++read;                     // skip the offending byte and go on
  }
  written += conv.finish(out + written, (room - written) * 2).bytesWritten / 2;
  return written;
}

template <class Unit>
uint32_t unitValue(Unit u) {
  return static_cast<uint32_t>(static_cast<std::make_unsigned_t<Unit>>(u));
}

// The declaration in in[0..length): from "<?xml" (after white space only) to
// the first "?>" after it. Returns its start and length through the out
// parameters.
template <class Unit>
bool findXmlDecl(const Unit* in, size_t length, size_t& start, size_t& size) {
  size_t i = 0;
  while (i < length && isXmlSpace(unitValue(in[i]))) ++i;
  static const char kOpen[] = "<?xml";
  if (length - i < 5) return false;
  for (size_t k = 0; k < 5; ++k) {
    if (unitValue(in[i + k]) != static_cast<uint32_t>(kOpen[k])) return false;
  }
  // "<?xml-stylesheet ...?>" and the like are processing instructions, not
  // the declaration.
  if (length - i > 5 && !isXmlSpace(unitValue(in[i + 5])) && unitValue(in[i + 5]) != '?')
    return false;
  for (size_t j = i + 5; j + 1 < length; ++j) {
    if (unitValue(in[j]) == '?' && unitValue(in[j + 1]) == '>') {
      start = i;
      size = j + 2 - i;
      return true;
    }
  }
  return false;
}

template <class In, class Out>
uint32_t copyXmlDecl(const In* in, size_t length, Out* out, uint32_t outSize) {
  size_t start = 0;
  size_t size = 0;
  if (!in || !out || outSize == 0 || !findXmlDecl(in, length, start, size)) return 0;
  const size_t n = std::min<size_t>(size, outSize - 1);
  for (size_t k = 0; k < n; ++k) out[k] = static_cast<Out>(unitValue(in[start + k]));
  return static_cast<uint32_t>(n);
}

uint32_t utf16Length(const char16_t* in, uint32_t length) {
  return length != 0 || !in ? length : static_cast<uint32_t>(unitLength(in));
}

// Bytes after a byte-order mark.
uint32_t skipMark(const char*& in, uint32_t length) {
  const uint32_t mark = CZorbUnicodeConverter::GetBuffersByteOrderMarkLength(in, length);
  in += mark;
  return length - mark;
}

void lowerAscii(std::u16string& s) {
  for (char16_t& c : s) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
}

}  // namespace

void CZorbUnicodeConverter::Initialize() {}

void CZorbUnicodeConverter::Uninitialize() {}

uint32_t CZorbUnicodeConverter::GetDefaultEncoding() {
  return platform::applicationTextEncoding();
}

bool CZorbUnicodeConverter::EncodingIsUTF8(uint32_t encoding) {
  return encoding == kUTF8 || encoding == kUTF8Alias || platform::textEncodingFormat(encoding) == 2;
}

uint32_t CZorbUnicodeConverter::NormalizeEncoding(uint32_t encoding) {
  return EncodingIsUTF8(encoding) ? kUTF8 : encoding;
}

bool CZorbUnicodeConverter::EquivalentEncodings(uint32_t a, uint32_t b) {
  return NormalizeEncoding(a) == NormalizeEncoding(b);
}

uint32_t CZorbUnicodeConverter::ConvertUTF16ToScriptText(uint32_t encoding, const char16_t* text,
                                                         uint32_t length, char* out,
                                                         uint32_t outSize) {
  int32_t status = 0;
  uint32_t written = 0;
  ConvertUTF16ToScriptText(encoding, text, length, out, outSize, status, &written);
  return written;
}

void CZorbUnicodeConverter::ConvertUTF16ToScriptText(uint32_t encoding, const char16_t* text,
                                                     uint32_t length, char* out, uint32_t outSize,
                                                     int32_t& status, uint32_t* writtenOut) {
  status = 0;
  if (writtenOut) *writtenOut = 0;
  length = utf16Length(text, length);
  if (!out && outSize != 0) outSize = 0;
  if (!text || length == 0) {
    if (outSize > 0) out[0] = 0;
    return;
  }
  TextConversion conv(conversionEncoding(encoding), TextDirection::FromUnicode);
  if (!conv.valid()) {
    status = CZorbUnicodeConverter::kNoConverter;
    if (outSize > 0) out[0] = 0;
    return;
  }

  size_t read = 0;  // units
  size_t written = 0;
  bool full = false;
  int32_t firstProblem = 0;
  while (read < length) {
    TextConvertResult r =
        conv.convert(text + read, (length - read) * 2, out + written, outSize - written);
    read += r.bytesRead / 2;
    written += r.bytesWritten;
    if (r.status == textstatus::kOk) break;
    if (r.status == textstatus::kOutputBufferFull || r.status == textstatus::kNoConversionPath) {
      full = r.status == textstatus::kOutputBufferFull;
      break;
    }
    // A character the encoding lacks, or a broken surrogate: write a
    // substitute through the same run (so a shifted encoding stays in
    // step) and go on behind it.
    if (firstProblem == 0) firstProblem = r.status;
    const bool pair = r.status == textstatus::kUnmappableElement && read + 1 < length &&
                      text[read] >= 0xD800 && text[read] <= 0xDBFF;
    read += pair ? 2 : 1;
    bool substituted = false;
    for (const char16_t sub : {u'\uFFFD', u'?'}) {
      TextConvertResult s = conv.convert(&sub, 2, out + written, outSize - written);
      if (s.status == textstatus::kOk) {
        written += s.bytesWritten;
        substituted = true;
        break;
      }
      if (s.status == textstatus::kOutputBufferFull) {
        full = true;
        break;
      }
    }
    if (full || !substituted) break;
  }
  if (!full) {
    TextConvertResult f = conv.finish(out + written, outSize - written);
    written += f.bytesWritten;
    if (f.status == textstatus::kOutputBufferFull) full = true;
  }
  if (written < outSize) out[written] = 0;
  status = full ? textstatus::kOutputBufferFull : firstProblem;
  if (writtenOut) *writtenOut = static_cast<uint32_t>(written);
}

uint32_t CZorbUnicodeConverter::GetMaxBufSizeToConvertToScript(uint32_t encoding, uint32_t length) {
  if (EncodingIsUTF8(encoding)) return length * 4;
  const uint32_t base = platform::textEncodingBase(encoding);
  const uint32_t format = platform::textEncodingFormat(encoding);
  if (base >= 0x100 && base <= 0x1FF) {
    if (format == 1) return length * 5 + 2;  // UTF-7: base64 runs with their shifts
    return length * (GetCodeUnitSize(encoding) == 4 ? 4 : 2);
  }
  // Shifted encodings may add an escape before every character and one at
  // the end.
  if (base >= 0x800 && base <= 0x8FF) return length * 8 + 4;
  // EUC-JP (JIS X 0212), EUC-TW and GB18030 take up to four bytes a unit.
  if (base == 0x920 || base == 0x931 || base == 0x632) return length * 4;
  return length * 2;
}

bool CZorbUnicodeConverter::DecodeDirectly(uint32_t encoding, const char* bytes, size_t byteCount,
                                           char16_t* out, size_t outSize, size_t& read,
                                           size_t& written, int32_t& status) {
  const uint32_t normal = NormalizeEncoding(encoding);
  const bool ascii = normal == platform::encoding::kUSASCII;
  if (normal != kUTF8 && !ascii) return false;
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  size_t w = 0;
  status = textstatus::kOk;
  while (i < byteCount) {
    const unsigned char lead = in[i];
    if (lead < 0x80) {
      if (w == outSize) {
        status = textstatus::kOutputBufferFull;
        break;
      }
      out[w++] = lead;
      ++i;
      continue;
    }
    // The lead byte gives the length; C0, C1 and F5 to FF begin nothing.
    size_t length = 0;
    uint32_t code = 0;
    if (ascii) {
      length = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07u;
    }
    if (length == 0) {
      status = textstatus::kMalformedInput;
      break;
    }
    size_t k = 1;
    for (; k < length && i + k < byteCount && (in[i + k] & 0xC0u) == 0x80u; ++k)
      code = (code << 6) | (in[i + k] & 0x3Fu);
    if (k < length) {
      // Cut off by the end, or by a byte that continues nothing.
      status = i + k >= byteCount ? textstatus::kIncompleteElement : textstatus::kMalformedInput;
      break;
    }
    // Overlong forms, surrogates and values past U+10FFFF are refused.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      status = textstatus::kMalformedInput;
      break;
    }
    const size_t units = code >= 0x10000 ? 2 : 1;
    if (outSize - w < units) {
      status = textstatus::kOutputBufferFull;
      break;
    }
    if (units == 2) {
      out[w++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out[w++] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out[w++] = static_cast<char16_t>(code);
    }
    i += length;
  }
  read = i;
  written = w;
  return true;
}

uint32_t CZorbUnicodeConverter::ConvertScriptTextToUTF16(uint32_t encoding, const char* bytes,
                                                         uint32_t byteCount, char16_t* out,
                                                         uint32_t outSize) {
  if (!out || outSize == 0) return 0;
  if (!bytes || byteCount == 0) {
    out[0] = 0;
    return 0;
  }
  int32_t status = 0;
  const size_t written = decode(encoding, reinterpret_cast<const unsigned char*>(bytes), byteCount,
                                out, outSize, status);
  if (written < outSize) out[written] = 0;
  return static_cast<uint32_t>(written);
}

uint32_t CZorbUnicodeConverter::ConvertScriptTextToUTF16(uint32_t encoding, const char* bytes,
                                                         uint32_t byteCount, CString& out) {
  if (!bytes || byteCount == 0) {
    out.Empty();
    return 0;
  }
  // One unit per byte is enough for every encoding but a few that
  // decompose characters; grow for those.
  size_t room = static_cast<size_t>(byteCount) + 1;
  for (;;) {
    char16_t* buffer = out.GetBuffer(static_cast<int32_t>(room));
    int32_t status = 0;
    const size_t written = decode(encoding, reinterpret_cast<const unsigned char*>(bytes),
                                  byteCount, buffer, room, status);
    if (status != textstatus::kOutputBufferFull) {
      out.ReleaseBuffer(static_cast<int32_t>(written));
      return static_cast<uint32_t>(written);
    }
    room *= 2;
  }
}

uint32_t CZorbUnicodeConverter::GetCodeUnitSize(uint32_t encoding) {
  if (EncodingIsUTF8(encoding)) return 1;
  const uint32_t base = platform::textEncodingBase(encoding);
  if (base < 0x100 || base > 0x1FF) return 1;
  switch (platform::textEncodingFormat(encoding)) {
    case 0:
      return base == kUTF32Marked ? 4 : 2;
    case 3:  // UTF-32
    case 6:  // UTF-32, big-endian
    case 7:  // UTF-32, little-endian
      return 4;
    case 4:  // UTF-16, big-endian
    case 5:  // UTF-16, little-endian
      return 2;
    default:
      return 1;
  }
}

bool CZorbUnicodeConverter::CodeUnitsAreLittleEndian(uint32_t encoding) {
  const uint32_t base = platform::textEncodingBase(encoding);
  const uint32_t format = platform::textEncodingFormat(encoding);
  return base >= 0x100 && base <= 0x1FF && (format == 5 || format == 7);
}

namespace {

struct Mark {
  const char* bytes;
  uint32_t length;
  uint32_t encoding;
};

// Longer marks first: FF FE 00 00 begins like FF FE.
constexpr Mark kMarks[] = {
    {"\xEF\xBB\xBF", 3, CZorbUnicodeConverter::kUTF8},
    {"\x00\x00\xFE\xFF", 4, CZorbUnicodeConverter::kUTF32Marked},
    {"\xFF\xFE\x00\x00", 4, CZorbUnicodeConverter::kUTF32LE},
    {"\xFE\xFF", 2, CZorbUnicodeConverter::kUTF16},
    {"\xFF\xFE", 2, CZorbUnicodeConverter::kUTF16LE},
};

const Mark* markOf(uint32_t encoding) {
  if (CZorbUnicodeConverter::EncodingIsUTF8(encoding)) return &kMarks[0];
  for (const Mark& mark : kMarks)
    if (mark.encoding == encoding) return &mark;
  return nullptr;
}

}  // namespace

uint32_t CZorbUnicodeConverter::GetEncodingsByteOrderMark(unsigned char* buffer, uint32_t size,
                                                          uint32_t encoding) {
  const Mark* mark = markOf(encoding);
  if (!mark || !buffer || size < mark->length) return 0;
  std::memcpy(buffer, mark->bytes, mark->length);
  return mark->length;
}

uint32_t CZorbUnicodeConverter::GetByteOrderMarkLength(uint32_t encoding) {
  const Mark* mark = markOf(encoding);
  return mark ? mark->length : 0;
}

bool CZorbUnicodeConverter::GetBuffersEncodingFromByteOrderMark(const char* bytes, uint32_t length,
                                                                uint32_t& encoding) {
  uint32_t found = 0;
  if (GetBuffersByteOrderMarkLength(bytes, length, found) == 0) return false;
  encoding = found;
  return true;
}

uint32_t CZorbUnicodeConverter::GetBuffersByteOrderMarkLength(const char* bytes, uint32_t length) {
  uint32_t encoding = 0;
  return GetBuffersByteOrderMarkLength(bytes, length, encoding);
}

uint32_t CZorbUnicodeConverter::GetBuffersByteOrderMarkLength(const char* bytes, uint32_t length,
                                                              uint32_t& encoding) {
  if (!bytes) return 0;
  for (const Mark& mark : kMarks) {
    if (length >= mark.length && std::memcmp(bytes, mark.bytes, mark.length) == 0) {
      encoding = mark.encoding;
      return mark.length;
    }
  }
  return 0;
}

bool CZorbUnicodeConverter::GetBuffersEncodingFromUnitLayout(const char* bytes, uint32_t length,
                                                             uint32_t& encoding) {
  if (!bytes || length < 2) return false;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  const auto opens = [](unsigned char c) { return c == '<' || isXmlSpace(c); };
  uint32_t found = 0;
  if (length >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0 && opens(b[3]))
    found = kUTF32Marked;
  else if (length >= 4 && opens(b[0]) && b[1] == 0 && b[2] == 0 && b[3] == 0)
    found = kUTF32LE;
  else if (b[0] == 0 && opens(b[1]))
    found = kUTF16;
  else if (opens(b[0]) && b[1] == 0)
    found = kUTF16LE;
  else
    return false;
  encoding = found;
  return true;
}

uint32_t CZorbUnicodeConverter::GetXMLDecl(const char* in, uint32_t length, char* out,
                                           uint32_t outSize) {
  if (!in) return 0;
  length = skipMark(in, length);
  return copyXmlDecl(in, length, out, outSize);
}

uint32_t CZorbUnicodeConverter::GetXMLDecl(const char* in, uint32_t length, char16_t* out,
                                           uint32_t outSize) {
  if (!in) return 0;
  length = skipMark(in, length);
  return copyXmlDecl(in, length, out, outSize);
}

uint32_t CZorbUnicodeConverter::GetXMLDecl(const char16_t* in, uint32_t length, char* out,
                                           uint32_t outSize) {
  return copyXmlDecl(in, utf16Length(in, length), out, outSize);
}

uint32_t CZorbUnicodeConverter::GetXMLDecl(const char16_t* in, uint32_t length, char16_t* out,
                                           uint32_t outSize) {
  return copyXmlDecl(in, utf16Length(in, length), out, outSize);
}

bool CZorbUnicodeConverter::GetEncodingFromCharsetName(const char16_t* text, uint32_t length,
                                                       uint32_t& encoding) {
  if (!text) return false;
  std::u16string s(text, utf16Length(text, length));
  lowerAscii(s);

  const size_t charset = s.find(u"charset");
  if (charset != std::u16string::npos) {
    s.erase(0, charset);
    const size_t eq = s.find(u'=');
    if (eq != std::u16string::npos) s.erase(0, eq + 1);
  } else {
    const size_t enc = s.find(u"encoding");
    if (enc != std::u16string::npos) s.erase(0, enc);
    const size_t eq = s.find(u'=');
    if (eq != std::u16string::npos) s.erase(0, eq + 1);
    const size_t quote = s.find_first_of(u"\"'");
    if (quote != std::u16string::npos) s.erase(0, quote + 1);
  }
  const size_t end = s.find_first_of(u"\"'");
  if (end != std::u16string::npos) s.erase(end);

  // The name travels as a Pascal string: ASCII, at most 255 bytes.
  if (s.size() > kPascalStringBytes) return false;
  std::string name;
  for (char16_t c : s) {
    if (c == 0 || c > 0x7F) return false;
    name += static_cast<char>(c);
  }
  uint32_t found = 0;
  if (platform::textEncodingFromInternetName(name, found)) {
    encoding = found;
    return true;
  }
  if (name == "iso-x-sjis") {
    encoding = kShiftJIS;
    return true;
  }
  return false;
}

bool CZorbUnicodeConverter::GetBuffersEncodingFromXMLDecl(const char* bytes, uint32_t length,
                                                          uint32_t& encoding) {
  char16_t decl[kXmlDeclUnits];
  const uint32_t n = GetXMLDecl(bytes, length, decl, kXmlDeclUnits);
  return n != 0 && GetEncodingFromCharsetName(decl, n, encoding);
}

bool CZorbUnicodeConverter::GetBuffersEncodingFromCSSCharset(const char* bytes, uint32_t length,
                                                             uint32_t& encoding) {
  if (!bytes) return false;
  uint32_t i = 0;
  while (i < length && isXmlSpace(static_cast<unsigned char>(bytes[i]))) ++i;
  if (length - i < 9 || std::memcmp(bytes + i, "@charset", 8) != 0) return false;
  i += 8;
  // The rule's name, up to its semicolon (at most 63 bytes), so that a
  // quote or "=" in the style sheet behind it cannot be taken for it.
  char16_t name[64];
  uint32_t n = 0;
  while (i < length && n < 63 && bytes[i] != ';')
    name[n++] = static_cast<unsigned char>(bytes[i++]);
  name[n] = 0;
  return n != 0 && GetEncodingFromCharsetName(name, n, encoding);
}

bool CZorbUnicodeConverter::GetBuffersEncodingFromMetaInfo(const char* bytes, uint32_t length,
                                                           uint32_t& encoding) {
  if (!bytes) return false;
  MetaTagDetector meta;
  AsciiDetector ascii;
  UTF8Detector utf8;
  bool metaScanning = true;
  bool asciiScanning = true;
  bool utf8Scanning = true;
  for (uint32_t i = 0; i < length; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (metaScanning) {
      metaScanning = meta.ScanByte(b);
      if (!metaScanning && meta.GetEncoding() != EncodingDetector::kNoEncoding) break;
    }
    if (asciiScanning) asciiScanning = ascii.ScanByte(b);
    if (utf8Scanning) utf8Scanning = utf8.ScanByte(b);
  }
  if (meta.GetEncoding() != EncodingDetector::kNoEncoding) {
    encoding = meta.GetEncoding();
    return true;
  }
  if (ascii.GetEncoding() != EncodingDetector::kNoEncoding) {
    encoding = ascii.GetEncoding();
    return true;
  }
  if (utf8.GetEncoding() != EncodingDetector::kNoEncoding) {
    encoding = utf8.GetEncoding();
    return true;
  }
  return false;
}

bool CZorbUnicodeConverter::GetBuffersEncodingFromAutoDetect(const char*, uint32_t, uint32_t&) {
  return false;
}

bool CZorbUnicodeConverter::GetBuffersEncoding(const char* bytes, uint32_t length,
                                               uint32_t& encoding) {
  if (!bytes) return false;
  if (GetBuffersEncodingFromByteOrderMark(bytes, length, encoding)) return true;
  if (GetBuffersEncodingFromUnitLayout(bytes, length, encoding)) return true;
  if (GetBuffersEncodingFromXMLDecl(bytes, length, encoding)) return true;
  if (GetBuffersEncodingFromCSSCharset(bytes, length, encoding)) return true;
  if (GetBuffersEncodingFromMetaInfo(bytes, length, encoding)) return true;
  char decl[8];
  if (GetXMLDecl(bytes, length, decl, sizeof decl) != 0) {
    encoding = kUTF8;
    return true;
  }
  return false;
}
