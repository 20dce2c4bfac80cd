// The runtime's questions about the published classes. Every callback
// catches whatever its body throws: the runtime is not native code that can
// unwind, so a failure becomes a script exception and a null or false
// answer.
#include <cctype>
#include <cstring>
#include <exception>
#include <string>

#include "validator/MiniDOM.h"

namespace MiniDOM {

UlpOpaqueAtom* _invoke(Function function, Object* object, int32_t count,
                       UlpOpaqueAtom** atoms) noexcept;
UlpOpaqueAtom* _invoke(const std::string& name, UlpOpaqueAtom* nameAtom, Object* object,
                       int32_t count, UlpOpaqueAtom** atoms, bool methodCall) noexcept;

namespace {

constexpr const char kUnspecified[] = "Unspecified host exception";

Extension* extensionOf(void* context) {
  return static_cast<Extension*>(context);
}

Object* objectOf(void* object) {
  return static_cast<Object*>(object);
}

void* handleOf(Object* object) {
  return static_cast<void*>(object);
}

// Raises "Error" with the message of the exception in flight.
void raiseCurrent(UlpPlayer* player) noexcept {
  try {
    std::string message;
    try {
      throw;
    } catch (const std::exception& e) {
      message = e.what();
    } catch (long code) {
      message = "Ulp error #" + std::to_string(code);
    } catch (...) {
      message = kUnspecified;
    }
    UlpOpaqueAtom* atom = nullptr;
    if (UlpAtomFromUTF8(player, message.data(), message.size(), &atom) != kUlpNoErr) atom = nullptr;
    (void)UlpPlayerSetStandardException(player, atom, 0, "Error");
  } catch (...) {
    // Out of memory while reporting: nothing more can be said.
  }
}

template <class Result, class Body>
Result guarded(UlpPlayer* player, Result fallback, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    raiseCurrent(player);
    return fallback;
  }
}

std::string textOf(UlpPlayer* player, UlpOpaqueAtom* atom) {
  size_t length = 0;
  checkUlp(UlpAtomToUTF8(player, atom, nullptr, &length));
  std::string text(length, '\0');
  checkUlp(UlpAtomToUTF8(player, atom, text.data(), &length));
  text.resize(length);
  return text;
}

bool isIndexKey(Object* object, UlpOpaqueAtom* name) {
  return object->atomKind(name) == kKindIndex;
}

// prefix + the text with its first character upper-cased.
std::string _makePrefixedName(const char* prefix, const std::string& text) {
  std::string name = prefix;
  if (!text.empty()) {
    name += static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    name.append(text, 1);
  }
  return name;
}

void* getRootCB(UlpPlayer* player, void* context) noexcept {
  return guarded<void*>(player, nullptr, [&] { return handleOf(extensionOf(context)->root()); });
}

void* createCB(UlpPlayer* player, void* context, UlpOpaqueAtom* className, int32_t count,
               UlpOpaqueAtom** atoms) noexcept {
  return guarded<void*>(player, nullptr, [&]() -> void* {
    ObjectClass* found = extensionOf(context)->findClass(textOf(player, className).c_str());
    if (!found) return nullptr;
    return handleOf(found->_create(count, atoms));
  });
}

UlpOpaqueAtom* getClassNameCB(UlpPlayer* player, void*, void* object) noexcept {
  return guarded<UlpOpaqueAtom*>(player, nullptr, [&] {
    Object* self = objectOf(object);
    return self->string2atom(self->getClass());
  });
}

void disconnectCB(UlpPlayer* player, void*, void* object) noexcept {
  guarded<int>(player, 0, [&] {
    Object* self = objectOf(object);
    if (self && !self->owned()) delete self;
    return 0;
  });
}

int32_t propertyFlagsCB(UlpPlayer* player, void*, void* object, UlpOpaqueAtom* name) noexcept {
  return guarded<int32_t>(player, 0, [&] {
    Object* self = objectOf(object);
    if (isIndexKey(self, name)) {
      return (self->resolve("get_index") ? 1 : 0) + (self->resolve("set_index") ? 2 : 0);
    }
    const std::string text = textOf(player, name);
    constexpr int32_t kHiddenBit = 16;
    int32_t flags = 0;
    struct Member {
      std::string name;
      int32_t bit;
    };
    const Member members[] = {
        {text, 4}, {_makePrefixedName("get", text), 1}, {_makePrefixedName("set", text), 2}};
    for (const Member& member : members) {
      if (!self->resolve(member.name.c_str())) continue;
      flags += member.bit;
      if (self->isHidden(member.name.c_str())) flags += kHiddenBit;
    }
    return flags;
  });
}

UlpOpaqueAtom* getPropertyCB(UlpPlayer* player, void*, void* object, UlpOpaqueAtom* name) noexcept {
  return guarded<UlpOpaqueAtom*>(player, nullptr, [&] {
    Object* self = objectOf(object);
    if (isIndexKey(self, name)) {
      UlpOpaqueAtom* atoms[] = {self->undefined(), name};
      return _invoke("get_index", name, self, 1, atoms, false);
    }
    UlpOpaqueAtom* atoms[] = {self->undefined()};
    return _invoke(_makePrefixedName("get", textOf(player, name)), name, self, 0, atoms, false);
  });
}

void setPropertyCB(UlpPlayer* player, void*, void* object, UlpOpaqueAtom* name,
                   UlpOpaqueAtom* value) noexcept {
  guarded<int>(player, 0, [&] {
    Object* self = objectOf(object);
    if (isIndexKey(self, name)) {
      UlpOpaqueAtom* atoms[] = {self->undefined(), name, value};
      _invoke("set_index", name, self, 2, atoms, false);
    } else {
      UlpOpaqueAtom* atoms[] = {self->undefined(), value};
      _invoke(_makePrefixedName("set", textOf(player, name)), name, self, 1, atoms, false);
    }
    return 0;
  });
}

UlpOpaqueAtom* invokeMethodCB(UlpPlayer* player, void*, void* object, UlpOpaqueAtom* name,
                              int32_t count, UlpOpaqueAtom** atoms) noexcept {
  return guarded<UlpOpaqueAtom*>(player, nullptr, [&] {
    return _invoke(textOf(player, name), name, objectOf(object), count, atoms, true);
  });
}

bool deletePropertyCB(UlpPlayer* player, void*, void* object, UlpOpaqueAtom* name) noexcept {
  return guarded<bool>(player, false, [&] {
    Object* self = objectOf(object);
    Function remove = self->resolve("_delete");
    if (!remove) return true;
    UlpOpaqueAtom* atoms[] = {self->undefined(), name};
    UlpOpaqueAtom* result = _invoke(remove, self, 1, atoms);
    // A failed delete answers false; its exception is not passed on.
    UlpOpaqueAtom* dropped = nullptr;
    checkUlp(UlpPlayerRetrieveException(player, &dropped));
    return result && self->atomIsEqual(result, self->bool2atom(true));
  });
}

bool playerEventCB(UlpPlayer* player, void* context, UlpOpaqueAtom* a, UlpOpaqueAtom* b,
                   UlpOpaqueAtom* c) noexcept {
  return guarded<bool>(player, false, [&] {
    ObjectClass* handler = extensionOf(context)->findClass("EventHandler");
    if (!handler) return false;
    Function event = handler->resolve("tesselEvent");
    if (!event) return false;
    UlpOpaqueAtom* atoms[] = {handler->undefined(), a, b, c};
    UlpOpaqueAtom* result = _invoke(event, handler, 3, atoms);
    return result && handler->atom2bool(result);
  });
}

bool getClassObjectCB(UlpPlayer* player, void* context, UlpOpaqueAtom* name,
                      void** classObject) noexcept {
  return guarded<bool>(player, false, [&] {
    ObjectClass* found = extensionOf(context)->findClass(textOf(player, name).c_str());
    if (found && classObject) *classObject = handleOf(found);
    return found != nullptr;
  });
}

bool isAccessorName(const char* name) {
  return std::strncmp(name, "get", 3) == 0 && std::isupper(static_cast<unsigned char>(name[3]));
}

int32_t getNextEnumIndexCB(UlpPlayer* player, void*, void* object, int32_t index) noexcept {
  return guarded<int32_t>(player, -1, [&] {
    Object* self = objectOf(object);
    for (;;) {
      index = self->getNextEnumIndex(index);
      if (index < 0) return -1;
      const char* name = self->getEnumNameForIndex(index);
      ThrowIfFalse(name != nullptr);
      if (std::strcmp(name, "get_index") == 0 || std::strcmp(name, "_delete") == 0) continue;
      if (isAccessorName(name)) return index;
    }
  });
}

UlpOpaqueAtom* getEnumValueCB(UlpPlayer* player, void*, void* object, int32_t index,
                              bool wantValue) noexcept {
  return guarded<UlpOpaqueAtom*>(player, nullptr, [&]() -> UlpOpaqueAtom* {
    Object* self = objectOf(object);
    const char* name = self->getEnumNameForIndex(index);
    ThrowIfFalse(name != nullptr);
    if (wantValue) {
      Function getter = self->resolve(name);
      ThrowIfFalse(getter != nullptr);
      UlpOpaqueAtom* atoms[] = {self->undefined()};
      return _invoke(getter, self, 0, atoms);
    }
    // getFooBar is the property fooBar.
    ThrowIfFalse(std::strlen(name) > 3);
    std::string property(1, static_cast<char>(std::tolower(static_cast<unsigned char>(name[3]))));
    property += name + 4;
    return self->string2atom(property);
  });
}

}  // namespace

