#include "foundation/LocaleId.h"

#include <vector>

namespace {

bool isAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool oneOf(const std::string& s, std::initializer_list<const char*> list) {
  for (const char* item : list)
    if (s == item) return true;
  return false;
}

}  // namespace

LocaleId::LocaleId(const char* text) {
  fromString(text);
}

bool LocaleId::needScriptAlways(const std::string& language) {
  return oneOf(language, {"az", "bs", "ha", "iu", "sr", "tg", "uz"});
}

bool LocaleId::needScriptIfNoRegion(const std::string& language) {
  return needScriptAlways(language) || language == "zh";
}

bool LocaleId::fromString(const char* text) {
  clear();
  if (text == nullptr) return false;

  // Tokens are runs of letters and digits; a separator counts only between
  // two tokens, so a stray or doubled one gives an empty token, which no
  // part takes.
  std::vector<std::string> tokens;
  const char* p = text;
  for (;;) {
    std::string token;
    while (isAsciiAlnum(*p)) token += *p++;
    tokens.push_back(token);
    if (*p == '\0') break;
    if (!isAsciiAlnum(p[1])) {
      tokens.emplace_back();
      break;
    }
    ++p;
  }

  int state = 0;
  for (const auto& token : tokens) {
    size_t n = token.size();
    if ((n == 2 || n == 3) && state == 0) {
      m_language = token;
      state = 1;
    } else if ((n == 2 || n == 3) && (state == 1 || state == 2)) {
      m_region = token;
      state = 3;
    } else if (n == 4 && state == 1) {
      m_script = token;
      state = 2;
    } else {
      clear();
      return false;
    }
  }

  for (char& c : m_language) c = lower(c);
  for (size_t i = 0; i < m_script.size(); ++i)
    m_script[i] = i == 0 ? upper(m_script[i]) : lower(m_script[i]);
  for (char& c : m_region) c = upper(c);
  fillScript();
  return true;
}

void LocaleId::fillScript() {
  if (!m_script.empty()) return;
  if (oneOf(m_language, {"sr", "tg", "uz"})) {
    m_script = "Cyrl";
  } else if (m_language == "iu") {
    m_script = "Cans";
  } else if (m_language == "zh") {
    if (oneOf(m_region, {"CN", "SG"}))
      m_script = "Hans";
    else if (oneOf(m_region, {"TW", "HK", "MO"}))
      m_script = "Hant";
  } else if (m_language == "mn") {
    if (m_region == "CN")
      m_script = "Mong";
    else if (m_region == "SG")
      m_script = "Cyrl";
  } else if (m_language == "pa") {
    if (m_region == "PK")
      m_script = "Arab";
    else if (m_region == "IN")
      m_script = "Guru";
  } else if (m_language == "ha") {
    if (oneOf(m_region, {"GH", "NE"})) m_script = "Latn";
  }
}

std::string LocaleId::getName() const {
  std::string name = m_language;
  bool withScript =
      needScriptAlways(m_language) || (needScriptIfNoRegion(m_language) && m_region.empty());
  if (withScript && !m_script.empty()) name += "-" + m_script;
  if (!m_region.empty()) name += "-" + m_region;
  return name;
}

std::string LocaleId::getParentName() const {
  std::string name = m_language;
  if (needScriptIfNoRegion(m_language) && !m_script.empty()) name += "-" + m_script;
  return name;
}

bool LocaleId::isEqual(const LocaleId& other) const {
  return getName() == other.getName();
}

bool LocaleId::hasSameParent(const LocaleId& other) const {
  return getParentName() == other.getParentName();
}

void LocaleId::clear() {
  m_language.clear();
  m_script.clear();
  m_region.clear();
}
