#include "config/CZorbMenuChangeInsert.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "config/CZorbConfigChanges.h"
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

struct IdReplacement {
  const char16_t* oldId;
  const char16_t* newId;
};

// Ids of older hosts and the ids that replaced them.
constexpr IdReplacement kReplacements[] = {
    {u"LWMenu_Window_Templates", u"LWMenu_Window_Timelines"},
    {u"LWMenu_File_SaveAllFrames", u"LWMenu_File_SaveAll"},
    {u"LWMenu_MainSite_File_CheckLinks_Site", u"LWMenu_MainSite_File_CheckLinksSelection"},
    {u"LWMenu_Insert_Frames_Split", u"LWMenu_Modify_Frameset_SplitDown"},
    {u"LWMenu_Insert_LiveObjects_MasterDetail", u"LWMenu_Insert_ServerObjects_MasterDetail"},
    {u"LWMenu_Modify_Templates_UnmarkEditable", u"LWMenu_Modify_Templates_RemoveTemplateContent"},
    {u"LWMenu_File_NewFromTemplate", u"LWMenu_MainSite_File_NewFile"},
    {u"LWMenu_Help_ResourceCenter", u"LWMenu_LW_Help_ResourceCenter"},
    {u"LWPopup_SplitDesignOptions_HideAllVisualAids", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitDesignOptions_VisualAids", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitDesignOptionsTableWidths", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitDesignOptions_TableBorders", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitDesignOptions_LayerBorders", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitDesignOptions_FrameBorders", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitDesignOptions_ImageMaps", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitDesignOptions_Invisibles", u"LWPopup_SplitDesignOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_HideAllVisualAids", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_VisualAids", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_TableWidths", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_TableBorders", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_LayerBorders", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_FrameBorders", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_ImageMaps", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_SplitCodeOptions_Invisibles", u"LWPopup_SplitCodeOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_HideAllVisualAids", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_VisualAids", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_TableWidths", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_TableBorders", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_LayerBorders", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_FrameBorders", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_ImageMaps", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWPopup_DesignOnlyOptions_Invisibles", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
    {u"LWMenu_Edit_CopyHTML", u"LWMenu_Edit_Copy"},
    {u"LWMenu_Edit_PasteHTML", u"LWMenu_Edit_Paste"},
    {u"LWMenu_Edit_PasteText", u"LWMenu_Edit_PasteSpecial"},
    {u"LWMenu_Modify_Align", u"LWMenu_Modify_Arrange"},
    {u"LWMenu_Commands_SetColorScheme", u"LWMenu_Commands_CreateWebPhotoAlbum"},
};

// Where the copies go: the file's top level (menubars and comments only),
// directly into a menubar, or into a menu.
enum class Where { TopLevel, MenuBar, Menu };

CZorbExtensionMenu* AsPlainMenu(const CZorbXmlObject* node) {
  auto* menu = dynamic_cast<CZorbExtensionMenu*>(const_cast<CZorbXmlObject*>(node));
  return menu && cfgxml::HasTag(menu, u"menu") ? menu : nullptr;
}

// The name the description's resource table gave the source replaces the
// node's own; the resource reference itself never reaches the host file.
void UseResolvedName(CZorbExtensionMenuBase* node, const CZorbExtensionMenuBase* source) {
  if (source->m_resolvedName.GetLength() > 0) {
    if (auto* menu = dynamic_cast<CZorbExtensionMenu*>(node)) menu->m_name = source->m_resolvedName;
    if (auto* item = dynamic_cast<CZorbExtensionMenuItem*>(node))
      item->m_name = source->m_resolvedName;
  }
  node->m_resourceName.Empty();
}

// Server formats carry no resource name.
void UseResolvedName(CZorbExtensionServerFormat*, const CZorbExtensionServerFormat*) {}

template <class Node>
Node* DirectChild(CZorbXmlObject* container, const CString& id, const char16_t* tag) {
  for (CZorbXmlObject* child : container->m_children) {
    auto* node = dynamic_cast<Node*>(child);
    if (node && cfgxml::HasTag(node, tag) && cfgxml::SameId(node->m_id, id)) return node;
  }
  return nullptr;
}

struct Target {
  CZorbMenusXmlFile& file;
  CZorbXmlObject* container;  // the file, a menubar or a menu
  Where where;
  // The change, which remembers the host's nodes it merges into.
  const CZorbXmlObject& change;
  bool menusAndCommentsOnly = false;
};

// The node that a copy of source would duplicate takes source's attributes
// (the change remembers it as it was) and null is returned; without one,
// the copy to insert.
template <class Node>
CZorbXmlObject* MergeOrCopy(const Target& at, Node* existing, const Node* source) {
  if (existing) {
    hostnode::RememberAttributes(at.change, *existing);
    existing->Merge(source);
    UseResolvedName(existing, source);
    return nullptr;
  }
  auto* copy = new Node(source);
  UseResolvedName(copy, source);
  return copy;
}

// The node with the id that a copy would duplicate: anywhere below a
// menubar, among a menu's direct children.
template <class Node>
Node* ExistingIn(const Target& at, const CString& id, const char16_t* tag,
                 Node* (CZorbExtensionMenu::*findBelow)(const CString&, CZorbExtensionMenu*&)) {
  if (at.where != Where::MenuBar) return DirectChild<Node>(at.container, id, tag);
  CZorbExtensionMenu* holder = nullptr;
  return (static_cast<CZorbExtensionMenu*>(at.container)->*findBelow)(id, holder);
}

// The node to insert for one child of the change, or null when the child
// was merged into a node that is already there, or does not belong here.
CZorbXmlObject* CopyFor(const CZorbXmlObject* child, const Target& at) {
  if (!child) return nullptr;
  // A comment as the file will hold it, and find it again.
  if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child))
    return new CZorbXmlComment(cfgxml::CommentText(comment->m_comment).Get());

  if (auto* menubar = dynamic_cast<const CZorbExtensionMenuBar*>(child)) {
    if (at.where != Where::TopLevel) return nullptr;
    return MergeOrCopy(at, at.file.FindMenuBar(menubar->m_id), menubar);
  }
  if (at.where == Where::TopLevel) return nullptr;

  if (CZorbExtensionMenu* menu = AsPlainMenu(child))
    return MergeOrCopy(at, DirectChild<CZorbExtensionMenu>(at.container, menu->m_id, u"menu"),
                       menu);
  if (at.menusAndCommentsOnly) return nullptr;

  if (auto* item = dynamic_cast<const CZorbExtensionMenuItem*>(child))
    return MergeOrCopy(
        at, ExistingIn(at, item->m_id, u"menuitem", &CZorbExtensionMenu::FindMenuItem), item);
  if (auto* format = dynamic_cast<const CZorbExtensionServerFormat*>(child))
    return MergeOrCopy(at, ExistingIn(at, format->m_id, u"format", &CZorbExtensionMenu::FindFormat),
                       format);
  if (auto* separator = dynamic_cast<const CZorbExtensionMenuSeparator*>(child)) {
    // The separator's id names its owner; the undo finds it by that, in
    // the form the file holds it.
    auto* copy = new CZorbExtensionMenuSeparator(separator);
    copy->AddReference(cfgxml::MenusValue(separator->m_id));
    return copy;
  }
  return nullptr;
}

