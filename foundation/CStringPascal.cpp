#include "foundation/CString.h"

#include "foundation/CZorbUnicodeConverter.h"

void CString::AsPascal(unsigned char* out) const {
  if (!out) return;
  out[0] = 0;
  if (!m_buffer || m_length == 0) return;
  // The converter stops at a whole character when the 255 bytes are full.
  const uint32_t n = CZorbUnicodeConverter::ConvertUTF16ToScriptText(
      CZorbUnicodeConverter::GetDefaultEncoding(), m_buffer, m_length,
      reinterpret_cast<char*>(out + 1), 255);
  out[0] = static_cast<unsigned char>(n);
}
