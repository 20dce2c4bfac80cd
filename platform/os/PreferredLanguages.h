#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// The user's preferred UI languages, most preferred first, as locale names
// such as "fr_FR" or "de": the settings' language override when it is set
// (several names may be separated by ",", ";", ":" or blanks), else the
// names of LANGUAGE (a ":" list) followed by the locale in force for
// messages (LC_ALL, else LC_MESSAGES, else LANG). Codesets (".UTF-8") and
// modifiers ("@euro") are dropped, "C" and "POSIX" are ignored, and a name
// met twice is kept once.
std::vector<std::string> preferredLanguages();

// The same rules over the given override and environment lookup (tests).
std::vector<std::string> preferredLanguagesFrom(
    const std::string& override, const std::function<const char*(const char*)>& getEnv);

// The name of the locale the C library takes for messages, which is the
// user's language: LC_ALL, else LC_MESSAGES, else LANG, without codeset and
// modifier ("fr_FR"). Empty when none is set or it is the C locale; the
// settings' language override plays no part.
std::string messagesLocaleName();
std::string messagesLocaleNameFrom(const std::function<const char*(const char*)>& getEnv);

}  // namespace platform
