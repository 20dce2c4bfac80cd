#pragma once

#include "config/CZorbToolbarChange.h"

class CZorbToolbarItemChangeRemove : public CZorbToolbarChange {
 public:
  CZorbToolbarItemChangeRemove();
  ~CZorbToolbarItemChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // Removes the first item with the id in any toolbar (never the toolbar);
  // 31 when there is none.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
