#pragma once

#include <cstddef>

// The messages of the UI-language choice, one row per locale and a last
// row, without a locale, in English.
struct MuiMessageRow {
  const char* locale;  // null in the last row
  const char16_t* resourcesUnavailable;
  const char16_t* systemLanguageUnsupported;
};

extern const MuiMessageRow kMuiMessages[];
extern const size_t kMuiMessageLocaleCount;  // rows with a locale; the English row follows
