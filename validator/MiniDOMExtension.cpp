#include <cstring>

#include "validator/MiniDOM.h"

namespace MiniDOM {

Extension* allExtensions = nullptr;

Extension::Extension(UlpPlayer* player, const char* prefix, bool addAsPlugin)
    : m_player(player), m_prefix(prefix ? prefix : "") {
  m_next = allExtensions;
  allExtensions = this;
  int32_t error = kUlpErrBadParameter;
  if (!addAsPlugin) error = UlpPlayerExtendObjectModel(player, this, prefix, &hostCallbacks);
  if (addAsPlugin || error != kUlpNoErr) {
    // Nothing more can be done when this fails too: the classes are
    // simply not seen.
    (void)UlpPlayerAddPluginObjectModel(player, this, prefix, &hostCallbacks);
  }
}

Extension::~Extension() {
  // Not registered, or registered under another model: nothing to undo.
  (void)UlpPlayerDisconnectObjectModelExtension(m_player, m_prefix.c_str());
  delete m_root;
  m_root = nullptr;
  while (m_classes) {
    ObjectClass* head = m_classes;
    m_classes = head->m_next;
    delete head;
  }
  for (Extension** link = &allExtensions; *link; link = &(*link)->m_next) {
    if (*link == this) {
      *link = m_next;
      break;
    }
  }
}

void Extension::deleteAll() {
  while (allExtensions) delete allExtensions;
}

void Extension::setRoot(Object* object) {
  if (object == m_root) return;
  if (m_root && !m_root->owned()) delete m_root;
  m_root = object;
  if (m_root) m_root->setOwned(true);
}

ObjectClass* Extension::findClass(const char* name) const {
  if (!name) return nullptr;
  const std::string wanted = std::string(name) + "Class";
  for (ObjectClass* c = m_classes; c; c = c->m_next)
    if (wanted == c->getClass()) return c;
  return nullptr;
}

void Extension::addClass(ObjectClass* objectClass) {
  objectClass->m_next = m_classes;
  m_classes = objectClass;
}

UlpOpaqueAtom* Extension::nameAtom(const char* text) const {
  if (!text) text = "";
  UlpOpaqueAtom* atom = nullptr;
  checkUlp(UlpAtomFromUTF8(m_player, text, std::strlen(text), &atom));
  return atom;
}

void Extension::ovRethrow(UlpPlayer* player) {
  UlpOpaqueAtom* exception = nullptr;
  checkUlp(UlpPlayerRetrieveException(player, &exception));
  if (!exception) return;
  size_t length = 0;
  checkUlp(UlpAtomToUTF8(player, exception, nullptr, &length));
  std::string text(length, '\0');
  checkUlp(UlpAtomToUTF8(player, exception, text.data(), &length));
  text.resize(length);
  throw ovexception(text);
}

UlpOpaqueAtom* Extension::ovCall(UlpOpaqueAtom* object, const char* method, int32_t count,
                                 UlpOpaqueAtom** atoms) {
  UlpOpaqueAtom* result = nullptr;
  checkUlp(UlpObjectInvokeMethod(m_player, object, nameAtom(method), count, atoms, &result));
  ovRethrow(m_player);
  return result;
}

UlpOpaqueAtom* Extension::ovGet(UlpOpaqueAtom* object, const char* name) {
  UlpOpaqueAtom* result = nullptr;
  checkUlp(UlpObjectGetProperty(m_player, object, nameAtom(name), &result));
  ovRethrow(m_player);
  return result;
}

void Extension::ovSet(UlpOpaqueAtom* object, const char* name, UlpOpaqueAtom* value) {
  checkUlp(UlpObjectPutProperty(m_player, object, nameAtom(name), value));
  ovRethrow(m_player);
}

UlpOpaqueAtom* Extension::ovCreate(const char* className, int32_t count, UlpOpaqueAtom** atoms) {
  UlpOpaqueAtom* result = nullptr;
  checkUlp(UlpObjectCreate(m_player, nameAtom(className), count, atoms, &result));
  ovRethrow(m_player);
  return result;
}

UlpOpaqueAtom* Extension::ovGetClassObject(const char* fullName) {
  UlpOpaqueAtom* result = nullptr;
  checkUlp(UlpObjectGetClassObject(m_player, nameAtom(fullName), &result));
  ovRethrow(m_player);
  return result;
}

UlpOpaqueAtom* Extension::ovGetRoot() {
  UlpOpaqueAtom* result = nullptr;
  checkUlp(UlpObjectGetRoot(m_player, &result));
  ovRethrow(m_player);
  return result;
}

}  // namespace MiniDOM
