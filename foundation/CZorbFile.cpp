#include "foundation/CZorbFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "platform/os/TextConverter.h"

namespace {

namespace textstatus = platform::textstatus;

// Raw reads go through this many bytes at a time.
constexpr size_t kChunk = 4096;
// ReadFileDecode's block.
constexpr size_t kBlock = 4096;

// The code unit of width bytes at p, in the encoding's byte order.
uint32_t unitAt(const char* p, unsigned width, bool littleEndian) {
  uint32_t v = 0;
  for (unsigned k = 0; k < width; ++k)
    v = (v << 8) | static_cast<unsigned char>(p[littleEndian ? width - 1 - k : k]);
  return v;
}

bool isLineEnd(uint32_t unit) {
  return unit == '\r' || unit == '\n';
}

bool isHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}

}  // namespace

CZorbFile::CZorbFile(uint32_t encoding) : m_encoding(encoding) {}

CZorbFile::~CZorbFile() = default;

bool CZorbFile::Open(const char16_t* path, unsigned int flags, bool raw) {
  ForgetReadState();
  return CFile::Open(path, flags, raw);
}

void CZorbFile::Close() {
  ForgetReadState();
  CFile::Close();
}

void CZorbFile::ForgetReadState() {
  m_pending.clear();
  m_pendingPosition = -1;
  m_carry.clear();
  m_blockDecoder.reset();
  m_carryPosition = -1;
}

void CZorbFile::SetScriptCode(uint32_t encoding) {
  m_encoding = encoding;
  m_blockDecoder.reset();
}

uint32_t CZorbFile::GetScriptCode() const {
  return m_encoding;
}

unsigned CZorbFile::UnitWidth() const {
  return CZorbUnicodeConverter::GetCodeUnitSize(m_encoding);
}

// ---------------------------------------------------------------- writing

int CZorbFile::Write(const void* text, unsigned int length) {
  const auto* units = static_cast<const char16_t*>(text);
  if (!units) return 0;
  if (length == 0)
    while (units[length]) ++length;
  return WriteEncoded(units, length);
}

int CZorbFile::WriteEncoded(const char16_t* text, size_t length) {
  if (length == 0) return 0;
  // The estimate holds every encoding's worst case; should a converter
  // still need more, convert again into a larger buffer rather than write
  // part of the text.
  size_t size = static_cast<size_t>(CZorbUnicodeConverter::GetMaxBufSizeToConvertToScript(
                    m_encoding, static_cast<uint32_t>(length))) +
                1;
  std::vector<char> bytes;
  for (;;) {
    bytes.resize(size);
    int32_t status = 0;
    uint32_t written = 0;
    CZorbUnicodeConverter::ConvertUTF16ToScriptText(m_encoding, text, static_cast<uint32_t>(length),
                                                    bytes.data(), static_cast<uint32_t>(size),
                                                    status, &written);
    if (status == textstatus::kOutputBufferFull) {
      size *= 2;
      continue;
    }
    if (status == -1) return textstatus::kNoConversionPath;
    return CFile::Write(bytes.data(), written);
  }
}

int CZorbFile::WriteBytes(const void* bytes, unsigned int count) {
  return CFile::Write(bytes, count);
}

int CZorbFile::WriteLineRaw(const char* text) {
  if (!text) return 0;
  return CFile::Write(text, static_cast<unsigned int>(std::strlen(text)));
}

int CZorbFile::WriteLine(const char16_t* text, unsigned int length, bool lineEnd) {
  return WriteLineEncode(text, length, lineEnd);
}

int CZorbFile::WriteString(const char16_t* text) {
  unsigned int length = 0;
  if (text)
    while (text[length]) ++length;
  return WriteLineEncode(text, length, true);
}

