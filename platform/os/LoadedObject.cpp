#include "platform/os/LoadedObject.h"

#include <dlfcn.h>

namespace platform {

std::string loadedObjectPath(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
}

}  // namespace platform