// The nodes an insert places: its children without the host nodes it keeps
// (which it adds to while it places, so the children are never walked
// while nodes are placed).
using Children = std::vector<const CZorbXmlObject*>;

Children NodesOf(const CZorbXmlObject& change) {
  Children nodes;
  for (const CZorbXmlObject* child : change.m_children)
    if (child && !dynamic_cast<const CZorbHostNode*>(child)) nodes.push_back(child);
  return nodes;
}

// Each child beside anchor, so they keep their order: in order directly
// before it, or from the last child to the first directly after it.
void PlaceBeside(const Children& children, const Target& at, CZorbXmlObject* anchor, bool after) {
  const auto place = [&](const CZorbXmlObject* child) {
    CZorbXmlObject* copy = CopyFor(child, at);
    if (!copy) return;
    auto& list = at.container->m_children;
    auto it = std::find(list.begin(), list.end(), anchor);
    if (it == list.end()) {
      delete copy;
      return;
    }
    list.insert(after ? std::next(it) : it, copy);
  };
  if (after)
    std::for_each(children.rbegin(), children.rend(), place);
  else
    std::for_each(children.begin(), children.end(), place);
}

void PlaceBefore(const Children& children, const Target& at, CZorbXmlObject* anchor) {
  PlaceBeside(children, at, anchor, false);
}

