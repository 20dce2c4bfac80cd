#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The two script-system facts the hosts' language rules read, derived from
// the user's first preferred language (preferredLanguages): the system
// script (0 for the Roman script) and the region code of the locale.
enum ScriptVariable : int32_t {
  kSystemScript = 18,
  kRegionCode = 40,
};

int32_t getScriptVariable(ScriptVariable which);

// The same for a given locale name ("fr_CH", "ja").
int32_t systemScriptFor(const std::string& locale);
int32_t regionCodeFor(const std::string& locale);

}  // namespace platform
