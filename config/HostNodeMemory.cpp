#include "config/HostNodeMemory.h"

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuBase.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbExtensionTool.h"
#include "config/CZorbHostNode.h"
#include "config/ConfigXml.h"

namespace hostnode {

namespace {

CZorbXmlObject& Writable(const CZorbXmlObject& change) {
  return const_cast<CZorbXmlObject&>(change);
}

// The kinds that stand for one another: a menubar and a formats section,
// a shortcut and an action; other elements by their tag.
enum class Kind { kMenuBar, kTool, kMenu, kItem, kSeparator, kShortcut, kList, kFormat, kOther };

Kind KindOf(const CZorbXmlObject& node) {
  if (dynamic_cast<const CZorbExtensionMenuBar*>(&node)) return Kind::kMenuBar;
  if (dynamic_cast<const CZorbExtensionTool*>(&node)) return Kind::kTool;
  if (dynamic_cast<const CZorbExtensionMenu*>(&node)) return Kind::kMenu;
  if (dynamic_cast<const CZorbExtensionMenuItem*>(&node)) return Kind::kItem;
  if (dynamic_cast<const CZorbExtensionMenuSeparator*>(&node)) return Kind::kSeparator;
  if (dynamic_cast<const CZorbExtensionShortcut*>(&node)) return Kind::kShortcut;
  if (dynamic_cast<const CZorbExtensionShortcutList*>(&node)) return Kind::kList;
  if (dynamic_cast<const CZorbExtensionServerFormat*>(&node)) return Kind::kFormat;
  return Kind::kOther;
}

// Elements of a registry, toolbar or insert bar are known by their id
// alone: an item may overwrite one of another tag.
bool SameKind(const CZorbXmlObject& a, const CZorbXmlObject& b) {
  return KindOf(a) == KindOf(b) && cfgxml::SameId(IdOf(a), IdOf(b));
}

}  // namespace

CString IdOf(const CZorbXmlObject& node) {
  if (auto* menu = dynamic_cast<const CZorbExtensionMenuBase*>(&node)) return menu->m_id;
  if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(&node)) return shortcut->m_id;
  if (auto* list = dynamic_cast<const CZorbExtensionShortcutList*>(&node)) return list->m_id;
  if (auto* format = dynamic_cast<const CZorbExtensionServerFormat*>(&node)) return format->m_id;
  CString id;
  node.GetAttribute(u"id", id);
  return id;
}

void Forget(const CZorbXmlObject& change) {
  auto& children = Writable(change).m_children;
  for (auto it = children.begin(); it != children.end();) {
    if (dynamic_cast<CZorbHostNode*>(*it)) {
      delete *it;
      it = children.erase(it);
    } else {
      ++it;
    }
  }
}

void Remember(const CZorbXmlObject& change, CZorbHostNode* record) {
  if (record) Writable(change).m_children.push_back(record);
}

void RememberAttributes(const CZorbXmlObject& change, const CZorbXmlObject& node) {
  if (Find(change, node)) return;
  Remember(change, new CZorbHostNode(node.Clone()));
}

void RememberSubtree(const CZorbXmlObject& change, const CZorbXmlObject& node) {
  if (Find(change, node)) return;
  Remember(change, new CZorbHostNode(cfgxml::DeepClone(&node)));
}

const CZorbXmlObject* Find(const CZorbXmlObject& change, const CZorbXmlObject& like) {
  for (const CZorbXmlObject* child : change.m_children) {
    auto* record = dynamic_cast<const CZorbHostNode*>(child);
    if (!record || record->m_index.GetLength() > 0) continue;
    const CZorbXmlObject* node = record->Node();
    if (node && SameKind(*node, like)) return node;
  }
  return nullptr;
}

}  // namespace hostnode
