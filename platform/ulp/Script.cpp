#include "platform/ulp/Script.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/ulp/RunLoop.h"
#include "platform/ulp/UlpPlayer.h"
#include "platform/ulp/UlpTesting.h"

namespace ulp {

namespace {

// A host whose enumeration never ends must not hang the player.
constexpr size_t kMaxEnumeratedProperties = 1 << 16;

// Slot 0 (the runtime's) holds the object itself.
std::vector<UlpOpaqueAtom*> withSlot(UlpOpaqueAtom* self, const Arguments& args) {
  std::vector<UlpOpaqueAtom*> atoms;
  atoms.reserve(args.size() + 1);
  atoms.push_back(self);
  atoms.insert(atoms.end(), args.begin(), args.end());
  return atoms;
}

}  // namespace

ScriptError::ScriptError(std::string errorType, std::string errorMessage, int32_t errorNumber)
    : type(std::move(errorType)),
      message(std::move(errorMessage)),
      number(errorNumber),
      text(type + ": " + message) {}

ScriptObject::ScriptObject(std::string className) : m_className(std::move(className)) {}

ScriptObject::~ScriptObject() = default;

UlpOpaqueAtom* ScriptObject::call(Script& script, const std::string& method, const Arguments&) {
  script.raise("TypeError", m_className + "." + method + " is not a function");
}

UlpOpaqueAtom* ScriptObject::get(Script& script, const std::string& name) {
  auto it = m_properties.find(name);
  return it == m_properties.end() ? script.undefined() : it->second;
}

void ScriptObject::set(Script&, const std::string& name, UlpOpaqueAtom* value) {
  m_properties[name] = value;
}

bool ScriptObject::remove(Script&, const std::string& name) {
  m_properties.erase(name);
  return true;
}

std::vector<std::string> ScriptObject::keys(Script&) {
  std::vector<std::string> names;
  for (const auto& property : m_properties) names.push_back(property.first);
  return names;
}

std::unique_ptr<ScriptObject> ScriptObject::construct(Script& script, const Arguments&) {
  script.raise("TypeError", m_className + " is not a constructor");
}

UlpOpaqueAtom* Script::string(std::string_view text) {
  return m_player->makeString(std::string(text));
}

UlpOpaqueAtom* Script::number(double value) {
  return m_player->makeNumber(value);
}

UlpOpaqueAtom* Script::boolean(bool value) {
  return value ? &m_player->trueAtom : &m_player->falseAtom;
}

UlpOpaqueAtom* Script::index(int32_t key) {
  UlpOpaqueAtom* atom = m_player->make(kUlpKindIndex);
  atom->number = key;
  return atom;
}

UlpOpaqueAtom* Script::undefined() {
  return &m_player->undefinedAtom;
}

UlpOpaqueAtom* Script::null() {
  return &m_player->nullAtom;
}

int32_t Script::kind(UlpOpaqueAtom* atom) const {
  return atom ? atom->kind : kUlpKindUndefined;
}

std::string Script::text(UlpOpaqueAtom* atom) const {
  return atom ? detail::textOf(*atom) : "undefined";
}

double Script::toNumber(UlpOpaqueAtom* atom) const {
  double value = std::numeric_limits<double>::quiet_NaN();
  if (atom) UlpAtomToDouble(m_player, atom, &value);
  return value;
}

bool Script::toBool(UlpOpaqueAtom* atom) const {
  bool value = false;
  if (atom) UlpAtomToBool(m_player, atom, &value);
  return value;
}

UlpOpaqueAtom* Script::defineClass(const std::string& fullName,
                                   std::unique_ptr<ScriptObject> object) {
  if (!object) raise("TypeError", "no class object for " + fullName);
  if (m_player->scriptClasses.count(fullName)) raise("TypeError", fullName + " is defined already");
  ScriptObject* kept = object.get();
  m_player->scriptObjects.push_back(std::move(object));
  m_player->scriptClasses[fullName] = kept;
  return m_player->wrapScript(kept);
}

UlpOpaqueAtom* Script::adopt(std::unique_ptr<ScriptObject> object) {
  if (!object) return null();
  ScriptObject* kept = object.get();
  m_player->scriptObjects.push_back(std::move(object));
  return m_player->wrapScript(kept);
}

UlpOpaqueAtom* Script::root() {
  return m_player->wrapScript(m_player->root);
}

UlpOpaqueAtom* Script::hostClass(const std::string& fullName) {
  UlpOpaqueAtom* found = m_player->findHostClass(fullName);
  m_player->throwIfPending();
  if (!found) raise("ReferenceError", fullName + " is not defined");
  return found;
}

UlpOpaqueAtom* Script::hostRoot(const std::string& prefix) {
  for (detail::Model* model : m_player->modelsInLookupOrder()) {
    if (model->prefix != prefix) continue;
    void* object = model->callbacks->getRoot(m_player, model->context);
    m_player->throwIfPending();
    return m_player->wrapHost(object, model);
  }
  raise("ReferenceError", prefix + " is not defined");
}

UlpOpaqueAtom* Script::construct(const std::string& fullName, const Arguments& args) {
  auto own = m_player->scriptClasses.find(fullName);
  if (own != m_player->scriptClasses.end()) return adopt(own->second->construct(*this, args));
  std::string rest;
  detail::Model* model = m_player->modelForName(fullName, &rest);
  if (!model) raise("ReferenceError", fullName + " is not defined");
  std::vector<UlpOpaqueAtom*> atoms = withSlot(undefined(), args);
  void* object = model->callbacks->create(m_player, model->context, string(rest),
                                          static_cast<int32_t>(args.size()), atoms.data());
  m_player->throwIfPending();
  if (!object) raise("TypeError", fullName + " is not a constructor");
  return m_player->wrapHost(object, model);
}

UlpOpaqueAtom* Script::call(UlpOpaqueAtom* object, const std::string& method,
                            const Arguments& args) {
  if (detail::Model* model = m_player->modelOf(object)) {
    std::vector<UlpOpaqueAtom*> atoms = withSlot(object, args);
    UlpOpaqueAtom* result =
        model->callbacks->invokeMethod(m_player, model->context, object->host, string(method),
                                       static_cast<int32_t>(args.size()), atoms.data());
    m_player->throwIfPending();
    return result ? result : undefined();
  }
  if (object && object->script) return object->script->call(*this, method, args);
  raise("TypeError", "can't call " + method + " of " + text(object));
}

UlpOpaqueAtom* Script::get(UlpOpaqueAtom* object, UlpOpaqueAtom* key) {
  if (detail::Model* model = m_player->modelOf(object)) {
    UlpOpaqueAtom* result =
        model->callbacks->getProperty(m_player, model->context, object->host, key);
    m_player->throwIfPending();
    return result ? result : undefined();
  }
  if (object && object->script) return object->script->get(*this, text(key));
  raise("TypeError", "can't read " + text(key) + " of " + text(object));
}

UlpOpaqueAtom* Script::get(UlpOpaqueAtom* object, const std::string& name) {
  return get(object, string(name));
}

void Script::set(UlpOpaqueAtom* object, UlpOpaqueAtom* key, UlpOpaqueAtom* value) {
  if (detail::Model* model = m_player->modelOf(object)) {
    model->callbacks->setProperty(m_player, model->context, object->host, key,
                                  value ? value : undefined());
    m_player->throwIfPending();
    return;
  }
  if (object && object->script) return object->script->set(*this, text(key), value);
  raise("TypeError", "can't set " + text(key) + " of " + text(object));
}

void Script::set(UlpOpaqueAtom* object, const std::string& name, UlpOpaqueAtom* value) {
  set(object, string(name), value);
}

bool Script::remove(UlpOpaqueAtom* object, UlpOpaqueAtom* key) {
  if (detail::Model* model = m_player->modelOf(object)) {
    const bool removed =
        model->callbacks->deleteProperty(m_player, model->context, object->host, key);
    m_player->throwIfPending();
    return removed;
  }
  if (object && object->script) return object->script->remove(*this, text(key));
  raise("TypeError", "can't delete " + text(key) + " of " + text(object));
}

int32_t Script::propertyFlags(UlpOpaqueAtom* object, UlpOpaqueAtom* key) {
  if (detail::Model* model = m_player->modelOf(object)) {
    const int32_t flags =
        model->callbacks->propertyFlags(m_player, model->context, object->host, key);
    m_player->throwIfPending();
    return flags;
  }
  return 0;
}

std::vector<std::string> Script::propertyNames(UlpOpaqueAtom* object) {
  std::vector<std::string> names;
  if (object && object->script) return object->script->keys(*this);
  detail::Model* model = m_player->modelOf(object);
  if (!model) return names;
  int32_t index = -1;
  while (names.size() < kMaxEnumeratedProperties) {
    const int32_t next =
        model->callbacks->getNextEnumIndex(m_player, model->context, object->host, index);
    m_player->throwIfPending();
    // Indices only go up; anything else ends the walk.
    if (next < 0 || next <= index) break;
    index = next;
    UlpOpaqueAtom* name =
        model->callbacks->getEnumValue(m_player, model->context, object->host, index, false);
    m_player->throwIfPending();
    names.push_back(text(name));
  }
  return names;
}

std::vector<UlpOpaqueAtom*> Script::propertyValues(UlpOpaqueAtom* object) {
  std::vector<UlpOpaqueAtom*> values;
  if (!object) return values;
  if (object->script) {
    for (const std::string& name : object->script->keys(*this))
      values.push_back(object->script->get(*this, name));
    return values;
  }
  detail::Model* model = m_player->modelOf(object);
  if (!model) return values;
  int32_t index = -1;
  while (values.size() < kMaxEnumeratedProperties) {
    const int32_t next =
        model->callbacks->getNextEnumIndex(m_player, model->context, object->host, index);
    m_player->throwIfPending();
    if (next < 0 || next <= index) break;
    index = next;
    UlpOpaqueAtom* value =
        model->callbacks->getEnumValue(m_player, model->context, object->host, index, true);
    m_player->throwIfPending();
    values.push_back(value ? value : undefined());
  }
  return values;
}

std::string Script::className(UlpOpaqueAtom* object) {
  if (detail::Model* model = m_player->modelOf(object)) {
    UlpOpaqueAtom* name = model->callbacks->getClassName(m_player, model->context, object->host);
    m_player->throwIfPending();
    return text(name);
  }
  if (object && object->script) return object->script->className();
  raise("TypeError", text(object) + " is not an object");
}

bool Script::event(UlpOpaqueAtom* a, UlpOpaqueAtom* b, UlpOpaqueAtom* c) {
  for (detail::Model* model : m_player->modelsInLookupOrder()) {
    const bool taken = model->callbacks->playerEvent(m_player, model->context, a, b, c);
    m_player->throwIfPending();
    if (taken) return true;
  }
  return false;
}

void Script::later(std::function<void(Script&)> code) {
  UlpPlayer* player = m_player;
  RunLoop::shared().post([player, alive = m_player->alive, code = std::move(code)] {
    if (!*alive || !UlpIsInitialized()) return;
    Script script(player);
    std::string uncaught;
    try {
      code(script);
      return;
    } catch (const ScriptError& e) {
      uncaught = e.text;
    } catch (const std::exception& e) {
      uncaught = std::string("Error: ") + e.what();
    }
    // What a player's trace would show.
    std::fprintf(stderr, "Ulp: uncaught %s\n", uncaught.c_str());
    testing::recordUncaught(uncaught);
  });
}

void Script::raise(const std::string& type, const std::string& message, int32_t number) {
  throw ScriptError(type, message, number);
}

}  // namespace ulp
