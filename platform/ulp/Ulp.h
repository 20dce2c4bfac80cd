#pragma once

#include <cstddef>
#include <cstdint>

// The embedding runtime that runs the validator's component. Native code
// talks to it through these calls; the component's own code runs inside it
// (see Component.h and Script.h). Every call returns an error code, 0 for
// success, and hands its result back through its last argument.
//
// Atoms are the runtime's values. They belong to their player and stay
// valid until the player is destroyed. An object atom refers either to an
// object of the component's world or to a host object, which the runtime
// never touches itself: every operation on a host object goes through the
// callbacks its object model extension registered.

struct UlpOpaqueAtom;
struct UlpPlayer;

enum : int32_t {
  kUlpNoErr = 0,
  kUlpErrBadParameter = 1,
  kUlpErrNotInitialized = 2,
  kUlpErrNoComponent = 3,       // the folder holds no component file
  kUlpErrBadComponent = 4,      // the component file is malformed or too large
  kUlpErrUnknownComponent = 5,  // it names no registered component
  kUlpErrWrongKind = 6,         // a conversion from an atom of another kind
  kUlpErrNotFound = 7,          // no such class, extension or object
  kUlpErrPrefixInUse = 8,       // an extension of that prefix exists
  kUlpErrComponentLoaded = 9,   // the player runs a component already
  kUlpErrOutOfRange = 10,       // a number that does not fit
};

// Atom kinds as UlpAtomGetKind reports them.
enum : int32_t {
  kUlpKindUndefined = 0,
  kUlpKindObject = 1,  // null is an object atom too
  kUlpKindString = 2,
  kUlpKindBoolean = 3,
  kUlpKindIndex = 6,  // an integer property key
  kUlpKindNumber = 7,
};

// The canonical atoms of UlpAtomGetCanonical.
enum : int32_t {
  kUlpCanonicalUndefined = 256,
  kUlpCanonicalNull = 259,
  kUlpCanonicalNaN = 262,
};

struct UlpInitParams {
  int32_t version;  // 2
  int32_t flags;
  void* reserved[4];
};

// The callbacks of an object model extension. Each gets the player and the
// context given at registration first. They are called from inside the
// runtime and must not throw: a failure is reported by raising a script
// exception (UlpPlayerSetStandardException) and returning null or false.
struct UlpHostCallbacks {
  int32_t version;  // 2
  void* (*getRoot)(UlpPlayer* player, void* context) noexcept;
  void* (*create)(UlpPlayer* player, void* context, UlpOpaqueAtom* className, int32_t count,
                  UlpOpaqueAtom** atoms) noexcept;
  UlpOpaqueAtom* (*getClassName)(UlpPlayer* player, void* context, void* object) noexcept;
  // The runtime lets go of an object it wrapped.
  void (*disconnect)(UlpPlayer* player, void* context, void* object) noexcept;
  int32_t (*propertyFlags)(UlpPlayer* player, void* context, void* object,
                           UlpOpaqueAtom* name) noexcept;
  UlpOpaqueAtom* (*getProperty)(UlpPlayer* player, void* context, void* object,
                                UlpOpaqueAtom* name) noexcept;
  void (*setProperty)(UlpPlayer* player, void* context, void* object, UlpOpaqueAtom* name,
                      UlpOpaqueAtom* value) noexcept;
  UlpOpaqueAtom* (*invokeMethod)(UlpPlayer* player, void* context, void* object,
                                 UlpOpaqueAtom* name, int32_t count,
                                 UlpOpaqueAtom** atoms) noexcept;
  bool (*deleteProperty)(UlpPlayer* player, void* context, void* object,
                         UlpOpaqueAtom* name) noexcept;
  bool (*playerEvent)(UlpPlayer* player, void* context, UlpOpaqueAtom* a, UlpOpaqueAtom* b,
                      UlpOpaqueAtom* c) noexcept;
  bool (*getClassObject)(UlpPlayer* player, void* context, UlpOpaqueAtom* name,
                         void** classObject) noexcept;
  int32_t (*getNextEnumIndex)(UlpPlayer* player, void* context, void* object,
                              int32_t index) noexcept;
  UlpOpaqueAtom* (*getEnumValue)(UlpPlayer* player, void* context, void* object, int32_t index,
                                 bool wantValue) noexcept;
};

// Start and end. UlpInitialize wants a record of version 2.
int32_t UlpInitialize(const UlpInitParams* params);
void UlpTerminate();
bool UlpIsInitialized();

// Reads the component file in the folder (see Component.h), makes the
// component it names and loads it into the player. The component starts on
// the run loop.
int32_t UlpPlayerLoadComponent(UlpPlayer* player, const char* folder);

