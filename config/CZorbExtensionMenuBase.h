#pragma once

#include "config/ConfigNodeTable.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// The attributes that menubars, menus, menu items and separators share.
// An empty string means the attribute is absent.
class CZorbExtensionMenuBase : public CZorbXmlObject {
 public:
  CZorbExtensionMenuBase();
  ~CZorbExtensionMenuBase() override;

  // Writes xmlns:QQString, id, QQString:name, platform, app and showif, each
  // only when it is not empty.
  virtual void AppendAttributes(CString& out) const;
  // Copies other's attributes into this node; null does nothing. The base
  // copies every shared field but the namespace.
  virtual void Merge(const CZorbExtensionMenuBase* other);

  // The attributes every menu node shares: xmlns:QQString, id,
  // QQString:name, platform, app, showif.
  static const cfgnode::Table& SharedAttributeTable();
  // The shared ones, and the resource and resolved names, never written.
  static const cfgnode::Table& AttributeTable();

  CString m_qqStringName;  // QQString:name, the localised-name reference
  CString m_platform;
  CString m_app;
  CString m_id;
  CString m_showif;
  CString m_namespace;     // an xmlns:QQString declaration on this node
  CString m_resourceName;  // resid:name (written by menus and items only)
  // The name the description's resource table gave resid:name; never
  // written. An insert uses it in place of the name when it is not empty.
  CString m_resolvedName;
};