UlpOpaqueAtom* _invoke(Function function, Object* object, int32_t count,
                       UlpOpaqueAtom** atoms) noexcept {
  return guarded<UlpOpaqueAtom*>(object->player(), nullptr,
                                 [&] { return function(object, count, atoms); });
}

UlpOpaqueAtom* _invoke(const std::string& name, UlpOpaqueAtom* nameAtom, Object* object,
                       int32_t count, UlpOpaqueAtom** atoms, bool methodCall) noexcept {
  UlpPlayer* player = object->player();
  return guarded<UlpOpaqueAtom*>(player, nullptr, [&]() -> UlpOpaqueAtom* {
    if (Function function = object->resolve(name.c_str()))
      return _invoke(function, object, count, atoms);
    const char* reason = "not defined";
    int32_t number = kNotDefined;
    if (methodCall) {
      reason = "not a method";
      number = kNotAMethod;
    } else if (!name.empty()) {
      const bool getter = name[0] == 'g';
      std::string opposite = name;
      opposite[0] = getter ? 's' : 'g';
      if (object->resolve(opposite.c_str())) {
        reason = getter ? "write-only" : "read-only";
        number = getter ? kWriteOnly : kReadOnly;
      }
    }
    std::string message = object->getClass();
    const std::string text = object->atom2string(nameAtom);
    if (isIndexKey(object, nameAtom))
      message += "[" + text + "] is ";
    else
      message += "." + text + " is ";
    message += reason;
    checkUlp(UlpPlayerSetStandardException(player, object->string2atom(message), number,
                                           "ReferenceError"));
    return nullptr;
  });
}

const UlpHostCallbacks hostCallbacks = {
    2,
    getRootCB,
    createCB,
    getClassNameCB,
    disconnectCB,
    propertyFlagsCB,
    getPropertyCB,
    setPropertyCB,
    invokeMethodCB,
    deletePropertyCB,
    playerEventCB,
    getClassObjectCB,
    getNextEnumIndexCB,
    getEnumValueCB,
};

}  // namespace MiniDOM
