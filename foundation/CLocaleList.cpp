#include "foundation/CLocaleList.h"

namespace {

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

}  // namespace

CLocaleList::CLocaleList(const char* text) {
  FromString(text);
}

size_t CLocaleList::FromString(const char* text) {
  m_items.clear();
  if (text == nullptr) return 0;
  std::string item;
  for (const char* p = text;; ++p) {
    if (*p != '\0' && isNameChar(*p)) {
      item += *p;
      continue;
    }
    if (!item.empty()) m_items.push_back(item);
    item.clear();
    if (*p == '\0') break;
  }
  return m_items.size();
}
