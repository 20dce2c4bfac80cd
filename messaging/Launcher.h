#pragma once

#include <cstdint>

#include "messaging/VtString.h"

namespace Velt::ArborTalkUtils {

// Starts applications and finds them running.
class Launcher {
 public:
  enum Focus : int32_t { kFront = 0, kBackground = 1 };
  enum SearchHint : int32_t { kByBundleLocation = 3 };

  // Starts the application installed at applicationPath (a bundle folder)
  // for specifier; processId (may be null) gets its process id, 0 when
  // none. Launch parameters are handed over by messages, not here.
  static bool launch(const VtString& specifier, const VtString& applicationPath,
                     const char* parameters, int32_t focus, uint32_t* processId);
  // Asks the running application whose bundle is at path to reopen; only
  // kByBundleLocation is supported.
  static void bringToFront(const VtString& path, int32_t hint);
  // Whether pid is not 0 and names a process.
  static bool isProcessRunning(uint32_t pid);
};

}  // namespace Velt::ArborTalkUtils
