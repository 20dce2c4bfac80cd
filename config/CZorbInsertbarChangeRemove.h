#pragma once

#include "config/CZorbInsertbarChange.h"

class CZorbInsertbarChangeRemove : public CZorbInsertbarChange {
 public:
  CZorbInsertbarChangeRemove();
  ~CZorbInsertbarChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // Removes the category with the id and all it holds; 32 when there is none.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
