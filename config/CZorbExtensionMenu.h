#pragma once

#include "config/CZorbExtensionMenuBase.h"

class CZorbExtensionMenuItem;
class CZorbExtensionMenuSeparator;
class CZorbExtensionServerFormat;
class CZorbXmlComment;

// A menu: its children are menus, menu items, separators, server formats
// and comments in document order.
class CZorbExtensionMenu : public CZorbExtensionMenuBase {
 public:
  CZorbExtensionMenu();
  // A default menu with the source's attributes (never its children); a
  // null source gives a default menu.
  explicit CZorbExtensionMenu(const CZorbExtensionMenu* source);
  ~CZorbExtensionMenu() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // The shared attributes, name, visibility="hidden" when hidden, resid:name.
  void AppendAttributes(CString& out) const override;
  // The shared fields and, when other is a menu, name and visibility.
  void Merge(const CZorbExtensionMenuBase* other) override;

  static const cfgnode::Table& AttributeTable();

  // Lookups below this menu: the children in order, depth first, descending
  // into every child tagged "menu"; the first match wins. parent is set to
  // the menu that directly holds the match, null when nothing matches. Ids
  // compare ignoring case and an empty id finds nothing; separator
  // references and comment texts compare exactly.
  virtual CZorbExtensionMenu* FindMenu(const CString& id, CZorbExtensionMenu*& parent);
  CZorbExtensionMenuItem* FindMenuItem(const CString& id, CZorbExtensionMenu*& parent);
  CZorbExtensionServerFormat* FindFormat(const CString& id, CZorbExtensionMenu*& parent);
  // The first separator whose references hold name.
  CZorbExtensionMenuSeparator* FindSeparator(const CString& name, CZorbExtensionMenu*& parent);
  using CZorbXmlObject::FindComment;
  CZorbXmlComment* FindComment(const CString& text, CZorbExtensionMenu*& parent);

  // Tidies the direct children after items were taken out: a leading
  // separator and all trailing ones go, and two separators in a row become
  // the first, which takes over the second's references (and "standard"
  // when either had none, since that one was the host's own).
  void RemoveExtraSeparators();

  CString m_name;
  bool m_visible = true;
};
