#pragma once

#include <cstdint>

#include "config/CZorbInsertbarChange.h"

// "insertbar-insert": its children are whole "category" elements. A
// category the file has already takes the new items (an item with an
// existing id is overwritten in place); any other category is added before
// or after the category named by the id (kinds 1, 2), else at the end.
class CZorbInsertbarChangeInsert : public CZorbInsertbarChange {
 public:
  CZorbInsertbarChangeInsert();
  ~CZorbInsertbarChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0; 32 when the first child taken is not a category, or without a file
  // or "insertbar". A later child that is not a category ends the work.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes each category's items again (emptied categories go). Always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  // 0 none, kInsertBefore or kInsertAfter.
  int32_t m_position = 0;
};
