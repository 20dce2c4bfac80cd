#pragma once

#include "config/CZorbExtensionMenu.h"

// A menubar of a menus file, or the "formats" section of a server formats
// file: a menu written under its stored tag.
class CZorbExtensionMenuBar : public CZorbExtensionMenu {
 public:
  CZorbExtensionMenuBar();  // tag "menubar"
  // A default menubar with the source's attributes and tag (never its
  // children); a null source gives a default menubar.
  explicit CZorbExtensionMenuBar(const CZorbExtensionMenuBar* source);
  ~CZorbExtensionMenuBar() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // An empty line first, then the element with its children.
  void BuildXml(int level, CString& out) const override;
  // The shared attributes and name.
  void AppendAttributes(CString& out) const override;
  // The shared fields and, when other is a menubar, tag and name.
  void Merge(const CZorbExtensionMenuBase* other) override;

  static const cfgnode::Table& AttributeTable();
  // As for a menu, except that a match among the menubar's own children
  // leaves parent null.
  CZorbExtensionMenu* FindMenu(const CString& id, CZorbExtensionMenu*& parent) override;
  virtual void SetTag(const char16_t* tag);
};
