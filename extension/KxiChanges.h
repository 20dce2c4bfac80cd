#pragma once

#include "extension/KxiFormat.h"
#include "foundation/CString.h"

class CZorbXmlObject;

// The change sets and changes of a description: which element makes which
// object, where it may stand, the attributes it reads, and how it is
// written back. Each kind has one table of attributes that the reader and
// the writer both walk.

namespace kxi {

struct SetKind;
struct ChangeKind;

// The kind of a change-set element (names compare ignoring case); null for
// any other name.
const SetKind* FindSetKind(const char16_t* element);
// A new, empty set of the kind; the caller owns it.
CZorbXmlObject* NewSet(const SetKind& kind);
// The set goes to the help sets (CZorbHelpChanges), else to the
// configuration sets (CZorbConfigChanges).
bool IsHelpSet(const SetKind& kind);
// Reads one attribute of the set's start tag; one the kind does not know
// is skipped, with a warning where the kind asks for one.
void ReadSetAttribute(const SetKind& kind, CZorbXmlObject& set, const char16_t* element,
                      const char16_t* name, const CString& value, const Messages& messages);

// The kind of a change element; null for any other name.
const ChangeKind* FindChangeKind(const char16_t* element);
// A change of the kind belongs to a change set on top of the reader's
// stack; otherwise to any open node.
bool NeedsSet(const ChangeKind& kind);
// The change opens: the elements inside it become its children.
bool Opens(const ChangeKind& kind);
CZorbXmlObject* NewChange(const ChangeKind& kind);
// The same for one attribute of a change.
void ReadChangeAttribute(const ChangeKind& kind, CZorbXmlObject& change, const char16_t* element,
                         const char16_t* name, const CString& value, const Messages& messages);

// The change a host-node record read while top is open belongs to: top
// when it is a change, else the last change of a set on top when that
// change does not open (its records follow its start tag); null otherwise.
CZorbXmlObject* HostNodeOwner(CZorbXmlObject* top);

// The menu and shortcut nodes that menu and shortcut inserts carry
// ("menubar", "menu", "menuitem", "format", "separator"; "shortcutlist",
// "shortcut"). Their attributes are those of the configuration nodes' own
// tables.
enum class NodeHolder : uint8_t { kNone, kMenuInsert, kShortcutInsert };
// The change a node of this element must stand in; kNone for another name.
NodeHolder HolderOf(const char16_t* element);
// A new node for the element; the caller owns it.
CZorbXmlObject* NewNode(const char16_t* element);
// Reads one attribute through the node's table; one the table does not
// know is kept where the table keeps others, else skipped with a warning.
void ReadNodeAttribute(CZorbXmlObject& node, const char16_t* name, const CString& value,
                       const Messages& messages);
// After the attributes: a file path takes "/" for every ":" and "\".
void FinishNode(CZorbXmlObject& node);

// A node of a description below its root, written so that the description
// reader gives it back: a change set (with its changes), a change, a menu,
// shortcut or button node, a comment (as a "comment" element, so it is
// read again), or a generic element with its attributes, text and children.
// Level tabs, every line ended by a carriage return.
void AppendNode(const CZorbXmlObject& node, int level, CString& out);
// The children of node, each at level + 1.
void AppendChildren(const CZorbXmlObject& node, int level, CString& out);

}  // namespace kxi
