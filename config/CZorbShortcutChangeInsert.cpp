#include "config/CZorbShortcutChangeInsert.h"

#include <map>
#include <vector>

#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigXml.h"
#include "config/HostNodeMemory.h"
#include "config/MenuEdits.h"

namespace {

CZorbXmlComment* CommentCopy(const CZorbXmlComment& comment) {
  return new CZorbXmlComment(cfgxml::CommentText(comment.m_comment).Get());
}

// Adds a copy of shortcut to list, or merges it into the list's shortcut
// with the same id, which change remembers as it was.
void AddShortcut(const CZorbXmlObject& change, CZorbExtensionShortcutList* list,
                 const CZorbExtensionShortcut* shortcut) {
  if (CZorbExtensionShortcut* existing = list->FindShortcut(shortcut->m_id)) {
    hostnode::RememberAttributes(change, *existing);
    existing->Merge(shortcut);
  } else if (CZorbXmlObject* copy = shortcut->Clone()) {
    list->m_children.push_back(copy);
  }
}

// The shortcuts and comments of node (a change, or a list it brings) go
// into list.
void AddContent(const CZorbXmlObject& change, CZorbExtensionShortcutList* list,
                const CZorbXmlObject& node) {
  for (const CZorbXmlObject* child : node.m_children) {
    if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child))
      AddShortcut(change, list, shortcut);
    else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child))
      list->m_children.push_back(CommentCopy(*comment));
  }
}

// A list the change added goes once it holds nothing but comments.
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
  hostnode::Forget(*this);

  if (m_listId.GetLength() == 0) {
    // Lists and comments go to the end of the file, the last child first; a
    // list whose id the file already has is merged into that one. (The
    // children are taken first: the change adds what it remembers to them.)
    const std::vector<const CZorbXmlObject*> children(m_children.begin(), m_children.end());
    std::map<const CZorbXmlObject*, CZorbExtensionShortcutList*> placed;
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
      if (auto* comment = dynamic_cast<const CZorbXmlComment*>(*child)) {
        menus->m_children.push_back(CommentCopy(*comment));
      } else if (auto* list = dynamic_cast<const CZorbExtensionShortcutList*>(*child)) {
        CZorbExtensionShortcutList* target = menus->FindShortcutList(list->m_id);
        if (target) {
          hostnode::RememberAttributes(*this, *target);
          target->Merge(list);
        } else {
          target = new CZorbExtensionShortcutList(list);
          menus->m_children.push_back(target);
        }
        AddContent(*this, target, *list);
        placed[list] = target;
      }
    }
    // A description may also write a list's shortcuts after it, side by
    // side in the change: they go into that list.
    CZorbExtensionShortcutList* current = nullptr;
    for (const CZorbXmlObject* child : children) {
      if (auto* list = dynamic_cast<const CZorbExtensionShortcutList*>(child))
        current = placed[list];
      else if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child);
               shortcut && current)
        AddShortcut(*this, current, shortcut);
    }
    return kNoError;
  }

  CZorbExtensionShortcutList* list = menus->FindShortcutList(m_listId);
  if (!list) return kShortcutListMissing;
  const std::vector<const CZorbXmlObject*> children(m_children.begin(), m_children.end());
  for (const CZorbXmlObject* child : children) {
    if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child))
      AddShortcut(*this, list, shortcut);
    else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child))
      list->m_children.push_back(CommentCopy(*comment));
  }
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbShortcutChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                   CZorbXmlFile* file,
                                                                   const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kNoError;

  // The host's own lists stay, also when the undo empties them.
  const auto ours = [&](const CZorbExtensionShortcutList* list) {
    return list && m_listId.GetLength() == 0 && !hostnode::Find(*this, *list);
  };
  // A shortcut the insert merged into gets its attributes back; one it
  // added goes.
  const auto undoShortcut = [&](const CZorbExtensionShortcut& shortcut) {
    CZorbExtensionShortcutList* list = nullptr;
    CZorbExtensionShortcut* found = menus->FindShortcut(shortcut.m_id, list);
    if (!found) return;
    if (auto* original =
            dynamic_cast<const CZorbExtensionShortcut*>(hostnode::Find(*this, shortcut))) {
      found->Merge(original);
      return;
    }
    menuedit::Remove(*menus, found);
    if (ours(list)) RemoveIfEmpty(*menus, list);
  };
  const auto undoComment = [&](const CZorbXmlComment& comment) {
    CZorbExtensionShortcutList* list = nullptr;
    if (CZorbXmlComment* found = menus->FindComment(comment.m_comment, list)) {
      menuedit::Remove(*menus, found);
      if (ours(list)) RemoveIfEmpty(*menus, list);
    }
  };

  for (const CZorbXmlObject* child : m_children) {
    if (auto* list = dynamic_cast<const CZorbExtensionShortcutList*>(child)) {
      for (const CZorbXmlObject* inner : list->m_children) {
        if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(inner))
          undoShortcut(*shortcut);
        else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(inner))
          undoComment(*comment);
      }
      CZorbExtensionShortcutList* found = menus->FindShortcutList(list->m_id);
      if (auto* original =
              dynamic_cast<const CZorbExtensionShortcutList*>(hostnode::Find(*this, *list))) {
        if (found) found->Merge(original);
      } else {
        RemoveIfEmpty(*menus, found);
      }
    } else if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child)) {
      undoShortcut(*shortcut);
    } else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child)) {
      undoComment(*comment);
    }
  }
  return kNoError;
}