// Object model extensions: a namespace of host classes, answered by the
// callbacks. ExtendObjectModel refuses a prefix that is taken; a plug-in
// model may share a prefix and is asked after the extensions.
int32_t UlpPlayerExtendObjectModel(UlpPlayer* player, void* context, const char* prefix,
                                   const UlpHostCallbacks* callbacks);
int32_t UlpPlayerAddPluginObjectModel(UlpPlayer* player, void* context, const char* prefix,
                                      const UlpHostCallbacks* callbacks);
// Lets go of every object of the newest model of that prefix (through its
// disconnect callback), then forgets the model.
int32_t UlpPlayerDisconnectObjectModelExtension(UlpPlayer* player, const char* prefix);

// Script exceptions. A host callback raises one; native code that called
// into scripts takes the pending one (a string atom "Type: message", or
// null when none is pending) and so clears it.
int32_t UlpPlayerSetStandardException(UlpPlayer* player, UlpOpaqueAtom* message, int32_t number,
                                      const char* type);
int32_t UlpPlayerRetrieveException(UlpPlayer* player, UlpOpaqueAtom** exception);

// Atoms.
int32_t UlpAtomFromUTF8(UlpPlayer* player, const char* text, size_t length, UlpOpaqueAtom** atom);
// A string atom's text. With a null buffer *length becomes the text's
// length; otherwise up to *length bytes are copied (no terminating zero)
// and *length becomes the number copied.
int32_t UlpAtomToUTF8(UlpPlayer* player, UlpOpaqueAtom* atom, char* buffer, size_t* length);
int32_t UlpAtomFromInt32(UlpPlayer* player, int32_t value, UlpOpaqueAtom** atom);
int32_t UlpAtomFromBool(UlpPlayer* player, bool value, UlpOpaqueAtom** atom);
int32_t UlpAtomFromDouble(UlpPlayer* player, double value, UlpOpaqueAtom** atom);
int32_t UlpAtomToInt32(UlpPlayer* player, UlpOpaqueAtom* atom, int32_t* value);
int32_t UlpAtomToBool(UlpPlayer* player, UlpOpaqueAtom* atom, bool* value);
int32_t UlpAtomToDouble(UlpPlayer* player, UlpOpaqueAtom* atom, double* value);
int32_t UlpAtomGetCanonical(UlpPlayer* player, int32_t which, UlpOpaqueAtom** atom);
int32_t UlpAtomGetKind(UlpPlayer* player, UlpOpaqueAtom* atom, int32_t* kind);
int32_t UlpAtomIsNull(UlpPlayer* player, UlpOpaqueAtom* atom, bool* isNull);
// A host object of a registered extension: typeName is the extension's
// prefix, ".", and the object's class name. The same object gives the same
// atom until it is disconnected.
int32_t UlpAtomFromHostObject(UlpPlayer* player, void* object, const char* typeName,
                              UlpOpaqueAtom** atom);
// The host object of an atom; null for any other atom.
int32_t UlpAtomToHostObject(UlpPlayer* player, UlpOpaqueAtom* atom, void** object);

// Calls into the component's world (or, for host objects, through their
// callbacks). In atoms, slot 0 belongs to the runtime and the count
// arguments follow it. A script exception leaves the call successful with
// an undefined result and the exception pending.
int32_t UlpObjectInvokeMethod(UlpPlayer* player, UlpOpaqueAtom* object, UlpOpaqueAtom* name,
                              int32_t count, UlpOpaqueAtom** atoms, UlpOpaqueAtom** result);
int32_t UlpObjectGetProperty(UlpPlayer* player, UlpOpaqueAtom* object, UlpOpaqueAtom* name,
                             UlpOpaqueAtom** result);
int32_t UlpObjectPutProperty(UlpPlayer* player, UlpOpaqueAtom* object, UlpOpaqueAtom* name,
                             UlpOpaqueAtom* value);
// A new object of a class given by its full dotted name: one of the
// component's, else a host class (through its extension's create callback).
int32_t UlpObjectCreate(UlpPlayer* player, UlpOpaqueAtom* className, int32_t count,
                        UlpOpaqueAtom** atoms, UlpOpaqueAtom** result);
// A class object by full dotted name: the component's classes first, then
// those of the extensions whose prefix the name starts with.
int32_t UlpObjectGetClassObject(UlpPlayer* player, UlpOpaqueAtom* name, UlpOpaqueAtom** result);
// The component's root object.
int32_t UlpObjectGetRoot(UlpPlayer* player, UlpOpaqueAtom** result);
// The host is destroying the object: the runtime forgets it without calling
// back.
int32_t UlpObjectDisconnect(UlpPlayer* player, void* object);
