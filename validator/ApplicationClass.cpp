#include "validator/ApplicationClass.h"

namespace nimbrel {

const MiniDOM::FnDecl ApplicationClass::functions[] = {
    {"ApplicationClass", nullptr, MiniDOM::Object::functions},
    {"brioCallBackReady", ApplicationClass::brioCallBackReady, nullptr},
    {nullptr, nullptr, nullptr},
};

ApplicationClass::ApplicationClass(MiniDOM::Extension* extension, IApplication* application)
    : MiniDOM::ObjectClass(extension, functions), m_application(application) {}

UlpOpaqueAtom* ApplicationClass::brioCallBackReady(MiniDOM::Object* self, int32_t,
                                                   UlpOpaqueAtom**) {
  auto* application = static_cast<ApplicationClass*>(self);
  if (application->m_application) application->m_application->BrioAppIsReady();
  return self->undefined();
}

}  // namespace nimbrel
