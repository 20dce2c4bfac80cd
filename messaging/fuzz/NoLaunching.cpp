// The message fuzzer neither launches applications nor loads libraries:
// these stand in for the launcher and the library loader, which need
// platform services the fuzzer does not build.
#include "messaging/Launcher.h"
#include "messaging/SharedLib.h"

namespace Velt::ArborTalkUtils {

class SharedLib::Handle {};

bool Launcher::launch(const VtString&, const VtString&, const char*, int32_t, uint32_t* processId) {
  if (processId != nullptr) *processId = 0;
  return false;
}

void Launcher::setOutlet(Outlet*) {}

Launcher::Outlet* Launcher::getOutlet() {
  return nullptr;
}

bool getLaunchParameters(const VtString&, VtString& parameters) {
  parameters = VtString();
  return true;
}

void Launcher::bringToFront(const VtString&, int32_t) {}

bool Launcher::isProcessRunning(uint32_t) {
  return false;
}

SharedLib::SharedLib() : mHandle(nullptr) {}

SharedLib::~SharedLib() = default;

SharedLib* SharedLib::loadPDBLibrary(const char*) {
  return nullptr;
}

void* SharedLib::getFunctionPtr(SharedLib*, const char*) {
  return nullptr;
}

void SharedLib::unloadPDBLibrary(SharedLib* library) {
  delete library;
}

void SharedLib::setApplicationBundle(const VtString&) {}

}  // namespace Velt::ArborTalkUtils
