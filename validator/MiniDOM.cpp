#include "validator/MiniDOM.h"

#include <cstring>

namespace MiniDOM {

namespace {

constexpr const char kDefaultClassName[] = "Object";
constexpr const char kClassSuffix[] = "Class";

UlpOpaqueAtom* objectToString(Object* self, int32_t, UlpOpaqueAtom**) {
  return self->string2atom(std::string("[DOMObject ") + self->getClass() + "]");
}

UlpOpaqueAtom* classToString(Object* self, int32_t, UlpOpaqueAtom**) {
  std::string name = self->getClass();
  const size_t suffix = std::strlen(kClassSuffix);
  if (name.size() > suffix && name.compare(name.size() - suffix, suffix, kClassSuffix) == 0)
    name.resize(name.size() - suffix);
  return self->string2atom("[DOMClass " + name + "]");
}

// The entries of a table before its end, the class entry included.
int32_t entryCount(const FnDecl* table) {
  int32_t n = 1;
  while (table[n].name) ++n;
  return n;
}

}  // namespace

const FnDecl Object::functions[] = {
    {"Object", nullptr, nullptr},
    {"toString", objectToString, nullptr},
    {nullptr, nullptr, nullptr},
};

const FnDecl ObjectClass::functions[] = {
    {"ObjectClass", nullptr, nullptr},
    {"toString", classToString, nullptr},
    {nullptr, nullptr, nullptr},
};

void ThrowIfFalse(bool condition) {
  if (!condition) throw kFalseCondition;
}

void checkUlp(int32_t error) {
  if (error != kUlpNoErr) throw static_cast<long>(error);
}

Object::Object(Extension* extension, const FnDecl* table) : m_extension(extension), m_table(table) {
  ThrowIfFalse(table != nullptr);
}

Object::~Object() {
  m_owned = true;
  if (UlpPlayer* p = player()) {
    // An object the runtime never held is not known to it; that is fine.
    (void)UlpObjectDisconnect(p, static_cast<void*>(this));
  }
}

bool Object::isHidden(const char*) const {
  return false;
}

UlpPlayer* Object::player() const {
  return m_extension ? m_extension->player() : nullptr;
}

const char* Object::getClass() const {
  if (!m_table || !m_table[0].name) return kDefaultClassName;
  return m_table[0].name;
}

Function Object::resolve(const char* name) const {
  if (!name) return nullptr;
  for (const FnDecl* table = m_table; table; table = table[0].base) {
    for (int32_t i = 1; table[i].name; ++i)
      if (std::strcmp(table[i].name, name) == 0) return table[i].function;
  }
  return nullptr;
}

UlpOpaqueAtom* Object::call(const char* name, int32_t count, UlpOpaqueAtom** atoms) {
  Function function = resolve(name);
  if (!function) throw kNoSuchObject;
  return function(this, count, atoms);
}

int32_t Object::getNextEnumIndex(int32_t i) const {
  // A table without methods has nothing to enumerate.
  const int32_t n = entryCount(m_table);
  const int32_t next = i < 0 ? 1 : i + 1;
  return next < n ? next : -1;
}

const char* Object::getEnumNameForIndex(int32_t i) const {
  if (i < 1 || i >= entryCount(m_table)) return nullptr;
  return m_table[i].name;
}

UlpOpaqueAtom* Object::string2atom(const char* text) const {
  if (!text) text = "";
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomFromUTF8(player(), text, std::strlen(text), &atom));
  return atom;
}

UlpOpaqueAtom* Object::string2atom(const std::string& text) const {
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomFromUTF8(player(), text.data(), text.size(), &atom));
  return atom;
}

std::string Object::atom2string(UlpOpaqueAtom* atom) const {
  size_t length = 0;
  checkUlp(UlpAtomToUTF8(player(), atom, nullptr, &length));
  std::string text(length, '\0');
  checkUlp(UlpAtomToUTF8(player(), atom, text.data(), &length));
  text.resize(length);
  return text;
}

UlpOpaqueAtom* Object::int2atom(int32_t value) const {
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomFromInt32(player(), value, &atom));
  return atom;
}

UlpOpaqueAtom* Object::bool2atom(bool value) const {
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomFromBool(player(), value, &atom));
  return atom;
}

UlpOpaqueAtom* Object::double2atom(double value) const {
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomFromDouble(player(), value, &atom));
  return atom;
}

int32_t Object::atom2int(UlpOpaqueAtom* atom) const {
  int32_t value = 0;
  checkUlp(UlpAtomToInt32(player(), atom, &value));
  return value;
}

bool Object::atom2bool(UlpOpaqueAtom* atom) const {
  bool value = false;
  checkUlp(UlpAtomToBool(player(), atom, &value));
  return value;
}

double Object::atom2double(UlpOpaqueAtom* atom) const {
  double value = 0;
  checkUlp(UlpAtomToDouble(player(), atom, &value));
  return value;
}

UlpOpaqueAtom* Object::null() const {
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomGetCanonical(player(), kUlpCanonicalNull, &atom));
  return atom;
}

UlpOpaqueAtom* Object::undefined() const {
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomGetCanonical(player(), kUlpCanonicalUndefined, &atom));
  return atom;
}

UlpOpaqueAtom* Object::NaN() const {
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomGetCanonical(player(), kUlpCanonicalNaN, &atom));
  return atom;
}

bool Object::atomIsUndefined(UlpOpaqueAtom* atom) const {
  return atom == undefined();
}

Object* Object::atom2object(UlpOpaqueAtom* atom) const {
  void* object = nullptr;
  checkUlp(UlpAtomToHostObject(player(), atom, &object));
  if (!object) throw kNoSuchObject;
  return static_cast<Object*>(object);
}

UlpOpaqueAtom* Object::object2atom(Object* object) const {
  if (!object || !object->table()) return null();
  const Extension* owner = object->extension() ? object->extension() : m_extension;
  const std::string typeName = owner->prefix() + "." + object->getClass();
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomFromHostObject(player(), static_cast<void*>(object), typeName.c_str(), &atom));
  return atom;
}

int32_t Object::atomKind(UlpOpaqueAtom* atom) const {
  int32_t kind = 0;
  checkUlp(UlpAtomGetKind(player(), atom, &kind));
  return kind;
}

bool Object::atomIsObject(UlpOpaqueAtom* atom) const {
  bool isNull = false;
  checkUlp(UlpAtomIsNull(player(), atom, &isNull));
  return atomKind(atom) == kKindObject && !isNull;
}

bool Object::atomIsEqual(UlpOpaqueAtom* a, UlpOpaqueAtom* b) const {
  const int32_t kind = atomKind(a);
  if (kind != atomKind(b)) return false;
  if (kind == kKindString) return atom2string(a) == atom2string(b);
  if (kind == kKindNumber) return atom2double(a) == atom2double(b);
  return a == b;
}

ObjectClass::ObjectClass(Extension* extension, const FnDecl* table) : Object(extension, table) {
  setOwned(true);
  if (extension) extension->addClass(this);
}

ObjectClass::~ObjectClass() = default;

Object* ObjectClass::_create(int32_t, UlpOpaqueAtom**) {
  return nullptr;
}

}  // namespace MiniDOM
