#include "foundation/AppGlobals.h"

#include "platform/os/AppPath.h"

std::string gAppPath;
std::atomic<int32_t> g_exitCode{0};
std::atomic<bool> g_isInSuppressMode{false};

bool InitAppPath() {
  const auto folder = platform::executableFolder();
  if (!folder) return false;
  gAppPath = *folder;
  return true;
}
