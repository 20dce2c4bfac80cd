#include "platform/ulp/Ulp.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>

#include "platform/ulp/Component.h"
#include "platform/ulp/Script.h"
#include "platform/ulp/UlpPlayer.h"
#include "platform/ulp/UlpTesting.h"

namespace {

std::atomic<bool> g_initialized{false};

constexpr int32_t kCallbacksVersion = 2;
constexpr int32_t kInitParamsVersion = 2;

bool isObject(const UlpOpaqueAtom* atom) {
  return atom->kind == kUlpKindObject;
}

ulp::Arguments argumentsOf(int32_t count, UlpOpaqueAtom** atoms) {
  ulp::Arguments args;
  if (count <= 0 || !atoms) return args;
  args.assign(atoms + 1, atoms + 1 + count);
  return args;
}

// Runs script code for a native caller: a script exception becomes the
// pending one and the result undefined.
template <class Fn>
UlpOpaqueAtom* runForNative(UlpPlayer* player, Fn fn) {
  try {
    return fn();
  } catch (...) {
    player->setPendingFromCurrent();
    return &player->undefinedAtom;
  }
}

int32_t registerModel(UlpPlayer* player, void* context, const char* prefix,
                      const UlpHostCallbacks* callbacks, bool plugin) {
  if (!player || !prefix || !*prefix || !callbacks || callbacks->version != kCallbacksVersion)
    return kUlpErrBadParameter;
  if (!plugin) {
    for (const auto& model : player->models)
      if (model->prefix == prefix) return kUlpErrPrefixInUse;
  }
  auto model = std::make_unique<ulp::detail::Model>();
  model->prefix = prefix;
  model->context = context;
  model->callbacks = callbacks;
  model->plugin = plugin;
  player->models.push_back(std::move(model));
  return kUlpNoErr;
}

}  // namespace

namespace ulp::detail {

std::string textOf(const UlpOpaqueAtom& atom) {
  switch (atom.kind) {
    case kUlpKindString:
      return atom.text;
    case kUlpKindBoolean:
      return atom.boolean ? "true" : "false";
    case kUlpKindIndex:
    case kUlpKindNumber: {
      if (std::isnan(atom.number)) return "NaN";
      if (std::isinf(atom.number)) return atom.number < 0 ? "-Infinity" : "Infinity";
      char buffer[64];
      auto result = std::to_chars(buffer, buffer + sizeof(buffer), atom.number);
      return std::string(buffer, result.ptr);
    }
    case kUlpKindObject:
      if (atom.isNull) return "null";
      if (atom.script) return "[object " + atom.script->className() + "]";
      return "[object " + atom.text + "]";
    default:
      return "undefined";
  }
}

}  // namespace ulp::detail

UlpPlayer::UlpPlayer() : alive(std::make_shared<bool>(true)) {
  undefinedAtom.kind = kUlpKindUndefined;
  nullAtom.kind = kUlpKindObject;
  nullAtom.isNull = true;
  nanAtom.kind = kUlpKindNumber;
  nanAtom.number = std::numeric_limits<double>::quiet_NaN();
  trueAtom.kind = kUlpKindBoolean;
  trueAtom.boolean = true;
  falseAtom.kind = kUlpKindBoolean;
  auto made = std::make_unique<ulp::ScriptObject>("Object");
  root = made.get();
  scriptObjects.push_back(std::move(made));
}

UlpPlayer::~UlpPlayer() {
  *alive = false;
  component.reset();
  // Host objects still held are let go, newest model first.
  for (auto it = models.rbegin(); it != models.rend(); ++it) releaseHostObjects(it->get());
  models.clear();
}

UlpOpaqueAtom* UlpPlayer::make(int32_t kind) {
  atoms.emplace_back();
  atoms.back().kind = kind;
  return &atoms.back();
}

UlpOpaqueAtom* UlpPlayer::makeString(std::string text) {
  UlpOpaqueAtom* atom = make(kUlpKindString);
  atom->text = std::move(text);
  return atom;
}

