#pragma once

#include "foundation/CString.h"

class CZorbXmlFile;
class CZorbXmlObject;

// Tree edits shared by the changes that work on a host's XML registries
// (toolbars, insert bar, document types, tag libraries, help books). Tags
// and ids compare ignoring case; an empty id finds nothing.
namespace cfgtree {

// The node's "id" attribute (empty when it has none).
CString IdOf(const CZorbXmlObject* node);
// The first top-level element of the file whose tag is rootTag.
CZorbXmlObject* FindRoot(CZorbXmlFile* file, const char16_t* rootTag);
// The first direct child of parent whose tag is tag (any tag when null) and
// whose id is id.
CZorbXmlObject* FindChild(const CZorbXmlObject* parent, const char16_t* tag, const CString& id);
// Takes child out of parent's children without deleting it; false when it
// is not a child.
bool Unlink(CZorbXmlObject* parent, CZorbXmlObject* child);
// Unlinks child and deletes it with its subtree.
void Remove(CZorbXmlObject* parent, CZorbXmlObject* child);
// Gives existing the tag, attributes, text and (copied) children of item;
// existing keeps its place in the tree.
void Overwrite(CZorbXmlObject* existing, const CZorbXmlObject& item);

// Finds an item with the id anywhere below root; null when none.
using ItemFinder = CZorbXmlObject* (*)(const CZorbXmlObject* root, const CString& id);
// Adjusts a node just put into the file from item (overwritten or copied).
using ItemFixup = void (*)(CZorbXmlObject* placed, const CZorbXmlObject& item);

// Puts the children of change into the file as the item inserts do. kind
// is 1 (before reference), 2 (after reference), 3 (front of container) or
// 4 (end of container); the items are taken so that they keep their order.
// An item whose id find locates anywhere is overwritten where it stands,
// and change remembers it as it was. The change's own records are no items.
void PlaceItems(const CZorbXmlObject& change, int kind, const CZorbXmlObject* root,
                CZorbXmlObject* container, CZorbXmlObject* reference, ItemFinder find,
                ItemFixup fixup);

// Overwrites existing with item where it stands, remembering in change the
// node as it was.
void OverwriteRemembered(const CZorbXmlObject& change, CZorbXmlObject* existing,
                         const CZorbXmlObject& item);
// When change overwrote the node with item's id, that node gets back what
// it was (found through find below root) and the result is true; false when
// the item was added instead.
bool RestoreItem(const CZorbXmlObject& change, const CZorbXmlObject& item,
                 const CZorbXmlObject* root, ItemFinder find);

// The registry edits of the document-type, tag-library and help-book
// changes. Insert: each child of change tagged entryTag overwrites the
// entry with its id in place (which change remembers), or is appended to
// the root; 0 when one was handled, else failCode (also without a file or a
// root).
int InsertEntries(const CZorbXmlObject& change, CZorbXmlFile* file, const char16_t* rootTag,
                  const char16_t* entryTag, int failCode);
// Removes and deletes the entry with the id; true when one was removed.
bool RemoveEntry(CZorbXmlFile* file, const char16_t* rootTag, const char16_t* entryTag,
                 const CString& id);
// For every child of change tagged entryTag: the host's entry it
// overwrote gets back what it was; an entry it added is removed (by its
// id; children without an id are left).
void UndoInsertEntries(const CZorbXmlObject& change, CZorbXmlFile* file, const char16_t* rootTag,
                       const char16_t* entryTag);

// The element text of a change: level tabs, "<" and the change's tag, the
// attributes already formatted, then " />" (withChildren false) or ">",
// the children one level deeper and the end tag. Lines end with a carriage
// return.
void BuildChangeXml(const CZorbXmlObject& change, const CString& attributes, bool withChildren,
                    int level, CString& out);

}  // namespace cfgtree
