#pragma once

#include "config/CZorbShortcutChange.h"

// "shortcut-insert": adds shortcuts (and comments) to the host's shortcut
// list with the list id or, without a list id, adds its shortcut lists to
// the file, each with the shortcuts that follow it in the change.
class CZorbShortcutChangeInsert : public CZorbShortcutChange {
 public:
  CZorbShortcutChangeInsert();
  CZorbShortcutChangeInsert(const CZorbShortcutChangeInsert& other);
  ~CZorbShortcutChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;

  // 0 done; 4 no list with the list id (nothing changes); 10 no menus file.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the shortcuts and comments that MakeChange added, and every
  // shortcut list left with nothing but comments; always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_listId;
};
