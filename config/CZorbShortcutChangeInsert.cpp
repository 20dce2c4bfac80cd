#include "config/CZorbShortcutChangeInsert.h"

#include <map>

#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigXml.h"
#include "config/MenuEdits.h"

namespace {

// Adds a copy of shortcut to list, or merges it into the list's shortcut
// with the same id.
void AddShortcut(CZorbExtensionShortcutList* list, const CZorbExtensionShortcut* shortcut) {
  if (CZorbExtensionShortcut* existing = list->FindShortcut(shortcut->m_id))
    existing->Merge(shortcut);
  else if (CZorbXmlObject* copy = shortcut->Clone())
    list->m_children.push_back(copy);
}

// A list left with nothing but comments goes.
void RemoveIfEmpty(CZorbMenusXmlFile& file, CZorbExtensionShortcutList* list) {
  if (list && !list->ContainsNonComments()) menuedit::Remove(file, list);
}

}  // namespace

CZorbShortcutChangeInsert::CZorbShortcutChangeInsert() = default;

CZorbShortcutChangeInsert::CZorbShortcutChangeInsert(const CZorbShortcutChangeInsert& other)
    : CZorbShortcutChange(other), m_listId(other.m_listId) {}

CZorbShortcutChangeInsert::~CZorbShortcutChangeInsert() = default;

CZorbXmlObject* CZorbShortcutChangeInsert::Clone() const {
  return new CZorbShortcutChangeInsert(*this);
}

void CZorbShortcutChangeInsert::GetTag(CString& tag) const {
  tag = u"shortcut-insert";
}

void CZorbShortcutChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, u"listid", m_listId);
  AppendLocaleAttribute(attributes);
  cfgxml::AppendElement(*this, CString(u"shortcut-insert"), attributes, level, out);
}

CZorbConfigChange::ErrorCode CZorbShortcutChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                   CZorbXmlFile* file,
                                                                   const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kMenuChangeFailed;

  if (m_listId.GetLength() == 0) {
    // Lists and comments go to the end of the file, the last child first; a
    // list whose id the file already has is merged into that one.
    std::map<const CZorbXmlObject*, CZorbExtensionShortcutList*> placed;
    for (auto child = m_children.rbegin(); child != m_children.rend(); ++child) {
      if (auto* comment = dynamic_cast<const CZorbXmlComment*>(*child)) {
        menus->m_children.push_back(comment->Clone());
      } else if (auto* list = dynamic_cast<const CZorbExtensionShortcutList*>(*child)) {
        CZorbExtensionShortcutList* target = menus->FindShortcutList(list->m_id);
        if (target) {
          target->Merge(list);
        } else {
          target = new CZorbExtensionShortcutList(list);
          menus->m_children.push_back(target);
        }
        placed[list] = target;
      }
    }
    // The description writes a list's shortcuts after it, side by side in
    // the change: they go into that list.
    CZorbExtensionShortcutList* current = nullptr;
    for (const CZorbXmlObject* child : m_children) {
      if (auto* list = dynamic_cast<const CZorbExtensionShortcutList*>(child))
        current = placed[list];
      else if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child);
               shortcut && current)
        AddShortcut(current, shortcut);
    }
    return kNoError;
  }

  CZorbExtensionShortcutList* list = menus->FindShortcutList(m_listId);
  if (!list) return kShortcutListMissing;
  for (const CZorbXmlObject* child : m_children) {
    if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child))
      AddShortcut(list, shortcut);
    else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child))
      list->m_children.push_back(comment->Clone());
  }
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbShortcutChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                   CZorbXmlFile* file,
                                                                   const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kNoError;
  for (const CZorbXmlObject* child : m_children) {
    CZorbExtensionShortcutList* list = nullptr;
    if (auto* shortcutList = dynamic_cast<const CZorbExtensionShortcutList*>(child)) {
      // Only while it holds nothing else: the insert may have merged into
      // a list of the host's, which stays with the host's shortcuts.
      RemoveIfEmpty(*menus, menus->FindShortcutList(shortcutList->m_id));
    } else if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child)) {
      if (CZorbExtensionShortcut* found = menus->FindShortcut(shortcut->m_id, list)) {
        menuedit::Remove(*menus, found);
        RemoveIfEmpty(*menus, list);
      }
    } else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child)) {
      if (CZorbXmlComment* found = menus->FindComment(comment->m_comment, list)) {
        menuedit::Remove(*menus, found);
        RemoveIfEmpty(*menus, list);
      }
    }
  }
  return kNoError;
}
