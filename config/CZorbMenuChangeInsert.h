#pragma once

#include "config/CZorbMenuChange.h"

class CZorbMenusXmlFile;

// "menu-insert": puts menubars, menus, menu items, separators, server
// formats and comments (its children, in document order) into a menus file
// before, after, at the front of or at the end of the node with the target
// id. A target that is missing may be found under the id that replaced it
// in later hosts, or the set's fallbacks take the children.
class CZorbMenuChangeInsert : public CZorbMenuChange {
 public:
  CZorbMenuChangeInsert();
  CZorbMenuChangeInsert(const CZorbMenuChangeInsert& other);
  ~CZorbMenuChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;

  // 0 placed; 6 placed in the last-resort menu; 10 no menus file, no place
  // or a position outside 1 to 4.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Takes out what MakeChange added, leaving the host's own nodes; always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  // The id that later hosts use for an id of older ones (compared ignoring
  // case); false when id has no replacement.
  static bool GetReplacementId(const CString& id, CString& replacement);

  CString m_targetId;
  int32_t m_position = kAppendTo;
  // Inserting after a target that a separator follows goes behind it.
  bool m_skipSeparator = false;

 private:
  ErrorCode Place(const CZorbConfigChanges* changes, CZorbMenusXmlFile& file, const CString& target,
                  bool& notFound) const;
};
