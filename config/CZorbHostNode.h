#pragma once

#include <cstdint>

#include "config/ConfigNodeTable.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// A node of a host's file as it was before a change merged into it,
// overwrote it or took it out. The change keeps it among its children, so
// it is written with the change into the description copy that the host's
// store keeps, and the undo, in this run or a later one, gives the host
// its node back. Its only child is the remembered node (with its subtree
// where the change took one out).
class CZorbHostNode : public CZorbXmlObject {
 public:
  CZorbHostNode();
  // Takes node over as the remembered node; null leaves it without one.
  explicit CZorbHostNode(CZorbXmlObject* node);
  CZorbHostNode(const CZorbHostNode& other);
  ~CZorbHostNode() override;

  CZorbXmlObject* Clone() const override;
  // "host-node".
  void GetTag(CString& tag) const override;
  // <host-node parent=".." index=".." removed="true">, the remembered
  // node one level deeper, </host-node>.
  void BuildXml(int level, CString& out) const override;

  // parent, index, removed.
  static const cfgnode::Table& AttributeTable();

  // The remembered node, or null.
  CZorbXmlObject* Node() const;
  // The place as a number; -1 when there is none (or it is not a number).
  int32_t Index() const;
  void SetIndex(int32_t index);

  // Where the node stood: the id of the node that held it (empty for the
  // file's top level) and its place among that node's children. A node
  // merged into or overwritten is found again by its id and has no place.
  CString m_parent;
  CString m_index;
  // The change took the node out: the undo puts it back at its place. A
  // node that stayed (a separator that took over another's references)
  // gets its old attributes back there.
  bool m_removed = false;
};
