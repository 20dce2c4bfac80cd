#pragma once

#include "config/CZorbExtensionMenuBase.h"

// A menu item of a host's menus file or of a menu insert.
class CZorbExtensionMenuItem : public CZorbExtensionMenuBase {
 public:
  CZorbExtensionMenuItem();
  // A default item with the source's attributes (never its children); a
  // null source gives a default item.
  explicit CZorbExtensionMenuItem(const CZorbExtensionMenuItem* source);
  ~CZorbExtensionMenuItem() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // The shared attributes, the bare word dynamic when the dynamic text is
  // "true" (dynamic="value" for another non-empty text), name, key, enabled, command, checked,
  // file, arguments, domRequired="false" when it is false, and resid:name.
  void AppendAttributes(CString& out) const override;
  // The shared fields and, when other is an item, all of its own.
  void Merge(const CZorbExtensionMenuBase* other) override;

  static const cfgnode::Table& AttributeTable();

  CString m_name;
  CString m_key;
  CString m_command;
  CString m_enabled;
  CString m_checked;
  CString m_file;
  CString m_dynamic;  // kept as text; "true" writes the bare word, another value itself
  CString m_arguments;
  bool m_domRequired = true;
};
