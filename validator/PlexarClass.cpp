#include "validator/PlexarClass.h"

#include "validator/CFrontController.h"

namespace nimbrel {

const MiniDOM::FnDecl PlexarClass::functions[] = {
    {"PlexarClass", nullptr, MiniDOM::Object::functions},
    {"invoke", PlexarClass::invoke, nullptr},
    {nullptr, nullptr, nullptr},
};

PlexarClass::PlexarClass(MiniDOM::Extension* extension)
    : MiniDOM::ObjectClass(extension, functions) {}

request_t PlexarClass::makeRequest(MiniDOM::Object* self, int32_t count, UlpOpaqueAtom** atoms) {
  request_t request;
  for (int32_t i = 1; i <= count; ++i) {
    UlpOpaqueAtom* atom = atoms[i];
    const int32_t kind = self->atomKind(atom);
    if (i == 1) {
      // A name that is not text names nothing Nimbrel knows.
      if (kind == MiniDOM::kKindString)
        request.name = vesko::name_t(self->atom2string(atom).c_str());
      continue;
    }
    if (kind == MiniDOM::kKindString) {
      request.arguments.push_back(vesko::any_regular_t(self->atom2string(atom)));
    } else if (kind == MiniDOM::kKindNumber) {
      request.arguments.push_back(vesko::any_regular_t(self->atom2double(atom)));
    } else {
      request.arguments.push_back(vesko::any_regular_t());
    }
  }
  return request;
}

UlpOpaqueAtom* PlexarClass::invoke(MiniDOM::Object* self, int32_t count, UlpOpaqueAtom** atoms) {
  const request_t request = makeRequest(self, count, atoms);
  CFrontController::getInstance()->dispatchInvocation(request);
  return self->undefined();
}

}  // namespace nimbrel