UlpOpaqueAtom* UlpPlayer::makeNumber(double value) {
  UlpOpaqueAtom* atom = make(kUlpKindNumber);
  atom->number = value;
  return atom;
}

UlpOpaqueAtom* UlpPlayer::wrapScript(ulp::ScriptObject* object) {
  if (!object) return &nullAtom;
  UlpOpaqueAtom* atom = make(kUlpKindObject);
  atom->script = object;
  return atom;
}

ulp::detail::Model* UlpPlayer::modelOf(UlpOpaqueAtom* atom) const {
  if (!atom || !isObject(atom) || !atom->host) return nullptr;
  auto it = hosts.find(atom->host);
  return it == hosts.end() ? nullptr : it->second.model;
}

UlpOpaqueAtom* UlpPlayer::wrapHost(void* object, ulp::detail::Model* model) {
  if (!object) return &nullAtom;
  auto it = hosts.find(object);
  if (it != hosts.end()) return it->second.atom;
  UlpOpaqueAtom* atom = make(kUlpKindObject);
  atom->host = object;
  atom->text = model->prefix;
  hosts[object] = {model, atom};
  return atom;
}

std::vector<ulp::detail::Model*> UlpPlayer::modelsInLookupOrder() const {
  std::vector<ulp::detail::Model*> order;
  for (bool plugin : {false, true})
    for (auto it = models.rbegin(); it != models.rend(); ++it)
      if ((*it)->plugin == plugin) order.push_back(it->get());
  return order;
}

ulp::detail::Model* UlpPlayer::modelForName(const std::string& fullName, std::string* rest) const {
  for (ulp::detail::Model* model : modelsInLookupOrder()) {
    const std::string& prefix = model->prefix;
    if (fullName.size() > prefix.size() + 1 && fullName.compare(0, prefix.size(), prefix) == 0 &&
        fullName[prefix.size()] == '.') {
      if (rest) *rest = fullName.substr(prefix.size() + 1);
      return model;
    }
  }
  return nullptr;
}

UlpOpaqueAtom* UlpPlayer::findHostClass(const std::string& fullName) {
  for (ulp::detail::Model* model : modelsInLookupOrder()) {
    const std::string& prefix = model->prefix;
    if (fullName.size() <= prefix.size() + 1 || fullName.compare(0, prefix.size(), prefix) != 0 ||
        fullName[prefix.size()] != '.')
      continue;
    void* object = nullptr;
    UlpOpaqueAtom* name = makeString(fullName.substr(prefix.size() + 1));
    if (model->callbacks->getClassObject(this, model->context, name, &object) && object)
      return wrapHost(object, model);
    if (pending) return nullptr;
  }
  return nullptr;
}

void UlpPlayer::releaseHostObjects(ulp::detail::Model* model) {
  std::vector<void*> held;
  for (const auto& [object, wrapper] : hosts)
    if (wrapper.model == model) held.push_back(object);
  for (void* object : held) {
    auto it = hosts.find(object);
    // A disconnect before may have taken this one with it.
    if (it == hosts.end()) continue;
    it->second.atom->host = nullptr;
    it->second.atom->isNull = true;
    hosts.erase(it);
    model->callbacks->disconnect(this, model->context, object);
  }
}

void UlpPlayer::throwIfPending() {
  if (!pending) return;
  ulp::detail::PendingException taken = std::move(*pending);
  pending.reset();
  throw ulp::ScriptError(taken.type, taken.message, taken.number);
}

void UlpPlayer::setPendingFromCurrent() noexcept {
  try {
    throw;
  } catch (const ulp::ScriptError& e) {
    pending = ulp::detail::PendingException{e.type, e.message, e.number};
  } catch (const std::exception& e) {
    pending = ulp::detail::PendingException{"Error", e.what(), 0};
  } catch (...) {
    pending = ulp::detail::PendingException{"Error", "native failure", 0};
  }
}

