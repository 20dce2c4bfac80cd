#pragma once

#include "foundation/CString.h"

class CZorbHostNode;
class CZorbXmlObject;

// What a change remembers of the host's file: the nodes it merged into,
// overwrote or took out, kept as CZorbHostNode children of the change (so
// they are written, copied and read back with it). A change's apply and
// undo are const; the memory is the one thing they change on the change.
namespace hostnode {

// The node's id: the field of a menu node, shortcut, list or server
// format, else its "id" attribute.
CString IdOf(const CZorbXmlObject& node);

// Drops what the change remembered; each apply starts afresh.
void Forget(const CZorbXmlObject& change);
// Keeps a copy of node's attributes (no place) unless the change already
// remembers a node of its tag and id: the first one is the host's.
void RememberAttributes(const CZorbXmlObject& change, const CZorbXmlObject& node);
// Keeps a copy of node with its whole subtree, the same way.
void RememberSubtree(const CZorbXmlObject& change, const CZorbXmlObject& node);
// Keeps record as it stands (taken over).
void Remember(const CZorbXmlObject& change, CZorbHostNode* record);

// The remembered node of like's kind and id (no place), or null. Menu
// nodes, shortcuts, lists and formats are of one kind each (a menubar and a
// formats section are one, so are a shortcut and an action); other
// elements are known by their id alone.
const CZorbXmlObject* Find(const CZorbXmlObject& change, const CZorbXmlObject& like);

}  // namespace hostnode
