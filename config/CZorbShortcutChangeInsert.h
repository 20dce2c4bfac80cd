#pragma once

#include "config/CZorbShortcutChange.h"

// "shortcut-insert": adds shortcuts (and comments) to the host's shortcut
// list with the list id or, without a list id, adds its shortcut lists to
// the file, each with the shortcuts it holds (and those that follow it in
// the change). A list or shortcut whose id the host already has is merged
// into the host's, which the change remembers as it was.
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
  // Removes the shortcuts, comments and lists that MakeChange added, and
  // gives the host's lists and shortcuts it merged into their attributes
  // back; always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_listId;
};
