#pragma once

// Precondition checks of the library. A broken precondition is a caller's
// bug: report the condition's text and abort rather than corrupt memory.
namespace vesko::implementation {
[[noreturn]] void assertion_failed(char const* text, char const* file, int line) noexcept;
}

#define VESKO_ASSERT(condition, text)                                                      \
  do {                                                                                     \
    if (!(condition)) ::vesko::implementation::assertion_failed(text, __FILE__, __LINE__); \
  } while (false)
