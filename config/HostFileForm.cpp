#include "config/HostFileForm.h"

#include <climits>
#include <string>

#include "foundation/CFile.h"
#include "foundation/CZorbUnicodeConverter.h"

namespace {

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

// The whole file, or false when it cannot be read.
bool ReadBytes(const char16_t* path, std::string& bytes) {
  CFile file;
  if (!path || !file.Open(path, 0, true)) return false;
  const int64_t length = file.GetLength();
  const bool ok = length >= 0 && length < INT_MAX;
  if (ok) {
    bytes.resize(static_cast<size_t>(length));
    size_t got = 0;
    while (got < bytes.size()) {
      const unsigned int n =
          file.Read(bytes.data() + got, static_cast<unsigned int>(bytes.size() - got));
      if (n == 0) break;
      got += n;
    }
    bytes.resize(got);
  }
  file.Close();
  return ok;
}

// The code unit at byte offset at, over width bytes in their byte order.
uint32_t UnitAt(const std::string& bytes, size_t at, size_t width, bool littleEndian) {
  uint32_t unit = 0;
  for (size_t i = 0; i < width; ++i)
    unit = unit << 8 | static_cast<unsigned char>(bytes[at + (littleEndian ? width - 1 - i : i)]);
  return unit;
}

}  // namespace

bool HostFileForm::Read(const char16_t* path) {
  *this = HostFileForm();
  std::string bytes;
  if (!ReadBytes(path, bytes)) return false;

  using Conv = CZorbUnicodeConverter;
  uint32_t encoding = 0;
  const uint32_t head = static_cast<uint32_t>(bytes.size() < 4 ? bytes.size() : 4);
  const uint32_t markLength = Conv::GetBuffersByteOrderMarkLength(bytes.data(), head, encoding);
  m_mark = markLength > 0;
  m_markEncoding = m_mark ? encoding : 0;

  // Line ends are found on whole units: those of the mark's encoding, or of
  // UTF-16 or UTF-32 known by their zero bytes.
  uint32_t unitEncoding = 0;
  if (m_mark)
    unitEncoding = encoding;
  else
    (void)Conv::GetBuffersEncodingFromUnitLayout(bytes.data(), head, unitEncoding);
  const size_t width = Conv::GetCodeUnitSize(unitEncoding);
  const bool little = Conv::CodeUnitsAreLittleEndian(unitEncoding);
  const size_t end = bytes.size() - (bytes.size() - markLength) % width;
  for (size_t at = markLength; at + width <= end; at += width) {
    const uint32_t unit = UnitAt(bytes, at, width, little);
    if (unit == kLF) {
      m_lineEnd = u"\n";
      break;
    }
    if (unit == kCR) {
      const bool pair = at + 2 * width <= end && UnitAt(bytes, at + width, width, little) == kLF;
      m_lineEnd = pair ? u"\r\n" : u"\r";
      break;
    }
  }
  if (end >= markLength + width) {
    const uint32_t last = UnitAt(bytes, end - width, width, little);
    m_finalLineEnd = last == kCR || last == kLF;
  }
  return true;
}

void HostFileForm::Apply(CString& text) const {
  if (m_lineEnd != u"\r" && text.GetLength() > 0) {
    const char16_t* p = text.Get();
    const size_t length = static_cast<size_t>(text.GetLength());
    std::u16string out;
    out.reserve(length + length / 16);
    for (size_t i = 0; i < length; ++i) {
      if (p[i] == kCR || p[i] == kLF)
        out += m_lineEnd;
      else
        out += p[i];
    }
    text = CString(out.data(), static_cast<uint32_t>(out.size()));
  } else if (text.GetLength() > 0) {
    text.Replace(kLF, kCR);
  }
  ApplyFinalLineEnd(text);
}

void HostFileForm::ApplyFinalLineEnd(CString& text) const {
  if (m_finalLineEnd) return;
  int32_t length = text.GetLength();
  const char16_t* p = text.Get();
  if (length > 0 && p[length - 1] == kLF) --length;
  if (length > 0 && p[length - 1] == kCR) --length;
  if (length == text.GetLength()) return;
  text = length > 0 ? CString(p, static_cast<uint32_t>(length)) : CString();
}
