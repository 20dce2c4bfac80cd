#include "foundation/MuiLocales.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "foundation/CLocaleList.h"
#include "foundation/LocaleId.h"
#include "foundation/MuiMessages.h"
#include "platform/os/PreferredLanguages.h"

namespace {

std::mutex& forcedMutex() {
  static std::mutex m;
  return m;
}
std::optional<std::string>& forcedLocales() {
  static std::optional<std::string> value;
  return value;
}

// The row of a locale name, or the English row.
const MuiMessageRow& rowFor(const std::vector<std::string>& sorted, size_t placed) {
  // Nothing the user prefers is among the rows: English, not whichever row
  // happens to come first.
  if (placed != 0 && !sorted.empty()) {
    for (size_t i = 0; i < kMuiMessageLocaleCount; ++i)
      if (sorted.front() == kMuiMessages[i].locale) return kMuiMessages[i];
  }
  return kMuiMessages[kMuiMessageLocaleCount];
}

std::vector<std::string> messageLocales() {
  std::vector<std::string> names;
  for (size_t i = 0; i < kMuiMessageLocaleCount; ++i) names.emplace_back(kMuiMessages[i].locale);
  return names;
}

}  // namespace

bool PromoteLanguage(std::vector<std::string>& locales, size_t start, const char* name,
                     bool exact) {
  if (start >= locales.size()) return false;
  LocaleId wanted;
  if (!wanted.fromString(name)) return false;
  for (size_t m = start; m < locales.size(); ++m) {
    LocaleId entry;
    if (!entry.fromString(locales[m].c_str())) continue;
    if (exact ? entry.isEqual(wanted) : entry.hasSameParent(wanted)) {
      std::rotate(locales.begin() + static_cast<std::ptrdiff_t>(start),
                  locales.begin() + static_cast<std::ptrdiff_t>(m),
                  locales.begin() + static_cast<std::ptrdiff_t>(m) + 1);
      return true;
    }
  }
  return false;
}

size_t MuiSortLocalesByPreferences(std::vector<std::string>& locales,
                                   const std::vector<std::string>& preferences) {
  size_t position = 0;
  for (const auto& text : preferences) {
    LocaleId preference;
    if (!preference.fromString(text.c_str())) continue;
    std::string name = preference.getName();
    if (PromoteLanguage(locales, position, name.c_str(), true)) ++position;
    if (PromoteLanguage(locales, position, preference.getParentName().c_str(), true)) ++position;
    while (PromoteLanguage(locales, position, name.c_str(), false)) ++position;
  }
  return position;
}

std::vector<std::string> MuiUserPreferredLocales() {
  std::string joined;
  {
    std::lock_guard<std::mutex> lock(forcedMutex());
    if (forcedLocales()) joined = *forcedLocales();
  }
  if (joined.empty()) {
    for (const auto& name : platform::preferredLanguages()) {
      if (!joined.empty()) joined += ';';
      joined += name;
    }
  }
  CLocaleList list(joined.c_str());
  std::vector<std::string> out;
  for (size_t i = 0; i < list.size(); ++i) out.push_back(list[i]);
  return out;
}

size_t MuiSortLocalesPerUserPreference(std::vector<std::string>& locales) {
  return MuiSortLocalesByPreferences(locales, MuiUserPreferredLocales());
}

void MuiForceOrderOfOsLocales(const std::vector<std::string>& locales) {
  std::string joined;
  for (const auto& name : locales) {
    if (!joined.empty()) joined += ';';
    joined += name;
  }
  std::lock_guard<std::mutex> lock(forcedMutex());
  if (joined.empty())
    forcedLocales().reset();
  else
    forcedLocales() = joined;
}

void MuiRemoveUnsupportedLocales(std::vector<std::string>&) {}

void MuiForceOsAnsiCP() {}

std::u16string MuiGetLocaleUnavailableErrorMessage() {
  std::vector<std::string> names = messageLocales();
  size_t placed = MuiSortLocalesPerUserPreference(names);
  return rowFor(names, placed).resourcesUnavailable;
}

std::u16string MuiGetUnsupportedSystemLocaleErrorMessage(std::vector<std::string> appLocales) {
  MuiSortLocalesPerUserPreference(appLocales);
  std::vector<std::string> names = messageLocales();
  size_t placed = MuiSortLocalesByPreferences(names, appLocales);
  return rowFor(names, placed).systemLanguageUnsupported;
}
