#include "platform/os/PreferredLanguages.h"

#include <algorithm>
#include <cstdlib>

#include "platform/os/PlatformConfig.h"

namespace platform {

namespace {

// "fr_FR.UTF-8@euro" -> "fr_FR"; "" for the C locale.
std::string localeName(std::string item) {
  size_t cut = item.find_first_of(".@");
  if (cut != std::string::npos) item.erase(cut);
  if (item == "C" || item == "POSIX") return {};
  return item;
}

void addItems(const std::string& text, const char* separators, std::vector<std::string>& out) {
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find_first_of(separators, pos);
    if (end == std::string::npos) end = text.size();
    std::string name = localeName(text.substr(pos, end - pos));
    if (!name.empty() && std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
    pos = end + 1;
  }
}

}  // namespace

std::vector<std::string> preferredLanguagesFrom(
    const std::string& override, const std::function<const char*(const char*)>& getEnv) {
  std::vector<std::string> out;
  if (!override.empty()) {
    addItems(override, ",;: \t", out);
    if (!out.empty()) return out;
  }
  auto env = [&](const char* name) -> std::string {
    const char* value = getEnv ? getEnv(name) : nullptr;
    return value ? value : "";
  };
  addItems(env("LANGUAGE"), ":", out);
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = env(name);
    if (value.empty()) continue;
    // The first one set decides the messages locale, even when it is "C".
    addItems(value, "", out);
    break;
  }
  return out;
}

std::vector<std::string> preferredLanguages() {
  return preferredLanguagesFrom(PlatformConfig::current().preferredLanguage,
                                [](const char* name) { return std::getenv(name); });
}

std::string messagesLocaleNameFrom(const std::function<const char*(const char*)>& getEnv) {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getEnv ? getEnv(name) : nullptr;
    // The first one set decides, even when it names the C locale.
    if (value && *value) return localeName(value);
  }
  return {};
}

std::string messagesLocaleName() {
  return messagesLocaleNameFrom([](const char* name) { return std::getenv(name); });
}

}  // namespace platform
