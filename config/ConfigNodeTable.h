#pragma once

#include <cstddef>
#include <cstdint>
#include <typeinfo>

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// Each kind of configuration node (menubar, menu, menu item, separator,
// tool, shortcut and action, shortcut list, server format, host node) has
// one table of its attributes: the name, the field and how it is written.
// The node's writer, its Merge, the menus-file reader and the description
// reader all walk that table, so an attribute is named in one place.
namespace cfgnode {

// How an attribute is written, and so how it is read back.
enum class Form : uint8_t {
  kText,        // ` name="value"` when the text is not empty
  kTextAlways,  // the same, also when it is empty
  kBareWord,    // the bare word ` name` for "true", ` name="value"` for another non-empty value
  kHiddenWhenFalse,  // ` name="hidden"` when the flag is false; read: true unless "hidden"
  kFalseWhenFalse,   // ` name="false"` when the flag is false; read: "1YyTt" is true
  kTrueWhenTrue,     // ` name="true"` when the flag is true; read: "1YyTt" is true
  kReferences,       // a separator's references joined with ","; read: split at ","
  kOthers,           // the attributes without a field (a server format's map), here
  kNotAnAttribute,   // a field that Merge copies but that is never written
};

struct Attribute {
  // The name as written; read ignoring case. Null for kOthers and
  // kNotAnAttribute.
  const char16_t* name;
  Form form;
  // Merge copies the field from a node of a kind that has it.
  bool merged;
  // The field in node, or null when node is not of the kind that holds it
  // (so Merge copies only between kinds that share the field).
  CString* (*text)(CZorbXmlObject& node);
  bool* (*flag)(CZorbXmlObject& node);
};

// A kind's attributes: those it shares with its base kind (written first),
// then its own.
struct Table {
  const Table* shared;
  const Attribute* rows;
  size_t count;
};

// A new node for an element of a menus file or of a menu or shortcut
// change ("menubar", "formats", "menu", "menuitem", "separator", "format",
// "shortcutlist", "snippets", "shortcut", "tool", "activate", "action",
// "override", "host-node"; names compare ignoring case), tagged with the
// element's name where its kind keeps one; null for any other name.
CZorbXmlObject* CreateNode(const char16_t* element);
// The same, with the table of the node's kind (null for a name no kind has).
CZorbXmlObject* CreateNode(const char16_t* element, const Table*& table);
// The table of the node's kind; null for a node without one.
const Table* TableOf(const CZorbXmlObject& node);

// Sets the attribute named name from value as the table says. False when
// the table has no such attribute; a table with kOthers (a server format)
// then keeps it in the node's attribute map.
bool ReadAttribute(const Table& table, CZorbXmlObject& node, const char16_t* name,
                   const char16_t* value);
// Appends the attributes in the table's order and forms. Values pass
// through cfgxml::MenusValue, so the file they go to loads again.
void WriteAttributes(const Table& table, const CZorbXmlObject& node, CString& out);
// Copies every merged field that source holds too into node.
void Merge(const Table& table, CZorbXmlObject& node, const CZorbXmlObject& source);

// Field access for the tables: the field of Holder that Owner inherits,
// reached only in a node of the kind Owner.
// A node of exactly the kind Owner (as the readers make them) needs no
// search of its bases.
template <class Owner>
Owner* As(CZorbXmlObject& node) {
  if (typeid(node) == typeid(Owner)) return static_cast<Owner*>(&node);
  return dynamic_cast<Owner*>(&node);
}

template <class Owner, class Holder, CString Holder::*Member>
CString* Text(CZorbXmlObject& node) {
  auto* owner = As<Owner>(node);
  return owner ? &(owner->*Member) : nullptr;
}

template <class Owner, class Holder, bool Holder::*Member>
bool* Flag(CZorbXmlObject& node) {
  auto* owner = As<Owner>(node);
  return owner ? &(owner->*Member) : nullptr;
}

}  // namespace cfgnode