int32_t UlpInitialize(const UlpInitParams* params) {
  if (!params || params->version != kInitParamsVersion) return kUlpErrBadParameter;
  if (int32_t code = ulp::testing::initializeResult()) return code;
  g_initialized = true;
  return kUlpNoErr;
}

void UlpTerminate() {
  g_initialized = false;
}

bool UlpIsInitialized() {
  return g_initialized;
}

int32_t UlpPlayerLoadComponent(UlpPlayer* player, const char* folder) {
  if (!player || !folder || !*folder) return kUlpErrBadParameter;
  if (!g_initialized) return kUlpErrNotInitialized;
  if (player->component) return kUlpErrComponentLoaded;
  ulp::ComponentSource source;
  source.folder = folder;
  if (source.folder.back() != '/') source.folder += '/';
  const std::string path = source.folder + ulp::kComponentFileName;
  if (!std::ifstream(path, std::ios::binary)) return kUlpErrNoComponent;
  if (!ulp::readComponentFile(path, source, nullptr)) return kUlpErrBadComponent;
  std::string error;
  std::unique_ptr<ulp::Component> component = ulp::makeComponent(source, &error);
  if (!component) {
    return source.value("component").empty() ? kUlpErrBadComponent : kUlpErrUnknownComponent;
  }
  player->component = std::move(component);
  ulp::Script script(player);
  try {
    player->component->load(script);
  } catch (...) {
    player->component.reset();
    return kUlpErrBadComponent;
  }
  return kUlpNoErr;
}

int32_t UlpPlayerExtendObjectModel(UlpPlayer* player, void* context, const char* prefix,
                                   const UlpHostCallbacks* callbacks) {
  return registerModel(player, context, prefix, callbacks, false);
}

int32_t UlpPlayerAddPluginObjectModel(UlpPlayer* player, void* context, const char* prefix,
                                      const UlpHostCallbacks* callbacks) {
  return registerModel(player, context, prefix, callbacks, true);
}

int32_t UlpPlayerDisconnectObjectModelExtension(UlpPlayer* player, const char* prefix) {
  if (!player || !prefix) return kUlpErrBadParameter;
  for (auto it = player->models.rbegin(); it != player->models.rend(); ++it) {
    if ((*it)->prefix != prefix) continue;
    ulp::detail::Model* model = it->get();
    player->releaseHostObjects(model);
    // The callbacks may have changed the list; find the model again.
    for (auto jt = player->models.begin(); jt != player->models.end(); ++jt) {
      if (jt->get() == model) {
        player->models.erase(jt);
        break;
      }
    }
    return kUlpNoErr;
  }
  return kUlpErrNotFound;
}

int32_t UlpPlayerSetStandardException(UlpPlayer* player, UlpOpaqueAtom* message, int32_t number,
                                      const char* type) {
  if (!player) return kUlpErrBadParameter;
  player->pending = ulp::detail::PendingException{
      type && *type ? type : "Error", message ? ulp::detail::textOf(*message) : "", number};
  return kUlpNoErr;
}

int32_t UlpPlayerRetrieveException(UlpPlayer* player, UlpOpaqueAtom** exception) {
  if (!player || !exception) return kUlpErrBadParameter;
  *exception = nullptr;
  if (!player->pending) return kUlpNoErr;
  *exception = player->makeString(player->pending->type + ": " + player->pending->message);
  player->pending.reset();
  return kUlpNoErr;
}

int32_t UlpAtomFromUTF8(UlpPlayer* player, const char* text, size_t length, UlpOpaqueAtom** atom) {
  if (!player || !atom || (!text && length)) return kUlpErrBadParameter;
  *atom = player->makeString(text ? std::string(text, length) : std::string());
  return kUlpNoErr;
}

int32_t UlpAtomToUTF8(UlpPlayer* player, UlpOpaqueAtom* atom, char* buffer, size_t* length) {
  if (!player || !atom || !length) return kUlpErrBadParameter;
  const std::string text = ulp::detail::textOf(*atom);
  if (!buffer) {
    *length = text.size();
    return kUlpNoErr;
  }
  const size_t copied = std::min(*length, text.size());
  text.copy(buffer, copied);
  *length = copied;
  return kUlpNoErr;
}