void PlaceAfter(const Children& children, const Target& at, CZorbXmlObject* anchor) {
  PlaceBeside(children, at, anchor, true);
}

// From the last child to the first, each to the front.
void PlaceAtFront(const Children& children, const Target& at) {
  for (auto child = children.rbegin(); child != children.rend(); ++child)
    if (CZorbXmlObject* copy = CopyFor(*child, at)) at.container->m_children.push_front(copy);
}

void PlaceAtEnd(const Children& children, const Target& at) {
  for (const CZorbXmlObject* child : children)
    if (CZorbXmlObject* copy = CopyFor(child, at)) at.container->m_children.push_back(copy);
}

// The host's node that an insert merged into takes back the attributes it
// had.
void RestoreAttributes(CZorbMenusXmlFile& file, const CZorbXmlObject& original) {
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  if (auto* bar = dynamic_cast<const CZorbExtensionMenuBar*>(&original)) {
    if (CZorbExtensionMenuBar* found = file.FindMenuBar(bar->m_id)) found->Merge(bar);
  } else if (CZorbExtensionMenu* menu = AsPlainMenu(&original)) {
    if (CZorbExtensionMenu* found = file.FindMenu(menu->m_id, menubar, parent)) found->Merge(menu);
  } else if (auto* item = dynamic_cast<const CZorbExtensionMenuItem*>(&original)) {
    if (CZorbExtensionMenuItem* found = file.FindMenuItem(item->m_id, menubar, parent))
      found->Merge(item);
  } else if (auto* format = dynamic_cast<const CZorbExtensionServerFormat*>(&original)) {
    if (CZorbExtensionServerFormat* found = file.FindFormat(format->m_id, menubar, parent))
      found->Merge(format);
  }
}

Where WhereIn(CZorbXmlObject* container) {
  return dynamic_cast<CZorbExtensionMenuBar*>(container) ? Where::MenuBar : Where::Menu;
}

// With skipSeparator, a separator right after the target is passed over.
CZorbXmlObject* AnchorAfter(CZorbXmlObject* container, CZorbXmlObject* target, bool skipSeparator) {
  if (!skipSeparator) return target;
  auto& list = container->m_children;
  auto it = std::find(list.begin(), list.end(), target);
  if (it == list.end() || std::next(it) == list.end()) return target;
  CZorbXmlObject* next = *std::next(it);
  return dynamic_cast<CZorbExtensionMenuSeparator*>(next) ? next : target;
}

void AppendPositionAttribute(CString& out, int32_t position, const CString& target) {
  if (position < CZorbConfigChange::kInsertBefore || position > CZorbConfigChange::kAppendTo)
    return;
  cfgxml::AppendAttributeAlways(out, cfgxml::PositionName(position), target);
}

}  // namespace

CZorbMenuChangeInsert::CZorbMenuChangeInsert() = default;

CZorbMenuChangeInsert::CZorbMenuChangeInsert(const CZorbMenuChangeInsert& other)
    : CZorbMenuChange(other),
      m_targetId(other.m_targetId),
      m_position(other.m_position),
      m_skipSeparator(other.m_skipSeparator) {}

CZorbMenuChangeInsert::~CZorbMenuChangeInsert() = default;

CZorbXmlObject* CZorbMenuChangeInsert::Clone() const {
  return new CZorbMenuChangeInsert(*this);
}

void CZorbMenuChangeInsert::GetTag(CString& tag) const {
  tag = u"menu-insert";
}

void CZorbMenuChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendPositionAttribute(attributes, m_position, m_targetId);
  if (m_skipSeparator) attributes += u" skipSeparator=\"true\"";
  AppendLocaleAttribute(attributes);
  cfgxml::AppendElement(*this, CString(u"menu-insert"), attributes, level, out);
}