int CZorbFile::WriteLineEncode(const char16_t* text, unsigned int length, bool lineEnd) {
  // Lines are split on the UTF-16 text and each piece converted on its own,
  // so that an encoding whose characters hold 0x0D or 0x0A bytes (UTF-16,
  // UTF-32) is never cut inside a character.
  const char16_t cr = u'\r';
  if (!text || length == 0) return lineEnd ? WriteEncoded(&cr, 1) : 0;
  if (lineEnd && isLineEnd(text[length - 1])) lineEnd = false;

  size_t start = 0;
  size_t i = 0;
  while (i < length) {
    const char16_t c = text[i];
    if (!isLineEnd(c)) {
      ++i;
      continue;
    }
    if (int status = WriteEncoded(text + start, i - start)) return status;
    if (int status = WriteEncoded(&cr, 1)) return status;
    const char16_t other = c == u'\r' ? u'\n' : u'\r';
    i += (i + 1 < length && text[i + 1] == other) ? 2 : 1;
    start = i;
  }
  if (int status = WriteEncoded(text + start, length - start)) return status;
  return lineEnd ? WriteEncoded(&cr, 1) : 0;
}

uint32_t CZorbFile::WriteByteOrderMark() {
  unsigned char mark[4];
  const uint32_t n =
      CZorbUnicodeConverter::GetEncodingsByteOrderMark(mark, sizeof mark, m_encoding);
  if (n == 0 || CFile::Write(mark, n) != 0) return 0;
  return n;
}

// ---------------------------------------------------------------- reading

unsigned int CZorbFile::ReadBytes(void* buffer, unsigned int count) {
  return CFile::Read(buffer, count);
}

bool CZorbFile::ReadRawLine(std::string& out, size_t maxBytes, unsigned width, bool& ended) {
  ended = false;
  const bool little = width > 1 && CZorbUnicodeConverter::CodeUnitsAreLittleEndian(m_encoding);
  const int64_t start = GetPosition();
  size_t consumed = 0;
  bool any = false;
  char chunk[kChunk];
  // The two units behind a line end: a line end alone, or with its partner.
  auto lineEndLength = [&](int64_t at, uint32_t unit) -> size_t {
    char next[4];
    Seek(at, kFromStart);
    const uint32_t partner = unit == '\r' ? '\n' : '\r';
    if (CFile::Read(next, width) == width && unitAt(next, width, little) == partner) return width;
    return 0;
  };
  // Short lines are the rule: start small, grow for long ones.
  size_t chunkSize = 256;
  for (;;) {
    size_t want = chunkSize;
    chunkSize = std::min(chunkSize * 2, kChunk);
    if (maxBytes != 0) want = std::min(want, maxBytes - consumed);
    want -= want % width;
    if (want == 0) break;
    const unsigned n = CFile::Read(chunk, static_cast<unsigned>(want));
    if (n == 0) break;
    any = true;
    for (size_t i = 0; i + width <= n; i += width) {
      const uint32_t unit = unitAt(chunk + i, width, little);
      if (!isLineEnd(unit)) continue;
      out.append(chunk, i);
      const int64_t afterEnd = start + static_cast<int64_t>(consumed + i + width);
      const size_t extra = lineEndLength(afterEnd, unit);
      Seek(afterEnd + static_cast<int64_t>(extra), kFromStart);
      ended = true;
      return true;
    }
    out.append(chunk, n);
    consumed += n;
    if (n < want) return true;  // end of file
  }
  if (any && maxBytes != 0 && consumed == maxBytes) {
    // The piece is full: when the line ends right behind it, take the
    // line end now rather than hand out an empty line next time.
    const int64_t at = start + static_cast<int64_t>(consumed);
    char next[4];
    if (CFile::Read(next, width) == width && isLineEnd(unitAt(next, width, little))) {
      const int64_t afterEnd = at + width;
      const size_t extra = lineEndLength(afterEnd, unitAt(next, width, little));
      Seek(afterEnd + static_cast<int64_t>(extra), kFromStart);
      ended = true;
    } else {
      Seek(at, kFromStart);
    }
  }
  return any;
}

bool CZorbFile::ReadLineRaw(char* buffer, unsigned int size) {
  if (!buffer || size < 2) return false;
  std::string line;
  bool ended = false;
  if (!ReadRawLine(line, size - 1, 1, ended)) return false;
  std::memcpy(buffer, line.data(), line.size());
  buffer[line.size()] = 0;
  return true;
}

bool CZorbFile::ReadDecodedLine(std::u16string& line) {
  std::string raw;
  bool ended = false;
  if (!ReadRawLine(raw, 0, UnitWidth(), ended)) return false;
  CString decoded;
  CZorbUnicodeConverter::ConvertScriptTextToUTF16(m_encoding, raw.data(),
                                                  static_cast<uint32_t>(raw.size()), decoded);
  line.assign(decoded.Get(), static_cast<size_t>(decoded.GetLength()));
  return true;
}

