#pragma once

#include "validator/MiniDOM.h"
#include "validator/request_t.h"

namespace nimbrel {

// The host class the component knows as "Plexar": its static method
// "invoke" hands the component's answer to the front controller.
class PlexarClass : public MiniDOM::ObjectClass {
 public:
  explicit PlexarClass(MiniDOM::Extension* extension);

  // The request of an invoke call: the name from the first argument, then
  // the others in order. Strings become string values; numbers and anything
  // else values of other types, which the receiver passes over.
  static request_t makeRequest(MiniDOM::Object* self, int32_t count, UlpOpaqueAtom** atoms);

  static UlpOpaqueAtom* invoke(MiniDOM::Object* self, int32_t count, UlpOpaqueAtom** atoms);

  static const MiniDOM::FnDecl functions[];
};

}  // namespace nimbrel
