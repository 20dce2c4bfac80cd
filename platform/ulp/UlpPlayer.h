#pragma once

// The runtime's inside: atoms and the player. Only the runtime's own
// sources include this.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ulp/Component.h"
#include "platform/ulp/Script.h"
#include "platform/ulp/Ulp.h"

struct UlpOpaqueAtom {
  int32_t kind = kUlpKindUndefined;
  bool boolean = false;
  double number = 0;
  std::string text;
  // Object atoms: null, or one of the two.
  bool isNull = false;
  void* host = nullptr;
  ulp::ScriptObject* script = nullptr;
};

namespace ulp::detail {

// One registered object model.
struct Model {
  std::string prefix;
  void* context = nullptr;
  const UlpHostCallbacks* callbacks = nullptr;
  bool plugin = false;
};

// A host object the runtime holds.
struct HostWrapper {
  Model* model = nullptr;
  UlpOpaqueAtom* atom = nullptr;
};

// The text of any atom, as the runtime converts values to text.
std::string textOf(const UlpOpaqueAtom& atom);

struct PendingException {
  std::string type;
  std::string message;
  int32_t number = 0;
};

}  // namespace ulp::detail

struct UlpPlayer {
  UlpPlayer();
  ~UlpPlayer();
  UlpPlayer(const UlpPlayer&) = delete;
  UlpPlayer& operator=(const UlpPlayer&) = delete;

  UlpOpaqueAtom* make(int32_t kind);
  UlpOpaqueAtom* makeString(std::string text);
  UlpOpaqueAtom* makeNumber(double value);
  UlpOpaqueAtom* wrapScript(ulp::ScriptObject* object);

  // The model a host atom's object belongs to; null for any other atom or a
  // host object no longer held.
  ulp::detail::Model* modelOf(UlpOpaqueAtom* atom) const;
  // Atom of a host object of a model (made, or the one held).
  UlpOpaqueAtom* wrapHost(void* object, ulp::detail::Model* model);
  // Extensions first, then plug-ins; within each the newest first.
  std::vector<ulp::detail::Model*> modelsInLookupOrder() const;
  // The model whose prefix the dotted name starts with ("prefix." + rest).
  ulp::detail::Model* modelForName(const std::string& fullName, std::string* rest) const;
  // The class object of a host class by full dotted name, asked of each
  // model whose prefix the name starts with; null when none answers (a
  // model may have raised a script exception meanwhile).
  UlpOpaqueAtom* findHostClass(const std::string& fullName);
  // Lets go of every host object of the model through its callback.
  void releaseHostObjects(ulp::detail::Model* model);

  // Takes a pending exception a host callback raised, as a ScriptError.
  void throwIfPending();
  // Sets the pending exception from the one that is in flight.
  void setPendingFromCurrent() noexcept;

  std::deque<UlpOpaqueAtom> atoms;
  UlpOpaqueAtom undefinedAtom;
  UlpOpaqueAtom nullAtom;
  UlpOpaqueAtom nanAtom;
  UlpOpaqueAtom trueAtom;
  UlpOpaqueAtom falseAtom;

  std::vector<std::unique_ptr<ulp::detail::Model>> models;  // registration order
  std::unordered_map<void*, ulp::detail::HostWrapper> hosts;
  std::vector<std::unique_ptr<ulp::ScriptObject>> scriptObjects;
  std::map<std::string, ulp::ScriptObject*> scriptClasses;
  ulp::ScriptObject* root = nullptr;
  std::unique_ptr<ulp::Component> component;
  std::optional<ulp::detail::PendingException> pending;
  // Frames posted to the run loop check it before they run.
  std::shared_ptr<bool> alive;
};