int32_t UlpAtomFromInt32(UlpPlayer* player, int32_t value, UlpOpaqueAtom** atom) {
  if (!player || !atom) return kUlpErrBadParameter;
  *atom = player->makeNumber(value);
  return kUlpNoErr;
}

int32_t UlpAtomFromBool(UlpPlayer* player, bool value, UlpOpaqueAtom** atom) {
  if (!player || !atom) return kUlpErrBadParameter;
  *atom = value ? &player->trueAtom : &player->falseAtom;
  return kUlpNoErr;
}

int32_t UlpAtomFromDouble(UlpPlayer* player, double value, UlpOpaqueAtom** atom) {
  if (!player || !atom) return kUlpErrBadParameter;
  *atom = player->makeNumber(value);
  return kUlpNoErr;
}

int32_t UlpAtomToInt32(UlpPlayer* player, UlpOpaqueAtom* atom, int32_t* value) {
  double number = 0;
  if (int32_t error = UlpAtomToDouble(player, atom, &number)) return error;
  if (!(number >= std::numeric_limits<int32_t>::min() &&
        number <= std::numeric_limits<int32_t>::max()))
    return kUlpErrOutOfRange;
  *value = static_cast<int32_t>(number);
  return kUlpNoErr;
}

int32_t UlpAtomToBool(UlpPlayer* player, UlpOpaqueAtom* atom, bool* value) {
  if (!player || !atom || !value) return kUlpErrBadParameter;
  switch (atom->kind) {
    case kUlpKindBoolean:
      *value = atom->boolean;
      break;
    case kUlpKindIndex:
    case kUlpKindNumber:
      *value = atom->number != 0 && !std::isnan(atom->number);
      break;
    case kUlpKindString:
      *value = !atom->text.empty();
      break;
    case kUlpKindObject:
      *value = !atom->isNull;
      break;
    default:
      *value = false;
  }
  return kUlpNoErr;
}

int32_t UlpAtomToDouble(UlpPlayer* player, UlpOpaqueAtom* atom, double* value) {
  if (!player || !atom || !value) return kUlpErrBadParameter;
  switch (atom->kind) {
    case kUlpKindBoolean:
      *value = atom->boolean ? 1 : 0;
      return kUlpNoErr;
    case kUlpKindIndex:
    case kUlpKindNumber:
      *value = atom->number;
      return kUlpNoErr;
    default:
      return kUlpErrWrongKind;
  }
}

int32_t UlpAtomGetCanonical(UlpPlayer* player, int32_t which, UlpOpaqueAtom** atom) {
  if (!player || !atom) return kUlpErrBadParameter;
  switch (which) {
    case kUlpCanonicalUndefined:
      *atom = &player->undefinedAtom;
      return kUlpNoErr;
    case kUlpCanonicalNull:
      *atom = &player->nullAtom;
      return kUlpNoErr;
    case kUlpCanonicalNaN:
      *atom = &player->nanAtom;
      return kUlpNoErr;
    default:
      return kUlpErrBadParameter;
  }
}

int32_t UlpAtomGetKind(UlpPlayer* player, UlpOpaqueAtom* atom, int32_t* kind) {
  if (!player || !atom || !kind) return kUlpErrBadParameter;
  *kind = atom->kind;
  return kUlpNoErr;
}

int32_t UlpAtomIsNull(UlpPlayer* player, UlpOpaqueAtom* atom, bool* isNull) {
  if (!player || !atom || !isNull) return kUlpErrBadParameter;
  *isNull = isObject(atom) && atom->isNull;
  return kUlpNoErr;
}

