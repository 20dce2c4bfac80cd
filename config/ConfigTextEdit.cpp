#include "config/ConfigTextEdit.h"

#include "config/CZorbTextConfigFile.h"
#include "platform/widechar/WideChar.h"

namespace cfgtext {

void Work::Splice(size_t at, size_t count, const std::u16string& with) {
  text.replace(at, count, with);
  lower = Lowered(text);
}

CZorbTextConfigFile* AsTextFile(CZorbXmlFile* file) {
  return dynamic_cast<CZorbTextConfigFile*>(file);
}

std::u16string ToU16(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

std::u16string Lowered(const std::u16string& text) {
  std::u16string lower(text);
  for (char16_t& ch : lower) ch = platform::towlower(ch);
  return lower;
}

bool IsLineEnd(char16_t ch) {
  return ch == u'\r' || ch == u'\n';
}

size_t LineEnd(const std::u16string& text, size_t from) {
  const size_t at = text.find_first_of(u"\r\n", from);
  return at == std::u16string::npos ? text.size() : at;
}

size_t LineEndLength(const std::u16string& text, size_t pos) {
  if (pos >= text.size() || !IsLineEnd(text[pos])) return 0;
  if (text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n') return 2;
  return 1;
}

size_t LineStart(const std::u16string& text, size_t pos) {
  while (pos > 0 && !IsLineEnd(text[pos - 1])) --pos;
  return pos;
}

void Prepare(const CZorbTextConfigFile& file, Work& work) {
  work.text = ToU16(file.m_content);
  const size_t first = work.text.find_first_of(u"\r\n");
  work.eol = first == std::u16string::npos
                 ? u"\r"
                 : work.text.substr(first, LineEndLength(work.text, first));
  if (!work.text.empty() && !IsLineEnd(work.text.back())) work.text += work.eol;
  work.lower = Lowered(work.text);
}

void Store(CZorbTextConfigFile& file, const Work& work) {
  if (work.text.empty())
    file.m_content.Empty();
  else
    file.m_content = CString(work.text.data(), static_cast<uint32_t>(work.text.size()));
}

}  // namespace cfgtext
