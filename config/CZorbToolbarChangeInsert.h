#pragma once

#include "config/CZorbToolbarChange.h"

// "toolbar-insert": its children are whole "toolbar" elements. A toolbar
// that the file has already takes the new items (an item with an existing
// id is overwritten in place); any other toolbar is added at the end.
class CZorbToolbarChangeInsert : public CZorbToolbarChange {
 public:
  CZorbToolbarChangeInsert();
  ~CZorbToolbarChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 when a toolbar was handled; 31 without one or without "toolbarset".
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the items again, and each toolbar that is left empty. Always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
