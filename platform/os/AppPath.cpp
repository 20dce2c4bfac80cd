#include "platform/os/AppPath.h"

#include "platform/os/SymbolicLink.h"

namespace platform {

std::optional<std::string> executableFolder() {
  std::string exe;
  if (readSymbolicLink("/proc/self/exe", exe) != 0 || exe.empty() || exe[0] != '/')
    return std::nullopt;
  return exe.substr(0, exe.rfind('/') + 1);
}

}  // namespace platform
