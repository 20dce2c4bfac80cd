#include "config/CZorbExtensionMenu.h"

#include <iterator>

#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Base = CZorbExtensionMenuBase;
using Menu = CZorbExtensionMenu;

const cfgnode::Attribute kOwn[] = {
    {u"name", Form::kText, true, cfgnode::Text<Menu, Menu, &Menu::m_name>, nullptr},
    {u"visibility", Form::kHiddenWhenFalse, true, nullptr,
     cfgnode::Flag<Menu, Menu, &Menu::m_visible>},
    {u"resid:name", Form::kText, true, cfgnode::Text<Base, Base, &Base::m_resourceName>, nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resolvedName>,
     nullptr},
};

CZorbExtensionMenu* AsSubmenu(CZorbXmlObject* node) {
  auto* menu = dynamic_cast<CZorbExtensionMenu*>(node);
  return menu && cfgxml::HasTag(menu, u"menu") ? menu : nullptr;
}

CZorbExtensionMenuSeparator* AsSeparator(CZorbXmlObject* node) {
  auto* separator = dynamic_cast<CZorbExtensionMenuSeparator*>(node);
  return separator && cfgxml::HasTag(separator, u"separator") ? separator : nullptr;
}

// Depth-first walk over the children of menu, descending into submenus.
template <class Match>
CZorbXmlObject* Walk(CZorbExtensionMenu* menu, CZorbExtensionMenu*& parent, const Match& match) {
  for (CZorbXmlObject* child : menu->m_children) {
    if (!child) continue;
    if (match(child)) {
      parent = menu;
      return child;
    }
    if (CZorbExtensionMenu* submenu = AsSubmenu(child))
      if (CZorbXmlObject* found = Walk(submenu, parent, match)) return found;
  }
  return nullptr;
}

}  // namespace

CZorbExtensionMenu::CZorbExtensionMenu() = default;

CZorbExtensionMenu::CZorbExtensionMenu(const CZorbExtensionMenu* source) {
  Merge(source);
}

CZorbExtensionMenu::~CZorbExtensionMenu() = default;

CZorbXmlObject* CZorbExtensionMenu::Clone() const {
  auto* copy = new CZorbExtensionMenu(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionMenu::GetTag(CString& tag) const {
  tag = u"menu";
}

const cfgnode::Table& CZorbExtensionMenu::AttributeTable() {
  static const cfgnode::Table table{&SharedAttributeTable(), kOwn, std::size(kOwn)};
  return table;
}

void CZorbExtensionMenu::AppendAttributes(CString& out) const {
  cfgnode::WriteAttributes(AttributeTable(), *this, out);
}

void CZorbExtensionMenu::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  cfgxml::AppendElement(*this, CString(u"menu"), attributes, level, out);
}

void CZorbExtensionMenu::Merge(const CZorbExtensionMenuBase* other) {
  if (other) cfgnode::Merge(AttributeTable(), *this, *other);
}

CZorbExtensionMenu* CZorbExtensionMenu::FindMenu(const CString& id, CZorbExtensionMenu*& parent) {
  parent = nullptr;
  if (id.GetLength() == 0) return nullptr;
  return static_cast<CZorbExtensionMenu*>(Walk(this, parent, [&](CZorbXmlObject* child) {
    CZorbExtensionMenu* menu = AsSubmenu(child);
    return menu && cfgxml::SameId(menu->m_id, id);
  }));
}

CZorbExtensionMenuItem* CZorbExtensionMenu::FindMenuItem(const CString& id,
                                                         CZorbExtensionMenu*& parent) {
  parent = nullptr;
  if (id.GetLength() == 0) return nullptr;
  return static_cast<CZorbExtensionMenuItem*>(Walk(this, parent, [&](CZorbXmlObject* child) {
    auto* item = dynamic_cast<CZorbExtensionMenuItem*>(child);
    return item && cfgxml::HasTag(item, u"menuitem") && cfgxml::SameId(item->m_id, id);
  }));
}

CZorbExtensionServerFormat* CZorbExtensionMenu::FindFormat(const CString& id,
                                                           CZorbExtensionMenu*& parent) {
  parent = nullptr;
  if (id.GetLength() == 0) return nullptr;
  return static_cast<CZorbExtensionServerFormat*>(Walk(this, parent, [&](CZorbXmlObject* child) {
    auto* format = dynamic_cast<CZorbExtensionServerFormat*>(child);
    return format && cfgxml::HasTag(format, u"format") && cfgxml::SameId(format->m_id, id);
  }));
}

CZorbExtensionMenuSeparator* CZorbExtensionMenu::FindSeparator(const CString& name,
                                                               CZorbExtensionMenu*& parent) {
  parent = nullptr;
  if (name.GetLength() == 0) return nullptr;
  return static_cast<CZorbExtensionMenuSeparator*>(Walk(this, parent, [&](CZorbXmlObject* child) {
    CZorbExtensionMenuSeparator* separator = AsSeparator(child);
    return separator && separator->HasReference(name);
  }));
}

CZorbXmlComment* CZorbExtensionMenu::FindComment(const CString& text, CZorbExtensionMenu*& parent) {
  parent = nullptr;
  return static_cast<CZorbXmlComment*>(Walk(this, parent, [&](CZorbXmlObject* child) {
    auto* comment = dynamic_cast<CZorbXmlComment*>(child);
    return comment && cfgxml::SameComment(comment->m_comment, text);
  }));
}

void CZorbExtensionMenu::RemoveExtraSeparators() {
  if (!m_children.empty() && AsSeparator(m_children.front())) {
    delete m_children.front();
    m_children.pop_front();
  }
  while (!m_children.empty() && AsSeparator(m_children.back())) {
    delete m_children.back();
    m_children.pop_back();
  }
  for (bool again = true; again;) {
    again = false;
    CZorbXmlObject* previous = nullptr;
    for (auto it = m_children.begin(); it != m_children.end(); ++it) {
      if (!*it) continue;
      CZorbExtensionMenuSeparator* first = AsSeparator(previous);
      CZorbExtensionMenuSeparator* second = AsSeparator(*it);
      if (first && second) {
        if (second->m_references.empty() || first->m_references.empty())
          first->AddReference(CZorbExtensionMenuSeparator::kStandard);
        for (const CString& reference : second->m_references) first->AddReference(reference);
        m_children.erase(it);
        delete second;
        again = true;
        break;
      }
      previous = *it;
    }
  }
}