bool CZorbMenuChangeInsert::GetReplacementId(const CString& id, CString& replacement) {
  for (const IdReplacement& row : kReplacements)
    if (cfgxml::EqualsNoCase(id, row.oldId)) {
      replacement = row.newId;
      return true;
    }
  return false;
}

CZorbConfigChange::ErrorCode CZorbMenuChangeInsert::MakeChange(const CZorbConfigChanges* changes,
                                                               CZorbXmlFile* file,
                                                               const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kMenuChangeFailed;
  hostnode::Forget(*this);

  CString target = m_targetId;
  bool tryReplacement = true;
  for (;;) {
    bool notFound = false;
    const ErrorCode result = Place(changes, *menus, target, notFound);
    if (!notFound) return result;
    CString replacement;
    if (tryReplacement && GetReplacementId(target, replacement)) {
      // The search starts again under the id that replaced the old one.
      target = replacement;
      tryReplacement = false;
      continue;
    }
    break;
  }

  CString lastResortId;
  if (!changes || !changes->GetLastResortId(lastResortId)) return kMenuChangeFailed;
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  CZorbExtensionMenu* lastResort = menus->FindMenu(lastResortId, menubar, parent);
  if (!lastResort)
    lastResort = dynamic_cast<CZorbExtensionMenu*>(changes->CreateLastResortObject(menus));
  if (!lastResort) return kMenuChangeFailed;
  const Target at{*menus, lastResort, WhereIn(lastResort), *this};
  PlaceAtEnd(NodesOf(*this), at);
  menuedit::TidyMenu(lastResort);
  return kPlacedInLastResort;
}

CZorbConfigChange::ErrorCode CZorbMenuChangeInsert::Place(const CZorbConfigChanges* changes,
                                                          CZorbMenusXmlFile& file,
                                                          const CString& target,
                                                          bool& notFound) const {
  notFound = false;
  const Children nodes = NodesOf(*this);
  if (target.GetLength() == 0) {
    // Menubars and comments at the end of the file, the last child first.
    const Target at{file, &file, Where::TopLevel, *this};
    for (auto child = nodes.rbegin(); child != nodes.rend(); ++child)
      if (CZorbXmlObject* copy = CopyFor(*child, at)) file.m_children.push_back(copy);
    return kNoError;
  }

  if (CZorbExtensionMenuBar* menubar = file.FindMenuBar(target)) {
    switch (m_position) {
      case kInsertBefore:
        PlaceBefore(nodes, {file, &file, Where::TopLevel, *this}, menubar);
        return kNoError;
      case kInsertAfter:
        PlaceAfter(nodes, {file, &file, Where::TopLevel, *this}, menubar);
        return kNoError;
      case kPrependTo:
        PlaceAtFront(nodes, {file, menubar, Where::MenuBar, *this});
        return kNoError;
      case kAppendTo:
        PlaceAtEnd(nodes, {file, menubar, Where::MenuBar, *this});
        return kNoError;
      default:
        return kMenuChangeFailed;
    }
  }

  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  if (CZorbExtensionMenu* menu = file.FindMenu(target, menubar, parent)) {
    switch (m_position) {
      case kInsertBefore:
      case kInsertAfter: {
        Target at{file, nullptr, Where::Menu, *this};
        if (parent) {
          at.container = parent;
          at.where = WhereIn(parent);
        } else if (menubar) {
          // Beside a menu of a menubar only menus and comments belong.
          at.container = menubar;
          at.where = Where::MenuBar;
          at.menusAndCommentsOnly = true;
        } else {
          // A menu at the file's top level outside any menubar takes nothing.
          return kNoError;
        }
        if (m_position == kInsertBefore)
          PlaceBefore(nodes, at, menu);
        else
          PlaceAfter(nodes, at, AnchorAfter(at.container, menu, m_skipSeparator));
        menuedit::TidyMenu(at.container);
        return kNoError;
      }
      case kPrependTo:
        PlaceAtFront(nodes, {file, menu, Where::Menu, *this});
        menuedit::TidyMenu(menu);
        return kNoError;
      case kAppendTo:
        PlaceAtEnd(nodes, {file, menu, Where::Menu, *this});
        menuedit::TidyMenu(menu);
        return kNoError;
      default:
        return kMenuChangeFailed;
    }
  }

  CZorbXmlObject* node = file.FindMenuItem(target, menubar, parent);
  if (!node) node = file.FindFormat(target, menubar, parent);
  if (node && parent) {
    const Target at{file, parent, WhereIn(parent), *this};
    switch (m_position) {
      case kInsertBefore:
        PlaceBefore(nodes, at, node);
        break;
      case kInsertAfter:
        PlaceAfter(nodes, at, AnchorAfter(parent, node, m_skipSeparator));
        break;
      default:
        return kMenuChangeFailed;
    }
    menuedit::TidyMenu(parent);
    return kNoError;
  }

  if (changes && changes->AppendIfLocationNotFound()) {
    for (CZorbXmlObject* child : file.m_children) {
      auto* first = dynamic_cast<CZorbExtensionMenuBar*>(child);
      if (first && (cfgxml::HasTag(first, u"menubar") || cfgxml::HasTag(first, u"formats"))) {
        PlaceAtEnd(nodes, {file, first, Where::MenuBar, *this});
        return kNoError;
      }
    }
    return kMenuChangeFailed;
  }

  notFound = true;
  return kMenuChangeFailed;
}

