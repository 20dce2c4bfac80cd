#pragma once

#include "validator/IApplication.h"
#include "validator/MiniDOM.h"

namespace nimbrel {

// The host class the component knows as "Application": its static method
// "brioCallBackReady" reports that the component is ready.
class ApplicationClass : public MiniDOM::ObjectClass {
 public:
  ApplicationClass(MiniDOM::Extension* extension, IApplication* application);

  static UlpOpaqueAtom* brioCallBackReady(MiniDOM::Object* self, int32_t count,
                                          UlpOpaqueAtom** atoms);

  static const MiniDOM::FnDecl functions[];

 private:
  IApplication* m_application;
};

}  // namespace nimbrel
