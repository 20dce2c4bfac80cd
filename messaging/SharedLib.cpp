#include "messaging/SharedLib.h"

#include <mutex>
#include <string>

#include "platform/os/Applications.h"
#include "platform/os/DynamicLibrary.h"

namespace Velt::ArborTalkUtils {

class SharedLib::Handle {
 public:
  platform::DynamicLibrary library;
};

namespace {

std::mutex gBundleMutex;
std::string gBundleOverride;

std::string applicationBundle() {
  {
    std::lock_guard<std::mutex> guard(gBundleMutex);
    if (!gBundleOverride.empty()) return gBundleOverride;
  }
  return platform::bundleOfCurrentProcess();
}

// The code of the bundle name in folder; empty when it is not there.
std::string bundleCode(const std::string& folder, const std::string& name) {
  std::string code = platform::bundleExecutablePath(folder + "/" + name);
  if (!code.empty()) return code;
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  return platform::bundleExecutablePath(folder + "/lib" + stem + ".so");
}

}  // namespace

SharedLib::SharedLib() : mHandle(new Handle) {}

SharedLib::~SharedLib() {
  delete mHandle;
}

SharedLib* SharedLib::loadPDBLibrary(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  std::string bundle = applicationBundle();
  while (bundle.size() > 1 && bundle.back() == '/') bundle.pop_back();
  if (bundle.empty()) return nullptr;
  std::string code = bundleCode(bundle + "/Contents/Frameworks", name);
  if (code.empty()) code = bundleCode(bundle.substr(0, bundle.rfind('/')), name);
  if (code.empty()) return nullptr;
  auto* library = new SharedLib;
  if (!library->mHandle->library.open(code)) {
    delete library;
    return nullptr;
  }
  return library;
}

void* SharedLib::getFunctionPtr(SharedLib* library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return library->mHandle->library.symbol(name);
}

void SharedLib::unloadPDBLibrary(SharedLib* library) {
  delete library;
}

void SharedLib::setApplicationBundle(const VtString& path) {
  std::lock_guard<std::mutex> guard(gBundleMutex);
  gBundleOverride.assign(path.get(), static_cast<size_t>(path.length()));
}

}  // namespace Velt::ArborTalkUtils
