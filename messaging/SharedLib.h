#pragma once

#include "messaging/VtHeap.h"
#include "messaging/VtString.h"

namespace Velt::ArborTalkUtils {

// A library bundle loaded at run time from the running application's
// bundle: its Contents/Frameworks folder first, then the folder that holds
// the bundle. A bundle named "x.framework" is the folder of that name, or
// the shared object "libx.so".
class SharedLib : public VtHeap {
 public:
  ~SharedLib() override;

  // Null when the bundle cannot be found or loaded.
  static SharedLib* loadPDBLibrary(const char* name);
  // Null when the library or the function is absent.
  static void* getFunctionPtr(SharedLib* library, const char* name);
  // Unloads and deletes the library (null is ignored).
  static void unloadPDBLibrary(SharedLib* library);

  // Where the running application's bundle is taken to lie; tests point it
  // at a laid-out program. Empty: the bundle around the executable.
  static void setApplicationBundle(const VtString& path);

 private:
  SharedLib();
  class Handle;
  Handle* mHandle;
};

}  // namespace Velt::ArborTalkUtils
