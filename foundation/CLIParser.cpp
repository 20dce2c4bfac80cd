#include "foundation/CLIParser.h"

CString CLIParser::quote(const CString& text) {
  CString out(u"\"");
  for (int32_t i = 0; i < text.GetLength(); ++i) {
    const char16_t ch = text.GetAt(i);
    if (ch == u'\\' || ch == u'"') out += u'\\';
    out += ch;
  }
  out += u'"';
  return out;
}
