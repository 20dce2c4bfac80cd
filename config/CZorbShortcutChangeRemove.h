#pragma once

#include "config/CZorbShortcutChange.h"

// "shortcut-remove": takes a shortcut list, or else a shortcut, of the host
// out of its menus file.
class CZorbShortcutChangeRemove : public CZorbShortcutChange {
 public:
  CZorbShortcutChangeRemove();
  CZorbShortcutChangeRemove(const CZorbShortcutChangeRemove& other);
  ~CZorbShortcutChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;

  // Always 0.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Does nothing; 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_id;
};
