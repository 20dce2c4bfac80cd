#pragma once

#include "config/ConfigNodeTable.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// A keyboard shortcut of a shortcut list. An empty string means the
// attribute is absent.
class CZorbExtensionShortcut : public CZorbXmlObject {
 public:
  CZorbExtensionShortcut();
  // A default shortcut with the source's attributes (never its children);
  // a null source gives a default shortcut.
  explicit CZorbExtensionShortcut(const CZorbExtensionShortcut* source);
  ~CZorbExtensionShortcut() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // key, platform, domRequired="false" when false, dynamic="true" when
  // true, app, file, arguments, command, enabled, name, checked,
  // QQString:name, id.
  virtual void AppendAttributes(CString& out) const;
  // Copies every string and both flags; null does nothing.
  void Merge(const CZorbExtensionShortcut* other);

  // Also the table of the actions.
  static const cfgnode::Table& AttributeTable();

  CString m_key;
  CString m_file;
  CString m_arguments;
  CString m_id;
  CString m_platform;
  CString m_command;
  CString m_app;
  CString m_name;
  CString m_enabled;
  CString m_checked;
  CString m_qqStringName;  // QQString:name
  bool m_domRequired = true;
  bool m_dynamic = false;
};