int32_t UlpAtomFromHostObject(UlpPlayer* player, void* object, const char* typeName,
                              UlpOpaqueAtom** atom) {
  if (!player || !atom || !typeName) return kUlpErrBadParameter;
  if (!object) {
    *atom = &player->nullAtom;
    return kUlpNoErr;
  }
  auto held = player->hosts.find(object);
  if (held != player->hosts.end()) {
    *atom = held->second.atom;
    return kUlpNoErr;
  }
  std::string className;
  ulp::detail::Model* model = player->modelForName(typeName, &className);
  if (!model) return kUlpErrNotFound;
  *atom = player->wrapHost(object, model);
  (*atom)->text = typeName;
  return kUlpNoErr;
}

int32_t UlpAtomToHostObject(UlpPlayer* player, UlpOpaqueAtom* atom, void** object) {
  if (!player || !atom || !object) return kUlpErrBadParameter;
  *object = player->modelOf(atom) ? atom->host : nullptr;
  return kUlpNoErr;
}

int32_t UlpObjectInvokeMethod(UlpPlayer* player, UlpOpaqueAtom* object, UlpOpaqueAtom* name,
                              int32_t count, UlpOpaqueAtom** atoms, UlpOpaqueAtom** result) {
  if (!player || !object || !name || !result || count < 0 || (count > 0 && !atoms))
    return kUlpErrBadParameter;
  const ulp::Arguments args = argumentsOf(count, atoms);
  *result = runForNative(player, [&] {
    ulp::Script script(player);
    return script.call(object, ulp::detail::textOf(*name), args);
  });
  return kUlpNoErr;
}

int32_t UlpObjectGetProperty(UlpPlayer* player, UlpOpaqueAtom* object, UlpOpaqueAtom* name,
                             UlpOpaqueAtom** result) {
  if (!player || !object || !name || !result) return kUlpErrBadParameter;
  *result = runForNative(player, [&] { return ulp::Script(player).get(object, name); });
  return kUlpNoErr;
}

int32_t UlpObjectPutProperty(UlpPlayer* player, UlpOpaqueAtom* object, UlpOpaqueAtom* name,
                             UlpOpaqueAtom* value) {
  if (!player || !object || !name || !value) return kUlpErrBadParameter;
  runForNative(player, [&] {
    ulp::Script(player).set(object, name, value);
    return &player->undefinedAtom;
  });
  return kUlpNoErr;
}

int32_t UlpObjectCreate(UlpPlayer* player, UlpOpaqueAtom* className, int32_t count,
                        UlpOpaqueAtom** atoms, UlpOpaqueAtom** result) {
  if (!player || !className || !result || count < 0 || (count > 0 && !atoms))
    return kUlpErrBadParameter;
  const ulp::Arguments args = argumentsOf(count, atoms);
  *result = runForNative(
      player, [&] { return ulp::Script(player).construct(ulp::detail::textOf(*className), args); });
  return kUlpNoErr;
}

int32_t UlpObjectGetClassObject(UlpPlayer* player, UlpOpaqueAtom* name, UlpOpaqueAtom** result) {
  if (!player || !name || !result) return kUlpErrBadParameter;
  const std::string fullName = ulp::detail::textOf(*name);
  auto own = player->scriptClasses.find(fullName);
  if (own != player->scriptClasses.end()) {
    *result = player->wrapScript(own->second);
    return kUlpNoErr;
  }
  UlpOpaqueAtom* found = player->findHostClass(fullName);
  if (found) {
    *result = found;
    return kUlpNoErr;
  }
  *result = &player->nullAtom;
  // A script exception raised on the way is reported as one.
  return player->pending ? kUlpNoErr : kUlpErrNotFound;
}

int32_t UlpObjectGetRoot(UlpPlayer* player, UlpOpaqueAtom** result) {
  if (!player || !result) return kUlpErrBadParameter;
  *result = player->wrapScript(player->root);
  return kUlpNoErr;
}

int32_t UlpObjectDisconnect(UlpPlayer* player, void* object) {
  if (!player || !object) return kUlpErrBadParameter;
  auto it = player->hosts.find(object);
  if (it == player->hosts.end()) return kUlpErrNotFound;
  it->second.atom->host = nullptr;
  it->second.atom->isNull = true;
  player->hosts.erase(it);
  return kUlpNoErr;
}
