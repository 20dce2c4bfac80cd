#include "foundation/AppGlobals.h"

#include "platform/os/AppPath.h"

std::string gAppPath;

bool InitAppPath() {
  const auto folder = platform::executableFolder();
  if (!folder) return false;
  gAppPath = *folder;
  return true;
}
