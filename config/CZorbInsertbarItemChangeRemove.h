#pragma once

#include "config/CZorbInsertbarChange.h"

class CZorbInsertbarItemChangeRemove : public CZorbInsertbarChange {
 public:
  CZorbInsertbarItemChangeRemove();
  ~CZorbInsertbarItemChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // Removes the first item with the id (an emptied category goes with it,
  // unless it is the favourites); 32 when there is none.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
