#pragma once

#include "config/ConfigNodeTable.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

class CZorbExtensionShortcut;

// A shortcut list ("shortcutlist") or snippet list ("snippets") of a menus
// file; its tag is the XML object's own.
class CZorbExtensionShortcutList : public CZorbXmlObject {
 public:
  CZorbExtensionShortcutList();  // tag "shortcutlist"
  // The source's attributes and tag (never its children); a source without
  // a tag gives "shortcutlist", so the copy is always a valid element.
  explicit CZorbExtensionShortcutList(const CZorbExtensionShortcutList* source);
  ~CZorbExtensionShortcutList() override;

  CZorbXmlObject* Clone() const override;
  // An empty line first; id is always written. A list without a tag is
  // written as a "shortcutlist".
  void BuildXml(int level, CString& out) const override;
  // Copies id, platform and app; null does nothing.
  void Merge(const CZorbExtensionShortcutList* other);

  // id (always written), platform, app.
  static const cfgnode::Table& AttributeTable();
  // The first shortcut (or action) child whose id equals id ignoring case;
  // an empty id finds nothing.
  CZorbExtensionShortcut* FindShortcut(const CString& id) const;

  CString m_id;
  CString m_platform;
  CString m_app;
};
