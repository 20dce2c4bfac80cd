#pragma once

#include <cstdint>

#include "foundation/CString.h"

// A text as a message shows it: at most `limit` UTF-16 units, a longer one
// cut in the middle with "…" so that both ends (a path's start and its file
// name) stay readable. A surrogate pair is never split. Logs keep the
// whole text.
CString ShortenedForMessage(const CString& text, int32_t limit);

// What a name or path in a message is cut to.
inline constexpr int32_t kMessageNameLimit = 300;
// What a whole message is cut to.
inline constexpr int32_t kMessageLimit = 4096;
