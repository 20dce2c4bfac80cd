#include "foundation/CZorbOS.h"

#include "foundation/Logger.h"
#include "foundation/MuiLocales.h"
#include "platform/os/TextEncodings.h"

std::vector<std::string> CZorbOS::m_LocaleListString;

namespace {

const char kSource[] = "CZorbOSLocaleList";

// The candidates for the preferred language: taken from the locale list at
// the first question that finds it filled, and kept, as copies, for the
// process's life (later questions sort them again).
bool g_candidatesMade = false;
std::vector<std::string>& candidates() {
  static std::vector<std::string> list;
  return list;
}

void debug(const std::string& line, int at) {
  Logger::write(Logger::kDebug, line, kSource, at);
}

std::string trimmed(const std::string& text) {
  const char* space = " \t\r\n";
  size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

}  // namespace

void CZorbOS::setLocaleList(const std::string& list) {
  // Items are split at the commas and trimmed, whatever their length.
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string item = trimmed(list.substr(start, comma - start));
    if (!item.empty()) m_LocaleListString.push_back(item);
    start = comma + 1;
  }
}

bool CZorbOS::isValidLang(const std::string& code) {
  debug("The input string is ", __LINE__);
  debug(code, __LINE__);
  for (const auto& item : m_LocaleListString) {
    debug("The current string is ", __LINE__);
    debug(item, __LINE__);
    if (item == code) return true;
  }
  return false;
}

namespace {

std::string chooseLanguage() {
  std::vector<std::string>& list = candidates();
  if (!g_candidatesMade && !CZorbOS::m_LocaleListString.empty()) {
    list = CZorbOS::m_LocaleListString;
    g_candidatesMade = true;
  }
  MuiRemoveUnsupportedLocales(list);
  debug("=====Supported locales list items:=====", __LINE__);
  for (const auto& item : list) debug(item, __LINE__);
  const char* fallback = "No valid preferred lanuage code found,use default as en_US";
  if (list.empty()) {
    debug(fallback, __LINE__);
    return "en_US";
  }
  MuiSortLocalesPerUserPreference(list);
  if (list.empty()) {
    debug(fallback, __LINE__);
    return "en_US";
  }
  debug("The User preferred language code is " + list.front(), __LINE__);
  debug(list.front(), __LINE__);
  return list.front();
}

}  // namespace

std::string CZorbOS::GetUserPreferredLanguageCode() {
  const std::string code = chooseLanguage();
  // The default text encoding follows the UI language.
  platform::setTextEncodingLanguage(code);
  return code;
}

void CZorbOS::ResetLocaleListForTest() {
  platform::setTextEncodingLanguage("");
  m_LocaleListString.clear();
  candidates().clear();
  g_candidatesMade = false;
}