CZorbConfigChange::ErrorCode CZorbMenuChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                               CZorbXmlFile* file,
                                                               const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kNoError;

  for (const CZorbXmlObject* child : m_children) {
    if (!child || dynamic_cast<const CZorbHostNode*>(child)) continue;
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;

    // A node the insert merged into was the host's: it gets its own
    // attributes back and stays.
    if (const CZorbXmlObject* original = hostnode::Find(*this, *child)) {
      RestoreAttributes(*menus, *original);
      continue;
    }
    if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child)) {
      if (CZorbXmlComment* found = menus->FindComment(comment->m_comment, menubar, parent))
        menuedit::CleanUpAfterRemoval(*menus, menuedit::Remove(*menus, found), true);
    } else if (auto* bar = dynamic_cast<const CZorbExtensionMenuBar*>(child)) {
      CZorbExtensionMenuBar* found = menus->FindMenuBar(bar->m_id);
      if (found && !found->ContainsNonComments()) menuedit::Remove(*menus, found);
    } else if (CZorbExtensionMenu* menu = AsPlainMenu(child)) {
      CZorbExtensionMenu* found = menus->FindMenu(menu->m_id, menubar, parent);
      if (found && !found->ContainsNonComments())
        menuedit::CleanUpAfterRemoval(*menus, menuedit::RemoveMenu(*menus, found), false);
    } else if (auto* item = dynamic_cast<const CZorbExtensionMenuItem*>(child)) {
      if (CZorbExtensionMenuItem* found = menus->FindMenuItem(item->m_id, menubar, parent))
        menuedit::CleanUpAfterRemoval(*menus, menuedit::Remove(*menus, found), false);
    } else if (auto* format = dynamic_cast<const CZorbExtensionServerFormat*>(child)) {
      if (CZorbExtensionServerFormat* found = menus->FindFormat(format->m_id, menubar, parent))
        menuedit::CleanUpAfterRemoval(*menus, menuedit::Remove(*menus, found), false);
    } else if (auto* separator = dynamic_cast<const CZorbExtensionMenuSeparator*>(child)) {
      const CString owner = cfgxml::MenusValue(separator->m_id);
      CZorbExtensionMenuSeparator* found = menus->FindSeparator(owner, menubar, parent);
      if (!found) continue;
      found->RemoveReference(owner);
      if (found->m_references.empty()) {
        menuedit::CleanUpAfterRemoval(*menus, menuedit::Remove(*menus, found), false);
      } else if (found->m_references.size() == 1 &&
                 found->m_references.front() == CZorbExtensionMenuSeparator::kStandard) {
        // The host had it before: it stays as the host's own, without the
        // owner's name that a merged copy may have brought as its id.
        found->RemoveReference(CZorbExtensionMenuSeparator::kStandard);
        found->m_id.Empty();
      }
    }
  }
  return kNoError;
}
