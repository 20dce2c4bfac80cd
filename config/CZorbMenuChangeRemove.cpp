#include "config/CZorbMenuChangeRemove.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbHostNode.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigXml.h"
#include "config/HostNodeMemory.h"
#include "config/MenuEdits.h"

namespace {

// An item or format is tidied away from a menubar too.
void TidyAny(CZorbXmlObject* container) {
  if (auto* menu = dynamic_cast<CZorbExtensionMenu*>(container)) menu->RemoveExtraSeparators();
}

// What a container held before a removal: each child, with a copy of the
// removed node (its whole subtree) and of every separator, whose
// references the tidying may change.
class Snapshot {
 public:
  Snapshot(CZorbXmlObject& container, const CZorbXmlObject* removed) : m_container(container) {
    for (CZorbXmlObject* child : container.m_children) {
      Entry entry{child, nullptr, {}};
      if (child == removed) {
        entry.copy.reset(cfgxml::DeepClone(child));
      } else if (auto* separator = dynamic_cast<CZorbExtensionMenuSeparator*>(child)) {
        entry.copy.reset(separator->Clone());
        entry.references = separator->m_references;
      }
      m_entries.push_back(std::move(entry));
    }
  }

  // Remembers in change, with their places, the children that are gone
  // and the separators whose references changed. parent names the
  // container (empty for the file's top level).
  void Record(const CZorbXmlObject& change, const CString& parent) {
    const auto& now = m_container.m_children;
    for (size_t index = 0; index < m_entries.size(); ++index) {
      Entry& entry = m_entries[index];
      if (!entry.copy) continue;
      const bool gone = std::find(now.begin(), now.end(), entry.node) == now.end();
      if (!gone) {
        auto* separator = dynamic_cast<CZorbExtensionMenuSeparator*>(entry.node);
        if (!separator || separator->m_references == entry.references) continue;
      }
      auto* record = new CZorbHostNode(entry.copy.release());
      record->m_parent = parent;
      record->SetIndex(static_cast<int32_t>(index));
      record->m_removed = gone;
      hostnode::Remember(change, record);
    }
  }

 private:
  struct Entry {
    CZorbXmlObject* node;  // compared only, never followed once removed
    std::unique_ptr<CZorbXmlObject> copy;
    CZorbTypedList<CString> references;
  };
  CZorbXmlObject& m_container;
  std::vector<Entry> m_entries;
};

// The node whose children a record's place counts: the file, or the
// menubar or menu with the record's parent id.
CZorbXmlObject* ContainerOf(CZorbMenusXmlFile& file, const CString& parent) {
  if (parent.GetLength() == 0) return &file;
  if (CZorbExtensionMenuBar* menubar = file.FindMenuBar(parent)) return menubar;
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* holder = nullptr;
  return file.FindMenu(parent, menubar, holder);
}

// True when container already holds a node of the record's kind and id.
bool Holds(const CZorbXmlObject& container, const CZorbXmlObject& node) {
  const CString id = hostnode::IdOf(node);
  if (id.GetLength() == 0) return false;
  CString tag;
  node.GetTag(tag);
  for (const CZorbXmlObject* child : container.m_children)
    if (cfgxml::HasTag(child, tag.Get()) && cfgxml::SameId(hostnode::IdOf(*child), id)) return true;
  return false;
}

}  // namespace

CZorbMenuChangeRemove::CZorbMenuChangeRemove() = default;

CZorbMenuChangeRemove::CZorbMenuChangeRemove(const CZorbMenuChangeRemove& other)
    : CZorbMenuChange(other), m_id(other.m_id) {}

CZorbMenuChangeRemove::~CZorbMenuChangeRemove() = default;

CZorbXmlObject* CZorbMenuChangeRemove::Clone() const {
  return new CZorbMenuChangeRemove(*this);
}

void CZorbMenuChangeRemove::GetTag(CString& tag) const {
  tag = u"menu-remove";
}

void CZorbMenuChangeRemove::BuildXml(int level, CString& out) const {
  const CString attributes = cfgxml::IdAttributes(m_id, m_locale);
  if (m_children.empty())
    cfgxml::AppendEmptyElement(CString(u"menu-remove"), attributes, level, out);
  else
    cfgxml::AppendElement(*this, CString(u"menu-remove"), attributes, level, out);
}

CZorbConfigChange::ErrorCode CZorbMenuChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                               CZorbXmlFile* file,
                                                               const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kNoError;
  hostnode::Forget(*this);

  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  CZorbXmlObject* node = menus->FindMenuBar(m_id);
  // A menu at the file's top level, outside every menubar, is taken out of
  // the file like any other.
  bool isMenu = false;
  if (!node) {
    node = menus->FindMenu(m_id, menubar, parent);
    isMenu = node != nullptr;
  }
  if (!node) node = menus->FindMenuItem(m_id, menubar, parent);
  if (!node) node = menus->FindFormat(m_id, menubar, parent);
  CZorbXmlObject* container = node ? menus->FindContainer(node) : nullptr;
  if (!container) return kNoError;

  // The undo finds the container again by its id.
  const CString parentId = container == menus ? CString() : hostnode::IdOf(*container);
  const bool findable = container == menus || parentId.GetLength() > 0;
  Snapshot before(*container, node);
  menuedit::Remove(*menus, node);
  if (container != menus) {
    if (isMenu)
      menuedit::TidyMenu(container);
    else
      TidyAny(container);
  }
  if (findable) before.Record(*this, parentId);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbMenuChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                               CZorbXmlFile* file,
                                                               const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kNoError;
  std::vector<const CZorbHostNode*> records;
  for (const CZorbXmlObject* child : m_children)
    if (auto* record = dynamic_cast<const CZorbHostNode*>(child);
        record && record->Node() && record->Index() >= 0)
      records.push_back(record);
  if (records.empty()) return kNoError;
  CZorbXmlObject* container = ContainerOf(*menus, records.front()->m_parent);
  // Put back in the order of their places, each where it stood.
  std::stable_sort(
      records.begin(), records.end(),
      [](const CZorbHostNode* a, const CZorbHostNode* b) { return a->Index() < b->Index(); });
  bool restored = false;
  for (const CZorbHostNode* record : records) {
    if (!container) break;
    auto& children = container->m_children;
    const size_t index = std::min(static_cast<size_t>(record->Index()), children.size());
    auto at = std::next(children.begin(), static_cast<std::ptrdiff_t>(index));
    if (record->m_removed) {
      // Not twice: the host may have the node again by now.
      if (Holds(*container, *record->Node())) continue;
      children.insert(at, cfgxml::DeepClone(record->Node()));
      restored = true;
    } else if (at != children.end()) {
      auto* separator = dynamic_cast<CZorbExtensionMenuSeparator*>(*at);
      auto* original = dynamic_cast<const CZorbExtensionMenuSeparator*>(record->Node());
      if (separator && original) separator->m_references = original->m_references;
    }
  }
  if (restored) hostnode::Forget(*this);
  return kNoError;
}
