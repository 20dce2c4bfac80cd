#pragma once

#include "config/CZorbMenuChange.h"

// "menu-remove": takes a menubar, menu, menu item or server format of the
// host out of its menus file. It remembers what it took out (and what the
// tidying after it took out or changed) as host nodes among its children,
// so that its undo puts the host's nodes back in their places.
class CZorbMenuChangeRemove : public CZorbMenuChange {
 public:
  CZorbMenuChangeRemove();
  CZorbMenuChangeRemove(const CZorbMenuChangeRemove& other);
  ~CZorbMenuChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // An empty element, or one that holds the host nodes it remembers.
  void BuildXml(int level, CString& out) const override;

  // The first of menubar, menu, menu item and server format with the id is
  // removed; nothing found changes nothing. Always 0.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Puts back what MakeChange took out, where it stood; 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_id;
};