bool CZorbFile::ReadLineDecode(char16_t* buffer, unsigned int size) {
  if (!buffer || size < 2) return false;
  std::u16string line;
  if (!m_pending.empty() && GetPosition() == m_pendingPosition) {
    line.swap(m_pending);
  } else if (!ReadDecodedLine(line)) {
    m_pending.clear();
    buffer[0] = 0;
    return false;
  }
  m_pending.clear();
  size_t fit = std::min<size_t>(line.size(), size - 1);
  if (fit < line.size() && fit > 1 && isHighSurrogate(line[fit - 1]))
    --fit;  // keep a surrogate pair together
  std::copy(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(fit), buffer);
  buffer[fit] = 0;
  if (fit < line.size()) {
    m_pending = line.substr(fit);
    m_pendingPosition = GetPosition();
  }
  return true;
}

bool CZorbFile::ReadLine(char16_t* buffer, unsigned int size) {
  return ReadLineDecode(buffer, size);
}

char16_t* CZorbFile::ReadString(char16_t* buffer, unsigned int size) {
  return ReadLineDecode(buffer, size) ? buffer : nullptr;
}

bool CZorbFile::ReadString(CString& line) {
  std::u16string text;
  if (!m_pending.empty() && GetPosition() == m_pendingPosition) {
    text.swap(m_pending);
  } else if (!ReadDecodedLine(text)) {
    m_pending.clear();
    line.Empty();
    return false;
  }
  m_pending.clear();
  line.Empty();
  line.Append(text.c_str(), static_cast<uint32_t>(text.size()));
  return true;
}

uint32_t CZorbFile::ReadFile(CString& out) {
  ForgetReadState();
  out.Empty();
  if (!IsOpen()) return 0;
  SeekToBegin();
  ReadPastByteOrderMark();
  const int64_t position = GetPosition();
  // The bytes behind a mark are in the encoding it announces, whatever the
  // file was opened for.
  uint32_t encoding = m_encoding;
  if (position > 0) {
    char head[4];
    const uint32_t n = FilePeekStartBytes(*this, head, sizeof head);
    (void)CZorbUnicodeConverter::GetBuffersByteOrderMarkLength(head, n, encoding);
  }
  const int64_t length = GetLength();
  if (length <= position) return 0;
  std::vector<char> bytes(static_cast<size_t>(length - position) + 1);
  const unsigned got = CFile::Read(bytes.data(), static_cast<unsigned>(bytes.size()));
  // Part of a text is no text: a caller could take it for the whole file.
  if (got < static_cast<uint64_t>(length - position)) return 0;
  return CZorbUnicodeConverter::ConvertScriptTextToUTF16(encoding, bytes.data(), got, out);
}

uint32_t CZorbFile::DecodeBlock(size_t rawBytes, char16_t* out, size_t units, bool* end) {
  if (GetPosition() != m_carryPosition) {
    m_carry.clear();
    m_blockDecoder.reset();
  }
  m_pending.clear();
  if (!out || units == 0) {
    if (end) *end = m_carry.empty() && GetPosition() >= GetLength();
    return 0;
  }

  // The bytes carried from the last block come first; the block never
  // grows beyond rawBytes.
  std::string data;
  data.swap(m_carry);
  if (data.size() < rawBytes) {
    const size_t old = data.size();
    data.resize(rawBytes);
    data.resize(old + CFile::Read(data.data() + old, static_cast<unsigned>(rawBytes - old)));
  }
  const bool atEnd = GetPosition() >= GetLength();

  if (!m_blockDecoder)
    m_blockDecoder = std::make_unique<platform::TextConversion>(
        CZorbUnicodeConverter::NormalizeEncoding(m_encoding), platform::TextDirection::ToUnicode);
  size_t read = 0;
  size_t written = 0;
  bool keepRest = false;
  while (read < data.size() && m_blockDecoder->valid()) {
    const platform::TextConvertResult r = m_blockDecoder->convert(
        data.data() + read, data.size() - read, out + written, (units - written) * 2);
    read += r.bytesRead;
    written += r.bytesWritten / 2;
    if (r.status == textstatus::kOk) break;
    if (r.status == textstatus::kOutputBufferFull ||
        (r.status == textstatus::kIncompleteElement && !atEnd)) {
      keepRest = true;  // the rest goes into the next block
      break;
    }
    ++read;  // a malformed byte: skip it
  }
  if (keepRest) m_carry.assign(data, read, std::string::npos);
  if (atEnd && m_carry.empty()) m_blockDecoder.reset();
  m_carryPosition = GetPosition();
  if (written < units) out[written] = 0;
  if (end) *end = atEnd && m_carry.empty();
  return static_cast<uint32_t>(written);
}

