#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Strict UTF-8 <-> UTF-16 of whole texts, for the platform layer's own use
// (paths, names from the system). nullopt on malformed input: overlong
// forms, surrogates encoded in UTF-8, values above U+10FFFF, truncated
// sequences, unpaired surrogates.
[[nodiscard]] std::optional<std::u16string> utf8ToUtf16(std::string_view text);
[[nodiscard]] std::optional<std::string> utf16ToUtf8(std::u16string_view text);

// Appends the UTF-8 form of one code point (at most U+10FFFF).
void appendUtf8(std::string& out, char32_t cp);

// UTF-16 to UTF-8 that never fails: an unpaired surrogate becomes
// `replacement`. For text that is only shown or logged.
[[nodiscard]] std::string utf16ToUtf8Lossy(std::u16string_view text,
                                           char32_t replacement = U'\uFFFD');

}  // namespace platform
