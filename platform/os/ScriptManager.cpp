#include "platform/os/ScriptManager.h"

#include <cctype>
#include <vector>

#include "platform/os/PreferredLanguages.h"

namespace platform {

namespace {

struct Code {
  const char* locale;  // a full locale name or a bare language
  int32_t value;
};

// Scripts other than Roman, by locale and then by language.
constexpr Code kScripts[] = {
    {"zh_TW", 2}, {"zh_HK", 2}, {"zh", 25}, {"ja", 1},  {"ko", 3},  {"ar", 4},  {"fa", 4},
    {"he", 5},    {"el", 6},    {"ru", 7},  {"uk", 7},  {"bg", 7},  {"sr", 7},  {"gu", 11},
    {"or", 12},   {"bn", 13},   {"ta", 14}, {"te", 15}, {"kn", 16}, {"ml", 17}, {"th", 21},
    {"ka", 23},   {"hy", 24},   {"cs", 29}, {"pl", 29}, {"sk", 29}, {"hu", 29}, {"vi", 30},
};

// Region codes by locale and then by language.
constexpr Code kRegions[] = {
    {"en_US", 0},  {"en_GB", 2},  {"fr_CA", 11}, {"fr_CH", 18}, {"de_CH", 19}, {"it_CH", 36},
    {"pt_BR", 71}, {"de_AT", 92}, {"es_MX", 86}, {"fr_BE", 98}, {"en", 0},     {"fr", 1},
    {"de", 3},     {"it", 4},     {"nl", 5},     {"sv", 7},     {"es", 8},     {"pt", 10},
    {"nb", 12},    {"no", 12},    {"fi", 17},    {"tr", 24},    {"pl", 42},    {"ru", 49},
    {"cs", 56},    {"ja", 14},    {"ko", 51},    {"zh_TW", 53}, {"zh", 52},
};

std::string canonical(const std::string& locale) {
  std::string out;
  for (size_t i = 0; i < locale.size(); ++i) {
    const char c = locale[i] == '-' ? '_' : locale[i];
    const size_t underscore = out.find('_');
    out += underscore == std::string::npos
               ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
               : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

template <size_t N>
int32_t lookUp(const Code (&table)[N], const std::string& locale, int32_t otherwise) {
  const std::string name = canonical(locale);
  const std::string language = name.substr(0, name.find('_'));
  for (const Code& code : table)
    if (name == code.locale) return code.value;
  for (const Code& code : table)
    if (language == code.locale) return code.value;
  return otherwise;
}

}  // namespace

int32_t systemScriptFor(const std::string& locale) {
  return lookUp(kScripts, locale, 0);
}

int32_t regionCodeFor(const std::string& locale) {
  // A region the table does not know is none the hosts know either.
  constexpr int32_t kUnknownRegion = -1;
  return lookUp(kRegions, locale, kUnknownRegion);
}

int32_t getScriptVariable(ScriptVariable which) {
  const std::vector<std::string> languages = preferredLanguages();
  const std::string locale = languages.empty() ? std::string("en_US") : languages.front();
  return which == kSystemScript ? systemScriptFor(locale) : regionCodeFor(locale);
}

}  // namespace platform