unsigned int CZorbFile::Read(void* out, unsigned int size) {
  return DecodeBlock(size / 2, static_cast<char16_t*>(out), size / 2, nullptr);
}

uint32_t CZorbFile::ReadFileDecode(char16_t* buffer, unsigned int size, bool* end) {
  return DecodeBlock(kBlock, buffer, size, end);
}

// ---------------------------------------------------------------- marks and declarations

void CZorbFile::ReadPastByteOrderMark() {
  if (GetPosition() != 0) return;
  char bytes[4];
  const unsigned n = CFile::Read(bytes, sizeof bytes);
  uint32_t encoding = 0;
  const uint32_t mark = CZorbUnicodeConverter::GetBuffersByteOrderMarkLength(bytes, n, encoding);
  Seek(mark != 0 ? CZorbUnicodeConverter::GetByteOrderMarkLength(encoding) : 0, kFromStart);
}

bool CZorbFile::SetEncodingFromByteOrderMark() {
  uint32_t encoding = 0;
  if (!FileGetEncodingFromByteOrderMark(*this, encoding)) return false;
  SetScriptCode(encoding);
  return true;
}

bool CZorbFile::SetEncodingFromXMLDecl() {
  uint32_t encoding = 0;
  if (!FileGetEncodingFromXMLDecl(*this, encoding)) return false;
  SetScriptCode(encoding);
  return true;
}

uint32_t CZorbFile::FilePeekStartBytes(CFile& file, void* buffer, uint32_t count) {
  if (!buffer || count == 0 || !file.IsOpen()) return 0;
  const int64_t position = file.GetPosition();
  file.Seek(0, kFromStart);
  // CFile's own Read: a CZorbFile's would decode.
  const uint32_t n = file.CFile::Read(buffer, count);
  file.Seek(position, kFromStart);
  return n;
}

uint32_t CZorbFile::FilePeekBytes(CFile& file, void* buffer, uint32_t count) {
  if (!buffer || count == 0 || !file.IsOpen()) return 0;
  const int64_t position = file.GetPosition();
  const uint32_t n = file.CFile::Read(buffer, count);
  file.Seek(position, kFromStart);
  return n;
}

bool CZorbFile::FileGetEncodingFromByteOrderMark(CFile& file, uint32_t& encoding) {
  char bytes[10];
  if (FilePeekStartBytes(file, bytes, sizeof bytes) < sizeof bytes) return false;
  return CZorbUnicodeConverter::GetBuffersEncodingFromByteOrderMark(bytes, sizeof bytes, encoding);
}

uint32_t CZorbFile::FileGetXMLDecl(CFile& file, char16_t* buffer, uint32_t size) {
  if (!buffer || size == 0) return 0;
  // The bytes go into a buffer of their own, so that widening them cannot
  // overwrite bytes not yet looked at.
  std::vector<char> bytes(size);
  const uint32_t n = FilePeekStartBytes(file, bytes.data(), size - 1);
  bytes[n] = 0;
  const uint32_t count = CZorbUnicodeConverter::GetXMLDecl(bytes.data(), n, buffer, size);
  if (count < size) buffer[count] = 0;
  return count;
}

bool CZorbFile::FileGetEncodingFromXMLDecl(CFile& file, uint32_t& encoding) {
  char16_t decl[CZorbUnicodeConverter::kXmlDeclUnits];
  const uint32_t n = FileGetXMLDecl(file, decl, CZorbUnicodeConverter::kXmlDeclUnits);
  return n != 0 && CZorbUnicodeConverter::GetEncodingFromCharsetName(decl, n, encoding);
}
