#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/ulp/Ulp.h"

// Publishes native classes to the component's scripts. A class is a static
// table of named functions; an extension registers a namespace of such
// classes with a player and answers the runtime's questions about them by
// looking names up in the tables. Native failures inside host functions
// never reach the runtime as native exceptions: they become the script
// exceptions "Error" or "ReferenceError".
namespace MiniDOM {

class Object;
class ObjectClass;
class Extension;

// A host function: the object, the argument count and the atoms, whose
// slot 0 belongs to the runtime (the count does not include it).
using Function = UlpOpaqueAtom* (*)(Object* self, int32_t count, UlpOpaqueAtom** atoms);

// One entry of a class's table. The first entry holds the class name and
// the base class's table (or null); then one entry per method; an entry
// with a null name ends the table.
struct FnDecl {
  const char* name;
  Function function;
  const FnDecl* base;
};

// Atom kinds the layer tells apart, and the canonical atoms.
inline constexpr int32_t kKindObject = kUlpKindObject;
inline constexpr int32_t kKindString = kUlpKindString;
inline constexpr int32_t kKindIndex = kUlpKindIndex;
inline constexpr int32_t kKindNumber = kUlpKindNumber;

// Script errors raised for a missing member.
inline constexpr int32_t kNotAMethod = 1006;
inline constexpr int32_t kNotDefined = 1065;
inline constexpr int32_t kReadOnly = 1074;
inline constexpr int32_t kWriteOnly = 1077;

// Thrown codes: an unknown method name or a null host object (long), and a
// failed ThrowIfFalse (int).
inline constexpr long kNoSuchObject = 11;
inline constexpr int kFalseCondition = 4;

// A script exception met by a native call into the runtime.
class ovexception : public std::exception {
 public:
  explicit ovexception(std::string text) : m_text(std::move(text)) {}
  const char* what() const noexcept override { return m_text.c_str(); }

 private:
  std::string m_text;
};

// Throws kFalseCondition (an int) when the condition is false.
void ThrowIfFalse(bool condition);

// The base of every published object.
class Object {
 public:
  // A null table fails with ThrowIfFalse.
  Object(Extension* extension, const FnDecl* table);
  // Marks the object owned and tells the runtime to forget it.
  virtual ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // A hidden member is reported with the hidden bit.
  virtual bool isHidden(const char* name) const;

  // The class name of the table ("Object" without one).
  const char* getClass() const;
  // The function of the first entry of that name in the table chain.
  Function resolve(const char* name) const;
  // Calls a function of the table chain; an unknown name throws
  // kNoSuchObject (a long).
  UlpOpaqueAtom* call(const char* name, int32_t count, UlpOpaqueAtom** atoms);
  // Walks the entries of the class's own table: from i < 0 to the first
  // method, then on; -1 at the end.
  int32_t getNextEnumIndex(int32_t i) const;
  // The name of entry i of the own table; null for i < 1 or past the end.
  const char* getEnumNameForIndex(int32_t i) const;

  // Conversions through the extension's player; a runtime error is thrown
  // as a long.
  UlpOpaqueAtom* string2atom(const char* text) const;
  UlpOpaqueAtom* string2atom(const std::string& text) const;
  std::string atom2string(UlpOpaqueAtom* atom) const;
  UlpOpaqueAtom* int2atom(int32_t value) const;
  UlpOpaqueAtom* bool2atom(bool value) const;
  UlpOpaqueAtom* double2atom(double value) const;
  int32_t atom2int(UlpOpaqueAtom* atom) const;
  bool atom2bool(UlpOpaqueAtom* atom) const;
  double atom2double(UlpOpaqueAtom* atom) const;
  UlpOpaqueAtom* null() const;
  UlpOpaqueAtom* undefined() const;
  UlpOpaqueAtom* NaN() const;
  bool atomIsUndefined(UlpOpaqueAtom* atom) const;
  // A null host object throws kNoSuchObject.
  Object* atom2object(UlpOpaqueAtom* atom) const;
  // Null, or an object without a table, gives the null atom.
  UlpOpaqueAtom* object2atom(Object* object) const;
  bool atomIsObject(UlpOpaqueAtom* atom) const;
  bool atomIsEqual(UlpOpaqueAtom* a, UlpOpaqueAtom* b) const;
  int32_t atomKind(UlpOpaqueAtom* atom) const;

  Extension* extension() const { return m_extension; }
  UlpPlayer* player() const;
  const FnDecl* table() const { return m_table; }
  bool owned() const { return m_owned; }
  void setOwned(bool owned) { m_owned = owned; }

  static const FnDecl functions[];

 private:
  Extension* m_extension;
  const FnDecl* m_table;
  bool m_owned = false;
};

// A class object. Its constructor puts it at the head of the extension's
// class list and marks it owned.
class ObjectClass : public Object {
 public:
  ObjectClass(Extension* extension, const FnDecl* table);
  ~ObjectClass() override;

  // A new instance for a script's "new"; none by default.
  virtual Object* _create(int32_t count, UlpOpaqueAtom** atoms);

  ObjectClass* next() const { return m_next; }

  static const FnDecl functions[];

 private:
  friend class Extension;
  ObjectClass* m_next = nullptr;
};

// One published namespace on one player. Extensions form the process-wide
// list allExtensions, newest first.
class Extension {
 public:
  // Extends the player's object model under the prefix; as a plug-in model
  // when that fails or when addAsPlugin is set.
  Extension(UlpPlayer* player, const char* prefix, bool addAsPlugin);
  // Disconnects the model, deletes the root and the classes (head first)
  // and leaves the list.
  ~Extension();
  Extension(const Extension&) = delete;
  Extension& operator=(const Extension&) = delete;

  static void deleteAll();

  UlpPlayer* player() const { return m_player; }
  const std::string& prefix() const { return m_prefix; }
  Object* root() const { return m_root; }
  ObjectClass* classes() const { return m_classes; }
  Extension* next() const { return m_next; }

  // No change for the same object; a former root that is not owned is
  // deleted; the new root becomes owned.
  void setRoot(Object* object);
  // The first class (from the head) whose class name is name + "Class".
  ObjectClass* findClass(const char* name) const;
  void addClass(ObjectClass* objectClass);

  // Calls into the component. A runtime error is thrown as a long, a
  // script exception as ovexception.
  UlpOpaqueAtom* ovCall(UlpOpaqueAtom* object, const char* method, int32_t count,
                        UlpOpaqueAtom** atoms);
  UlpOpaqueAtom* ovGet(UlpOpaqueAtom* object, const char* name);
  void ovSet(UlpOpaqueAtom* object, const char* name, UlpOpaqueAtom* value);
  UlpOpaqueAtom* ovCreate(const char* className, int32_t count, UlpOpaqueAtom** atoms);
  UlpOpaqueAtom* ovGetClassObject(const char* fullName);
  UlpOpaqueAtom* ovGetRoot();
  // Throws the pending script exception, if any, as ovexception.
  static void ovRethrow(UlpPlayer* player);

 private:
  UlpOpaqueAtom* nameAtom(const char* text) const;

  UlpPlayer* m_player;
  std::string m_prefix;
  Object* m_root = nullptr;
  ObjectClass* m_classes = nullptr;
  Extension* m_next = nullptr;
};

extern Extension* allExtensions;
extern const UlpHostCallbacks hostCallbacks;

// A runtime error code as the layer throws it.
void checkUlp(int32_t error);

}  // namespace MiniDOM
