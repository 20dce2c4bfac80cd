#include "config/ConfigTreeEdit.h"

#include <algorithm>
#include <vector>

#include "config/CZorbHostNode.h"
#include "config/ConfigXml.h"
#include "config/HostNodeMemory.h"
#include "foundation/CZorbXmlFile.h"
#include "foundation/CZorbXmlObject.h"

namespace cfgtree {

CString IdOf(const CZorbXmlObject* node) {
  CString id;
  if (node) node->GetAttribute(u"id", id);
  return id;
}

CZorbXmlObject* FindRoot(CZorbXmlFile* file, const char16_t* rootTag) {
  if (!file) return nullptr;
  for (CZorbXmlObject* child : file->m_children)
    if (cfgxml::HasTag(child, rootTag)) return child;
  return nullptr;
}

CZorbXmlObject* FindChild(const CZorbXmlObject* parent, const char16_t* tag, const CString& id) {
  if (!parent || id.GetLength() == 0) return nullptr;
  for (CZorbXmlObject* child : parent->m_children) {
    if (!child || (tag && !cfgxml::HasTag(child, tag))) continue;
    if (cfgxml::SameId(IdOf(child), id)) return child;
  }
  return nullptr;
}

bool Unlink(CZorbXmlObject* parent, CZorbXmlObject* child) {
  if (!parent || !child) return false;
  for (auto it = parent->m_children.begin(); it != parent->m_children.end(); ++it) {
    if (*it == child) {
      parent->m_children.erase(it);
      return true;
    }
  }
  return false;
}

void Remove(CZorbXmlObject* parent, CZorbXmlObject* child) {
  if (Unlink(parent, child)) delete child;
}

void Overwrite(CZorbXmlObject* existing, const CZorbXmlObject& item) {
  if (!existing || existing == &item) return;
  existing->CZorbXmlObject::operator=(item);
  // The item may name its tag through GetTag only (a button does).
  item.GetTag(existing->m_tag);
}

namespace {

bool InSubtree(const CZorbXmlObject* top, const CZorbXmlObject* node) {
  if (top == node) return true;
  for (const CZorbXmlObject* child : top->m_children)
    if (child && InSubtree(child, node)) return true;
  return false;
}

}  // namespace

void PlaceItems(const CZorbXmlObject& change, int kind, const CZorbXmlObject* root,
                CZorbXmlObject* container, CZorbXmlObject* reference, ItemFinder find,
                ItemFixup fixup) {
  if (!container) return;
  if ((kind == 1 || kind == 2) && !reference) return;
  // Each item goes next to the reference or the front, so those are taken
  // last first.
  const bool reversed = kind == 2 || kind == 3;
  std::vector<const CZorbXmlObject*> items;
  for (const CZorbXmlObject* child : change.m_children)
    if (!dynamic_cast<const CZorbHostNode*>(child)) items.push_back(child);
  if (reversed) std::reverse(items.begin(), items.end());
  for (const CZorbXmlObject* item : items) {
    if (!item) continue;
    CZorbXmlObject* placed = find(root, IdOf(item));
    if (placed) {
      // Overwriting the container (or what holds it) replaces the nodes the
      // other items were to go next to: they go to its end instead.
      const bool holdsContainer = InSubtree(placed, container);
      OverwriteRemembered(change, placed, *item);
      if (holdsContainer) {
        container = placed;
        reference = nullptr;
        kind = 4;
      }
    } else {
      placed = item->Clone();
      switch (kind) {
        case 1:
          container->InsertObjectBefore(placed, reference);
          break;
        case 2:
          container->InsertObjectAfter(placed, reference);
          break;
        case 3:
          container->m_children.push_front(placed);
          break;
        default:
          container->m_children.push_back(placed);
          break;
      }
    }
    if (fixup) fixup(placed, *item);
  }
}

int InsertEntries(const CZorbXmlObject& change, CZorbXmlFile* file, const char16_t* rootTag,
                  const char16_t* entryTag, int failCode) {
  CZorbXmlObject* root = FindRoot(file, rootTag);
  if (!root) return failCode;
  hostnode::Forget(change);
  bool handled = false;
  for (const CZorbXmlObject* entry : change.m_children) {
    if (!cfgxml::HasTag(entry, entryTag)) continue;
    handled = true;
    if (CZorbXmlObject* existing = FindChild(root, entryTag, IdOf(entry)))
      OverwriteRemembered(change, existing, *entry);
    else
      root->m_children.push_back(entry->Clone());
  }
  return handled ? 0 : failCode;
}

bool RemoveEntry(CZorbXmlFile* file, const char16_t* rootTag, const char16_t* entryTag,
                 const CString& id) {
  CZorbXmlObject* root = FindRoot(file, rootTag);
  CZorbXmlObject* entry = FindChild(root, entryTag, id);
  if (!entry) return false;
  Remove(root, entry);
  return true;
}

void UndoInsertEntries(const CZorbXmlObject& change, CZorbXmlFile* file, const char16_t* rootTag,
                       const char16_t* entryTag) {
  CZorbXmlObject* root = FindRoot(file, rootTag);
  // Every entry the insert added goes, not only the first one found.
  for (const CZorbXmlObject* entry : change.m_children) {
    if (!cfgxml::HasTag(entry, entryTag)) continue;
    const CZorbXmlObject* original = hostnode::Find(change, *entry);
    CZorbXmlObject* existing = FindChild(root, entryTag, IdOf(entry));
    if (original && existing)
      Overwrite(existing, *original);
    else if (!original && existing)
      Remove(root, existing);
  }
}

void OverwriteRemembered(const CZorbXmlObject& change, CZorbXmlObject* existing,
                         const CZorbXmlObject& item) {
  if (!existing) return;
  hostnode::RememberSubtree(change, *existing);
  Overwrite(existing, item);
}

bool RestoreItem(const CZorbXmlObject& change, const CZorbXmlObject& item,
                 const CZorbXmlObject* root, ItemFinder find) {
  const CZorbXmlObject* original = hostnode::Find(change, item);
  if (!original) return false;
  if (CZorbXmlObject* existing = find(root, IdOf(&item))) Overwrite(existing, *original);
  return true;
}

void BuildChangeXml(const CZorbXmlObject& change, const CString& attributes, bool withChildren,
                    int level, CString& out) {
  CString tag;
  change.GetTag(tag);
  if (withChildren)
    cfgxml::AppendElement(change, tag, attributes, level, out);
  else
    cfgxml::AppendEmptyElement(tag, attributes, level, out);
}

}  // namespace cfgtree
