#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ulp/Ulp.h"

// The component's side of the runtime: what its code can do with values,
// its own objects and the host's objects. Script code reports failures by
// throwing ScriptError, which plays the part of a script exception: the
// runtime turns one that reaches it into the pending exception of the
// native call that ran the code.
namespace ulp {

class Script;

struct ScriptError : std::exception {
  ScriptError(std::string errorType, std::string errorMessage, int32_t errorNumber = 0);
  const char* what() const noexcept override { return text.c_str(); }

  std::string type;  // "Error", "TypeError", "ReferenceError", ...
  std::string message;
  int32_t number;
  std::string text;  // "Type: message"
};

using Arguments = std::vector<UlpOpaqueAtom*>;

// An object of the component's world. The player owns it for its whole
// life. The defaults give a bag of properties that has no methods and
// can't be constructed.
class ScriptObject {
 public:
  explicit ScriptObject(std::string className);
  virtual ~ScriptObject();
  ScriptObject(const ScriptObject&) = delete;
  ScriptObject& operator=(const ScriptObject&) = delete;

  const std::string& className() const { return m_className; }

  virtual UlpOpaqueAtom* call(Script& script, const std::string& method, const Arguments& args);
  virtual UlpOpaqueAtom* get(Script& script, const std::string& name);
  virtual void set(Script& script, const std::string& name, UlpOpaqueAtom* value);
  // delete: whether the property went.
  virtual bool remove(Script& script, const std::string& name);
  // The names a for-in loop sees.
  virtual std::vector<std::string> keys(Script& script);
  // For class objects: a new instance.
  virtual std::unique_ptr<ScriptObject> construct(Script& script, const Arguments& args);

 private:
  std::string m_className;
  std::map<std::string, UlpOpaqueAtom*> m_properties;
};

// A handle on one player for the component's code. Operations on host
// objects go through their extension's callbacks; a script exception the
// host raised there comes back as ScriptError.
class Script {
 public:
  explicit Script(UlpPlayer* player) : m_player(player) {}

  UlpPlayer* player() const { return m_player; }

  UlpOpaqueAtom* string(std::string_view text);
  UlpOpaqueAtom* number(double value);
  UlpOpaqueAtom* boolean(bool value);
  UlpOpaqueAtom* index(int32_t key);
  UlpOpaqueAtom* undefined();
  UlpOpaqueAtom* null();

  int32_t kind(UlpOpaqueAtom* atom) const;
  // The text of any atom, as the runtime converts values to text.
  std::string text(UlpOpaqueAtom* atom) const;
  double toNumber(UlpOpaqueAtom* atom) const;
  bool toBool(UlpOpaqueAtom* atom) const;

  // Defines one of the component's classes under its full dotted name; the
  // player keeps the object.
  UlpOpaqueAtom* defineClass(const std::string& fullName, std::unique_ptr<ScriptObject> object);
  // Keeps an object of the component and gives its atom.
  UlpOpaqueAtom* adopt(std::unique_ptr<ScriptObject> object);
  // The component's root object.
  UlpOpaqueAtom* root();

  // A host class by full dotted name, through its extension's class-object
  // callback; ReferenceError when none answers.
  UlpOpaqueAtom* hostClass(const std::string& fullName);
  // The root object of the extension of that prefix (null when it has none).
  UlpOpaqueAtom* hostRoot(const std::string& prefix);
  // new <fullName>(args): a class of the component, else a host class.
  UlpOpaqueAtom* construct(const std::string& fullName, const Arguments& args);

  UlpOpaqueAtom* call(UlpOpaqueAtom* object, const std::string& method, const Arguments& args);
  UlpOpaqueAtom* get(UlpOpaqueAtom* object, UlpOpaqueAtom* key);
  UlpOpaqueAtom* get(UlpOpaqueAtom* object, const std::string& name);
  void set(UlpOpaqueAtom* object, UlpOpaqueAtom* key, UlpOpaqueAtom* value);
  void set(UlpOpaqueAtom* object, const std::string& name, UlpOpaqueAtom* value);
  // delete object[key]: whether it went.
  bool remove(UlpOpaqueAtom* object, UlpOpaqueAtom* key);
  // The host's flags of a property (0 for objects of the component).
  int32_t propertyFlags(UlpOpaqueAtom* object, UlpOpaqueAtom* key);
  // for (name in object): the names, and with values the values.
  std::vector<std::string> propertyNames(UlpOpaqueAtom* object);
  std::vector<UlpOpaqueAtom*> propertyValues(UlpOpaqueAtom* object);
  std::string className(UlpOpaqueAtom* object);
  // A player event, offered to each extension until one takes it.
  bool event(UlpOpaqueAtom* a, UlpOpaqueAtom* b, UlpOpaqueAtom* c);

  // Runs code in a later frame, from the run loop. Nothing runs once the
  // player is gone; a script exception that nothing caught is reported
  // (see UlpTesting.h) and dropped.
  void later(std::function<void(Script&)> code);

  [[noreturn]] void raise(const std::string& type, const std::string& message, int32_t number = 0);

 private:
  UlpPlayer* m_player;
};

}  // namespace ulp
